// Values: sizes and buffers of RegQueryValueExW, exact bytes, the default
// value, and names without regard to case.
#include "registry_test_support.h"

#include <gtest/gtest.h>

namespace {

using namespace registrytest;

// Values whose bytes must come back exactly, whatever their shape.
struct Seed {
    const WCHAR* name;
    DWORD type;
    Bytes data;
};

std::vector<Seed> Seeds() {
    Bytes control = TextBytes(u"tab\tquote\"slash\\line\n\x01", false);
    control.insert(control.end(), {0x00, 0xD8, 0x00, 0x00});  // a lone surrogate half, then the terminator
    return {
        {u"Text", REG_SZ, TextBytes(u"abc")},
        {u"Odd", REG_SZ, {0x61, 0x00, 0x62}},
        {u"Unterminated", REG_SZ, TextBytes(u"ab", false)},
        {u"Empty", REG_SZ, {}},
        {u"Number", REG_DWORD, DwordBytes(42)},
        {u"", REG_SZ, TextBytes(u"default")},
        {u"BigEndian", REG_DWORD_BIG_ENDIAN, {0x01, 0x02, 0x03, 0x04}},
        {u"ShortDword", REG_DWORD, {0x07, 0x00}},
        {u"Multi", REG_MULTI_SZ, TextBytes(std::u16string(u"a\0bc\0", 5))},
        {u"Path", REG_EXPAND_SZ, TextBytes(u"%TEMP%\\Zentraviko\\")},
        {u"Binary", REG_BINARY, {0x00, 0xFF, 0x10}},
        {u"Quad", REG_QWORD, {1, 2, 3, 4, 5, 6, 7, 8}},
        {u"Unusual type", 0x12345678, {0x01}},
        {u"Control", REG_SZ, control},
        {u"Wide \u00C4\u03A3\U0001F600", REG_SZ, TextBytes(u"\u00E4\u03C3\U0001F600")},
    };
}

std::string Hex(const Bytes& bytes) {
    static const char* digits = "0123456789abcdef";
    std::string text;
    for (BYTE b : bytes) text += {digits[b >> 4], digits[b & 15]};
    return text.empty() ? "-" : text;
}

using RegistryValuesTest = RegistryTest;

TEST_F(RegistryValuesTest, EveryValueKeepsItsExactBytesInThisAndAnotherProcess) {
    HKEY key = Create(HKEY_CURRENT_USER, u"Software\\Values");
    for (const auto& seed : Seeds()) Set(key, seed.name, seed.type, seed.data);

    for (const auto& seed : Seeds()) {
        std::string name = winapi::ToUtf8(seed.name);
        EXPECT_EQ(Get(key, seed.name), std::make_pair(seed.type, seed.data)) << name;
        // Another process reads the hive file from disk.
        EXPECT_EQ(RunChild({"expect", "HKCU", "Software\\Values", name, std::to_string(seed.type), Hex(seed.data)}), 0)
            << name;
    }
}

TEST_F(RegistryValuesTest, QueryReportsSizesAndAsksForMoreRoom) {
    HKEY key = Create(HKEY_CURRENT_USER, u"Software\\Values");
    for (const auto& seed : Seeds()) Set(key, seed.name, seed.type, seed.data);

    constexpr DWORD kNoBuffer = 0xFFFFFFFF;
    struct Case {
        const WCHAR* name;
        DWORD bufferSize;
        LSTATUS status;
        DWORD size;  // reported in *lpcbData
        DWORD type;
        Bytes data;  // in the buffer on success
    };
    const Case cases[] = {
        {u"Text", kNoBuffer, ERROR_SUCCESS, 8, REG_SZ, {}},
        {u"Text", 8, ERROR_SUCCESS, 8, REG_SZ, TextBytes(u"abc")},
        {u"Text", 100, ERROR_SUCCESS, 8, REG_SZ, TextBytes(u"abc")},
        {u"Text", 7, ERROR_MORE_DATA, 8, REG_SZ, {}},
        {u"Text", 0, ERROR_MORE_DATA, 8, REG_SZ, {}},
        {u"Odd", 3, ERROR_SUCCESS, 3, REG_SZ, {0x61, 0x00, 0x62}},
        {u"Odd", 2, ERROR_MORE_DATA, 3, REG_SZ, {}},
        {u"Unterminated", 6, ERROR_SUCCESS, 4, REG_SZ, TextBytes(u"ab", false)},
        {u"Empty", kNoBuffer, ERROR_SUCCESS, 0, REG_SZ, {}},
        {u"Empty", 4, ERROR_SUCCESS, 0, REG_SZ, {}},
        {u"Number", 4, ERROR_SUCCESS, 4, REG_DWORD, DwordBytes(42)},
        {u"Number", 3, ERROR_MORE_DATA, 4, REG_DWORD, {}},
        {u"NUMBER", 4, ERROR_SUCCESS, 4, REG_DWORD, DwordBytes(42)},
        {nullptr, 64, ERROR_SUCCESS, 16, REG_SZ, TextBytes(u"default")},
        {u"", 64, ERROR_SUCCESS, 16, REG_SZ, TextBytes(u"default")},
    };
    for (const auto& c : cases) {
        std::string label = (c.name ? winapi::ToUtf8(c.name) : "(null)") + " with " + std::to_string(c.bufferSize);
        Bytes buffer(c.bufferSize == kNoBuffer ? 0 : c.bufferSize + 4, 0xCC);
        DWORD type = 0xDEAD, size = c.bufferSize == kNoBuffer ? 0 : c.bufferSize;
        LSTATUS status =
            RegQueryValueExW(key, c.name, nullptr, &type, c.bufferSize == kNoBuffer ? nullptr : buffer.data(), &size);
        EXPECT_EQ(status, c.status) << label;
        EXPECT_EQ(size, c.size) << label;
        EXPECT_EQ(type, c.type) << label;
        if (status == ERROR_SUCCESS && c.bufferSize != kNoBuffer) {
            EXPECT_EQ(Bytes(buffer.begin(), buffer.begin() + size), c.data) << label;
            // Nothing is written past the data: a string is not terminated for the caller.
            EXPECT_EQ(buffer[size], 0xCC) << label;
        }
    }
}

TEST_F(RegistryValuesTest, QueriesOfMissingValuesAndBadArguments) {
    HKEY key = Create(HKEY_CURRENT_USER, u"Software\\Values");
    Set(key, u"Number", REG_DWORD, DwordBytes(7));
    DWORD type = 0, size = 4;
    BYTE data[4];

    EXPECT_EQ(RegQueryValueExW(key, u"Missing", nullptr, &type, data, &size), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegQueryValueExW(key, nullptr, nullptr, nullptr, nullptr, nullptr), ERROR_FILE_NOT_FOUND)
        << "no default value was set";
    // An existence test and a type-only query.
    EXPECT_EQ(RegQueryValueExW(key, u"Number", nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
    EXPECT_EQ(RegQueryValueExW(key, u"Number", nullptr, &type, nullptr, nullptr), ERROR_SUCCESS);
    EXPECT_EQ(type, REG_DWORD);
    EXPECT_EQ(RegQueryValueExW(key, u"Number", nullptr, &type, data, nullptr), ERROR_INVALID_PARAMETER);
    DWORD reserved = 0;
    EXPECT_EQ(RegQueryValueExW(key, u"Number", &reserved, &type, data, &size), ERROR_INVALID_PARAMETER);

    EXPECT_EQ(RegSetValueExW(key, u"Null", 0, REG_BINARY, nullptr, 4), ERROR_NOACCESS);
    EXPECT_EQ(RegSetValueExW(key, u"Null", 0, REG_BINARY, nullptr, 0), ERROR_SUCCESS);
    EXPECT_EQ(Get(key, u"Null"), std::make_pair(DWORD{REG_BINARY}, Bytes{}));

    EXPECT_EQ(RegDeleteValueW(key, u"number"), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteValueW(key, u"Number"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegQueryValueExW(key, u"Number", nullptr, nullptr, nullptr, nullptr), ERROR_FILE_NOT_FOUND);
}

TEST_F(RegistryValuesTest, NamesCompareWithoutCaseAndKeepTheCaseTheyWereMadeWith) {
    HKEY made = Create(HKEY_CURRENT_USER, u"Software\\MixedCase\\\u00C4rger \u03A3");
    Set(made, u"ValueName", REG_DWORD, DwordBytes(1));
    Set(made, u"VALUENAME", REG_DWORD, DwordBytes(2));  // the same value
    Set(made, u"\u00DCber", REG_SZ, TextBytes(u"x"));

    HKEY opened = nullptr;
    ASSERT_EQ(Open(HKEY_CURRENT_USER, u"SOFTWARE\\mixedcase\\\u00E4RGER \u03C3", KEY_READ, opened), ERROR_SUCCESS);
    EXPECT_EQ(Get(opened, u"valuename"), std::make_pair(DWORD{REG_DWORD}, DwordBytes(2)));
    EXPECT_EQ(Get(opened, u"\u00FCBER").first, REG_SZ);

    DWORD values = 0;
    ASSERT_EQ(RegQueryInfoKeyW(opened, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr, nullptr,
                               nullptr, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(values, 2u);
    WCHAR name[32];
    DWORD length = 32;
    ASSERT_EQ(RegEnumValueW(opened, 0, name, &length, nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
    EXPECT_EQ(std::u16string(name, length), u"ValueName");

    HKEY software = nullptr;
    ASSERT_EQ(Open(HKEY_CURRENT_USER, u"software", KEY_READ, software), ERROR_SUCCESS);
    length = 32;
    ASSERT_EQ(RegEnumKeyExW(software, 0, name, &length, nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
    EXPECT_EQ(std::u16string(name, length), u"MixedCase");
}

}  // namespace
