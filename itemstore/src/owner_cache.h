// OwnerCache: the item cache as one change (or read) of a link manager
// reaches it. Inside a local transaction every operation goes through the
// transaction's cache interface, which works in the transaction's scope;
// outside, the object holds a lock scope of its own on the owner's cache
// file for its lifetime (mode 2 for a write, 3 for a read), so that the
// operations of one change share one scope.
#pragma once

#include "itemstore/children_codec.h"
#include "itemstore/item_cache_file.h"
#include "itemstore/item_cache_file_i.h"
#include "itemstore/item_cache_lock.h"
#include "common/ref_ptr.h"

#include "winapi/types.h"

#include <cstdint>
#include <optional>
#include <string_view>

// The lock mode of a write outside a transaction (a direct scope).
inline constexpr int kCacheLockWrite = 2;

class OwnerCache {
public:
    // `transaction` when the link manager is in one (used, not held beyond
    // this object), else a scope in `mode` on `file`.
    OwnerCache(CItemCacheFileI* transaction, const RefPtr<CItemCacheFile>& file, int mode);
    OwnerCache(const OwnerCache&) = delete;
    OwnerCache& operator=(const OwnerCache&) = delete;

    HRESULT mhReadItem(std::u16string_view name, RefPtr<ItemObject>& item);
    HRESULT mhWriteItem(const RefPtr<ItemObject>& item);
    HRESULT mhTouchItem(std::u16string_view name);
    HRESULT mhAddChildren(std::u16string_view name, const ChildList& children);
    HRESULT mhEraseChildren(std::u16string_view name, const ChildList& children);
    HRESULT mhRemoveChildren(std::u16string_view name, const ChildList& children, int32_t linkOperation);
    HRESULT mhSetFileChildLink(std::u16string_view name, const RefPtr<ChildWithLink>& child, int32_t linkType,
                               int32_t linkOperation);

private:
    RefPtr<CItemCacheFileI> transaction_;
    RefPtr<CItemCacheFile> file_;
    std::optional<CItemCacheLock> lock_;  // outside a transaction only
};
