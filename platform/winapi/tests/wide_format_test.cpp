#include "winapi/wide_format.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <string>

namespace {

using std::u16string;

// The text swprintf makes, through a buffer large enough for every case.
template <class... Args>
u16string Format(const WCHAR* format, Args... args) {
    WCHAR buffer[256];
    int length = swprintf(buffer, 256, format, args...);
    EXPECT_GE(length, 0) << "format failed";
    return length < 0 ? u16string(u"<failed>") : u16string(buffer, length);
}

struct FormatCase {
    u16string expected;
    u16string actual;
};

TEST(WideFormatTest, Integers) {
    const FormatCase cases[] = {
        {u"42", Format(u"%d", 42)},
        {u"-42", Format(u"%i", -42)},
        {u"   42|42   |", Format(u"%5d|%-5d|", 42, 42)},
        {u"-0042", Format(u"%05d", -42)},
        {u"+5 5", Format(u"%+d% d", 5, 5)},
        {u"007", Format(u"%.3d", 7)},
        {u"[]", Format(u"[%.0d]", 0)},     // precision 0 prints no digit for 0
        {u"  007", Format(u"%05.3d", 7)},  // a precision turns the 0 flag off
        {u"ff FF 0XFF 0 377 010", Format(u"%x %X %#X %#x %o %#o", 255, 255, 255, 0, 255, 8)},
        {u"804BF230", Format(u"%08X", 0x804BF230u)},
        {u"Unknown error 0x8004025B", Format(u"Unknown error 0x%0lX", static_cast<LONG>(0x8004025B))},
        {u"error 1 (0x080040433)", Format(u"error %d (0x0%X)", 1, 0x80040433u)},
        {u"4464 44", Format(u"%hd %hhu", 70000, 300)},                               // narrowed to 16 and 8 bits
        {u"-1 4294967295", Format(u"%ld %lu", static_cast<LONG>(-1), 0xFFFFFFFFu)},  // long is 32 bits
        {u"-9223372036854775808", Format(u"%lld", INT64_MIN)},
        {u"18446744073709551615 18446744073709551615", Format(u"%I64u %llu", UINT64_MAX, UINT64_MAX)},
        {u"123 7", Format(u"%zu %Iu", size_t(123), size_t(7))},
        {u"   42|42   ", Format(u"%*d|%-*d", 5, 42, 5, 42)},
        {u"42   |", Format(u"%*d|", -5, 42)},  // a negative width from * aligns left
        {u"0000000000001234", Format(u"%p", reinterpret_cast<void*>(0x1234))},
        {u"100%", Format(u"%d%%", 100)},
    };
    for (const FormatCase& c : cases) EXPECT_EQ(c.actual, c.expected);
}

TEST(WideFormatTest, TextsAndCharacters) {
    const char narrowUnterminated[3] = {'a', 'b', 'c'};
    const FormatCase cases[] = {
        {u"wide Grüße", Format(u"%s %ls", u"wide", u"Grüße")},
        {u"narrow Grüße", Format(u"%hs %S", "narrow",
                                 "Gr\xC3\xBC\xC3\x9F"
                                 "e")},
        {u"ab    |  ab|", Format(u"%-6s|%4s|", u"ab", u"ab")},
        {u"abc", Format(u"%.3s", u"abcdef")},
        {u"abc", Format(u"%.*s", 3, u"abcdef")},
        {u"abc", Format(u"%.3hs", narrowUnterminated)},  // reads no further than the precision
        {u"", Format(u"%.1hs", "\xC3\xA4")},             // a character cut in half is dropped
        {u"(null)", Format(u"%s", static_cast<const WCHAR*>(nullptr))},
        {u"Ω A B", Format(u"%c %hc %C", u'Ω', 'A', 'B')},
        {u"  x", Format(u"%3c", u'x')},
    };
    for (const FormatCase& c : cases) EXPECT_EQ(c.actual, c.expected);
}

// A translated format may ask for more or fewer inserts than the texts the
// caller has, or a number where the original had a text.
TEST(WideFormatTest, FormatTextsReadsNoFurtherThanTheTextsGiven) {
    const FormatCase cases[] = {
        {u"The file 'a' is checked out by 'b'.",
         winapi::FormatTexts(u"The file '%s' is checked out by '%s'.", {u"a", u"b"})},
        {u"Only a", winapi::FormatTexts(u"Only %s", {u"a", u"b"})},
        {u"a,,", winapi::FormatTexts(u"%s,%s,%ls", {u"a"})},         // past the texts: empty texts
        {u"0-b 0", winapi::FormatTexts(u"%d-%s %d", {u"a", u"b"})},  // a number takes a text's place
        {u"[  a]", winapi::FormatTexts(u"[%3s]", {u"a"})},
        {u"(null)", winapi::FormatTexts(u"%s", {nullptr})},
        {u"%q of %s", winapi::FormatTexts(u"%q of %s", {u"a"})},  // malformed: as it stands
        {u"", winapi::FormatTexts(nullptr, {u"a"})},
    };
    for (const FormatCase& c : cases) EXPECT_EQ(c.actual, c.expected);
}

TEST(WideFormatTest, FloatingPoint) {
    const FormatCase cases[] = {
        {u"3.14", Format(u"%.2f", 3.14159)},
        {u"   3.142", Format(u"%8.3f", 3.14159)},
        {u"1.234500e+03 1.2345E+03", Format(u"%e %.4E", 1234.5, 1234.5)},
        {u"0.0001 1e+06 2.5", Format(u"%g %g %G", 0.0001, 1e6, 2.5)},
        {u"+1.0", Format(u"%+.1f", 1.0)},
        {u"1.50 x", Format(u"%.2f %s", 1.5f, u"x")},  // a float arrives as a double
    };
    for (const FormatCase& c : cases) EXPECT_EQ(c.actual, c.expected);
}

TEST(WideFormatTest, BufferLimits) {
    WCHAR buffer[8];
    for (WCHAR& c : buffer) c = u'#';
    EXPECT_EQ(swprintf(buffer, 6, u"%s", u"hello"), 5);
    EXPECT_EQ(u16string(buffer), u"hello");

    for (WCHAR& c : buffer) c = u'#';
    EXPECT_EQ(swprintf(buffer, 5, u"%s", u"hello"), -1);  // no room for the terminator
    EXPECT_EQ(u16string(buffer), u"hell");
    EXPECT_EQ(buffer[5], u'#');  // nothing written past count

    EXPECT_EQ(_snwprintf(buffer, 3, u"%d", 12345), -1);
    EXPECT_EQ(u16string(buffer), u"12");

    EXPECT_EQ(swprintf_s(buffer, 5, u"%s", u"hello"), -1);
    EXPECT_EQ(buffer[0], 0);  // the safe form leaves nothing half-written

    WCHAR small[4];
    EXPECT_EQ(swprintf(small, u"%d", 12345), -1);  // the size comes from the array
    EXPECT_EQ(u16string(small), u"123");
    EXPECT_EQ(swprintf_s(small, u"%d", 12), 2);
    EXPECT_EQ(u16string(small), u"12");

    EXPECT_EQ(swprintf(nullptr, 0, u"%d", 1), -1);
    EXPECT_EQ(_scwprintf(u"%d-%s", 12, u"abc"), 6);
}

TEST(WideFormatTest, MalformedFormatsLeaveTheBufferEmpty) {
    WCHAR buffer[16] = u"previous";
    for (const WCHAR* format : {u"%y", u"%", u"%ld%n", u"%Lf"}) {
        EXPECT_EQ(swprintf(buffer, 16, format, 1, 2), -1) << static_cast<const void*>(format);
        EXPECT_EQ(buffer[0], 0);
    }
    EXPECT_EQ(_scwprintf(u"%q"), -1);
}

TEST(WideScanTest, ReadsTheGuidPatternIntoElevenInts) {
    const WCHAR* pattern = u"{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}";
    unsigned f[11] = {};
    EXPECT_EQ(swscanf(u"{804BF230-0F69-4525-adf3-E15F2077A46E}", pattern, &f[0], &f[1], &f[2], &f[3], &f[4], &f[5],
                      &f[6], &f[7], &f[8], &f[9], &f[10]),
              11);
    const unsigned expected[11] = {0x804BF230, 0x0F69, 0x4525, 0xAD, 0xF3, 0xE1, 0x5F, 0x20, 0x77, 0xA4, 0x6E};
    for (int i = 0; i < 11; ++i) EXPECT_EQ(f[i], expected[i]) << i;

    // Callers accept only all eleven fields.
    EXPECT_EQ(swscanf(u"{804BF230-0F69}", pattern, &f[0], &f[1], &f[2], &f[3], &f[4], &f[5], &f[6], &f[7], &f[8], &f[9],
                      &f[10]),
              2);
    EXPECT_EQ(swscanf(u"804BF230-0F69-4525-ADF3-E15F2077A46E", pattern, &f[0], &f[1], &f[2], &f[3], &f[4], &f[5], &f[6],
                      &f[7], &f[8], &f[9], &f[10]),
              0);
    EXPECT_EQ(swscanf(u"", pattern, &f[0], &f[1], &f[2], &f[3], &f[4], &f[5], &f[6], &f[7], &f[8], &f[9], &f[10]), -1);
    EXPECT_EQ(swscanf(u"{XYZ", pattern, &f[0], &f[1], &f[2], &f[3], &f[4], &f[5], &f[6], &f[7], &f[8], &f[9], &f[10]),
              0);
}

TEST(WideScanTest, NumbersAndWidths) {
    int a = 0, b = 0;
    EXPECT_EQ(swscanf(u"  12   -7", u"%d %d", &a, &b), 2);
    EXPECT_EQ(a, 12);
    EXPECT_EQ(b, -7);
    EXPECT_EQ(swscanf(u"12345", u"%3d%d", &a, &b), 2);
    EXPECT_EQ(a, 123);
    EXPECT_EQ(b, 45);
    EXPECT_EQ(swscanf(u"1 2", u"%*d %d", &a), 1);
    EXPECT_EQ(a, 2);
    EXPECT_EQ(swscanf(u"0x1f 010 0x10", u"%x %i %i", &a, &b, &b), 3);
    EXPECT_EQ(a, 31);
    EXPECT_EQ(b, 16);
    EXPECT_EQ(swscanf(u"100%", u"%d%%", &a), 1);
    EXPECT_EQ(swscanf(u"x", u"%d", &a), 0);
    EXPECT_EQ(swscanf(u"   ", u"%d", &a), -1);

    // Each length stores exactly its own size.
    struct {
        short value;
        short guard;
    } shortField{0, 0x5555};
    EXPECT_EQ(swscanf(u"-2", u"%hd", &shortField.value), 1);
    EXPECT_EQ(shortField.value, -2);
    EXPECT_EQ(shortField.guard, 0x5555);
    struct {
        DWORD value;
        DWORD guard;
    } longField{0, 0x55555555};
    EXPECT_EQ(swscanf(u"ffffffff", u"%lx", &longField.value), 1);  // long is 32 bits
    EXPECT_EQ(longField.value, 0xFFFFFFFFu);
    EXPECT_EQ(longField.guard, 0x55555555u);
    unsigned char byte = 0;
    EXPECT_EQ(swscanf(u"2a", u"%2hhx", &byte), 1);
    EXPECT_EQ(byte, 0x2A);
    long long big = 0;
    EXPECT_EQ(swscanf(u"-9000000000", u"%lld", &big), 1);
    EXPECT_EQ(big, -9000000000LL);

    double real = 0;
    float single = 0;
    EXPECT_EQ(swscanf(u"3.5e2 0.25", u"%lf %f", &real, &single), 2);
    EXPECT_DOUBLE_EQ(real, 350.0);
    EXPECT_FLOAT_EQ(single, 0.25f);
}

TEST(WideScanTest, TextsAndCharacters) {
    WCHAR word[16];
    char narrow[16];
    WCHAR c = 0;
    EXPECT_EQ(swscanf(u"  hello world", u"%15s %hs", word, narrow), 2);
    EXPECT_EQ(u16string(word), u"hello");
    EXPECT_STREQ(narrow, "world");
    EXPECT_EQ(swscanf(u"Grüße", u"%3s", word), 1);
    EXPECT_EQ(u16string(word), u"Grü");
    EXPECT_EQ(swscanf(u"a b", u"a%c", &c), 1);  // %c takes white space too
    EXPECT_EQ(c, u' ');
    EXPECT_EQ(swscanf(u"key=value", u"key=%s", word), 1);
    EXPECT_EQ(u16string(word), u"value");
}

}  // namespace
