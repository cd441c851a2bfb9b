// A vault cache over real item objects for the cache's tests: the vault
// root, and a small tree the tests add to. CacheAccessTest has the cache's
// insertion and lookups for a fixture that makes its cache itself (over a
// vault node and an item manager of its own).
#pragma once

#include "explorer/data/cache.h"
#include "explorer/data/vault_node.h"

#include "item_helpers.h"
#include "item_objects.h"

#include <memory>

namespace cache_testing {

// `cache_` is made in the derived fixture's SetUp and dropped in its
// TearDown.
class CacheAccessTest : public item_objects::ItemObjectsTest {
protected:
    // Puts `item` into the cache as loading does: a new cached object under
    // the item's identity (mvInsert). The folder occurrence made for it.
    RefPtr<CCacheObj> Add(BellquistLib::IItmObject* item) {
        RefPtr<CCacheObj> made;
        EXPECT_EQ(MakeCacheObj(item, cache_.get(), made), S_OK);
        if (!made) return made;
        CacheObjKey key{};
        EXPECT_EQ(ReadObjectIdentity(item, key), S_OK);
        cache_->mvInsert(key, made);
        return made;
    }

    RefPtr<CCacheObj> Find(const CacheObjKey& key) {
        RefPtr<CCacheObj> found;
        cache_->mbFindObject(key, found);
        return found;
    }
    RefPtr<CCacheObj> FindLink(const CacheLinkKey& key) {
        RefPtr<CCacheObj> found;
        cache_->mbFindByLinkKey(key, found);
        return found;
    }
    // The parent items the index holds for `child`.
    std::vector<CacheObjKey> ParentsOf(const CacheObjKey& child) {
        auto entry = cache_->Parents().find(child);
        if (entry == cache_->Parents().end()) return {};
        return {entry->second.begin(), entry->second.end()};
    }

    std::unique_ptr<CCache> cache_;
};

// A cache of no vault node.
class CacheTest : public CacheAccessTest {
protected:
    static constexpr LONG kRoot = 1;

    void SetUp() override {
        CacheAccessTest::SetUp();
        cache_ = std::make_unique<CCache>(nullptr);
    }
    void TearDown() override {
        cache_.reset();
        SetErrorInfo(0, nullptr);
        CacheAccessTest::TearDown();
    }
};

}  // namespace cache_testing
