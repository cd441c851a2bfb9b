#include "explorer/data/lists.h"

#include "com_testing/leak_checked_test.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

class ListsTest : public com_testing::LeakCheckedTest {};

template <class T>
std::vector<T> Drain(Lst<T>& list) {
    std::vector<T> values;
    while (!list.IsEmpty()) values.push_back(list.RemoveHead());
    return values;
}

// A copy holds its own nodes and values: draining it leaves the original,
// and both free everything (the fixture counts BSTRs and task memory).
TEST_F(ListsTest, CopiesOwnTheirValues) {
    Lst<_bstr_t> texts;
    EXPECT_TRUE(texts.IsEmpty());
    texts.AddTail(u"Could not check out Bracket.<item>");
    texts.AddTail(u"Could not check out Plate.<item>");
    {
        Lst<_bstr_t> copy(texts);
        EXPECT_EQ(copy.GetCount(), 2);
        std::vector<_bstr_t> drained = Drain(copy);
        ASSERT_EQ(drained.size(), 2u);
        EXPECT_EQ(drained[0], _bstr_t(u"Could not check out Bracket.<item>"));
        EXPECT_EQ(drained[1], _bstr_t(u"Could not check out Plate.<item>"));
        EXPECT_TRUE(copy.IsEmpty());
        EXPECT_EQ(copy.GetCount(), 0);
    }
    EXPECT_EQ(texts.GetCount(), 2);
    EXPECT_EQ(texts.RemoveHead(), _bstr_t(u"Could not check out Bracket.<item>"));
    // The last node's removal clears the tail: appending starts afresh.
    EXPECT_EQ(texts.RemoveHead(), _bstr_t(u"Could not check out Plate.<item>"));
    texts.AddTail(u"again");
    EXPECT_EQ(Drain(texts), std::vector<_bstr_t>{_bstr_t(u"again")});

    Lst<unsigned int> ids;
    for (unsigned int id : {12u, 14u, 15u}) ids.AddTail(id);
    Lst<unsigned int> idCopy(ids);
    EXPECT_EQ(Drain(idCopy), (std::vector<unsigned int>{12, 14, 15}));
    EXPECT_EQ(ids.GetCount(), 3);
}

TEST_F(ListsTest, CopyOfAnEmptyListIsEmpty) {
    const Lst<unsigned int> empty;
    Lst<unsigned int> copy(empty);
    EXPECT_TRUE(copy.IsEmpty());
    copy.AddTail(1);
    EXPECT_EQ(Drain(copy), std::vector<unsigned int>{1});
}

}  // namespace
