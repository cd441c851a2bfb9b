#include "common/registry.h"

#include "settings_seeding.h"

#include "testsupport/fresh_machine.h"
#include "winapi/environment.h"
#include "winapi/errors.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace {

using namespace settings_seeding;

const std::u16string kKeyPath = u"Software\\RegistryTest";

class RegistryTest : public testsupport::FreshMachineTest {
protected:
    std::u16string TempVariable() {
        WCHAR buffer[MAX_PATH] = {};
        GetEnvironmentVariableW(u"TEMP", buffer, MAX_PATH);
        return buffer;
    }
};

struct StringCase {
    const char* what;
    DWORD type;
    std::vector<BYTE> bytes;
    std::optional<std::u16string> expected;  // nullopt: not a string
};

TEST_F(RegistryTest, StringValuesAreTerminatedAndExpanded) {
    const std::u16string temp = TempVariable();
    ASSERT_FALSE(temp.empty());
    std::vector<BYTE> oddSize = TextBytes(u"ab", false);
    oddSize.push_back('c');  // the odd byte pairs with the zero added after it
    const StringCase cases[] = {
        {"empty REG_SZ", REG_SZ, {}, u""},
        {"terminated REG_SZ", REG_SZ, TextBytes(u"Vault One"), u"Vault One"},
        {"REG_SZ without terminator", REG_SZ, TextBytes(u"abc", false), u"abc"},
        {"REG_SZ of odd size", REG_SZ, oddSize, u"abc"},
        {"REG_SZ ending at an inner zero", REG_SZ, TextBytes(std::u16string(u"ab\0cd", 5)), u"ab"},
        {"REG_EXPAND_SZ naming TEMP", REG_EXPAND_SZ, TextBytes(u"%TEMP%\\x"), temp + u"\\x"},
        {"REG_EXPAND_SZ without terminator", REG_EXPAND_SZ, TextBytes(u"%TEMP%", false), temp},
        {"REG_EXPAND_SZ with an unknown variable", REG_EXPAND_SZ, TextBytes(u"%NO_SUCH_VARIABLE_42%"),
         u"%NO_SUCH_VARIABLE_42%"},
        {"empty REG_EXPAND_SZ", REG_EXPAND_SZ, {}, u""},
        {"REG_BINARY", REG_BINARY, TextBytes(u"abc"), std::nullopt},
        {"REG_MULTI_SZ", REG_MULTI_SZ, TextBytes(u"abc"), std::nullopt},
        {"REG_DWORD", REG_DWORD, {1, 0, 0, 0}, std::nullopt},
    };
    for (const StringCase& c : cases) {
        SCOPED_TRACE(c.what);
        WriteValue(HKEY_CURRENT_USER, kKeyPath, u"Value", c.type, c.bytes);
        Registry key;
        ASSERT_TRUE(key.mbOpen(HKEY_CURRENT_USER, kKeyPath.c_str(), KEY_READ, 0));
        std::u16string text = u"stale";
        EXPECT_EQ(key.mbGetString(u"Value", text), c.expected.has_value());
        EXPECT_EQ(Narrow(text), Narrow(c.expected.value_or(u"")));
        EXPECT_EQ(key.Status(), ERROR_SUCCESS);
    }

    Registry key;
    ASSERT_TRUE(key.mbOpen(HKEY_CURRENT_USER, kKeyPath.c_str(), KEY_READ, 0));
    std::u16string text = u"stale";
    EXPECT_FALSE(key.mbGetString(u"Missing", text));
    EXPECT_EQ(text, u"");
    EXPECT_EQ(key.Status(), ERROR_FILE_NOT_FOUND);
}

struct DwordCase {
    const char* what;
    DWORD type;
    std::vector<BYTE> bytes;
    std::optional<DWORD> expected;  // nullopt: not a DWORD
};

TEST_F(RegistryTest, DwordValuesNeedFourBytesOfADwordType) {
    const DwordCase cases[] = {
        {"REG_DWORD", REG_DWORD, {0x04, 0x03, 0x02, 0x01}, 0x01020304u},
        {"REG_DWORD_BIG_ENDIAN 1", REG_DWORD_BIG_ENDIAN, {0x00, 0x00, 0x00, 0x01}, 1u},
        {"REG_DWORD_BIG_ENDIAN", REG_DWORD_BIG_ENDIAN, {0x01, 0x02, 0x03, 0x04}, 0x01020304u},
        {"REG_DWORD of 2 bytes", REG_DWORD, {0x01, 0x00}, std::nullopt},
        {"REG_DWORD of 8 bytes", REG_DWORD, {1, 0, 0, 0, 0, 0, 0, 0}, std::nullopt},
        {"REG_DWORD_BIG_ENDIAN of 3 bytes", REG_DWORD_BIG_ENDIAN, {0, 0, 1}, std::nullopt},
        {"REG_QWORD", REG_QWORD, {1, 0, 0, 0, 0, 0, 0, 0}, std::nullopt},
        {"REG_QWORD of 4 bytes", REG_QWORD, {1, 0, 0, 0}, std::nullopt},
        {"REG_SZ of 4 bytes", REG_SZ, TextBytes(u"1"), std::nullopt},
        {"REG_BINARY of 4 bytes", REG_BINARY, {1, 0, 0, 0}, std::nullopt},
    };
    for (const DwordCase& c : cases) {
        SCOPED_TRACE(c.what);
        WriteValue(HKEY_CURRENT_USER, kKeyPath, u"Value", c.type, c.bytes);
        Registry key;
        ASSERT_TRUE(key.mbOpen(HKEY_CURRENT_USER, kKeyPath.c_str(), KEY_READ, 0));
        DWORD value = 0xDEADBEEF;
        EXPECT_EQ(key.mbGetDWORD(u"Value", value), c.expected.has_value());
        EXPECT_EQ(value, c.expected.value_or(0xDEADBEEF));
    }

    Registry key;
    ASSERT_TRUE(key.mbOpen(HKEY_CURRENT_USER, kKeyPath.c_str(), KEY_READ, 0));
    DWORD value = 7;
    EXPECT_FALSE(key.mbGetDWORD(u"Missing", value));
    EXPECT_EQ(value, 7u);
    EXPECT_EQ(key.Status(), ERROR_FILE_NOT_FOUND);
}

TEST_F(RegistryTest, OpenCreatesOnlyWhenAskedAndAFailedOpenHoldsNoKey) {
    Registry key;
    EXPECT_FALSE(key.mbOpen(HKEY_CURRENT_USER, kKeyPath.c_str(), KEY_READ, 0));
    EXPECT_EQ(key.Key(), nullptr);
    EXPECT_EQ(key.Status(), ERROR_FILE_NOT_FOUND);

    // The create flag creates the missing key; without a sub-key name it
    // only opens the parent again.
    ASSERT_TRUE(key.mbOpen(HKEY_CURRENT_USER, kKeyPath.c_str(), KEY_READ | KEY_SET_VALUE, 1));
    EXPECT_NE(key.Key(), nullptr);
    EXPECT_EQ(key.Status(), ERROR_SUCCESS);
    EXPECT_TRUE(key.mbSetString(u"Name", u"Text"));
    Registry parent;
    ASSERT_TRUE(parent.mbOpen(key.Key(), nullptr, KEY_READ, 1));
    std::u16string text;
    EXPECT_TRUE(parent.mbGetString(u"Name", text));
    EXPECT_EQ(text, u"Text");

    // A failed reopen lets go of the key held before.
    HKEY first = key.Key();
    EXPECT_FALSE(key.mbOpen(HKEY_CURRENT_USER, u"Software\\Missing", KEY_READ, 0));
    EXPECT_EQ(key.Key(), nullptr);
    EXPECT_EQ(RegCloseKey(first), ERROR_INVALID_HANDLE);
}

TEST_F(RegistryTest, ReopenAndDestructionCloseTheKeyHeld) {
    SeedString(HKEY_CURRENT_USER, kKeyPath + u"\\A", u"Name", u"A");
    SeedString(HKEY_CURRENT_USER, kKeyPath + u"\\B", u"Name", u"B");
    HKEY second = nullptr;
    {
        Registry key;
        ASSERT_TRUE(key.mbOpen(HKEY_CURRENT_USER, (kKeyPath + u"\\A").c_str(), KEY_READ, 0));
        HKEY first = key.Key();
        ASSERT_TRUE(key.mbOpen(HKEY_CURRENT_USER, (kKeyPath + u"\\B").c_str(), KEY_READ, 0));
        second = key.Key();
        EXPECT_EQ(RegQueryValueExW(first, u"Name", nullptr, nullptr, nullptr, nullptr), ERROR_INVALID_HANDLE);
        std::u16string text;
        EXPECT_TRUE(key.mbGetString(u"Name", text));
        EXPECT_EQ(text, u"B");
    }
    EXPECT_EQ(RegQueryValueExW(second, u"Name", nullptr, nullptr, nullptr, nullptr), ERROR_INVALID_HANDLE);
}

TEST_F(RegistryTest, OpenSubKeyReplacesTheKeyHeldOnlyOnSuccess) {
    SeedString(HKEY_CURRENT_USER, kKeyPath, u"Name", u"parent");
    SeedString(HKEY_CURRENT_USER, kKeyPath + u"\\General", u"Name", u"child");
    Registry key;
    ASSERT_TRUE(key.mbOpen(HKEY_CURRENT_USER, kKeyPath.c_str(), KEY_READ, 0));
    HKEY parent = key.Key();

    EXPECT_FALSE(key.mbOpenSubKey(u"Missing", KEY_READ, 0));
    EXPECT_EQ(key.Status(), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(key.Key(), parent);
    std::u16string text;
    EXPECT_TRUE(key.mbGetString(u"Name", text));
    EXPECT_EQ(text, u"parent");

    ASSERT_TRUE(key.mbOpenSubKey(u"General", KEY_READ, 0));
    EXPECT_EQ(RegQueryValueExW(parent, u"Name", nullptr, nullptr, nullptr, nullptr), ERROR_INVALID_HANDLE);
    EXPECT_TRUE(key.mbGetString(u"Name", text));
    EXPECT_EQ(text, u"child");

    // With the create flag a missing sub-key is made.
    ASSERT_TRUE(key.mbOpen(HKEY_CURRENT_USER, kKeyPath.c_str(), KEY_READ | KEY_CREATE_SUB_KEY, 0));
    EXPECT_TRUE(key.mbOpenSubKey(u"New", KEY_READ, 1));
    Registry made;
    EXPECT_TRUE(made.mbOpen(HKEY_CURRENT_USER, (kKeyPath + u"\\New").c_str(), KEY_READ, 0));
}

TEST_F(RegistryTest, SetStringWritesTheTextWithItsTerminator) {
    Registry key;
    ASSERT_TRUE(key.mbOpen(HKEY_CURRENT_USER, kKeyPath.c_str(), KEY_READ | KEY_SET_VALUE, 1));
    ASSERT_TRUE(key.mbSetString(u"Language", u"DE"));
    DWORD type = 0;
    DWORD size = 0;
    ASSERT_EQ(RegQueryValueExW(key.Key(), u"Language", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(type, REG_SZ);
    EXPECT_EQ(size, 6u);  // 2 x 2 + 2
    EXPECT_TRUE(key.mbSetString(u"Empty", u""));
    ASSERT_EQ(RegQueryValueExW(key.Key(), u"Empty", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(size, 2u);

    // A key opened for reading only refuses, and says why.
    Registry readOnly;
    ASSERT_TRUE(readOnly.mbOpen(HKEY_CURRENT_USER, kKeyPath.c_str(), KEY_READ, 0));
    EXPECT_FALSE(readOnly.mbSetString(u"Language", u"FR"));
    EXPECT_EQ(readOnly.Status(), ERROR_ACCESS_DENIED);
    EXPECT_EQ(StoredString(HKEY_CURRENT_USER, kKeyPath, u"Language"), u"DE");
}

TEST_F(RegistryTest, ShellRootCountsWhateverItsTypeOrData) {
    Registry key;
    ASSERT_TRUE(key.mbOpen(HKEY_CURRENT_USER, kKeyPath.c_str(), KEY_READ, 1));
    EXPECT_FALSE(key.mbHasShellRoot());
    EXPECT_EQ(key.Status(), ERROR_FILE_NOT_FOUND);
    for (DWORD type : {REG_SZ, REG_DWORD, REG_BINARY}) {
        WriteValue(HKEY_CURRENT_USER, kKeyPath, u"shellroot", type, {});
        EXPECT_TRUE(key.mbHasShellRoot()) << type;
    }
    Registry none;
    EXPECT_FALSE(none.mbHasShellRoot());
}

}  // namespace
