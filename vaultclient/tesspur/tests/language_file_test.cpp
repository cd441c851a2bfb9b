#include "tesspur/language_file.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using tesspur::LanguageFile;

std::u16string Lookup(const LanguageFile& file, std::u16string_view category, std::u16string_view section,
                      long number) {
    const std::u16string* text = file.Find(category, section, number);
    return text ? *text : u"<none>";
}

TEST(LanguageFileTest, ReadsEntriesWithTheirEscapesAndIgnoresCaseOfCategoryAndSection) {
    LanguageFile file = LanguageFile::Parse(
        "\xEF\xBB\xBF# a comment\r\n"
        "; another comment\n"
        "\n"
        "TS|Halvaran|45=Start von %s fehlgeschlagen\r\n"
        "TS||47=Bereit\n"
        "StrWnd|StrWnd|2=Abbrechen\n"
        "TS|NameSpace|326=Die Datei '%s' ist gesperrt.\\nErsetzen?\n"
        "TS|Tabs|-3=a\\tb \\\\ c \\x stays\n"
        "TS|Signs|5=a=b|c\n"
        "TS|Empty|6=\n"
        "Menus|Halvaran|100=&Datei\n"
        "Menus|Halvaran|100=&Datei (neu)\n"
        "TS|Umlaut|7=\xC3\x84nderung");

    struct Case {
        std::u16string_view category, section;
        long number;
        std::u16string_view expected;
    } const cases[] = {
        {u"TS", u"Halvaran", 45, u"Start von %s fehlgeschlagen"},
        {u"ts", u"HALVARAN", 45, u"Start von %s fehlgeschlagen"},
        {u"TS", u"", 47, u"Bereit"},
        {u"StrWnd", u"StrWnd", 2, u"Abbrechen"},
        {u"TS", u"NameSpace", 326, u"Die Datei '%s' ist gesperrt.\nErsetzen?"},
        {u"TS", u"Tabs", -3, u"a\tb \\ c \\x stays"},
        {u"TS", u"Signs", 5, u"a=b|c"},
        {u"TS", u"Empty", 6, u""},
        {u"Menus", u"Halvaran", 100, u"&Datei (neu)"},  // the later line wins
        {u"TS", u"Umlaut", 7, u"\u00C4nderung"},
        {u"TS", u"Halvaran", 46, u"<none>"},
        {u"TS", u"Other", 45, u"<none>"},
        {u"Menus", u"Halvaran", 45, u"<none>"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.number);
        EXPECT_EQ(Lookup(file, c.category, c.section, c.number), c.expected);
    }
    EXPECT_EQ(file.SkippedLines(), 0u);
}

TEST(LanguageFileTest, SkipsEachMalformedLineAndKeepsTheRest) {
    LanguageFile file = LanguageFile::Parse(
        "TS|A|1=one\n"
        "no bars at all\n"
        "TS|2=one bar\n"
        "TS|A|=no number\n"
        "TS|A|12a=bad number\n"
        "TS|A| 3=space in number\n"
        "TS|A|99999999999=too long\n"
        "TS|A|2147483648=out of range\n"
        "TS|A|4 no equals sign\n"
        "TS|A|5=\xFF\xFE ill-formed\n"
        "TS|A|6=six\n"
        "TS|A|-=minus alone\n"
        "TS|A|2147483647=largest");
    EXPECT_EQ(file.SkippedLines(), 10u);
    EXPECT_EQ(file.EntryCount(), 3u);
    EXPECT_EQ(Lookup(file, u"TS", u"A", 1), u"one");
    EXPECT_EQ(Lookup(file, u"TS", u"A", 6), u"six");
    EXPECT_EQ(Lookup(file, u"TS", u"A", 2147483647), u"largest");
    EXPECT_EQ(Lookup(file, u"TS", u"A", 5), u"<none>");
}

TEST(LanguageFileTest, AnEmptyOrTruncatedFileHasNoEntriesAndDoesNotFail) {
    EXPECT_EQ(LanguageFile::Parse("").EntryCount(), 0u);
    EXPECT_EQ(LanguageFile::Parse("\xEF\xBB\xBF").EntryCount(), 0u);
    LanguageFile truncated = LanguageFile::Parse("TS|A|1=one\nTS|A|2");
    EXPECT_EQ(truncated.EntryCount(), 1u);
    EXPECT_EQ(truncated.SkippedLines(), 1u);
}

}  // namespace
