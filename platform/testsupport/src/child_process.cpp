#include "testsupport/child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <stdexcept>
#include <system_error>
#include <thread>

namespace testsupport {

std::filesystem::path SiblingProgram(const std::string& name) {
    return std::filesystem::read_symlink("/proc/self/exe").parent_path() / name;
}

ChildProcess::ChildProcess(const std::filesystem::path& program, const std::vector<std::string>& args) {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) throw std::system_error(errno, std::generic_category(), "pipe");
    std::vector<std::string> argvStore;
    argvStore.push_back(program.string());
    argvStore.insert(argvStore.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& a : argvStore) argv.push_back(a.data());
    argv.push_back(nullptr);

    pid_ = fork();
    if (pid_ < 0) throw std::system_error(errno, std::generic_category(), "fork");
    if (pid_ == 0) {
        dup2(fds[1], STDOUT_FILENO);
        execv(argv[0], argv.data());
        _exit(127);
    }
    close(fds[1]);
    stdoutFd_ = fds[0];
}

ChildProcess::~ChildProcess() {
    if (!reaped_ && pid_ > 0) {
        Kill();
        Wait();
    }
    if (stdoutFd_ >= 0) close(stdoutFd_);
}

int ChildProcess::Wait(std::chrono::milliseconds timeout) {
    if (reaped_) return exitCode_;
    auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        int status = 0;
        pid_t r = waitpid(pid_, &status, WNOHANG);
        if (r == pid_) {
            reaped_ = true;
            exitCode_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            return exitCode_;
        }
        if (std::chrono::steady_clock::now() >= deadline) return -1;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}

void ChildProcess::Kill() {
    if (!reaped_ && pid_ > 0) ::kill(pid_, SIGKILL);
}

bool ChildProcess::WaitForLine(const std::string& line, std::chrono::milliseconds timeout) {
    auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        size_t start = 0;
        for (size_t nl; (nl = buffered_.find('\n', start)) != std::string::npos; start = nl + 1) {
            if (buffered_.compare(start, nl - start, line) == 0) {
                buffered_.erase(0, nl + 1);
                return true;
            }
        }
        buffered_.erase(0, start);
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) return false;
        pollfd pfd{stdoutFd_, POLLIN, 0};
        if (poll(&pfd, 1, static_cast<int>(left.count())) <= 0) continue;
        char buf[512];
        ssize_t n = read(stdoutFd_, buf, sizeof buf);
        if (n <= 0) return false;  // the child closed its output or died
        buffered_.append(buf, static_cast<size_t>(n));
    }
}

void Announce(const std::string& line) {
    std::fputs((line + "\n").c_str(), stdout);
    std::fflush(stdout);
}

}  // namespace testsupport
