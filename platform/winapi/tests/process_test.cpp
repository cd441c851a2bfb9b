#include "winapi/process.h"

#include "winapi/command_line.h"
#include "winapi/handles.h"
#include "winapi/path_mapping.h"
#include "winapi/sync.h"
#include "winapi/text.h"

#include "testsupport/child_process.h"
#include "testsupport/fresh_machine.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

using testsupport::SiblingProgram;

constexpr DWORD kGuard = 60000;  // only a guard against a hung test

class ProcessTest : public testsupport::FreshMachineTest {
protected:
    std::string OutputFile() const { return (machine_.root() / "child-output").string(); }

    // The zero-terminated strings the child wrote.
    std::vector<std::string> ChildOutput() const {
        std::ifstream file(OutputFile(), std::ios::binary);
        std::string raw((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
        std::vector<std::string> parts;
        for (size_t start = 0; start < raw.size();) {
            size_t end = raw.find('\0', start);
            parts.push_back(raw.substr(start, end - start));
            start = end + 1;
        }
        return parts;
    }

    // Starts a program as the system does: a writable command-line buffer of
    // 32001 characters and a zeroed STARTUPINFOW of size 104.
    BOOL Start(const char16_t* application, std::u16string commandLine, PROCESS_INFORMATION& info,
               LPVOID environment = nullptr, DWORD flags = NORMAL_PRIORITY_CLASS, const char16_t* folder = nullptr) {
        buffer_.assign(32001, u'\0');
        std::copy(commandLine.begin(), commandLine.end(), buffer_.begin());
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        info = {};
        return CreateProcessW(application, buffer_.data(), nullptr, nullptr, FALSE, flags, environment, folder,
                              &startup, &info);
    }

    // Waits for the child's end and returns its exit code.
    DWORD Finish(const PROCESS_INFORMATION& info) {
        EXPECT_EQ(WaitForSingleObject(info.hProcess, kGuard), WAIT_OBJECT_0);
        DWORD code = 0;
        EXPECT_TRUE(GetExitCodeProcess(info.hProcess, &code));
        EXPECT_TRUE(CloseHandle(info.hThread));
        EXPECT_TRUE(CloseHandle(info.hProcess));
        return code;
    }

    std::u16string ChildPath() const { return winapi::FromPosixPath(SiblingProgram("process_child").string()); }

    std::vector<char16_t> buffer_;
};

TEST_F(ProcessTest, ChildGetsTheArgumentsOfTheCommandLine) {
    std::u16string program = ChildPath();
    std::u16string out = winapi::ToUtf16(OutputFile());
    std::u16string line = u"\"" + program + u"\" \"" + out +
                          u"\" 7 \"two words\" say\\\"hi\\\" \"\" "
                          u"\"back\\\\\" \"a\"\"b\" tail\\";
    PROCESS_INFORMATION info;
    ASSERT_TRUE(Start(nullptr, line, info)) << GetLastError();
    EXPECT_NE(info.dwProcessId, 0u);
    EXPECT_EQ(Finish(info), 7u);

    std::vector<std::string> expected = {
        winapi::ToUtf8(program), OutputFile(), "7", "two words", "say\"hi\"", "", "back\\", "a\"b", "tail\\"};
    std::vector<std::string> output = ChildOutput();
    ASSERT_EQ(output.size(), expected.size() + 3);
    EXPECT_EQ(std::vector<std::string>(output.begin(), output.begin() + expected.size()), expected);
    // The child's own command line splits back into the same arguments.
    std::vector<std::u16string> childArguments = winapi::SplitCommandLine(winapi::ToUtf16(output.back()));
    std::vector<std::string> childArgumentsUtf8;
    for (auto& a : childArguments) childArgumentsUtf8.push_back(winapi::ToUtf8(a));
    EXPECT_EQ(childArgumentsUtf8, expected);
}

TEST_F(ProcessTest, ExeNamesFindTheProgramBesideTheRunningOne) {
    std::u16string out = winapi::ToUtf16(OutputFile());
    struct Case {
        std::u16string application;  // empty: taken from the command line
        std::u16string line;
        std::string argument0;
    };
    const Case cases[] = {
        {u"process_child.exe", u"process_child.exe \"" + out + u"\" 3", "process_child.exe"},
        {u"", u"process_child \"" + out + u"\" 3", "process_child"},
        // A folder that does not exist here: the program of that name beside this one.
        {u"C:\\Program Files\\Zentraviko\\process_child.exe", u"", "C:\\Program Files\\Zentraviko\\process_child.exe"},
    };
    for (const Case& c : cases) {
        std::filesystem::remove(OutputFile());
        PROCESS_INFORMATION info;
        ASSERT_TRUE(Start(c.application.empty() ? nullptr : c.application.c_str(), c.line, info)) << GetLastError();
        DWORD code = Finish(info);
        if (c.line.empty()) {
            EXPECT_EQ(code, 100u);  // started with no arguments: its usage error
            continue;
        }
        EXPECT_EQ(code, 3u);
        std::vector<std::string> output = ChildOutput();
        ASSERT_FALSE(output.empty());
        EXPECT_EQ(output[0], c.argument0);
    }
}

TEST_F(ProcessTest, EnvironmentAndWorkingFolder) {
    std::u16string out = winapi::ToUtf16(OutputFile());
    std::u16string line = u"process_child \"" + out + u"\" 0";
    std::string folder = (machine_.root() / "work folder").string();
    std::filesystem::create_directory(folder);
    std::u16string folderText = winapi::FromPosixPath(folder);

    // Inherited, with the caller's folder.
    setenv("PROCESS_CHILD_VALUE", "inherited", 1);
    PROCESS_INFORMATION info;
    ASSERT_TRUE(Start(nullptr, line, info)) << GetLastError();
    EXPECT_EQ(Finish(info), 0u);
    auto output = ChildOutput();
    ASSERT_EQ(output.size(), 6u);
    EXPECT_EQ(output[3], std::filesystem::current_path().string());
    EXPECT_EQ(output[4], "inherited");

    // A UTF-16 block of its own, and a given folder.
    const char16_t block[] = u"PROCESS_CHILD_VALUE=from the block \u00e9\0OTHER=1\0";
    ASSERT_TRUE(Start(nullptr, line, info, const_cast<char16_t*>(block),
                      NORMAL_PRIORITY_CLASS | CREATE_UNICODE_ENVIRONMENT, folderText.c_str()))
        << GetLastError();
    EXPECT_EQ(Finish(info), 0u);
    output = ChildOutput();
    ASSERT_EQ(output.size(), 6u);
    EXPECT_EQ(output[3], folder);
    EXPECT_EQ(output[4], "from the block \xc3\xa9");

    // An 8-bit block holds no such variable.
    const char narrow[] = "OTHER=2\0";
    ASSERT_TRUE(Start(nullptr, line, info, const_cast<char*>(narrow))) << GetLastError();
    EXPECT_EQ(Finish(info), 0u);
    EXPECT_EQ(ChildOutput().at(4), "<unset>");
    unsetenv("PROCESS_CHILD_VALUE");
}

TEST_F(ProcessTest, FailuresAreReportedBeforeAnyChildRuns) {
    auto root = machine_.root();
    {
        std::ofstream(root / "not_executable") << "#!/bin/sh\nexit 0\n";
        std::ofstream(root / "garbage") << "this is no program at all\n";
        chmod((root / "garbage").c_str(), 0755);
    }
    std::u16string rootText = winapi::FromPosixPath(root.string());
    struct Case {
        std::u16string application;
        std::u16string folder;
        DWORD error;
    };
    const Case cases[] = {
        {rootText + u"\\no_such_program.exe", u"", ERROR_FILE_NOT_FOUND},
        {u"no_such_program_anywhere.exe", u"", ERROR_FILE_NOT_FOUND},
        // A folder that exists names its own program only, even when one of
        // that name sits beside the running program.
        {rootText + u"\\process_child.exe", u"", ERROR_FILE_NOT_FOUND},
        {rootText + u"\\not_executable.exe", u"", ERROR_ACCESS_DENIED},
        {rootText + u"\\garbage.exe", u"", ERROR_BAD_EXE_FORMAT},
        {ChildPath(), rootText + u"\\no such folder", ERROR_DIRECTORY},
    };
    for (const Case& c : cases) {
        PROCESS_INFORMATION info;
        SetLastError(0);
        EXPECT_FALSE(Start(c.application.c_str(), u"", info, nullptr, NORMAL_PRIORITY_CLASS,
                           c.folder.empty() ? nullptr : c.folder.c_str()));
        EXPECT_EQ(GetLastError(), c.error) << winapi::ToUtf8(c.application);
        EXPECT_EQ(info.hProcess, nullptr);
        EXPECT_EQ(info.hThread, nullptr);
    }

    PROCESS_INFORMATION info;
    EXPECT_FALSE(Start(nullptr, u"", info));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_FALSE(Start(ChildPath().c_str(), u"", info, nullptr, CREATE_SUSPENDED));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_SUPPORTED));
}

TEST_F(ProcessTest, RunningProcessIsWaitedForAndTerminated) {
    PROCESS_INFORMATION info;
    ASSERT_TRUE(Start(nullptr, u"process_child --sleep", info)) << GetLastError();
    DWORD code = 0;
    EXPECT_TRUE(GetExitCodeProcess(info.hProcess, &code));
    EXPECT_EQ(code, STILL_ACTIVE);
    EXPECT_EQ(WaitForSingleObject(info.hProcess, 0), static_cast<DWORD>(WAIT_TIMEOUT));
    EXPECT_EQ(WaitForSingleObject(info.hThread, 50), static_cast<DWORD>(WAIT_TIMEOUT));

    EXPECT_TRUE(TerminateProcess(info.hProcess, 1234));
    EXPECT_EQ(WaitForSingleObject(info.hThread, kGuard), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(info.hProcess, kGuard), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(info.hProcess, 0), WAIT_OBJECT_0);  // stays signalled
    EXPECT_FALSE(TerminateProcess(info.hProcess, 1));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));

    // The exit code outlives the thread handle and is shared with OpenProcess.
    EXPECT_TRUE(CloseHandle(info.hThread));
    HANDLE again = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, info.dwProcessId);
    ASSERT_NE(again, nullptr);
    EXPECT_TRUE(CloseHandle(info.hProcess));
    EXPECT_TRUE(GetExitCodeProcess(again, &code));
    EXPECT_EQ(code, 1234u);
    EXPECT_TRUE(CloseHandle(again));
}

TEST_F(ProcessTest, ChildInheritsDescriptorsOnlyWhenAsked) {
    // A descriptor without close-on-exec, as a layer's lock file may be.
    constexpr int kInheritable = 150;
    int fd = open("/dev/null", O_RDONLY);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(dup2(fd, kInheritable), kInheritable);
    close(fd);

    std::u16string line = u"process_child --list-descriptors \"" + winapi::ToUtf16(OutputFile()) + u"\"";
    for (BOOL inherit : {FALSE, TRUE}) {
        std::vector<char16_t> buffer(line.begin(), line.end());
        buffer.resize(32001);
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION info{};
        ASSERT_TRUE(CreateProcessW(nullptr, buffer.data(), nullptr, nullptr, inherit, NORMAL_PRIORITY_CLASS, nullptr,
                                   nullptr, &startup, &info));
        EXPECT_EQ(Finish(info), 0u);
        std::ifstream file(OutputFile());
        std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
        EXPECT_EQ(text.find(std::to_string(kInheritable) + "\n") != std::string::npos, inherit == TRUE) << text;
    }
    close(kInheritable);
}

TEST_F(ProcessTest, ExitCodesOfChildren) {
    std::u16string out = winapi::ToUtf16(OutputFile());
    for (DWORD expected : {0u, 1u, 255u}) {
        PROCESS_INFORMATION info;
        ASSERT_TRUE(
            Start(nullptr, u"process_child \"" + out + u"\" " + winapi::ToUtf16(std::to_string(expected)), info));
        // Waiting twice, and asking twice, gives the same code.
        EXPECT_EQ(WaitForSingleObject(info.hProcess, kGuard), WAIT_OBJECT_0);
        DWORD first = 0;
        EXPECT_TRUE(GetExitCodeProcess(info.hProcess, &first));
        EXPECT_EQ(first, expected);
        EXPECT_EQ(Finish(info), expected);
        // With its last handle closed, no zombie is left behind.
        EXPECT_EQ(waitpid(static_cast<pid_t>(info.dwProcessId), nullptr, WNOHANG), -1);
        EXPECT_EQ(errno, ECHILD);
    }
}

TEST_F(ProcessTest, ChildLeftRunningIsReapedLater) {
    // The system starts its server program and closes the handles at once.
    PROCESS_INFORMATION info;
    ASSERT_TRUE(Start(nullptr, u"process_child --sleep", info));
    pid_t pid = static_cast<pid_t>(info.dwProcessId);
    EXPECT_TRUE(CloseHandle(info.hThread));
    EXPECT_TRUE(CloseHandle(info.hProcess));
    ASSERT_EQ(kill(pid, SIGKILL), 0);
    siginfo_t ended{};
    ASSERT_EQ(waitid(P_PID, static_cast<id_t>(pid), &ended, WEXITED | WNOWAIT), 0);  // now a zombie

    // The next start reaps it.
    ASSERT_TRUE(Start(nullptr, u"process_child", info));
    EXPECT_EQ(Finish(info), 100u);
    EXPECT_EQ(waitpid(pid, nullptr, WNOHANG), -1);
    EXPECT_EQ(errno, ECHILD);
}

TEST_F(ProcessTest, ExitProcessFlushesOutputAndSkipsExitHandlers) {
    std::u16string out = winapi::ToUtf16(OutputFile());
    PROCESS_INFORMATION info;
    ASSERT_TRUE(Start(nullptr, u"process_child --exit-process \"" + out + u"\"", info));
    // ExitProcess(0xFFFFFFFF): an exit status holds the low 8 bits.
    EXPECT_EQ(Finish(info), 255u);
    std::ifstream file(OutputFile());
    std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    EXPECT_EQ(text, "buffered output");
}

TEST_F(ProcessTest, OpenProcessWaitsForOtherProcesses) {
    testsupport::ChildProcess other(SiblingProgram("process_child"), {"--sleep"});
    HANDLE handle = OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, static_cast<DWORD>(other.pid()));
    ASSERT_NE(handle, nullptr) << GetLastError();
    DWORD code = 0;
    EXPECT_TRUE(GetExitCodeProcess(handle, &code));
    EXPECT_EQ(code, STILL_ACTIVE);
    EXPECT_EQ(WaitForSingleObject(handle, 0), static_cast<DWORD>(WAIT_TIMEOUT));

    EXPECT_TRUE(TerminateProcess(handle, 9));
    EXPECT_EQ(WaitForSingleObject(handle, kGuard), WAIT_OBJECT_0);
    EXPECT_TRUE(GetExitCodeProcess(handle, &code));
    EXPECT_EQ(code, 9u);
    EXPECT_EQ(other.Wait(), 128 + 9);  // SIGKILL
    EXPECT_TRUE(CloseHandle(handle));

    // A process that ended by itself: no exit code can be known.
    testsupport::ChildProcess brief(SiblingProgram("process_child"), {});
    handle = OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(brief.pid()));
    ASSERT_NE(handle, nullptr);
    EXPECT_EQ(WaitForSingleObject(handle, kGuard), WAIT_OBJECT_0);
    EXPECT_FALSE(GetExitCodeProcess(handle, &code));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_SUPPORTED));
    EXPECT_EQ(brief.Wait(), 100);
    EXPECT_TRUE(CloseHandle(handle));

    // Its id names no process once it has been reaped.
    EXPECT_EQ(OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(brief.pid())), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(OpenProcess(SYNCHRONIZE, FALSE, 0), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

}  // namespace
