// Starting the server program that creates the login table's mapping.
#include "login/table/login_table.h"

#include "common/settings_light.h"

#include "winapi/handles.h"
#include "winapi/process.h"

#include <algorithm>
#include <string>
#include <vector>

namespace {

// The longest command line the platform accepts, and its terminator.
constexpr size_t kCommandLineChars = 32001;

}  // namespace

bool StartServerProcess() {
    std::u16string folder = SettingsLight().goGetLocation(kSharedLocation);
    if (folder.empty()) return false;
    const std::u16string program = folder + kLoginServerProgram;

    // The program's own path is its whole command line, in a writable buffer.
    std::vector<WCHAR> commandLine(std::max(kCommandLineChars, program.size() + 1), u'\0');
    std::copy(program.begin(), program.end(), commandLine.begin());

    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION started{};
    if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, NORMAL_PRIORITY_CLASS, nullptr,
                        nullptr, &startup, &started))
        return false;
    // Not waited for: the caller polls for the mapping. Closing the handles
    // leaves the ended process to be reaped instead of kept for its exit code.
    CloseHandle(started.hThread);
    CloseHandle(started.hProcess);
    return true;
}
