#include "winapi/process.h"

#include "winapi/command_line.h"
#include "winapi/path_mapping.h"
#include "winapi/text.h"

#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

namespace winapi {

namespace {

// Process descriptors, through the system calls themselves: the C library's
// header for them lacks C linkage in some releases.
int OpenProcessDescriptor(pid_t pid) { return static_cast<int>(syscall(SYS_pidfd_open, pid, 0)); }

int SignalProcessDescriptor(int pidfd, int signal) {
    return static_cast<int>(syscall(SYS_pidfd_send_signal, pidfd, signal, nullptr, 0));
}

// A process seen through handles of this process. A child started here stays
// a zombie (unreaped) while a handle names it: its pid cannot be reused, so
// signalling it by pid is safe, and its exit status stays readable.
class ProcessObject : public KernelObject {
public:
    ProcessObject(pid_t pid, int pidfd, bool child) : pid_(pid), pidfd_(pidfd), child_(child) {}
    ~ProcessObject() override;

    DWORD Wait(DWORD timeoutMs) override;
    // STILL_ACTIVE, the exit code, or false when the code cannot be known.
    bool ExitCode(DWORD& code);
    bool Terminate(UINT exitCode);

private:
    bool HasEnded();  // with lock_ held; never blocks

    const pid_t pid_;
    const int pidfd_;  // -1 when the kernel has no process descriptors
    const bool child_;
    std::mutex lock_;
    bool ended_ = false;
    bool codeKnown_ = false;
    DWORD exitCode_ = STILL_ACTIVE;
    bool terminated_ = false;
    DWORD terminateCode_ = 0;
};

// The handle of a process's first thread: signalled when the process ends.
class ThreadObject : public KernelObject {
public:
    explicit ThreadObject(std::shared_ptr<ProcessObject> process) : process_(std::move(process)) {}
    DWORD Wait(DWORD timeoutMs) override { return process_->Wait(timeoutMs); }

private:
    std::shared_ptr<ProcessObject> process_;
};

// Children started here by pid, so OpenProcess on one shares its state; and
// children whose last handle closed while they still ran, reaped later so
// they do not stay zombies for the life of this process.
struct ChildRegistry {
    std::mutex lock;
    std::map<pid_t, std::weak_ptr<ProcessObject>> live;
    std::vector<pid_t> orphans;
};

ChildRegistry& Children() {
    static ChildRegistry* registry = new ChildRegistry;  // used from static destructors
    return *registry;
}

void ReapOrphans() {
    ChildRegistry& children = Children();
    std::lock_guard guard(children.lock);
    std::erase_if(children.orphans, [](pid_t pid) { return waitpid(pid, nullptr, WNOHANG) != 0; });
}

ProcessObject::~ProcessObject() {
    if (pidfd_ >= 0) close(pidfd_);
    if (!child_) return;
    ChildRegistry& children = Children();
    std::lock_guard guard(children.lock);
    auto it = children.live.find(pid_);
    if (it != children.live.end() && it->second.expired()) children.live.erase(it);
    if (waitpid(pid_, nullptr, WNOHANG) == 0) children.orphans.push_back(pid_);
}

bool ProcessObject::HasEnded() {
    if (ended_) return true;
    if (child_) {
        siginfo_t info{};
        if (waitid(P_PID, static_cast<id_t>(pid_), &info, WEXITED | WNOHANG | WNOWAIT) == 0) {
            if (info.si_pid != pid_) return false;  // still running
            ended_ = true;
            codeKnown_ = true;
            if (info.si_code == CLD_EXITED)
                exitCode_ = static_cast<DWORD>(info.si_status);
            else if (terminated_ && info.si_status == SIGKILL)
                exitCode_ = terminateCode_;
            else
                exitCode_ = 128u + static_cast<DWORD>(info.si_status);
            return true;
        }
        // ECHILD: reaped behind our back (a foreign waitpid(-1)); the code is lost.
        ended_ = true;
    } else {
        pollfd pfd{pidfd_, POLLIN, 0};
        if (poll(&pfd, 1, 0) <= 0) return false;
        ended_ = true;
    }
    if (terminated_) {
        codeKnown_ = true;
        exitCode_ = terminateCode_;
    }
    return true;
}

DWORD ProcessObject::Wait(DWORD timeoutMs) {
    using Clock = std::chrono::steady_clock;
    const bool forever = timeoutMs == INFINITE;
    const auto deadline = Clock::now() + std::chrono::milliseconds(forever ? 0 : timeoutMs);
    auto backoff = std::chrono::milliseconds(1);
    for (;;) {
        {
            std::lock_guard guard(lock_);
            if (HasEnded()) return WAIT_OBJECT_0;
        }
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (!forever && left.count() <= 0) return WAIT_TIMEOUT;
        if (pidfd_ >= 0) {
            // The descriptor turns readable when the process ends.
            int ms = forever ? -1 : static_cast<int>(std::min<long long>(left.count(), INT_MAX));
            pollfd pfd{pidfd_, POLLIN, 0};
            if (poll(&pfd, 1, ms) < 0 && errno != EINTR) {
                SetLastErrorFromErrno(errno);
                return WAIT_FAILED;
            }
        } else {
            // No process descriptors: look again with a growing pause.
            std::this_thread::sleep_for(forever ? backoff : std::min(backoff, left));
            backoff = std::min(backoff * 2, std::chrono::milliseconds(20));
        }
    }
}

bool ProcessObject::ExitCode(DWORD& code) {
    std::lock_guard guard(lock_);
    if (!HasEnded()) {
        code = STILL_ACTIVE;
        return true;
    }
    if (!codeKnown_) return false;
    code = exitCode_;
    return true;
}

bool ProcessObject::Terminate(UINT exitCode) {
    std::lock_guard guard(lock_);
    if (HasEnded()) {
        SetLastError(ERROR_ACCESS_DENIED);
        return false;
    }
    // A child is a zombie at worst, so its pid is still its own.
    int result = child_ ? kill(pid_, SIGKILL) : SignalProcessDescriptor(pidfd_, SIGKILL);
    if (result != 0) {
        SetLastErrorFromErrno(errno);
        return false;
    }
    terminated_ = true;
    terminateCode_ = exitCode;
    return true;
}

// --- Finding the program -----------------------------------------------------

bool IsSeparator(char16_t c) { return c == u'\\' || c == u'/'; }

bool HasFolderPart(std::u16string_view name) {
    return std::any_of(name.begin(), name.end(), IsSeparator) || (name.size() >= 2 && name[1] == u':');
}

std::string FileNamePart(const std::string& posixPath) {
    size_t slash = posixPath.rfind('/');
    return slash == std::string::npos ? posixPath : posixPath.substr(slash + 1);
}

bool EndsWithExe(const std::string& name) {
    if (name.size() < 4) return false;
    std::string tail = name.substr(name.size() - 4);
    std::transform(tail.begin(), tail.end(), tail.begin(), [](unsigned char c) { return std::tolower(c); });
    return tail == ".exe";
}

// The file names that may hold a program called `name`: "Name.exe" is the
// executable "Name" (or a file really called so), and a name without an
// extension may also have ".exe" added, as the platform does.
std::vector<std::string> ProgramFileNames(const std::string& name) {
    if (EndsWithExe(name)) return {name.substr(0, name.size() - 4), name};
    if (name.find('.') == std::string::npos) return {name, name + ".exe"};
    return {name};
}

bool IsRegularFile(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::string FindInFolder(const std::string& folder, const std::string& fileName) {
    for (const std::string& candidate : ProgramFileNames(fileName)) {
        std::string path = folder.empty() ? candidate : folder + "/" + candidate;
        if (IsRegularFile(path)) return path;
    }
    return {};
}

std::string RunningProgramFolder() {
    std::error_code ec;
    return std::filesystem::read_symlink("/proc/self/exe", ec).parent_path().string();
}

// Where the program is named, then beside the running program, then (for a
// bare name) along PATH. Empty when it is nowhere.
std::string FindProgram(std::u16string_view name) {
    std::string posix = ToPosixPath(name);
    std::string fileName = FileNamePart(posix);
    if (fileName.empty()) return {};
    std::string folder = posix.size() > fileName.size() ? posix.substr(0, posix.size() - fileName.size() - 1) : "";
    if (posix.size() > fileName.size() && folder.empty()) folder = "/";  // "/name"

    std::string found = FindInFolder(folder, fileName);
    // A folder that exists here names the program in it only: falling back
    // would start a program the caller did not ask for. A folder that does
    // not exist here (an installation path of the other platform) means the
    // program of that name beside the running one.
    if (HasFolderPart(name) && std::filesystem::is_directory(folder)) return found;
    if (found.empty()) found = FindInFolder(RunningProgramFolder(), fileName);
    if (found.empty()) {
        const char* path = std::getenv("PATH");
        std::string_view rest = path ? path : "";
        while (found.empty() && !rest.empty()) {
            size_t colon = rest.find(':');
            std::string entry(rest.substr(0, colon));
            rest = colon == std::string_view::npos ? std::string_view() : rest.substr(colon + 1);
            if (!entry.empty()) found = FindInFolder(entry, fileName);
        }
    }
    return found;
}

// --- Starting it ---------------------------------------------------------------

// "name=value" strings of an environment block; entries that begin with '='
// (the platform's per-drive folders) have no meaning here.
template <class Char>
std::vector<std::string> ReadEnvironmentBlock(const Char* block) {
    std::vector<std::string> entries;
    for (const Char* p = block; *p;) {
        std::basic_string_view<Char> entry(p);
        p += entry.size() + 1;
        if (entry.front() == Char('=')) continue;
        if constexpr (sizeof(Char) == 1)
            entries.emplace_back(entry);
        else
            entries.push_back(ToUtf8(entry));
    }
    return entries;
}

DWORD SpawnErrorCode(int err) {
    switch (err) {
    case ENOENT:
        return ERROR_FILE_NOT_FOUND;
    case EACCES:
    case EPERM:
        return ERROR_ACCESS_DENIED;
    case ENOEXEC:
        return ERROR_BAD_EXE_FORMAT;
    default:
        return Win32ErrorFromErrno(err);
    }
}

std::vector<char*> PointersOf(std::vector<std::string>& strings) {
    std::vector<char*> pointers;
    for (std::string& s : strings) pointers.push_back(s.data());
    pointers.push_back(nullptr);
    return pointers;
}

// posix_spawn reports a failed exec as its own result, so a program that
// cannot run is an error of CreateProcessW, never a child that dies at once.
int Spawn(const std::string& program, std::vector<std::string>& argv, std::vector<std::string>* environment,
          const std::string& folder, bool inheritHandles, pid_t& pid) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (!folder.empty()) posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
    // Standard input, output and error are the console the child shares.
    if (!inheritHandles) posix_spawn_file_actions_addclosefrom_np(&actions, 3);

    // A fresh program starts with no blocked and no ignored signals, whatever
    // the thread that starts it has set.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t none, all;
    sigemptyset(&none);
    sigfillset(&all);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setsigdefault(&attributes, &all);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

    std::vector<char*> argPointers = PointersOf(argv);
    std::vector<char*> envPointers;
    if (environment) envPointers = PointersOf(*environment);
    int err = posix_spawn(&pid, program.c_str(), &actions, &attributes, argPointers.data(),
                          environment ? envPointers.data() : environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    return err;
}

BOOL Fail(DWORD code) {
    SetLastError(code);
    return FALSE;
}

}  // namespace

}  // namespace winapi

BOOL WINAPI CreateProcessW(LPCWSTR applicationName, LPWSTR commandLine, LPSECURITY_ATTRIBUTES, LPSECURITY_ATTRIBUTES,
                           BOOL inheritHandles, DWORD creationFlags, LPVOID environment, LPCWSTR currentDirectory,
                           LPSTARTUPINFOW startupInfo, LPPROCESS_INFORMATION processInformation) {
    using namespace winapi;
    if (!startupInfo || !processInformation) return Fail(ERROR_INVALID_PARAMETER);
    if (creationFlags & (DEBUG_PROCESS | DEBUG_ONLY_THIS_PROCESS | CREATE_SUSPENDED)) return Fail(ERROR_NOT_SUPPORTED);
    if (startupInfo->dwFlags & STARTF_USESTDHANDLES) return Fail(ERROR_NOT_SUPPORTED);

    std::vector<std::u16string> arguments = SplitCommandLine(commandLine ? commandLine : u"");
    std::u16string programName;
    if (applicationName && *applicationName)
        programName = applicationName;
    else if (!arguments.empty())
        programName = arguments[0];
    if (programName.empty()) return Fail(ERROR_INVALID_PARAMETER);
    if (arguments.empty()) arguments.push_back(programName);

    std::string program = FindProgram(programName);
    if (program.empty()) return Fail(ERROR_FILE_NOT_FOUND);

    std::string folder;
    if (currentDirectory && *currentDirectory) {
        folder = ToPosixPath(currentDirectory);
        struct stat st;
        if (stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return Fail(ERROR_DIRECTORY);
    }

    std::vector<std::string> environmentEntries;
    if (environment) {
        environmentEntries = creationFlags & CREATE_UNICODE_ENVIRONMENT
                                 ? ReadEnvironmentBlock(static_cast<const char16_t*>(environment))
                                 : ReadEnvironmentBlock(static_cast<const char*>(environment));
    }

    std::vector<std::string> argv;
    for (const std::u16string& argument : arguments) argv.push_back(ToUtf8(argument));

    ReapOrphans();
    pid_t pid = 0;
    int err = Spawn(program, argv, environment ? &environmentEntries : nullptr, folder, inheritHandles != FALSE, pid);
    if (err != 0) return Fail(SpawnErrorCode(err));

    // Without process descriptors (old kernels) waits fall back to polling.
    auto process = std::make_shared<ProcessObject>(pid, OpenProcessDescriptor(pid), true);
    {
        ChildRegistry& children = Children();
        std::lock_guard guard(children.lock);
        children.live[pid] = process;
    }
    processInformation->hProcess = RegisterHandle(process);
    processInformation->hThread = RegisterHandle(std::make_shared<ThreadObject>(process));
    // The first thread of a process has the process's id.
    processInformation->dwProcessId = static_cast<DWORD>(pid);
    processInformation->dwThreadId = static_cast<DWORD>(pid);
    return TRUE;
}

HANDLE WINAPI OpenProcess(DWORD, BOOL, DWORD processId) {
    using namespace winapi;
    pid_t pid = static_cast<pid_t>(processId);
    if (pid <= 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    {
        ChildRegistry& children = Children();
        std::lock_guard guard(children.lock);
        auto it = children.live.find(pid);
        if (it != children.live.end()) {
            if (auto process = it->second.lock()) return RegisterHandle(std::move(process));
        }
    }
    int pidfd = OpenProcessDescriptor(pid);
    if (pidfd < 0) {
        SetLastError(errno == ESRCH ? ERROR_INVALID_PARAMETER : Win32ErrorFromErrno(errno));
        return nullptr;
    }
    return RegisterHandle(std::make_shared<ProcessObject>(pid, pidfd, false));
}

BOOL WINAPI GetExitCodeProcess(HANDLE process, LPDWORD exitCode) {
    auto object = winapi::LookupHandleAs<winapi::ProcessObject>(process);
    if (!object) return FALSE;
    if (!exitCode) return winapi::Fail(ERROR_INVALID_PARAMETER);
    if (!object->ExitCode(*exitCode)) return winapi::Fail(ERROR_NOT_SUPPORTED);
    return TRUE;
}

BOOL WINAPI TerminateProcess(HANDLE process, UINT exitCode) {
    auto object = winapi::LookupHandleAs<winapi::ProcessObject>(process);
    if (!object) return FALSE;
    return object->Terminate(exitCode) ? TRUE : FALSE;
}

void WINAPI ExitProcess(UINT exitCode) {
    std::fflush(nullptr);
    _exit(static_cast<int>(exitCode));
}
