#include "winapi/errors.h"
#include "winapi/thread_locale.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>

namespace {

using std::u16string;

TEST(ThreadLocaleTest, RememberedPerThread) {
    EXPECT_EQ(GetThreadLocale(), 1033u);
    EXPECT_TRUE(SetThreadLocale(0x0407));
    EXPECT_EQ(GetThreadLocale(), 0x0407u);
    LCID seenByOther = 0;
    std::thread([&] { seenByOther = GetThreadLocale(); }).join();
    EXPECT_EQ(seenByOther, 1033u);

    EXPECT_TRUE(SetThreadLocale(LOCALE_SYSTEM_DEFAULT));  // the locale it stands for
    EXPECT_EQ(GetThreadLocale(), 1033u);
    SetLastError(0);
    EXPECT_FALSE(SetThreadLocale(0x12340409));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(GetThreadLocale(), 1033u);

    EXPECT_EQ(GetUserDefaultLCID(), 1033u);
    EXPECT_EQ(GetSystemDefaultLangID(), 1033);
    EXPECT_EQ(GetUserDefaultUILanguage(), 1033);
}

TEST(ThreadLocaleTest, CLibraryLocaleNames) {
    EXPECT_EQ(u16string(_wsetlocale(LC_ALL, nullptr)), u"C");
    EXPECT_EQ(u16string(_wsetlocale(LC_COLLATE, u"")), u"English_United States.utf8");
    EXPECT_EQ(u16string(_wsetlocale(LC_CTYPE, u"")), u"English_United States.utf8");
    const u16string mixed = _wsetlocale(LC_ALL, nullptr);
    EXPECT_EQ(mixed,
              u"LC_COLLATE=English_United States.utf8;LC_CTYPE=English_United States.utf8;"
              u"LC_MONETARY=C;LC_NUMERIC=C;LC_TIME=C");

    EXPECT_EQ(u16string(_wsetlocale(LC_ALL, u"C")), u"C");
    EXPECT_EQ(u16string(_wsetlocale(LC_ALL, mixed.c_str())), mixed);  // a saved name restores the categories
    EXPECT_EQ(u16string(_wsetlocale(LC_CTYPE, nullptr)), u"English_United States.utf8");
    EXPECT_EQ(u16string(_wsetlocale(LC_NUMERIC, nullptr)), u"C");

    EXPECT_EQ(_wsetlocale(LC_ALL, u"Klingon_Qo'noS.1"), nullptr);
    EXPECT_EQ(_wsetlocale(LC_MESSAGES, u""), nullptr);
    EXPECT_EQ(u16string(_wsetlocale(LC_ALL, nullptr)), mixed);  // unchanged by the refusals
    _wsetlocale(LC_ALL, u"C");
}

}  // namespace
