#include "winapi/errors.h"
#include "winapi/memory.h"
#include "winapi/system_messages.h"
#include "winapi/thread_locale.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using std::u16string;

constexpr DWORD kSystem = FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS;

// The system's text for a code as the callers ask for it: allocated by the
// system, freed with LocalFree.
u16string SystemText(DWORD code, DWORD language = LANG_USER_DEFAULT) {
    LPWSTR text = nullptr;
    DWORD length = FormatMessageW(kSystem | FORMAT_MESSAGE_ALLOCATE_BUFFER, nullptr, code, language,
                                  reinterpret_cast<LPWSTR>(&text), 0, nullptr);
    if (length == 0) {
        EXPECT_EQ(text, nullptr);
        return u"<none>";
    }
    u16string result(text, length);
    EXPECT_EQ(result.size(), std::char_traits<char16_t>::length(text));
    EXPECT_EQ(LocalFree(text), nullptr);
    return result;
}

u16string FromString(DWORD flags, const WCHAR* text, ...) {
    va_list args;
    va_start(args, text);
    WCHAR buffer[128];
    DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_STRING | flags, text, 0, 0, buffer, 128, &args);
    va_end(args);
    return length ? u16string(buffer, length) : u16string(u"<failed>");
}

TEST(SystemMessagesTest, TextsOfTheCodesTheSystemShows) {
    struct Case {
        DWORD code;
        u16string text;
    } cases[] = {
        {ERROR_SUCCESS, u"The operation completed successfully.\r\n"},
        {ERROR_FILE_NOT_FOUND, u"The system cannot find the file specified.\r\n"},
        {ERROR_MOD_NOT_FOUND, u"The specified module could not be found.\r\n"},
        {ERROR_PROC_NOT_FOUND, u"The specified procedure could not be found.\r\n"},
        {static_cast<DWORD>(E_FAIL), u"Unspecified error\r\n"},
        {static_cast<DWORD>(E_NOTIMPL), u"Not implemented\r\n"},
        {static_cast<DWORD>(E_NOINTERFACE), u"No such interface supported\r\n"},
        {static_cast<DWORD>(E_POINTER), u"Invalid pointer\r\n"},
        {static_cast<DWORD>(E_UNEXPECTED), u"Catastrophic failure\r\n"},
        // HRESULTs of the Win32 facility have the Win32 text.
        {static_cast<DWORD>(E_INVALIDARG), u"The parameter is incorrect.\r\n"},
        {static_cast<DWORD>(E_ACCESSDENIED), u"Access is denied.\r\n"},
        {static_cast<DWORD>(E_OUTOFMEMORY),
         u"Not enough memory resources are available to complete this operation.\r\n"},
        {static_cast<DWORD>(HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND)), u"The specified module could not be found.\r\n"},
        {0x8007047Eu, u"The specified program requires a newer version of Windows.\r\n"},
    };
    for (const Case& c : cases) EXPECT_EQ(SystemText(c.code), c.text) << std::hex << c.code;
}

TEST(SystemMessagesTest, UnknownCodesHaveNoText) {
    // The catalogue falls back on its own texts for these.
    for (DWORD code : {0x8004025Bu, 0x80040F00u, 0x0004FFFFu, 99999u, 0x8007FFFFu}) {
        SetLastError(0);
        EXPECT_EQ(SystemText(code), u"<none>") << std::hex << code;
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MR_MID_NOT_FOUND));
    }
}

TEST(SystemMessagesTest, EnglishAndTheDefaultLanguagesOnly) {
    for (DWORD language : {0u, 0x400u, 0x800u, 0x409u, 0x809u})
        EXPECT_NE(SystemText(ERROR_ACCESS_DENIED, language), u"<none>");
    SetLastError(0);
    EXPECT_EQ(SystemText(ERROR_ACCESS_DENIED, MAKELANGID(0x07, SUBLANG_DEFAULT)), u"<none>");
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_RESOURCE_LANG_NOT_FOUND));
}

TEST(SystemMessagesTest, CallerBufferMustHoldTheWholeText) {
    const u16string text = u"Access is denied.\r\n";
    WCHAR exact[20];
    EXPECT_EQ(FormatMessageW(kSystem, nullptr, ERROR_ACCESS_DENIED, 0, exact, 20, nullptr), text.size());
    EXPECT_EQ(u16string(exact), text);

    WCHAR small[19];
    SetLastError(0);
    EXPECT_EQ(FormatMessageW(kSystem, nullptr, ERROR_ACCESS_DENIED, 0, small, 19, nullptr), 0u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_EQ(small[0], 0);

    SetLastError(0);
    EXPECT_EQ(FormatMessageW(kSystem, nullptr, ERROR_ACCESS_DENIED, 0, nullptr, 0, nullptr), 0u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST(SystemMessagesTest, AllocatedBufferHasAtLeastTheSizeAskedFor) {
    LPWSTR text = nullptr;
    DWORD length = FormatMessageW(kSystem | FORMAT_MESSAGE_ALLOCATE_BUFFER, nullptr, ERROR_FILE_NOT_FOUND, 0,
                                  reinterpret_cast<LPWSTR>(&text), 200, nullptr);
    ASSERT_GT(length, 0u);
    EXPECT_GE(GlobalSize(text), 200 * sizeof(WCHAR));
    text[199] = u'x';  // the whole minimum size is usable
    EXPECT_EQ(LocalFree(text), nullptr);
}

TEST(SystemMessagesTest, Inserts) {
    // Ignored inserts stay as they are written.
    EXPECT_EQ(SystemText(ERROR_BAD_EXE_FORMAT), u"%1 is not a valid Win32 application.\r\n");

    WCHAR buffer[64];
    SetLastError(0);
    EXPECT_EQ(FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, ERROR_BAD_EXE_FORMAT, 0, buffer, 64, nullptr), 0u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));

    DWORD_PTR array[] = {reinterpret_cast<DWORD_PTR>(u"app.exe")};
    const u16string expected = u"app.exe is not a valid Win32 application.\r\n";
    EXPECT_EQ(FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_ARGUMENT_ARRAY, nullptr, ERROR_BAD_EXE_FORMAT,
                             0, buffer, 64, reinterpret_cast<va_list*>(array)),
              expected.size());
    EXPECT_EQ(u16string(buffer), expected);

    EXPECT_EQ(FromString(0, u"%1 has %2!d! items%n%3!08X!", u"Box", 3, 0xBEEFu), u"Box has 3 items\r\n0000BEEF");
    EXPECT_EQ(FromString(0, u"%2, %1, %2", u"a", u"b"), u"b, a, b");
    EXPECT_EQ(FromString(0, u"%1!I64u! %2!hs!", 10000000000ULL, "narrow"), u"10000000000 narrow");
    EXPECT_EQ(FromString(0, u"100%% done%0 and more"), u"100% done");
    EXPECT_EQ(FromString(0, u"tab%tcr%r%.%!"), u"tab\tcr\r.!");
    EXPECT_EQ(FromString(FORMAT_MESSAGE_IGNORE_INSERTS, u"keep %1!d! and %2"), u"keep %1!d! and %2");
    EXPECT_EQ(FromString(0, u"%1!*d!", 3, 4), u"<failed>");
    EXPECT_EQ(FromString(0, u"%1!d", 3), u"<failed>");
}

TEST(SystemMessagesTest, LineWidth) {
    WCHAR buffer[64];
    EXPECT_GT(
        FormatMessageW(kSystem | FORMAT_MESSAGE_MAX_WIDTH_MASK, nullptr, ERROR_FILE_NOT_FOUND, 0, buffer, 64, nullptr),
        0u);
    EXPECT_EQ(u16string(buffer), u"The system cannot find the file specified. ");

    DWORD flags = FORMAT_MESSAGE_IGNORE_INSERTS | 12;
    EXPECT_EQ(FromString(flags, u"aaaa bbbb cccc dddd%neeee ffffffffffffffff\r\ngg"),
              u"aaaa bbbb\r\ncccc dddd\r\neeee\r\nffffffffffff\r\nffff gg");
}

}  // namespace
