#include "itemstore/item_object.h"
#include "common/ref_ptr.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace {

// Counts its deletions, so a test sees a double delete or a leak.
struct Tracked : RefObj {
    explicit Tracked(int* deletions, RefPtr<Tracked> next = nullptr) : deletions(deletions), next(std::move(next)) {}
    int* deletions;
    RefPtr<Tracked> next;

protected:
    ~Tracked() override { ++*deletions; }
};

TEST(RefPtrTest, TakesAndDropsOneReferenceEach) {
    int deletions = 0;
    {
        RefPtr<Tracked> a(new Tracked(&deletions));
        EXPECT_EQ(1, a->mlRefCount());
        RefPtr<Tracked> b = a;
        EXPECT_EQ(2, a->mlRefCount());
        RefPtr<Tracked> c = std::move(b);
        EXPECT_FALSE(b);
        EXPECT_EQ(2, a->mlRefCount());
        c = nullptr;
        EXPECT_EQ(1, a->mlRefCount());
    }
    EXPECT_EQ(1, deletions);
}

TEST(RefPtrTest, SelfAssignmentKeepsThePointee) {
    int deletions = 0;
    RefPtr<Tracked> a(new Tracked(&deletions));
    RefPtr<Tracked>& alias = a;
    a = alias;
    a = std::move(alias);
    a = a.get();
    ASSERT_TRUE(a);
    EXPECT_EQ(1, a->mlRefCount());
    EXPECT_EQ(0, deletions);
}

// The new pointee is owned only by the old one: releasing the old one first
// would free the new one before its reference is taken (ASan reports that).
TEST(RefPtrTest, AssignmentTakesTheNewReferenceBeforeReleasingTheOld) {
    int deletions = 0;
    RefPtr<Tracked> parent(new Tracked(&deletions, RefPtr<Tracked>(new Tracked(&deletions))));
    parent = parent->next;
    ASSERT_TRUE(parent);
    EXPECT_EQ(1, deletions);
    EXPECT_EQ(1, parent->mlRefCount());
    EXPECT_FALSE(parent->next);

    RefPtr<Tracked> outer(new Tracked(&deletions, RefPtr<Tracked>(new Tracked(&deletions))));
    outer = outer->next.get();  // the same through a raw pointer
    ASSERT_TRUE(outer);
    EXPECT_EQ(2, deletions);
    EXPECT_EQ(1, outer->mlRefCount());
}

TEST(RefPtrTest, ARecordHeldAsItsBaseIsDeletedWhole) {
    RefPtr<ChildWithLink> child(new ChildWithLink);
    RefPtr<ItemObject> item = child;
    EXPECT_EQ(2, child->mlRefCount());
    EXPECT_EQ(item.get(), child.get());
    child = nullptr;
    EXPECT_EQ(1, item->mlRefCount());
}

TEST(RefPtrTest, CopiesOnManyThreadsLeaveTheCountWhole) {
    int deletions = 0;
    {
        RefPtr<Tracked> shared(new Tracked(&deletions));
        std::vector<std::thread> threads;
        for (int t = 0; t < 4; ++t) {
            threads.emplace_back([&shared] {
                for (int i = 0; i < 20000; ++i) {
                    RefPtr<Tracked> copy = shared;
                    RefPtr<Tracked> another = copy;
                }
            });
        }
        for (auto& thread : threads) thread.join();
        EXPECT_EQ(1, shared->mlRefCount());
    }
    EXPECT_EQ(1, deletions);
}

}  // namespace
