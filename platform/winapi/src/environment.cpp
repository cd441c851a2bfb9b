#include "winapi/environment.h"

#include "winapi/errors.h"
#include "winapi/path_mapping.h"
#include "winapi/shell_folders.h"
#include "winapi/state_root.h"
#include "winapi/text.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

extern char** environ;

namespace winapi {

namespace {

// Serialises this layer's reads and writes of the process environment.
std::mutex& EnvironmentLock() {
    static std::mutex lock;
    return lock;
}

// The names of the real environment's entries that equal `name` without
// regard to case, an exact match first. Call with the lock held.
std::vector<std::string> MatchingNames(std::u16string_view name) {
    std::vector<std::string> names;
    for (char** entry = environ; entry && *entry; ++entry) {
        std::string_view text(*entry);
        std::string_view entryName = text.substr(0, text.find('='));
        if (entryName.empty() || !EqualsIgnoreCase(ToUtf16(entryName), name)) continue;
        if (ToUtf16(entryName) == name)
            names.insert(names.begin(), std::string(entryName));
        else
            names.emplace_back(entryName);
    }
    return names;
}

std::u16string ComputerName() {
    char host[256] = {};
    if (::gethostname(host, sizeof host - 1) != 0 || host[0] == 0) return u"LOCALHOST";
    std::u16string name = ToUtf16(std::string_view(host).substr(0, std::string_view(host).find('.')));
    if (name.size() > MAX_COMPUTERNAME_LENGTH) name.resize(MAX_COMPUTERNAME_LENGTH);
    for (char16_t& c : name) c = ToUpper(c);
    return name;
}

std::u16string FolderValue(const std::filesystem::path& folder) {
    EnsureDirectory(folder);
    return FromPosixPath(folder.string());
}

// The machine's answer for a standard variable that the real environment
// lacks.
std::optional<std::u16string> MachineValue(std::u16string_view name) {
    auto is = [name](std::u16string_view standard) { return EqualsIgnoreCase(name, standard); };
    if (is(u"APPDATA")) return FromPosixPath(SpecialFolderPath(CSIDL_APPDATA));
    if (is(u"LOCALAPPDATA")) return FromPosixPath(SpecialFolderPath(CSIDL_LOCAL_APPDATA));
    if (is(u"ProgramData")) return FromPosixPath(SpecialFolderPath(CSIDL_COMMON_APPDATA));
    if (is(u"ProgramFiles")) return FromPosixPath(SpecialFolderPath(CSIDL_PROGRAM_FILES));
    if (is(u"ProgramFiles(x86)")) return FromPosixPath(SpecialFolderPath(CSIDL_PROGRAM_FILESX86));
    if (is(u"USERPROFILE")) return FolderValue(UserProfileDir());
    if (is(u"TEMP") || is(u"TMP")) return FolderValue(UserProfileDir() / "Temp");
    if (is(u"USERNAME")) return ToUtf16(CurrentUserName());
    if (is(u"COMPUTERNAME")) return ComputerName();
    return std::nullopt;
}

std::optional<std::u16string> VariableValue(std::u16string_view name) {
    if (name.empty() || name.find(u'=') != std::u16string_view::npos) return std::nullopt;
    {
        std::lock_guard guard(EnvironmentLock());
        std::vector<std::string> names = MatchingNames(name);
        if (!names.empty()) {
            if (const char* value = std::getenv(names.front().c_str())) return ToUtf16(value);
        }
    }
    return MachineValue(name);
}

}  // namespace

}  // namespace winapi

using namespace winapi;

DWORD WINAPI GetEnvironmentVariableW(LPCWSTR name, LPWSTR buffer, DWORD size) {
    if (!name) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::optional<std::u16string> value = VariableValue(name);
    if (!value) {
        SetLastError(ERROR_ENVVAR_NOT_FOUND);
        return 0;
    }
    if (!buffer || value->size() + 1 > size) return static_cast<DWORD>(value->size() + 1);
    std::copy(value->begin(), value->end(), buffer);
    buffer[value->size()] = 0;
    if (value->empty()) SetLastError(ERROR_SUCCESS);
    return static_cast<DWORD>(value->size());
}

BOOL WINAPI SetEnvironmentVariableW(LPCWSTR name, LPCWSTR value) {
    if (!name || !*name || std::u16string_view(name).find(u'=') != std::u16string_view::npos) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::lock_guard guard(EnvironmentLock());
    for (const std::string& existing : MatchingNames(name)) ::unsetenv(existing.c_str());
    if (value && ::setenv(ToUtf8(name).c_str(), ToUtf8(value).c_str(), 1) != 0) {
        SetLastErrorFromErrno(errno);
        return FALSE;
    }
    return TRUE;
}

DWORD WINAPI ExpandEnvironmentStringsW(LPCWSTR source, LPWSTR destination, DWORD size) {
    if (!source) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::u16string_view text(source);
    std::u16string expanded;
    for (size_t i = 0; i < text.size();) {
        if (text[i] != u'%') {
            expanded += text[i++];
            continue;
        }
        size_t close = text.find(u'%', i + 1);
        if (close == std::u16string_view::npos) {
            expanded += text.substr(i);
            break;
        }
        std::optional<std::u16string> value = VariableValue(text.substr(i + 1, close - i - 1));
        if (value)
            expanded += *value;
        else
            expanded += text.substr(i, close - i + 1);
        i = close + 1;
    }
    if (destination && size > 0) {
        size_t count = std::min<size_t>(expanded.size(), size - 1);
        // Never cut a surrogate pair in half.
        if (count < expanded.size() && count > 0 && expanded[count - 1] >= 0xD800 && expanded[count - 1] <= 0xDBFF)
            --count;
        std::copy(expanded.begin(), expanded.begin() + static_cast<std::ptrdiff_t>(count), destination);
        destination[count] = 0;
    }
    return static_cast<DWORD>(expanded.size() + 1);
}

BOOL WINAPI GetComputerNameW(LPWSTR buffer, LPDWORD size) {
    if (!size) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::u16string name = ComputerName();
    if (!buffer || *size < name.size() + 1) {
        *size = static_cast<DWORD>(name.size() + 1);
        SetLastError(ERROR_BUFFER_OVERFLOW);
        return FALSE;
    }
    std::copy(name.begin(), name.end(), buffer);
    buffer[name.size()] = 0;
    *size = static_cast<DWORD>(name.size());
    return TRUE;
}
