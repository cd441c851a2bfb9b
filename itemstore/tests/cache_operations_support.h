// Fixture and record builders for the tests of the cache operations: a cache
// file on a fresh machine, items and children with the few fields a test
// cares about, and a compact description of a stored children list.
#pragma once

#include "common/error_codes.h"
#include "itemstore/item_cache_file.h"
#include "itemstore/item_cache_lock.h"

#include "testsupport/fresh_machine.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

inline RefPtr<ItemObject> MakeItem(const std::u16string& name, int32_t id = 1) {
    RefPtr<ItemObject> item(new ItemObject);
    item->mvSetFileName(name);
    item->mvSetPath(u"\\<items>\\Pumps\\" + name);
    item->mlObjectID = id;
    item->meObjectType = kObjectTypeItem;
    item->mdModifiedDate = 45000.5;
    return item;
}

inline RefPtr<ChildWithLink> MakeChild(int32_t id, int32_t type = kObjectTypeFile, int32_t config = -1,
                                       int32_t linkOperation = 1) {
    RefPtr<ChildWithLink> child(new ChildWithLink);
    child->mlObjectID = id;
    child->meObjectType = type;
    child->mlConfigID = config;
    child->mlParentProjectID = 7;
    child->mlAttachedVersion = 2;
    child->meLinkType = 1;
    child->meLinkOperation = linkOperation;
    child->meInitialLinkType = 1;
    child->meInitialLinkOperation = linkOperation;
    return child;
}

// "id/config/op" for each child, in list order.
inline std::vector<std::string> Describe(const ChildList& children) {
    std::vector<std::string> out;
    for (const RefPtr<ChildWithLink>& c : children)
        out.push_back(std::to_string(c->mlObjectID) + "/" + std::to_string(c->mlConfigID) + "/" +
                      std::to_string(c->meLinkOperation));
    return out;
}

class CacheOperationsTest : public testsupport::FreshMachineTest {
protected:
    std::u16string Path() const {
        std::string path = (machine_.root() / "cache.Items").string();
        return std::u16string(path.begin(), path.end());
    }
    RefPtr<CItemCacheFile> file_{new CItemCacheFile(Path())};

    // The stored children of `name` in a scope of its own.
    std::vector<std::string> StoredChildren(const std::u16string& name, HRESULT expected = S_OK) {
        CItemCacheLock lock(file_, kCacheLockDirect);
        ChildList children;
        EXPECT_EQ(expected, file_->mhReadChildren(lock, name, children));
        return Describe(children);
    }
    void StoreChildren(const std::u16string& name, const ChildList& children) {
        CItemCacheLock lock(file_, kCacheLockDirect);
        ASSERT_EQ(S_OK, file_->mhWriteChildren(lock, name, children));
    }
    void StoreItem(const RefPtr<ItemObject>& item) {
        CItemCacheLock lock(file_, kCacheLockDirect);
        ASSERT_EQ(S_OK, file_->mhWriteItem(lock, item));
    }
};
