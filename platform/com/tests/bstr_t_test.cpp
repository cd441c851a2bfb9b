#include "com/bstr_t.h"

#include "com/ccom_bstr.h"
#include "com_testing/leak_checked_test.h"

#include <gtest/gtest.h>

#include <iterator>
#include <string>
#include <thread>
#include <vector>

namespace {

std::u16string Text(const _bstr_t& text) {
    return !text ? u"<null>" : std::u16string(static_cast<const OLECHAR*>(text), text.length());
}

// Every test proves that it leaves no BSTR behind and frees none twice
// (a double free ends the process).
class BstrTTest : public com_testing::LeakCheckedTest {};

TEST_F(BstrTTest, CopiesShareOneBstr) {
    _bstr_t original(u"ItmLink");
    EXPECT_EQ(NewBstrs(), 1);
    {
        _bstr_t copy(original);
        _bstr_t assigned;
        assigned = copy;
        EXPECT_EQ(NewBstrs(), 1);
        EXPECT_EQ(static_cast<const OLECHAR*>(copy), static_cast<const OLECHAR*>(original));
        EXPECT_EQ(static_cast<const OLECHAR*>(assigned), static_cast<const OLECHAR*>(original));
        assigned = assigned;  // self-assignment keeps the text
        EXPECT_EQ(Text(assigned), u"ItmLink");
    }
    EXPECT_EQ(NewBstrs(), 1);
    EXPECT_EQ(Text(original), u"ItmLink");
}

TEST_F(BstrTTest, CopiesSurviveOnOtherThreads) {
    _bstr_t shared(u"shared text");
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([shared] {
            for (int i = 0; i < 1000; ++i) {
                _bstr_t copy(shared);
                _bstr_t another = copy;
                EXPECT_EQ(another.length(), 11u);
            }
        });
    }
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(NewBstrs(), 1);
}

TEST_F(BstrTTest, ChangingOneLeavesItsCopiesAlone) {
    _bstr_t left(u"Bell");
    _bstr_t copy(left);
    left += u"quist";
    EXPECT_EQ(Text(left), u"Bellquist");
    EXPECT_EQ(Text(copy), u"Bell");
    left += left;  // appending itself
    EXPECT_EQ(Text(left), u"BellquistBellquist");

    _bstr_t joined = copy + u"-" + _bstr_t("Coravent");
    EXPECT_EQ(Text(joined), u"Bell-Coravent");
    EXPECT_EQ(Text(u"<" + copy), u"<Bell");

    copy = u"other";
    EXPECT_EQ(Text(copy), u"other");
    EXPECT_EQ(Text(joined), u"Bell-Coravent");
}

TEST_F(BstrTTest, NullAndEmptyAreBothTheEmptyString) {
    _bstr_t none;
    _bstr_t fromNull(static_cast<const OLECHAR*>(nullptr));
    _bstr_t empty(u"");
    EXPECT_EQ(NewBstrs(), 1);  // only "" allocates
    for (const _bstr_t* text : {&none, &fromNull, &empty}) {
        EXPECT_EQ(text->length(), 0u);
        EXPECT_TRUE(*text == none);
        EXPECT_TRUE(*text == empty);
        EXPECT_TRUE(*text == u"");
        EXPECT_TRUE(*text < _bstr_t(u"a"));
    }
    EXPECT_TRUE(!none);
    EXPECT_TRUE(!fromNull);
    EXPECT_FALSE(!empty);
    EXPECT_EQ(static_cast<const OLECHAR*>(none), nullptr);
    _bstr_t appended = none + empty;
    EXPECT_FALSE(!appended);
    EXPECT_EQ(appended.length(), 0u);
}

TEST_F(BstrTTest, ComparesCodeUnitByCodeUnit) {
    struct Case {
        const char16_t* left;
        const char16_t* right;
        int order;
    };
    const Case cases[] = {
        {u"abc", u"abc", 0}, {u"abc", u"abd", -1}, {u"ab", u"abc", -1}, {u"b", u"abc", 1},
        {u"B", u"a", -1},    {u"\u00E9", u"z", 1}, {u"", u"a", -1},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        const Case& c = cases[i];
        SCOPED_TRACE(i);
        _bstr_t left(c.left);
        _bstr_t right(c.right);
        EXPECT_EQ(left == right, c.order == 0);
        EXPECT_EQ(left == c.right, c.order == 0);
        EXPECT_EQ(left != right, c.order != 0);
        EXPECT_EQ(left < right, c.order < 0);
        EXPECT_EQ(left > right, c.order > 0);
        EXPECT_EQ(left <= c.right, c.order <= 0);
        EXPECT_EQ(c.left < right, c.order < 0);
    }
}

TEST_F(BstrTTest, EmbeddedNullsCount) {
    BSTR raw = SysAllocStringLen(u"a\0b", 3);
    _bstr_t text(raw, false);  // takes over
    EXPECT_EQ(text.length(), 3u);
    EXPECT_FALSE(text == u"a");
    _bstr_t copy(text.copy(false), true);
    EXPECT_EQ(copy.length(), 3u);
    EXPECT_TRUE(copy == text);
}

TEST_F(BstrTTest, Utf8TextIsConverted) {
    _bstr_t text("Zentraviko \xE2\x82\xAC \xF0\x9F\x98\x80");
    EXPECT_EQ(Text(text), u"Zentraviko \u20AC \U0001F600");
    _bstr_t none(static_cast<const char*>(nullptr));
    EXPECT_TRUE(!none);
    none = "later";
    EXPECT_EQ(Text(none), u"later");
}

TEST_F(BstrTTest, AttachDetachAndCopyMoveOwnership) {
    _bstr_t text;
    text.Attach(SysAllocString(u"attached"));
    EXPECT_EQ(NewBstrs(), 1);
    BSTR copy = text.copy();
    EXPECT_EQ(NewBstrs(), 2);
    EXPECT_NE(copy, static_cast<const OLECHAR*>(text));
    SysFreeString(copy);

    // Sole holder: Detach hands over the BSTR itself.
    const OLECHAR* held = text;
    BSTR detached = text.Detach();
    EXPECT_EQ(detached, held);
    EXPECT_TRUE(!text);
    EXPECT_EQ(NewBstrs(), 1);
    SysFreeString(detached);

    // Shared: the caller gets a copy and the other holders keep theirs.
    _bstr_t first(u"shared");
    _bstr_t second(first);
    BSTR mine = second.Detach();
    EXPECT_TRUE(!second);
    EXPECT_EQ(Text(first), u"shared");
    EXPECT_NE(mine, static_cast<const OLECHAR*>(first));
    EXPECT_EQ(std::u16string(mine), u"shared");
    SysFreeString(mine);
}

TEST_F(BstrTTest, GetAddressTakesAnOutArgument) {
    _bstr_t text(u"old");
    _bstr_t copy(text);
    BSTR* out = text.GetAddress();
    EXPECT_EQ(*out, nullptr);
    *out = SysAllocString(u"from the callee");  // what an [out] BSTR* gets
    EXPECT_EQ(Text(text), u"from the callee");
    EXPECT_EQ(Text(copy), u"old");

    _bstr_t none;
    BSTR& reference = none.GetBSTR();
    EXPECT_EQ(reference, nullptr);
}

TEST_F(BstrTTest, CComBstrOwnsItsBstrDirectly) {
    {
        CComBSTR text(u"direct");
        CComBSTR copy(text);
        EXPECT_EQ(NewBstrs(), 2);  // no sharing
        EXPECT_NE(static_cast<BSTR>(copy), static_cast<BSTR>(text));
        EXPECT_TRUE(copy == text);
        EXPECT_TRUE(copy == u"direct");

        BSTR* out = &copy;  // an [out] argument: the old BSTR is freed first
        EXPECT_EQ(NewBstrs(), 1);
        *out = SysAllocString(u"from the callee");
        EXPECT_EQ(copy.Length(), 15u);

        EXPECT_EQ(text.Append(u" text"), S_OK);
        EXPECT_TRUE(text == u"direct text");
        BSTR handed = nullptr;
        EXPECT_EQ(text.CopyTo(&handed), S_OK);
        SysFreeString(handed);
        EXPECT_EQ(text.CopyTo(nullptr), E_POINTER);

        CComBSTR moved(static_cast<CComBSTR&&>(text));
        EXPECT_TRUE(!text);
        SysFreeString(moved.Detach());
        EXPECT_TRUE(!moved);
        moved.Attach(SysAllocString(u"again"));
        moved = moved;  // self-assignment keeps the text
        EXPECT_TRUE(moved == u"again");
        CComBSTR none;
        EXPECT_TRUE(none == u"");
    }
}

}  // namespace
