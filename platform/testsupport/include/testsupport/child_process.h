// Runs a helper program of the tests as a real separate process, for
// behaviour that only shows across processes (named objects, shared hives).
#pragma once

#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

namespace testsupport {

// The path of a program built into the same folder as the running test.
std::filesystem::path SiblingProgram(const std::string& name);

class ChildProcess {
public:
    // Starts `program` with `args`; the child inherits the environment.
    ChildProcess(const std::filesystem::path& program, const std::vector<std::string>& args);
    ~ChildProcess();  // kills a child still running
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    pid_t pid() const { return pid_; }
    // Waits for the exit and returns the exit code (128 + signal when killed,
    // -1 when the time-out passed first).
    int Wait(std::chrono::milliseconds timeout = std::chrono::seconds(30));
    void Kill();  // SIGKILL: no clean-up of any kind runs in the child
    // Blocks until the child has written `line` (a whole line) to its stdout.
    bool WaitForLine(const std::string& line, std::chrono::milliseconds timeout = std::chrono::seconds(30));

private:
    pid_t pid_ = -1;
    int stdoutFd_ = -1;
    int exitCode_ = -1;
    bool reaped_ = false;
    std::string buffered_;
};

// In a child program: writes a line to stdout at once, for WaitForLine.
void Announce(const std::string& line);

}  // namespace testsupport
