#include "com/bstr.h"

#include "com_testing/bstr_text.h"
#include "com_testing/leak_checked_test.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

using com_testing::LeakCheckedTest;
using com_testing::Text;

class BstrTest : public LeakCheckedTest {};

TEST_F(BstrTest, LengthsAndTerminatorOfEveryAllocation) {
    const OLECHAR withNull[] = {u'a', 0, u'b'};
    struct Case {
        const char* name;
        BSTR bstr;
        UINT length;
        UINT byteLength;
    } cases[] = {
        {"empty text", SysAllocString(u""), 0, 0},
        {"text", SysAllocString(u"Gear box"), 8, 16},
        {"embedded null kept by length", SysAllocStringLen(withNull, 3), 3, 6},
        {"prefix of a text", SysAllocStringLen(u"abcdef", 2), 2, 4},
        {"no source: room for 5", SysAllocStringLen(nullptr, 5), 5, 10},
        {"odd byte count", SysAllocStringByteLen("abc", 3), 1, 3},
        {"bytes without source", SysAllocStringByteLen(nullptr, 4), 2, 4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_NE(c.bstr, nullptr);
        EXPECT_EQ(SysStringLen(c.bstr), c.length);
        EXPECT_EQ(SysStringByteLen(c.bstr), c.byteLength);
        // The null OLECHAR follows the counted bytes, however many there are.
        const char* bytes = reinterpret_cast<const char*>(c.bstr);
        EXPECT_EQ(bytes[c.byteLength], 0);
        EXPECT_EQ(bytes[c.byteLength + 1], 0);
        // The byte count sits just before the text, where callers read it.
        uint32_t prefix = 0;
        std::memcpy(&prefix, bytes - 4, 4);
        EXPECT_EQ(prefix, c.byteLength);
    }
    EXPECT_EQ(Text(cases[1].bstr), u"Gear box");
    // The text helpers read to the stored length: a null unit is data.
    EXPECT_EQ(com::BstrText(cases[2].bstr), std::u16string(withNull, 3));
    EXPECT_EQ(com::BstrView(cases[2].bstr).size(), 3u);
    EXPECT_EQ(std::memcmp(cases[5].bstr, "abc", 3), 0);
    EXPECT_EQ(NewBstrs(), 7);
    for (const Case& c : cases) SysFreeString(c.bstr);
}

TEST_F(BstrTest, NullIsTheEmptyString) {
    EXPECT_EQ(SysAllocString(nullptr), nullptr);
    EXPECT_EQ(SysStringLen(nullptr), 0u);
    EXPECT_EQ(SysStringByteLen(nullptr), 0u);
    EXPECT_EQ(com::BstrText(nullptr), u"");
    EXPECT_TRUE(com::BstrView(nullptr).empty());
    SysFreeString(nullptr);
    EXPECT_EQ(NewBstrs(), 0);
}

TEST_F(BstrTest, ReAllocReplacesAndFreesTheOldString) {
    BSTR bstr = SysAllocString(u"old value");
    ASSERT_TRUE(SysReAllocString(&bstr, u"new"));
    EXPECT_EQ(Text(bstr), u"new");
    EXPECT_EQ(NewBstrs(), 1);

    // The source may lie inside the string being replaced.
    ASSERT_TRUE(SysReAllocString(&bstr, bstr + 1));
    EXPECT_EQ(Text(bstr), u"ew");
    ASSERT_TRUE(SysReAllocStringLen(&bstr, bstr, 1));
    EXPECT_EQ(Text(bstr), u"e");

    // Without a source the old text stays as far as it reaches.
    ASSERT_TRUE(SysReAllocStringLen(&bstr, nullptr, 3));
    EXPECT_EQ(SysStringLen(bstr), 3u);
    EXPECT_EQ(bstr[0], u'e');
    EXPECT_EQ(bstr[3], 0);

    ASSERT_TRUE(SysReAllocString(&bstr, nullptr));
    EXPECT_EQ(bstr, nullptr);
    EXPECT_EQ(NewBstrs(), 0);

    // From null, as from any BSTR.
    ASSERT_TRUE(SysReAllocStringLen(&bstr, u"xyz", 3));
    EXPECT_EQ(Text(bstr), u"xyz");
    EXPECT_FALSE(SysReAllocString(nullptr, u"a"));
    EXPECT_FALSE(SysReAllocStringLen(nullptr, u"a", 1));
    SysFreeString(bstr);
}

TEST_F(BstrTest, SizesBeyondAByteCountAreRefused) {
    EXPECT_EQ(SysAllocStringLen(nullptr, 0x80000000u), nullptr);
    EXPECT_EQ(SysAllocStringByteLen(nullptr, 0xFFFFFFFFu), nullptr);
    EXPECT_EQ(NewBstrs(), 0);
}

using BstrDeathTest = BstrTest;

TEST_F(BstrDeathTest, DoubleFreeStopsTheProcess) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_DEATH(
        {
            BSTR bstr = SysAllocString(u"twice");
            SysFreeString(bstr);
            SysFreeString(bstr);
        },
        "SysFreeString: (BSTR used after it was freed|pointer is not a live BSTR)|use-after-free");
}

TEST_F(BstrDeathTest, FreeOfAPointerThatIsNoBstrStopsTheProcess) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    // A text with readable memory before it, as a literal inside a buffer has.
    static OLECHAR buffer[] = u"xxxxnot a BSTR";
    EXPECT_DEATH(SysFreeString(buffer + 4), "SysFreeString: pointer is not a live BSTR");
    EXPECT_DEATH(SysStringLen(buffer + 4), "SysStringLen: pointer is not a live BSTR");
}

}  // namespace
