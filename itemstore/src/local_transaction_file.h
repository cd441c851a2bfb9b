// CLocalTransactionMgrFile: the CItemCacheFileI that a local transaction
// hands its participants. Each operation runs the cache operation of the
// same slot on the transaction's file within the transaction's lock scope.
//
// It points at the transaction's lock without owning it, so it also shares
// the transaction's "alive" flag: once the transaction has ended, every
// operation answers E_FAIL instead of reaching a lock that is gone.
// One thread uses it; the count is not interlocked.
#pragma once

#include "itemstore/item_cache_file.h"
#include "itemstore/item_cache_file_i.h"
#include "common/ref_ptr.h"

#include <memory>

class CItemCacheLock;

class CLocalTransactionMgrFile final : public CItemCacheFileI {
public:
    // Count 1, for the creator.
    CLocalTransactionMgrFile(CItemCacheLock* lock, RefPtr<CItemCacheFile> file, std::shared_ptr<const bool> alive);

    HRESULT mhReadItem(std::u16string_view name, RefPtr<ItemObject>& item) override;
    HRESULT mhWriteItem(const RefPtr<ItemObject>& item) override;
    HRESULT mhWriteItems(const std::vector<RefPtr<ItemObject>>& items) override;
    HRESULT mhDeleteItem(std::u16string_view name) override;
    HRESULT mhDeleteItems(const std::vector<std::u16string>& names) override;
    HRESULT mhGetItemDirty(std::u16string_view name, uint32_t& dirty) override;
    HRESULT mhTouchItem(std::u16string_view name) override;
    HRESULT mhHasLiveChildren(std::u16string_view name, uint32_t& hasLive) override;
    HRESULT mhItemExists(std::u16string_view name) override;
    HRESULT mhAddChildren(std::u16string_view name, const ChildList& children) override;
    HRESULT mhReadChildren(std::u16string_view name, ChildList& children) override;
    HRESULT mhHasChildrenList(std::u16string_view name) override;
    HRESULT mhWriteChildren(std::u16string_view name, const ChildList& children) override;
    HRESULT mhDeleteChildren(std::u16string_view name) override;
    HRESULT mhEraseChildren(std::u16string_view name, const ChildList& children) override;
    HRESULT mhRemoveChildren(std::u16string_view name, const ChildList& children, int32_t linkOperation) override;
    HRESULT mhWriteItemsWithChildren(const ItemTree& tree, const GUID& viewID, bool replaceLists,
                                     bool markMissing) override;
    HRESULT mhReadItemTree(const std::vector<std::u16string>& names, uint32_t levelLimit, ItemTree& tree) override;
    HRESULT mhSetFileChildLink(std::u16string_view name, const RefPtr<ChildWithLink>& child, int32_t linkType,
                               int32_t linkOperation) override;
    HRESULT mhGetChildLink(std::u16string_view name, int32_t objectID, int32_t configID, int32_t& linkType,
                           int32_t& linkOperation, int32_t& initialLinkType, int32_t& initialLinkOperation) override;
    HRESULT mhRenameItem(std::u16string_view oldName, std::u16string_view newName) override;

    int32_t AddRef() override { return ++count_; }
    void Release() override {
        if (--count_ == 0) delete this;
    }

private:
    ~CLocalTransactionMgrFile() override = default;

    // The transaction is still open and has a file.
    bool mbUsable() const { return *alive_ && lock_ != nullptr && file_; }

    CItemCacheLock* lock_;  // not owned: the transaction's
    RefPtr<CItemCacheFile> file_;
    int32_t count_ = 1;
    std::shared_ptr<const bool> alive_;
};
