#include "winapi/command_line.h"

#include "winapi/errors.h"
#include "winapi/memory.h"
#include "winapi/modules.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Arguments = std::vector<std::u16string>;

struct SplitCase {
    std::u16string line;
    Arguments expected;
};

TEST(CommandLineTest, SplitsByTheRuntimeRules) {
    const SplitCase cases[] = {
        {u"", {}},
        {u" \t ", {}},
        {u"prog a b", {u"prog", u"a", u"b"}},
        {u"  prog \t a\tb  ", {u"prog", u"a", u"b"}},
        // The program name: quotes group, backslashes are plain characters.
        {u"\"C:\\Program Files\\x.exe\" a", {u"C:\\Program Files\\x.exe", u"a"}},
        {u"\"C:\\dir\\\\\" x", {u"C:\\dir\\\\", u"x"}},
        {u"C:\\dir\\\"q w\"\\ x", {u"C:\\dir\\q w\\", u"x"}},
        {u"\"\" a", {u"", u"a"}},
        // Quotes group the later arguments and vanish.
        {u"p \"a b\" c", {u"p", u"a b", u"c"}},
        {u"p \"\" x \"\"", {u"p", u"", u"x", u""}},
        {u"p a\"b c\"d", {u"p", u"ab cd"}},
        // Backslashes: plain unless they stand before a quote.
        {u"p a\\\\b c\\", {u"p", u"a\\\\b", u"c\\"}},
        {u"p a\\\"b", {u"p", u"a\"b"}},
        {u"p a\\\\\"b c\"", {u"p", u"a\\b c"}},
        {u"p a\\\\\\\"b", {u"p", u"a\\\"b"}},
        {u"p \"a\\\\\" b", {u"p", u"a\\", u"b"}},
        // "" inside a quoted section is one quote, and the section goes on.
        {u"p \"a\"\"b\"", {u"p", u"a\"b"}},
        {u"p \"a\"\" b\" c", {u"p", u"a\" b", u"c"}},
        {u"p \"\"\"\"", {u"p", u"\""}},
        {u"p a\"\"b", {u"p", u"ab"}},
        // An open quote runs to the end of the line.
        {u"p \"open to the end ", {u"p", u"open to the end "}},
    };
    for (const SplitCase& c : cases) {
        EXPECT_EQ(winapi::SplitCommandLine(c.line), c.expected) << std::string(c.line.begin(), c.line.end());
    }
}

TEST(CommandLineTest, QuotedArgumentsSplitBackUnchanged) {
    const Arguments awkward = {
        u"",
        u" ",
        u"plain",
        u"two words",
        u"a\"b",
        u"\"",
        u"\"\"",
        u"\\",
        u"a\\",
        u"a\\\\",
        u"a\\\"b",
        u"\\\"",
        u"\t",
        u"new\nline",
        u"end\\\\ \\",
        u"\\\\server\\share\\",
        u"\u00fcn\u00efc\u00f6d\u00e9 \u2713",
        u"\"quoted\\\" words\"",
    };
    Arguments all = {u"C:\\Program Files\\Tool.exe"};
    all.insert(all.end(), awkward.begin(), awkward.end());
    EXPECT_EQ(winapi::SplitCommandLine(winapi::JoinCommandLine(all)), all);
    for (const std::u16string& argument : awkward) {
        Arguments one = {u"prog", argument};
        EXPECT_EQ(winapi::SplitCommandLine(u"prog " + winapi::QuoteArgument(argument)), one);
    }
}

TEST(CommandLineTest, PlainArgumentsStayAsTheyAre) {
    EXPECT_EQ(winapi::QuoteArgument(u"/V:Vault"), u"/V:Vault");
    EXPECT_EQ(winapi::QuoteArgument(u"C:\\dir\\"), u"C:\\dir\\");
    EXPECT_EQ(winapi::QuoteArgument(u"a b\\"), u"\"a b\\\\\"");
    EXPECT_EQ(winapi::JoinCommandLine({u"prog", u"x"}), u"prog x");
    EXPECT_EQ(winapi::JoinCommandLine({}), u"");
}

TEST(CommandLineTest, OwnCommandLineIsStable) {
    LPWSTR first = GetCommandLineW();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(GetCommandLineW(), first);
    EXPECT_FALSE(winapi::SplitCommandLine(first).empty());
}

TEST(CommandLineTest, ArgvBlockIsOneLocalAllocation) {
    int count = -1;
    LPWSTR* argv = CommandLineToArgvW(u"\"C:\\Tools\\x.exe\" \"a b\" c\\\"d", &count);
    ASSERT_NE(argv, nullptr);
    ASSERT_EQ(count, 3);
    EXPECT_EQ(std::u16string(argv[0]), u"C:\\Tools\\x.exe");
    EXPECT_EQ(std::u16string(argv[1]), u"a b");
    EXPECT_EQ(std::u16string(argv[2]), u"c\"d");
    EXPECT_EQ(argv[3], nullptr);
    EXPECT_EQ(LocalFree(argv), nullptr);

    // An empty line: the running program.
    char16_t program[4096];
    DWORD length = GetModuleFileNameW(nullptr, program, 4096);
    for (LPCWSTR empty : {static_cast<LPCWSTR>(nullptr), u""}) {
        argv = CommandLineToArgvW(empty, &count);
        ASSERT_NE(argv, nullptr);
        ASSERT_EQ(count, 1);
        EXPECT_EQ(std::u16string(argv[0]), std::u16string(program, length));
        EXPECT_EQ(LocalFree(argv), nullptr);
    }

    EXPECT_EQ(CommandLineToArgvW(u"a", nullptr), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

}  // namespace
