// Keys: opening and creating, paths, handles and their rights, enumeration,
// the rules of deletion, and the shell's value reader.
#include "registry_test_support.h"

#include "winapi/handles.h"

#include <gtest/gtest.h>

namespace {

using namespace registrytest;
using RegistryKeysTest = RegistryTest;

DWORD SubKeyCount(HKEY key) {
    DWORD count = 0xFFFF;
    EXPECT_EQ(RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &count, nullptr, nullptr, nullptr, nullptr, nullptr,
                               nullptr, nullptr),
              ERROR_SUCCESS);
    return count;
}

TEST_F(RegistryKeysTest, CreateMakesMissingParentsAndReportsWhatItDid) {
    HKEY missing = reinterpret_cast<HKEY>(1);
    EXPECT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, u"Software\\A\\B", 0, KEY_READ, &missing), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(missing, nullptr);

    HKEY key = nullptr;
    DWORD disposition = 0;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, u"Software\\A\\B", 0, u"", REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                              nullptr, &key, &disposition),
              ERROR_SUCCESS);
    EXPECT_EQ(disposition, REG_CREATED_NEW_KEY);
    opened_.push_back(key);
    ASSERT_EQ(
        RegCreateKeyExW(HKEY_CURRENT_USER, u"software\\a\\b", 0, nullptr, 0, KEY_READ, nullptr, &key, &disposition),
        ERROR_SUCCESS);
    EXPECT_EQ(disposition, REG_OPENED_EXISTING_KEY);
    opened_.push_back(key);
    HKEY parent = nullptr;
    EXPECT_EQ(Open(HKEY_CURRENT_USER, u"Software\\A", KEY_READ, parent), ERROR_SUCCESS);
    EXPECT_EQ(SubKeyCount(parent), 1u);
}

TEST_F(RegistryKeysTest, NullOrEmptySubKeyGivesANewHandleToTheSameKey) {
    HKEY key = Create(HKEY_CURRENT_USER, u"Software\\Same");
    Set(key, u"V", REG_DWORD, DwordBytes(5));
    for (const WCHAR* sub : {static_cast<const WCHAR*>(nullptr), u""}) {
        HKEY again = nullptr;
        ASSERT_EQ(RegOpenKeyExW(key, sub, 0, KEY_READ, &again), ERROR_SUCCESS);
        EXPECT_NE(again, key);
        EXPECT_EQ(Get(again, u"V").second, DwordBytes(5));
        EXPECT_EQ(RegCloseKey(again), ERROR_SUCCESS);
    }
    EXPECT_EQ(Get(key, u"V").second, DwordBytes(5)) << "closing the second handle leaves the first open";
    HKEY created = nullptr;
    DWORD disposition = 0;
    ASSERT_EQ(RegCreateKeyExW(key, u"", 0, nullptr, 0, KEY_READ, nullptr, &created, &disposition), ERROR_SUCCESS);
    EXPECT_EQ(disposition, REG_OPENED_EXISTING_KEY);
    RegCloseKey(created);
}

TEST_F(RegistryKeysTest, SubKeyPathsAreCheckedAsThePlatformDoes) {
    Create(HKEY_CURRENT_USER, u"Software\\Here");
    std::u16string longest(255, u'n'), tooLong(256, u'n');
    struct Case {
        std::u16string path;
        LSTATUS open;
        LSTATUS create;
    };
    const Case cases[] = {
        {u"Software\\Here", ERROR_SUCCESS, ERROR_SUCCESS},
        {u"Software\\Here\\", ERROR_SUCCESS, ERROR_SUCCESS},  // one trailing backslash is ignored
        {u"\\Software\\Here", ERROR_BAD_PATHNAME, ERROR_BAD_PATHNAME},
        {u"Software\\\\Here", ERROR_BAD_PATHNAME, ERROR_BAD_PATHNAME},
        {u"Software\\Here\\\\", ERROR_BAD_PATHNAME, ERROR_BAD_PATHNAME},
        {u"\\", ERROR_BAD_PATHNAME, ERROR_BAD_PATHNAME},
        {u"Software\\" + longest, ERROR_FILE_NOT_FOUND, ERROR_SUCCESS},
        {u"Software\\" + tooLong, ERROR_INVALID_PARAMETER, ERROR_INVALID_PARAMETER},
    };
    for (const auto& c : cases) {
        std::string label = winapi::ToUtf8(c.path).substr(0, 40);
        HKEY key = nullptr;
        LSTATUS opened = RegOpenKeyExW(HKEY_CURRENT_USER, c.path.c_str(), 0, KEY_READ, &key);
        EXPECT_EQ(opened, c.open) << label;
        if (key) RegCloseKey(key);
        key = nullptr;
        EXPECT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, c.path.c_str(), 0, nullptr, 0, KEY_READ, nullptr, &key, nullptr),
                  c.create)
            << label;
        if (key) RegCloseKey(key);
    }
    HKEY key = nullptr;
    EXPECT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, nullptr, 0, nullptr, 0, KEY_READ, nullptr, &key, nullptr),
              ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, u"Software", 0, KEY_READ, nullptr), ERROR_INVALID_PARAMETER);
}

TEST_F(RegistryKeysTest, HandlesAreCheckedAndAreNotKernelHandles) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, u"Software\\H", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(RegFlushKey(key), ERROR_SUCCESS);
    EXPECT_FALSE(CloseHandle(reinterpret_cast<HANDLE>(key))) << "a key is not a kernel object";
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);

    HKEY closed = key;
    HKEY bogus = reinterpret_cast<HKEY>(static_cast<uintptr_t>(0x1234));
    for (HKEY bad : {closed, bogus, static_cast<HKEY>(nullptr)}) {
        DWORD size = 0;
        HKEY sub = nullptr;
        EXPECT_EQ(RegCloseKey(bad), ERROR_INVALID_HANDLE);
        EXPECT_EQ(RegFlushKey(bad), ERROR_INVALID_HANDLE);
        EXPECT_EQ(RegQueryValueExW(bad, u"V", nullptr, nullptr, nullptr, &size), ERROR_INVALID_HANDLE);
        EXPECT_EQ(RegSetValueExW(bad, u"V", 0, REG_BINARY, nullptr, 0), ERROR_INVALID_HANDLE);
        EXPECT_EQ(RegOpenKeyExW(bad, u"Software", 0, KEY_READ, &sub), ERROR_INVALID_HANDLE);
    }
    // The predefined keys need no closing, and closing them changes nothing.
    EXPECT_EQ(RegCloseKey(HKEY_CURRENT_USER), ERROR_SUCCESS);
    EXPECT_EQ(RegFlushKey(HKEY_CURRENT_USER), ERROR_SUCCESS);
    EXPECT_EQ(RegSetValueExW(HKEY_CURRENT_USER, u"AtTheRoot", 0, REG_BINARY, nullptr, 0), ERROR_SUCCESS);
    EXPECT_EQ(RegQueryValueExW(HKEY_CURRENT_USER, u"AtTheRoot", nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
}

TEST_F(RegistryKeysTest, EachCallChecksTheRightsOfItsHandle) {
    Set(Create(HKEY_CURRENT_USER, u"Software\\Rights\\Sub"), u"V", REG_DWORD, DwordBytes(1));
    struct Case {
        REGSAM access;
        bool query, set, enumerate;
    };
    const Case cases[] = {
        {KEY_READ, true, false, true},
        {KEY_WRITE, false, true, false},
        {KEY_QUERY_VALUE, true, false, false},
        {KEY_ENUMERATE_SUB_KEYS, false, false, true},
        {KEY_READ | KEY_WRITE, true, true, true},
        {0x80000000u /* GENERIC_READ */, true, false, true},
        {0x40000000u /* GENERIC_WRITE */, false, true, false},
        {0x02000000u /* MAXIMUM_ALLOWED */, true, true, true},
    };
    for (const auto& c : cases) {
        HKEY key = nullptr;
        ASSERT_EQ(Open(HKEY_CURRENT_USER, u"Software\\Rights", c.access, key), ERROR_SUCCESS);
        auto expect = [](bool allowed) { return allowed ? ERROR_SUCCESS : ERROR_ACCESS_DENIED; };
        DWORD size = 0;
        EXPECT_EQ(RegQueryValueExW(key, u"Missing", nullptr, nullptr, nullptr, &size),
                  c.query ? ERROR_FILE_NOT_FOUND : ERROR_ACCESS_DENIED)
            << std::hex << c.access;
        EXPECT_EQ(RegSetValueExW(key, u"W", 0, REG_BINARY, nullptr, 0), expect(c.set)) << std::hex << c.access;
        WCHAR name[8];
        DWORD length = 8;
        EXPECT_EQ(RegEnumKeyExW(key, 0, name, &length, nullptr, nullptr, nullptr, nullptr), expect(c.enumerate))
            << std::hex << c.access;
        EXPECT_EQ(RegDeleteValueW(key, u"W"), c.set ? ERROR_SUCCESS : ERROR_ACCESS_DENIED) << std::hex << c.access;
    }
}

TEST_F(RegistryKeysTest, EnumerationIsSortedWithoutCaseAndInfoGivesCountsAndLengths) {
    HKEY key = Create(HKEY_CURRENT_USER, u"Software\\Enum");
    for (const WCHAR* name : {u"beta", u"Alpha", u"gamma12"}) Create(key, name);
    Set(key, u"b", REG_DWORD, DwordBytes(3));
    Set(key, u"A", REG_SZ, TextBytes(u"hello"));
    Set(key, nullptr, REG_BINARY, Bytes(20, 0xAB));

    DWORD subKeys = 0, maxSubKey = 0, values = 0, maxValueName = 0, maxValue = 0, classLength = 5;
    WCHAR className[5] = {u'x'};
    FILETIME written{};
    ASSERT_EQ(RegQueryInfoKeyW(key, className, &classLength, nullptr, &subKeys, &maxSubKey, nullptr, &values,
                               &maxValueName, &maxValue, nullptr, &written),
              ERROR_SUCCESS);
    EXPECT_EQ(subKeys, 3u);
    EXPECT_EQ(maxSubKey, 7u);
    EXPECT_EQ(values, 3u);
    EXPECT_EQ(maxValueName, 1u);
    EXPECT_EQ(maxValue, 20u);
    EXPECT_EQ(classLength, 0u);
    EXPECT_EQ(className[0], 0);
    EXPECT_NE(written.dwHighDateTime, 0u);

    std::vector<std::u16string> names;
    for (DWORD index = 0;; ++index) {
        WCHAR name[16];
        DWORD length = 16;
        LSTATUS status = RegEnumKeyExW(key, index, name, &length, nullptr, nullptr, nullptr, nullptr);
        if (status == ERROR_NO_MORE_ITEMS) break;
        ASSERT_EQ(status, ERROR_SUCCESS);
        names.emplace_back(name, length);
        EXPECT_EQ(name[length], 0);
    }
    EXPECT_EQ(names, (std::vector<std::u16string>{u"Alpha", u"beta", u"gamma12"}));

    // The name buffer must hold the terminator; too small leaves the length as it was.
    WCHAR name[8];
    DWORD length = 7;
    EXPECT_EQ(RegEnumKeyExW(key, 2, name, &length, nullptr, nullptr, nullptr, nullptr), ERROR_MORE_DATA);
    EXPECT_EQ(length, 7u);
    length = 8;
    EXPECT_EQ(RegEnumKeyExW(key, 2, name, &length, nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
    EXPECT_EQ(length, 7u);
    EXPECT_EQ(RegEnumKeyExW(key, 3, name, &length, nullptr, nullptr, nullptr, nullptr), ERROR_NO_MORE_ITEMS);

    // Values: the default value (empty name) sorts first.
    struct Expected {
        std::u16string name;
        DWORD type;
        Bytes data;
    };
    const Expected expected[] = {
        {u"", REG_BINARY, Bytes(20, 0xAB)}, {u"A", REG_SZ, TextBytes(u"hello")}, {u"b", REG_DWORD, DwordBytes(3)}};
    for (DWORD index = 0; index < 3; ++index) {
        Bytes data(32);
        DWORD type = 0, size = 32;
        length = 8;
        ASSERT_EQ(RegEnumValueW(key, index, name, &length, nullptr, &type, data.data(), &size), ERROR_SUCCESS);
        data.resize(size);
        EXPECT_EQ(std::u16string(name, length), expected[index].name);
        EXPECT_EQ(type, expected[index].type);
        EXPECT_EQ(data, expected[index].data);
    }
    BYTE small[4];
    DWORD size = sizeof small;
    length = 8;
    EXPECT_EQ(RegEnumValueW(key, 0, name, &length, nullptr, nullptr, small, &size), ERROR_MORE_DATA);
    EXPECT_EQ(size, 20u);
    length = 8;
    EXPECT_EQ(RegEnumValueW(key, 1, name, &length, nullptr, nullptr, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(size, 12u);
    length = 1;
    EXPECT_EQ(RegEnumValueW(key, 1, name, &length, nullptr, nullptr, nullptr, nullptr), ERROR_MORE_DATA);
    EXPECT_EQ(RegEnumValueW(key, 3, name, &length, nullptr, nullptr, nullptr, nullptr), ERROR_NO_MORE_ITEMS);
}

TEST_F(RegistryKeysTest, DeletingFollowsThePlatformsRules) {
    HKEY parent = Create(HKEY_CURRENT_USER, u"Software\\Del\\Parent");
    HKEY child = Create(parent, u"Child");
    Set(child, u"V", REG_DWORD, DwordBytes(1));

    EXPECT_EQ(RegDeleteKeyW(HKEY_CURRENT_USER, u"Software\\Del\\Parent"), ERROR_ACCESS_DENIED) << "it has a sub-key";
    EXPECT_EQ(RegDeleteKeyW(parent, u"Missing"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegDeleteKeyW(parent, u"CHILD"), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteKeyW(parent, u"Child"), ERROR_FILE_NOT_FOUND);

    // The handle of a deleted key reports it on every use.
    DWORD size = 0;
    HKEY sub = nullptr;
    EXPECT_EQ(RegQueryValueExW(child, u"V", nullptr, nullptr, nullptr, &size), ERROR_KEY_DELETED);
    EXPECT_EQ(RegSetValueExW(child, u"V", 0, REG_BINARY, nullptr, 0), ERROR_KEY_DELETED);
    EXPECT_EQ(RegCreateKeyExW(child, u"Again", 0, nullptr, 0, KEY_READ, nullptr, &sub, nullptr), ERROR_KEY_DELETED);
    EXPECT_EQ(RegOpenKeyExW(child, nullptr, 0, KEY_READ, &sub), ERROR_KEY_DELETED);
    EXPECT_EQ(SubKeyCount(parent), 0u);
    EXPECT_EQ(RegDeleteKeyW(parent, u""), ERROR_SUCCESS) << "an empty sub-key deletes the key itself";
    EXPECT_EQ(RegDeleteKeyW(HKEY_CURRENT_USER, u""), ERROR_ACCESS_DENIED) << "a predefined key stays";

    // A tree goes at once; with no sub-key only the content goes.
    HKEY tree = Create(HKEY_CURRENT_USER, u"Software\\Tree");
    Set(Create(tree, u"A\\B\\C"), u"V", REG_DWORD, DwordBytes(1));
    Set(tree, u"Top", REG_DWORD, DwordBytes(2));
    Create(tree, u"D");
    EXPECT_EQ(RegDeleteTreeW(tree, u"a"), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteTreeW(tree, u"A"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(SubKeyCount(tree), 1u);
    EXPECT_EQ(RegDeleteTreeW(tree, nullptr), ERROR_SUCCESS);
    EXPECT_EQ(SubKeyCount(tree), 0u);
    EXPECT_EQ(RegQueryValueExW(tree, u"Top", nullptr, nullptr, nullptr, nullptr), ERROR_FILE_NOT_FOUND);
    HKEY stillThere = nullptr;
    EXPECT_EQ(Open(HKEY_CURRENT_USER, u"Software\\Tree", KEY_READ, stillThere), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteTreeW(stillThere, nullptr), ERROR_ACCESS_DENIED) << "a read-only handle";
}

TEST_F(RegistryKeysTest, ShellValueReaderReadsASubKeyAndExpandsStrings) {
    HKEY key = Create(HKEY_CURRENT_USER, u"Control Panel\\Desktop\\WindowMetrics");
    Bytes font(92);
    for (size_t i = 0; i < font.size(); ++i) font[i] = static_cast<BYTE>(i);
    Set(key, u"MenuFont", REG_BINARY, font);
    setenv("REGISTRY_TEST_FOLDER", "/data/here", 1);
    Set(key, u"Folder", REG_EXPAND_SZ, TextBytes(u"%REGISTRY_TEST_FOLDER%\\sub"));

    Bytes data(92);
    DWORD type = 0, size = 92;
    ASSERT_EQ(SHGetValueW(HKEY_CURRENT_USER, u"Control Panel\\Desktop\\WindowMetrics", u"MenuFont", &type, data.data(),
                          &size),
              ERROR_SUCCESS);
    EXPECT_EQ(type, REG_BINARY);
    EXPECT_EQ(data, font);

    size = 0;
    ASSERT_EQ(SHGetValueW(key, nullptr, u"Folder", &type, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(size, TextBytes(u"%REGISTRY_TEST_FOLDER%\\sub").size()) << "the larger of stored and expanded";
    Bytes expanded = TextBytes(u"/data/here\\sub");
    data.assign(64, 0);
    size = 64;
    ASSERT_EQ(SHGetValueW(key, u"", u"Folder", &type, data.data(), &size), ERROR_SUCCESS);
    EXPECT_EQ(type, REG_SZ);
    EXPECT_EQ(Bytes(data.begin(), data.begin() + size), expanded);
    size = 4;
    EXPECT_EQ(SHGetValueW(key, nullptr, u"Folder", &type, data.data(), &size), ERROR_MORE_DATA);
    EXPECT_EQ(size, expanded.size());
    unsetenv("REGISTRY_TEST_FOLDER");

    EXPECT_EQ(SHGetValueW(HKEY_CURRENT_USER, u"Control Panel\\Missing", u"MenuFont", &type, data.data(), &size),
              ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(SHGetValueW(key, nullptr, u"Missing", &type, nullptr, &size), ERROR_FILE_NOT_FOUND);

    // Handles and paths fail as they do when opening the key.
    HKEY gone = Create(HKEY_CURRENT_USER, u"Control Panel\\Gone");
    ASSERT_EQ(RegDeleteKeyW(HKEY_CURRENT_USER, u"Control Panel\\Gone"), ERROR_SUCCESS);
    EXPECT_EQ(SHGetValueW(gone, nullptr, u"Folder", &type, nullptr, &size), ERROR_KEY_DELETED);
    EXPECT_EQ(SHGetValueW(gone, u"Below", u"Folder", &type, nullptr, &size), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(SHGetValueW(HKEY_CURRENT_USER, u"\\Control Panel", u"Folder", &type, nullptr, &size), ERROR_BAD_PATHNAME);
    EXPECT_EQ(SHGetValueW(reinterpret_cast<HKEY>(uintptr_t{0x7FFFFFF0}), nullptr, u"Folder", &type, nullptr, &size),
              ERROR_INVALID_HANDLE);
}

}  // namespace
