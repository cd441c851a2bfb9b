#include "testsupport/registry_values.h"

#include "winapi/errors.h"
#include "winapi/text.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace testsupport {

RegistryBytes TextBytes(std::u16string_view text, bool terminated) {
    RegistryBytes bytes;
    for (char16_t unit : text)
        bytes.insert(bytes.end(), {static_cast<BYTE>(unit & 0xFF), static_cast<BYTE>(unit >> 8)});
    if (terminated) bytes.insert(bytes.end(), {0, 0});
    return bytes;
}

RegistryBytes DwordBytes(DWORD number) {
    return {static_cast<BYTE>(number), static_cast<BYTE>(number >> 8), static_cast<BYTE>(number >> 16),
            static_cast<BYTE>(number >> 24)};
}

bool KeyExists(HKEY root, const std::u16string& path, REGSAM view) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ | view, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

void CreateKey(HKEY root, const std::u16string& path, REGSAM view) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | view, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(key);
}

void WriteValue(HKEY root, const std::u16string& path, const char16_t* name, DWORD type, const RegistryBytes& bytes,
                REGSAM view) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | view, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(RegSetValueExW(key, name, 0, type, bytes.data(), static_cast<DWORD>(bytes.size())), ERROR_SUCCESS);
    RegCloseKey(key);
}

void WriteText(HKEY root, const std::u16string& path, const char16_t* name, std::u16string_view text, DWORD type) {
    WriteValue(root, path, name, type, TextBytes(text));
}

std::optional<std::u16string> ReadText(HKEY root, const std::u16string& path, const char16_t* name) {
    DWORD type = 0;
    DWORD bytes = 0;
    if (SHGetValueW(root, path.c_str(), name, &type, nullptr, &bytes) != ERROR_SUCCESS || type != REG_SZ)
        return std::nullopt;
    std::u16string text(bytes / sizeof(char16_t), u'\0');
    if (SHGetValueW(root, path.c_str(), name, &type, text.data(), &bytes) != ERROR_SUCCESS || type != REG_SZ)
        return std::nullopt;
    text.resize(bytes / sizeof(char16_t));
    while (!text.empty() && text.back() == u'\0') text.pop_back();
    return text;
}

std::optional<DWORD> ReadDword(HKEY root, const std::u16string& path, const char16_t* name) {
    DWORD type = 0;
    DWORD value = 0;
    DWORD bytes = sizeof value;
    if (SHGetValueW(root, path.c_str(), name, &type, &value, &bytes) != ERROR_SUCCESS || type != REG_DWORD ||
        bytes != sizeof value)
        return std::nullopt;
    return value;
}

namespace {

constexpr DWORD kLongestName = 16384;  // the registry's limit, terminator included

std::string ValueText(DWORD type, const RegistryBytes& data) {
    if (type == REG_SZ && data.size() >= 2 && data.size() % 2 == 0 && data[data.size() - 2] == 0 && data.back() == 0) {
        std::u16string text;
        for (size_t at = 0; at + 2 < data.size(); at += 2)
            text.push_back(static_cast<char16_t>(data[at] | (data[at + 1] << 8)));
        // One terminator only: a value stored with more (or none) must not
        // read like a properly terminated one.
        if (text.empty() || text.back() != u'\0') return "sz:" + winapi::ToUtf8(text);
    }
    if (type == REG_DWORD && data.size() == sizeof(DWORD))
        return "dword:" + std::to_string(data[0] | (data[1] << 8) | (data[2] << 16) | (DWORD(data[3]) << 24));
    std::string text = "type " + std::to_string(type) + ":";
    for (BYTE byte : data) {
        char hex[4];
        std::snprintf(hex, sizeof hex, " %02x", byte);
        text += hex;
    }
    return text;
}

void ReadValues(HKEY key, const std::string& path, RegistryTree& tree) {
    std::u16string name(kLongestName, u'\0');
    RegistryBytes data(4096);
    for (DWORD index = 0;;) {
        DWORD nameLength = kLongestName;
        DWORD size = static_cast<DWORD>(data.size());
        DWORD type = 0;
        LSTATUS status = RegEnumValueW(key, index, name.data(), &nameLength, nullptr, &type, data.data(), &size);
        if (status == ERROR_NO_MORE_ITEMS) return;
        if (status == ERROR_MORE_DATA && size > data.size()) {
            data.resize(size);  // the same value again, with room for it
            continue;
        }
        if (status != ERROR_SUCCESS) {
            ADD_FAILURE() << "cannot read value " << index << " of " << path << ": " << status;
            return;
        }
        tree[path + " [" + winapi::ToUtf8(std::u16string_view(name.data(), nameLength)) + "]"] =
            ValueText(type, RegistryBytes(data.begin(), data.begin() + size));
        ++index;
    }
}

void ReadKey(HKEY key, const std::string& path, RegistryTree& tree) {
    tree[path] = "";
    ReadValues(key, path, tree);
    std::vector<std::u16string> subKeys;
    std::u16string name(kLongestName, u'\0');
    for (DWORD index = 0;; ++index) {
        DWORD nameLength = kLongestName;
        LSTATUS status = RegEnumKeyExW(key, index, name.data(), &nameLength, nullptr, nullptr, nullptr, nullptr);
        if (status == ERROR_NO_MORE_ITEMS) break;
        if (status != ERROR_SUCCESS) {
            ADD_FAILURE() << "cannot read sub-key " << index << " of " << path << ": " << status;
            break;
        }
        subKeys.emplace_back(name.data(), nameLength);
    }
    const std::string prefix = path.empty() ? "" : path + "\\";
    for (const std::u16string& subKey : subKeys) {
        HKEY child = nullptr;
        const std::string childPath = prefix + winapi::ToUtf8(subKey);
        if (RegOpenKeyExW(key, subKey.c_str(), 0, KEY_READ, &child) != ERROR_SUCCESS) {
            ADD_FAILURE() << "cannot open " << childPath;
            continue;
        }
        ReadKey(child, childPath, tree);
        RegCloseKey(child);
    }
}

}  // namespace

RegistryTree ReadTree(HKEY root, const std::u16string& path, REGSAM view) {
    RegistryTree tree;
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ | view, &key) != ERROR_SUCCESS) return tree;
    ReadKey(key, "", tree);
    RegCloseKey(key);
    return tree;
}

std::string DumpRegistry() {
    std::string dump;
    const std::pair<HKEY, const char*> roots[] = {
        {HKEY_CLASSES_ROOT, "HKCR"}, {HKEY_CURRENT_USER, "HKCU"}, {HKEY_LOCAL_MACHINE, "HKLM"}};
    for (const auto& [root, rootName] : roots)
        for (const auto& [path, value] : ReadTree(root, u""))
            dump += std::string(rootName) + (path.empty() || path[0] == ' ' ? "" : "\\") + path + " = " + value + "\n";
    return dump;
}

}  // namespace testsupport
