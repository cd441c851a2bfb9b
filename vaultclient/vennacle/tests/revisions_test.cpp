#include "vennacle/revisions.h"

#include <gtest/gtest.h>

#include <utility>

namespace {

TEST(NextRevisionTest, CountsLettersAndDigitsOn) {
    const std::pair<const char16_t*, const char16_t*> cases[] = {
        {u"", u"A"},  {u"A", u"B"},  {u"Z", u"AA"},   {u"AZ", u"BA"},
        {u"1", u"2"}, {u"9", u"10"}, {u"A9", u"A10"}, {u"b", u"bA"},
    };
    for (const auto& [before, after] : cases) EXPECT_EQ(vennacle::NextRevision(before), after);
}

}  // namespace
