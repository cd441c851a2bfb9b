// What the settings tests share: seeding registry values with exact bytes,
// reading back what the code wrote, environment variables set for one test,
// and view folders with their desktop.ini.
#pragma once

#include "winapi/errors.h"
#include "winapi/path_mapping.h"
#include "winapi/registry.h"
#include "winapi/text.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

namespace settings_seeding {

inline std::vector<BYTE> Utf16Bytes(std::u16string_view text, bool terminated = true) {
    std::vector<BYTE> bytes;
    for (char16_t c : text) {
        bytes.push_back(static_cast<BYTE>(c & 0xFF));
        bytes.push_back(static_cast<BYTE>(c >> 8));
    }
    if (terminated) bytes.insert(bytes.end(), {0, 0});
    return bytes;
}

// Stores exactly `bytes` as the value `name` of `root`\`path` (made when
// missing). `view` may be KEY_WOW64_32KEY.
inline void SeedValue(HKEY root, const std::u16string& path, const std::u16string& name, DWORD type,
                      const std::vector<BYTE>& bytes, REGSAM view = 0) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | view, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(RegSetValueExW(key, name.c_str(), 0, type, bytes.data(), static_cast<DWORD>(bytes.size())),
              ERROR_SUCCESS);
    RegCloseKey(key);
}

inline void SeedString(HKEY root, const std::u16string& path, const std::u16string& name,
                       std::u16string_view text, REGSAM view = 0) {
    SeedValue(root, path, name, REG_SZ, Utf16Bytes(text), view);
}

inline void SeedDword(HKEY root, const std::u16string& path, const std::u16string& name, DWORD value) {
    SeedValue(root, path, name, REG_DWORD,
              {BYTE(value), BYTE(value >> 8), BYTE(value >> 16), BYTE(value >> 24)});
}

inline void SeedKey(HKEY root, const std::u16string& path) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(key);
}

// A string value as stored (up to its terminator); nullopt when the key or
// value is missing.
inline std::optional<std::u16string> StoredString(HKEY root, const std::u16string& path, const std::u16string& name,
                                                  REGSAM view = 0) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ | view, &key) != ERROR_SUCCESS) return std::nullopt;
    WCHAR buffer[512] = {};
    DWORD size = sizeof(buffer) - sizeof(WCHAR);
    LSTATUS status = RegQueryValueExW(key, name.c_str(), nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &size);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS) return std::nullopt;
    return std::u16string(buffer);
}

// Sets an environment variable for the life of the object and gives the
// process its earlier value back afterwards.
class ScopedVariable {
public:
    ScopedVariable(const char* name, const std::string& value) : name_(name) {
        if (const char* old = std::getenv(name)) previous_ = old;
        setenv(name, value.c_str(), 1);
    }
    ~ScopedVariable() {
        if (previous_)
            setenv(name_.c_str(), previous_->c_str(), 1);
        else
            unsetenv(name_.c_str());
    }
    ScopedVariable(const ScopedVariable&) = delete;
    ScopedVariable& operator=(const ScopedVariable&) = delete;

private:
    std::string name_;
    std::optional<std::string> previous_;
};

// Writes <folder>/desktop.ini with the given [Tavrosk] lines (each
// "key=value"), making the folder; returns the folder as the system names it.
inline std::u16string MakeViewFolder(const std::filesystem::path& folder, const std::vector<std::string>& lines) {
    std::filesystem::create_directories(folder);
    std::ofstream ini(folder / "desktop.ini");
    ini << "[Tavrosk]\r\n";
    for (const std::string& line : lines) ini << line << "\r\n";
    return winapi::FromPosixPath(folder.string());
}

// The text a test compares in failure messages.
inline std::string Narrow(std::u16string_view text) { return winapi::ToUtf8(text); }

}  // namespace settings_seeding
