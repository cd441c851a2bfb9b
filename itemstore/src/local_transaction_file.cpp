#include "local_transaction_file.h"

#include "itemstore/item_cache_file.h"

#include "winapi/errors.h"

#include <utility>

CLocalTransactionMgrFile::CLocalTransactionMgrFile(CItemCacheLock* lock, RefPtr<CItemCacheFile> file,
                                                   std::shared_ptr<const bool> alive)
    : lock_(lock), file_(std::move(file)), alive_(std::move(alive)) {}

HRESULT CLocalTransactionMgrFile::mhReadItem(std::u16string_view name, RefPtr<ItemObject>& item) {
    return mbUsable() ? file_->mhReadItem(*lock_, name, item) : E_FAIL;
}

HRESULT CLocalTransactionMgrFile::mhWriteItem(const RefPtr<ItemObject>& item) {
    return mbUsable() ? file_->mhWriteItem(*lock_, item) : E_FAIL;
}

HRESULT CLocalTransactionMgrFile::mhWriteItems(const std::vector<RefPtr<ItemObject>>& items) {
    return mbUsable() ? file_->mhWriteItems(*lock_, items) : E_FAIL;
}

HRESULT CLocalTransactionMgrFile::mhDeleteItem(std::u16string_view name) {
    return mbUsable() ? file_->mhDeleteItem(*lock_, name) : E_FAIL;
}

HRESULT CLocalTransactionMgrFile::mhDeleteItems(const std::vector<std::u16string>& names) {
    return mbUsable() ? file_->mhDeleteItems(*lock_, names) : E_FAIL;
}

HRESULT CLocalTransactionMgrFile::mhGetItemDirty(std::u16string_view name, uint32_t& dirty) {
    return mbUsable() ? file_->mhGetItemDirty(*lock_, name, dirty) : E_FAIL;
}

HRESULT CLocalTransactionMgrFile::mhTouchItem(std::u16string_view name) {
    return mbUsable() ? file_->mhTouchItem(*lock_, name) : E_FAIL;
}

HRESULT CLocalTransactionMgrFile::mhHasLiveChildren(std::u16string_view name, uint32_t& hasLive) {
    return mbUsable() ? file_->mhHasLiveChildren(*lock_, name, hasLive) : E_FAIL;
}

HRESULT CLocalTransactionMgrFile::mhItemExists(std::u16string_view name) {
    return mbUsable() ? file_->mhItemExists(*lock_, name) : E_FAIL;
}

HRESULT CLocalTransactionMgrFile::mhAddChildren(std::u16string_view name, const ChildList& children) {
    return mbUsable() ? file_->mhAddChildren(*lock_, name, children) : E_FAIL;
}

HRESULT CLocalTransactionMgrFile::mhReadChildren(std::u16string_view name, ChildList& children) {
    return mbUsable() ? file_->mhReadChildren(*lock_, name, children) : E_FAIL;
}

HRESULT CLocalTransactionMgrFile::mhHasChildrenList(std::u16string_view name) {
    return mbUsable() ? file_->mhHasChildrenList(*lock_, name) : E_FAIL;
}

HRESULT CLocalTransactionMgrFile::mhWriteChildren(std::u16string_view name, const ChildList& children) {
    return mbUsable() ? file_->mhWriteChildren(*lock_, name, children) : E_FAIL;
}

HRESULT CLocalTransactionMgrFile::mhDeleteChildren(std::u16string_view name) {
    return mbUsable() ? file_->mhDeleteChildren(*lock_, name) : E_FAIL;
}

HRESULT CLocalTransactionMgrFile::mhEraseChildren(std::u16string_view name, const ChildList& children) {
    return mbUsable() ? file_->mhEraseChildren(*lock_, name, children) : E_FAIL;
}

HRESULT CLocalTransactionMgrFile::mhRemoveChildren(std::u16string_view name, const ChildList& children,
                                                   int32_t linkOperation) {
    return mbUsable() ? file_->mhRemoveChildren(*lock_, name, children, linkOperation) : E_FAIL;
}

HRESULT CLocalTransactionMgrFile::mhWriteItemsWithChildren(const ItemTree& tree, const GUID& viewID, bool replaceLists,
                                                           bool markMissing) {
    return mbUsable() ? file_->mhWriteItemsWithChildren(*lock_, tree, viewID, replaceLists, markMissing) : E_FAIL;
}

HRESULT CLocalTransactionMgrFile::mhReadItemTree(const std::vector<std::u16string>& names, uint32_t levelLimit,
                                                 ItemTree& tree) {
    return mbUsable() ? file_->mhReadItemTree(*lock_, names, levelLimit, tree) : E_FAIL;
}

HRESULT CLocalTransactionMgrFile::mhSetFileChildLink(std::u16string_view name, const RefPtr<ChildWithLink>& child,
                                                     int32_t linkType, int32_t linkOperation) {
    return mbUsable() ? file_->mhSetFileChildLink(*lock_, name, child, linkType, linkOperation) : E_FAIL;
}

HRESULT CLocalTransactionMgrFile::mhGetChildLink(std::u16string_view name, int32_t objectID, int32_t configID,
                                                 int32_t& linkType, int32_t& linkOperation, int32_t& initialLinkType,
                                                 int32_t& initialLinkOperation) {
    return mbUsable() ? file_->mhGetChildLink(*lock_, name, objectID, configID, linkType, linkOperation,
                                              initialLinkType, initialLinkOperation)
                      : E_FAIL;
}

HRESULT CLocalTransactionMgrFile::mhRenameItem(std::u16string_view oldName, std::u16string_view newName) {
    return mbUsable() ? file_->mhRenameItem(*lock_, oldName, newName) : E_FAIL;
}
