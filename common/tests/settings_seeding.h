// What the settings tests share: seeding registry values with exact bytes,
// reading back what the code wrote, environment variables set for one test,
// and view folders with their desktop.ini.
#pragma once

#include "testsupport/registry_values.h"
#include "testsupport/scoped_environment.h"
#include "winapi/errors.h"
#include "winapi/path_mapping.h"
#include "winapi/registry.h"
#include "winapi/text.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

namespace settings_seeding {

using testsupport::ScopedEnvironment;
using testsupport::TextBytes;
using testsupport::WriteValue;

inline void SeedString(HKEY root, const std::u16string& path, const std::u16string& name, std::u16string_view text,
                       REGSAM view = 0) {
    WriteValue(root, path, name.c_str(), REG_SZ, TextBytes(text), view);
}

inline void SeedDword(HKEY root, const std::u16string& path, const std::u16string& name, DWORD value) {
    WriteValue(root, path, name.c_str(), REG_DWORD, testsupport::DwordBytes(value));
}

inline void SeedKey(HKEY root, const std::u16string& path) { testsupport::CreateKey(root, path); }

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
