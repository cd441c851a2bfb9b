#include "owner_cache.h"

OwnerCache::OwnerCache(CItemCacheFileI* transaction, const RefPtr<CItemCacheFile>& file, int mode)
    : transaction_(transaction), file_(file) {
    if (!transaction_) lock_.emplace(file_, mode);
}

HRESULT OwnerCache::mhReadItem(std::u16string_view name, RefPtr<ItemObject>& item) {
    return transaction_ ? transaction_->mhReadItem(name, item) : file_->mhReadItem(*lock_, name, item);
}

HRESULT OwnerCache::mhWriteItem(const RefPtr<ItemObject>& item) {
    return transaction_ ? transaction_->mhWriteItem(item) : file_->mhWriteItem(*lock_, item);
}

HRESULT OwnerCache::mhTouchItem(std::u16string_view name) {
    return transaction_ ? transaction_->mhTouchItem(name) : file_->mhTouchItem(*lock_, name);
}

HRESULT OwnerCache::mhAddChildren(std::u16string_view name, const ChildList& children) {
    return transaction_ ? transaction_->mhAddChildren(name, children) : file_->mhAddChildren(*lock_, name, children);
}

HRESULT OwnerCache::mhEraseChildren(std::u16string_view name, const ChildList& children) {
    return transaction_ ? transaction_->mhEraseChildren(name, children)
                        : file_->mhEraseChildren(*lock_, name, children);
}

HRESULT OwnerCache::mhRemoveChildren(std::u16string_view name, const ChildList& children, int32_t linkOperation) {
    return transaction_ ? transaction_->mhRemoveChildren(name, children, linkOperation)
                        : file_->mhRemoveChildren(*lock_, name, children, linkOperation);
}

HRESULT OwnerCache::mhSetFileChildLink(std::u16string_view name, const RefPtr<ChildWithLink>& child, int32_t linkType,
                                       int32_t linkOperation) {
    return transaction_ ? transaction_->mhSetFileChildLink(name, child, linkType, linkOperation)
                        : file_->mhSetFileChildLink(*lock_, name, child, linkType, linkOperation);
}
