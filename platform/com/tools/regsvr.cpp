// regsvr: registers in-process server libraries, as an installer does.
//
//   regsvr [/u] [/s] <module>...
//
// Loads each module (a library name such as "Bellquist.dll", found as
// LoadLibraryW finds it, or a path) and calls its DllRegisterServer, or its
// DllUnregisterServer with /u. Each module's outcome is printed: successes
// on stdout (not with /s), failures on stderr with their HRESULT and the
// system's text for it, always - a silent run still says why it failed.
// Options may also be written -u and -s, in either case; any other argument
// is a module, so that absolute paths ("/opt/...") are taken as they are.
//
// Exit code: 0 when every module succeeded, 1 when any failed, 2 for a
// command line it cannot use.
#include "com/runtime.h"
#include "winapi/errors.h"
#include "winapi/memory.h"
#include "winapi/modules.h"
#include "winapi/system_messages.h"
#include "winapi/text.h"

#include <cstdio>
#include <string>
#include <vector>

namespace {

struct Options {
    bool unregister = false;
    bool silent = false;
    std::vector<std::string> modules;
};

// A one-letter switch after '/' or '-'; 0 for any other argument.
char SwitchLetter(const std::string& argument) {
    if (argument.size() != 2 || (argument[0] != '/' && argument[0] != '-')) return 0;
    char letter = argument[1];
    return (letter >= 'A' && letter <= 'Z') ? static_cast<char>(letter - 'A' + 'a') : letter;
}

bool ParseArguments(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        switch (SwitchLetter(argument)) {
        case 0:
            options.modules.push_back(argument);
            break;
        case 'u':
            options.unregister = true;
            break;
        case 's':
            options.silent = true;
            break;
        default:
            std::fprintf(stderr, "regsvr: unknown option %s\n", argument.c_str());
            return false;
        }
    }
    return !options.modules.empty();
}

// The system's text for a failure, without its line break, with `insert`
// (the module's name) in place of "%1"; empty when it has none.
std::string SystemText(HRESULT hr, const std::string& insert) {
    WCHAR* buffer = nullptr;
    DWORD length =
        FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_ALLOCATE_BUFFER,
                       nullptr, static_cast<DWORD>(hr), 0, reinterpret_cast<LPWSTR>(&buffer), 0, nullptr);
    if (length == 0) return {};
    std::u16string text(buffer, length);
    LocalFree(buffer);
    while (!text.empty() && (text.back() == u'\n' || text.back() == u'\r')) text.pop_back();
    std::string filled = winapi::ToUtf8(text);
    for (size_t at = filled.find("%1"); at != std::string::npos; at = filled.find("%1", at + insert.size())) {
        filled.replace(at, 2, insert);
    }
    return filled;
}

void ReportFailure(const std::string& what, HRESULT hr, const std::string& module) {
    std::string text = SystemText(hr, module);
    std::fprintf(stderr, "regsvr: %s: 0x%08X%s%s\n", what.c_str(), static_cast<unsigned>(hr), text.empty() ? "" : " ",
                 text.c_str());
}

// Loads the module and calls its entry point; true on success.
bool RunEntryPoint(const std::string& module, const char* entryPoint, bool silent) {
    HMODULE library = LoadLibraryW(winapi::ToUtf16(module).c_str());
    if (!library) {
        ReportFailure(module + " could not be loaded", HRESULT_FROM_WIN32(GetLastError()), module);
        return false;
    }
    auto* function = reinterpret_cast<HRESULT (*)()>(GetProcAddress(library, entryPoint));
    if (!function) {
        ReportFailure(module + " has no entry point " + entryPoint, HRESULT_FROM_WIN32(GetLastError()), module);
        FreeLibrary(library);
        return false;
    }
    HRESULT hr = function();
    FreeLibrary(library);
    if (FAILED(hr)) {
        ReportFailure(std::string(entryPoint) + " in " + module + " failed", hr, module);
        return false;
    }
    if (!silent) {
        std::printf("regsvr: %s in %s succeeded.\n", entryPoint, module.c_str());
        std::fflush(stdout);  // in order with the failures on stderr
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (!ParseArguments(argc, argv, options)) {
        std::fprintf(stderr, "usage: regsvr [/u] [/s] <module>...\n");
        return 2;
    }
    // Servers register from an initialised apartment, as they expect to.
    if (HRESULT hr = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); FAILED(hr)) {
        ReportFailure("the component runtime could not be initialised", hr, "");
        return 1;
    }
    const char* entryPoint = options.unregister ? "DllUnregisterServer" : "DllRegisterServer";
    bool allSucceeded = true;
    for (const std::string& module : options.modules)
        allSucceeded = RunEntryPoint(module, entryPoint, options.silent) && allSucceeded;
    CoUninitialize();
    return allSucceeded ? 0 : 1;
}
