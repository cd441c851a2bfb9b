#include "explorer/data/shell_namespace.h"
#include "explorer/data/shell_properties.h"

#include "com_testing/leak_checked_test.h"

#include <gtest/gtest.h>

namespace {

class ShellNamespaceTest : public com_testing::LeakCheckedTest {};

TEST_F(ShellNamespaceTest, ShellMallocForwardsToTheShellsAllocator) {
    ShellMalloc malloc;
    void* block = malloc.Alloc(24);
    ASSERT_NE(block, nullptr);
    EXPECT_GE(malloc.GetSize(block), 24u);
    block = malloc.Realloc(block, 48);
    ASSERT_NE(block, nullptr);
    // Freed through the task allocator itself: both are one heap.
    CoTaskMemFree(block);

    IMalloc* asked = nullptr;
    ASSERT_EQ(malloc.QueryInterface(IID_IMalloc, reinterpret_cast<void**>(&asked)), S_OK);
    IMalloc* shell = nullptr;
    ASSERT_EQ(SHGetMalloc(&shell), S_OK);
    EXPECT_EQ(asked, shell);
    asked->Release();
    shell->Release();
}

TEST_F(ShellNamespaceTest, ItemIdListFreesWhatItHoldsOnce) {
    {
        ItemIdList empty;
        EXPECT_TRUE(empty.IsEmpty());
        empty.Free();  // asks for nothing: nothing to free
    }
    auto* pidl = static_cast<LPITEMIDLIST>(CoTaskMemAlloc(sizeof(ITEMIDLIST) + 2));
    ASSERT_NE(pidl, nullptr);
    ItemIdList list(pidl);
    EXPECT_EQ(list.Get(), pidl);
    list.Free();
    EXPECT_TRUE(list.IsEmpty());
    list.Free();  // the fixture would count a second free
}

// Nothing can be bound without the shell's namespace, and the Properties
// helper then shows nothing and returns.
TEST_F(ShellNamespaceTest, BindingFailsAndPropertiesShowNothing) {
    ShellFolder desktop;
    EXPECT_FALSE(desktop.mbBindToFolder(nullptr, nullptr));
    ShellItem item;
    EXPECT_FALSE(item.mbBindToFolder(&desktop, nullptr));
    ShowShellProperties(u"C:\\Vault\\Parts\\Bracket.sldprt");
    ShowShellProperties(nullptr);
}

}  // namespace
