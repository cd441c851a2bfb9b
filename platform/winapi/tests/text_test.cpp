#include "winapi/errors.h"
#include "winapi/text.h"
#include "winapi/thread_locale.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <string>

namespace {

using std::u16string;

TEST(Utf8Test, RoundTripsEveryPlane) {
    const u16string texts[] = {u"",       u"plain", u"Grüße, Ätna", u"€ 100", u"日本語", u"emoji \U0001F600 pair",
                               u"\u0000x"};
    for (const u16string& text : texts) EXPECT_EQ(winapi::ToUtf16(winapi::ToUtf8(text)), text);
    EXPECT_EQ(winapi::ToUtf8(u"ä€\U0001F600"), "\xC3\xA4\xE2\x82\xAC\xF0\x9F\x98\x80");
}

TEST(Utf8Test, UnpairedSurrogatesBecomeReplacementCharacters) {
    EXPECT_EQ(winapi::ToUtf8(u16string{u'a', 0xD800, u'b'}),
              "a\xEF\xBF\xBD"
              "b");
    EXPECT_EQ(winapi::ToUtf8(u16string{0xDC00, 0xD83D}), "\xEF\xBF\xBD\xEF\xBF\xBD");
}

TEST(Utf8Test, IllFormedInputBecomesOneReplacementPerInvalidPrefix) {
    struct Case {
        std::string input;
        u16string expected;
    } cases[] = {
        {"a\xFF"
         "b",
         u"a\uFFFDb"},
        {"\xC3", u"\uFFFD"},  // truncated at the end
        {"\xE2\x82"
         "x",
         u"\uFFFDx"},                                       // truncated three-byte sequence: one replacement
        {"\xC0\xAF", u"\uFFFD\uFFFD"},                      // overlong lead, then a stray continuation
        {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},            // an encoded surrogate
        {"\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},  // above U+10FFFF
        {"\xF0\x9F\x98", u"\uFFFD"},
    };
    for (const Case& c : cases) EXPECT_EQ(winapi::ToUtf16(c.input), c.expected) << c.input.size();
}

TEST(CodePageTest, WideToMultiByteSizesAndFills) {
    const WCHAR* text = u"Maß";
    EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr), 5);  // with terminator
    EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, text, 3, nullptr, 0, nullptr, nullptr), 4);

    char exact[5];
    EXPECT_EQ(WideCharToMultiByte(CP_THREAD_ACP, 0, text, -1, exact, 5, nullptr, nullptr), 5);
    EXPECT_STREQ(exact, "Ma\xC3\x9F");

    char small[4] = {'x', 'x', 'x', 'x'};
    SetLastError(0);
    EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, text, -1, small, 4, nullptr, nullptr), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
}

TEST(CodePageTest, WideToMultiByteRefusals) {
    const WCHAR lone[] = {u'a', 0xD800, 0};
    BOOL used = FALSE;
    struct Case {
        UINT codePage;
        DWORD flags;
        const WCHAR* text;
        int count;
        LPBOOL used;
        DWORD error;
    } cases[] = {
        {1252, 0, u"a", -1, nullptr, ERROR_INVALID_PARAMETER},   // only the UTF-8 code pages exist here
        {CP_UTF8, 0, u"a", -1, &used, ERROR_INVALID_PARAMETER},  // no default character for UTF-8
        {CP_UTF8, WC_NO_BEST_FIT_CHARS, u"a", -1, nullptr, ERROR_INVALID_FLAGS},
        {CP_UTF8, WC_ERR_INVALID_CHARS, lone, -1, nullptr, ERROR_NO_UNICODE_TRANSLATION},
        {CP_UTF8, 0, nullptr, -1, nullptr, ERROR_INVALID_PARAMETER},
        {CP_UTF8, 0, u"a", 0, nullptr, ERROR_INVALID_PARAMETER},
    };
    for (const Case& c : cases) {
        SetLastError(0);
        EXPECT_EQ(WideCharToMultiByte(c.codePage, c.flags, c.text, c.count, nullptr, 0, nullptr, c.used), 0);
        EXPECT_EQ(GetLastError(), c.error) << c.codePage << " " << c.flags;
    }
    // An ANSI code page replaces the surrogate and says so.
    EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, lone, -1, nullptr, 0, nullptr, &used), 5);
    EXPECT_TRUE(used);
}

TEST(CodePageTest, MultiByteToWide) {
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0,
                                  "Gr\xC3\xBC\xC3\x9F"
                                  "e",
                                  -1, nullptr, 0),
              6);
    WCHAR out[6];
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, MB_PRECOMPOSED,
                                  "Gr\xC3\xBC\xC3\x9F"
                                  "e",
                                  -1, out, 6),
              6);
    EXPECT_EQ(u16string(out), u"Grüße");

    WCHAR small[3];
    SetLastError(0);
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "abc", -1, small, 3), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));

    SetLastError(0);
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, "a\xFF", 2, nullptr, 0), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_UNICODE_TRANSLATION));
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "a\xFF", 2, nullptr, 0), 2);  // replaced without the flag

    SetLastError(0);
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, MB_PRECOMPOSED, "a", -1, nullptr, 0), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_FLAGS));
}

TEST(CaseTest, IgnoringCaseCoversTheWholeBmp) {
    struct Case {
        const WCHAR* a;
        const WCHAR* b;
        bool equal;
    } cases[] = {
        {u"Ätna", u"äTNA", true},       {u"ΣΟΦΊΑ", u"σοφία", true}, {u"ΟΔΟΣ", u"οδος", true},  // final sigma
        {u"ЖУК", u"жук", true},         {u"ǅ", u"ǆ", true},         {u"\u00B5", u"\u039C", true},
        {u"straße", u"STRASSE", false},  // one unit never maps to two
        {u"abc", u"abd", false},        {u"abc", u"ab", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(lstrcmpiW(c.a, c.b) == 0, c.equal) << winapi::ToUtf8(c.a);
        EXPECT_EQ(_wcsicmp(c.a, c.b) == 0, c.equal) << winapi::ToUtf8(c.a);
        EXPECT_EQ(winapi::EqualsIgnoreCase(c.a, c.b), c.equal) << winapi::ToUtf8(c.a);
    }
}

TEST(CaseTest, OrderOfComparisons) {
    EXPECT_EQ(lstrcmpiW(u"apple", u"Banana"), -1);
    EXPECT_EQ(lstrcmpiW(u"Banana", u"apple"), 1);
    EXPECT_EQ(lstrcmpiW(u"_x", u"ax"), -1);  // punctuation before letters, as in the platform's order
    EXPECT_EQ(lstrcmpiW(u"ab", u"ABC"), -1);
    EXPECT_EQ(lstrcmpiW(nullptr, u""), 0);
    EXPECT_EQ(lstrcmpiW(nullptr, u"a"), -1);

    EXPECT_EQ(lstrcmpW(u"a", u"B"), -1);  // case matters only after the letters
    EXPECT_EQ(lstrcmpW(u"a", u"A"), -1);  // lower case first
    EXPECT_EQ(lstrcmpW(u"A", u"a"), 1);
    EXPECT_EQ(lstrcmpW(u"same", u"same"), 0);

    EXPECT_LT(wcscmp(u"B", u"a"), 0);  // code units
    EXPECT_EQ(wcsncmp(u"abcX", u"abcY", 3), 0);
    EXPECT_EQ(_wcsnicmp(u"ABCx", u"abcy", 3), 0);
    EXPECT_GT(_wcsnicmp(u"ABCy", u"abcx", 4), 0);

    EXPECT_EQ(CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, u"Straße", -1, u"STRAßE", -1), CSTR_EQUAL);
    EXPECT_EQ(CompareStringW(0, 0, u"abcdef", 3, u"abc", -1), CSTR_EQUAL);
    EXPECT_EQ(CompareStringW(0, 0, u"abc", -1, u"abd", -1), CSTR_LESS_THAN);
    SetLastError(0);
    EXPECT_EQ(CompareStringW(0, 0x2, u"a", -1, u"a", -1), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_FLAGS));
}

TEST(CaseTest, UpperAndLowerCasing) {
    WCHAR text[] = u"grüße ǆ σοφία";
    EXPECT_EQ(_wcsupr_s(text), 0);
    EXPECT_EQ(u16string(text), u"GRÜßE Ǆ ΣΟΦΊΑ");
    EXPECT_EQ(_wcslwr_s(text, sizeof text / sizeof text[0]), 0);
    EXPECT_EQ(u16string(text), u"grüße ǆ σοφία");

    WCHAR inPlace[] = u"Ärger";
    EXPECT_EQ(CharUpperW(inPlace), inPlace);
    EXPECT_EQ(u16string(inPlace), u"ÄRGER");
    EXPECT_EQ(CharLowerW(inPlace), inPlace);
    EXPECT_EQ(u16string(inPlace), u"ärger");
    // One character carried in the pointer itself.
    auto single = CharUpperW(reinterpret_cast<LPWSTR>(static_cast<uintptr_t>(u'ä')));
    EXPECT_EQ(reinterpret_cast<uintptr_t>(single), static_cast<uintptr_t>(u'Ä'));

    EXPECT_EQ(towupper(u'ÿ'), u'Ÿ');
    EXPECT_EQ(towlower(u'İ'), u'i');
    EXPECT_EQ(towupper(u'1'), u'1');
}

TEST(CharacterClassTest, SpacesDigitsLetters) {
    for (WCHAR c : {u' ', u'\t', u'\r', u'\u00A0', u'\u2003', u'\u3000'}) EXPECT_TRUE(iswspace(c)) << int(c);
    for (WCHAR c : {u'a', u'_', u'\u200B'}) EXPECT_FALSE(iswspace(c)) << int(c);
    EXPECT_TRUE(iswdigit(u'7'));
    EXPECT_FALSE(iswdigit(u'x'));
    for (WCHAR c : {u'a', u'Z', u'é', u'Ж', u'中', u'ß'}) EXPECT_TRUE(iswalpha(c)) << int(c);
    for (WCHAR c : {u'1', u'-', u' ', u'€'}) EXPECT_FALSE(iswalpha(c)) << int(c);
}

TEST(BoundedCopyTest, CopyConcatenateAndTruncate) {
    WCHAR buffer[6];
    EXPECT_EQ(wcscpy_s(buffer, u"hello"), 0);
    EXPECT_EQ(u16string(buffer), u"hello");
    EXPECT_EQ(wcscpy_s(buffer, u"hello!"), ERANGE);
    EXPECT_EQ(buffer[0], 0);

    EXPECT_EQ(wcscpy_s(buffer, u"ab"), 0);
    EXPECT_EQ(wcscat_s(buffer, u"cde"), 0);
    EXPECT_EQ(u16string(buffer), u"abcde");
    EXPECT_EQ(wcscat_s(buffer, u"f"), ERANGE);
    EXPECT_EQ(buffer[0], 0);

    EXPECT_EQ(wcsncpy_s(buffer, u"abcdefgh", 3), 0);
    EXPECT_EQ(u16string(buffer), u"abc");
    EXPECT_EQ(wcsncpy_s(buffer, u"abcdefgh", _TRUNCATE), STRUNCATE);
    EXPECT_EQ(u16string(buffer), u"abcde");
    EXPECT_EQ(wcscpy_s(buffer, 6, nullptr), EINVAL);
    EXPECT_EQ(wcscpy_s(nullptr, 6, u"a"), EINVAL);

    WCHAR guarded[8] = {u'x', u'x', u'x', u'x', u'x', u'x', u'x', u'x'};
    EXPECT_EQ(lstrcpynW(guarded, u"abcdef", 4), guarded);
    EXPECT_EQ(u16string(guarded), u"abc");
    EXPECT_EQ(guarded[4], u'x');  // nothing written past the limit
    WCHAR joined[16] = u"ab";
    EXPECT_EQ(u16string(lstrcatW(joined, u"cd")), u"abcd");
    EXPECT_EQ(lstrlenW(joined), 4);
    EXPECT_EQ(lstrlenW(nullptr), 0);
    EXPECT_EQ(u16string(lstrcpyW(joined, u"xyz")), u"xyz");
}

TEST(SearchTest, FindCharactersAndParts) {
    const WCHAR* text = u"a\\b\\c.txt";
    EXPECT_EQ(wcschr(text, u'\\'), text + 1);
    EXPECT_EQ(wcsrchr(text, u'\\'), text + 3);
    EXPECT_EQ(wcschr(text, u'z'), nullptr);
    EXPECT_EQ(wcschr(text, 0), text + wcslen(text));  // the terminator is part of the text
    EXPECT_EQ(wcsstr(text, u"c.t"), text + 4);
    EXPECT_EQ(wcsstr(text, u"c.x"), nullptr);
    EXPECT_EQ(wcsstr(text, u""), text);
    WCHAR writable[] = u"key=value";
    WCHAR* equals = wcschr(writable, u'=');
    *equals = 0;
    EXPECT_EQ(u16string(writable), u"key");
}

TEST(DuplicateTest, CopyIsFreedWithFree) {
    WCHAR* copy = _wcsdup(u"Grüße");
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(u16string(copy), u"Grüße");
    std::free(copy);
    EXPECT_EQ(_wcsdup(nullptr), nullptr);
}

TEST(NumberTest, ParsesAsTheCLibraryDoesWithThirtyTwoBitLongs) {
    struct Case {
        const WCHAR* text;
        int base;
        LONG value;
        size_t consumed;
        bool range;
    } cases[] = {
        {u"  42", 10, 42, 4, false},
        {u"-17x", 10, -17, 3, false},
        {u"+8", 10, 8, 2, false},
        {u"0x1F", 16, 31, 4, false},
        {u"0x1F", 0, 31, 4, false},
        {u"010", 0, 8, 3, false},
        {u"0xg", 16, 0, 1, false},  // only the "0" is a number
        {u"zz", 36, 1295, 2, false},
        {u"abc", 10, 0, 0, false},
        {u"2147483647", 10, INT32_MAX, 10, false},
        {u"2147483648", 10, INT32_MAX, 10, true},
        {u"-2147483648", 10, INT32_MIN, 11, false},
        {u"-99999999999999999999999", 10, INT32_MIN, 24, true},
    };
    for (const Case& c : cases) {
        errno = 0;
        WCHAR* end = nullptr;
        EXPECT_EQ(wcstol(c.text, &end, c.base), c.value) << winapi::ToUtf8(c.text);
        EXPECT_EQ(static_cast<size_t>(end - c.text), c.consumed) << winapi::ToUtf8(c.text);
        EXPECT_EQ(errno == ERANGE, c.range) << winapi::ToUtf8(c.text);
    }
    EXPECT_EQ(_wtoi(u" 123abc"), 123);
    EXPECT_EQ(_wtoi(u"x"), 0);
    EXPECT_EQ(_wtoi(u"99999999999"), INT_MAX);
    EXPECT_EQ(_wtol(u"-5"), -5);

    EXPECT_EQ(wcstoul(u"4294967295", nullptr, 10), 0xFFFFFFFFu);
    EXPECT_EQ(wcstoul(u"-1", nullptr, 10), 0xFFFFFFFFu);
    errno = 0;
    EXPECT_EQ(wcstoul(u"4294967296", nullptr, 10), 0xFFFFFFFFu);
    EXPECT_EQ(errno, ERANGE);
    WCHAR* end = nullptr;
    const WCHAR* text = u"12";
    errno = 0;
    EXPECT_EQ(wcstol(text, &end, 1), 0);
    EXPECT_EQ(errno, EINVAL);
    EXPECT_EQ(end, text);
}

}  // namespace
