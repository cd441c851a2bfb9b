// Helpers of the server-helper tests: reading back what registration wrote.
#pragma once

#include "winapi/errors.h"
#include "winapi/registry.h"
#include "winapi/text.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace server_test {

inline bool KeyExists(HKEY root, const std::u16string& path) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

// A REG_SZ value (empty name: the default value); nullopt when missing or
// of another type.
inline std::optional<std::u16string> ReadText(HKEY root, const std::u16string& path, const char16_t* name = u"") {
    DWORD type = 0;
    DWORD bytes = 0;
    if (SHGetValueW(root, path.c_str(), name, &type, nullptr, &bytes) != ERROR_SUCCESS || type != REG_SZ)
        return std::nullopt;
    std::u16string text(bytes / sizeof(WCHAR), u'\0');
    if (SHGetValueW(root, path.c_str(), name, &type, text.data(), &bytes) != ERROR_SUCCESS) return std::nullopt;
    while (!text.empty() && text.back() == u'\0') text.pop_back();
    return text;
}

inline std::optional<DWORD> ReadDword(HKEY root, const std::u16string& path, const char16_t* name) {
    DWORD type = 0;
    DWORD value = 0;
    DWORD bytes = sizeof value;
    if (SHGetValueW(root, path.c_str(), name, &type, &value, &bytes) != ERROR_SUCCESS || type != REG_DWORD)
        return std::nullopt;
    return value;
}

inline void WriteText(HKEY root, const std::u16string& path, const char16_t* name, const std::u16string& text) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr), ERROR_SUCCESS);
    EXPECT_EQ(RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                             static_cast<DWORD>((text.size() + 1) * sizeof(WCHAR))),
              ERROR_SUCCESS);
    RegCloseKey(key);
}

namespace detail {
inline void DumpKey(HKEY key, const std::string& path, std::string& out) {
    for (DWORD index = 0;; ++index) {
        WCHAR name[256];
        DWORD nameLength = 256;
        BYTE data[1024];
        DWORD dataSize = sizeof data;
        DWORD type = 0;
        if (RegEnumValueW(key, index, name, &nameLength, nullptr, &type, data, &dataSize) != ERROR_SUCCESS) break;
        out += path + " [" + winapi::ToUtf8(std::u16string_view(name, nameLength)) + "] type " +
               std::to_string(type) + ": ";
        if (type == REG_SZ)
            out += winapi::ToUtf8(std::u16string_view(reinterpret_cast<const char16_t*>(data), dataSize / 2));
        else if (type == REG_DWORD)
            out += std::to_string(*reinterpret_cast<const DWORD*>(data));
        out += "\n";
    }
    std::vector<std::u16string> subKeys;
    for (DWORD index = 0;; ++index) {
        WCHAR name[256];
        DWORD nameLength = 256;
        if (RegEnumKeyExW(key, index, name, &nameLength, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        subKeys.emplace_back(name, nameLength);
    }
    for (const std::u16string& subKey : subKeys) {
        std::string subPath = path + "\\" + winapi::ToUtf8(subKey);
        out += subPath + "\n";
        HKEY child = nullptr;
        if (RegOpenKeyExW(key, subKey.c_str(), 0, KEY_READ, &child) != ERROR_SUCCESS) continue;
        DumpKey(child, subPath, out);
        RegCloseKey(child);
    }
}
}  // namespace detail

// Every key and value below the three roots, one line each, in order: two
// dumps are equal when the registries are.
inline std::string DumpRegistry() {
    std::string out;
    detail::DumpKey(HKEY_CLASSES_ROOT, "HKCR", out);
    detail::DumpKey(HKEY_CURRENT_USER, "HKCU", out);
    detail::DumpKey(HKEY_LOCAL_MACHINE, "HKLM", out);
    return out;
}

}  // namespace server_test
