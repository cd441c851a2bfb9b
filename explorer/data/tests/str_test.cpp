#include "explorer/data/str.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Every token of `text`, taking tokens while the cursor is not null.
std::vector<std::u16string> Tokens(const char16_t* text) {
    std::vector<std::u16string> tokens;
    LPCWSTR cursor = text;
    while (cursor != nullptr) tokens.push_back(Str::Tokenize(cursor).Text());
    return tokens;
}

TEST(StrTest, TokenizeSplitsOnCommas) {
    struct Case {
        const char16_t* text;
        std::vector<std::u16string> tokens;
    };
    const Case cases[] = {
        {u"1,2,3", {u"1", u"2", u"3"}},
        {u"a,", {u"a"}},
        // Empty tokens between commas are skipped with the commas...
        {u"a,,b", {u"a", u"b"}},
        {u"12,,,14,", {u"12", u"14"}},
        // ...but a leading comma ends an empty first token.
        {u",a", {u"", u"a"}},
        {u",,a", {u"", u"a"}},
        {u"", {u""}},
        {u"no commas at all", {u"no commas at all"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.text, c.text + std::char_traits<char16_t>::length(c.text)));
        EXPECT_EQ(Tokens(c.text), c.tokens);
    }
}

TEST(StrTest, ExhaustedCursorGivesAnEmptyTokenAndNull) {
    for (LPCWSTR exhausted : {reinterpret_cast<LPCWSTR>(1), static_cast<LPCWSTR>(nullptr)}) {
        LPCWSTR cursor = exhausted;
        EXPECT_TRUE(Str::Tokenize(cursor).IsEmpty());
        EXPECT_EQ(cursor, nullptr);
    }
}

TEST(StrTest, CursorStopsAtTheNextToken) {
    const char16_t text[] = u"7,,8";
    LPCWSTR cursor = text;
    EXPECT_EQ(Str::Tokenize(cursor).Text(), u"7");
    EXPECT_EQ(cursor, text + 3);
}

}  // namespace
