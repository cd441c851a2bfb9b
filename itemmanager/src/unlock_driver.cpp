#include "unlock_driver.h"

#include "proxy_tavrosk_api.h"

#include "itemstore/item_cache_file.h"
#include "itemstore/item_cache_lock.h"
#include "itemstore/item_object.h"

#include "bellquist/item_names.h"
#include "common/error_codes.h"
#include "winapi/errors.h"

#include <string_view>

HRESULT ghRefreshUnlockedItems(const std::vector<std::u16string>& names, const RefPtr<CItemCacheFile>& cacheFile,
                               const UnlockCacheUpdate& update) {
    constexpr std::u16string_view kExtension = BellquistLib::kItemExtension;
    std::vector<std::u16string_view> itemNames;
    for (const std::u16string& name : names)
        if (name.size() > kExtension.size() && name.ends_with(kExtension)) itemNames.push_back(name);
    if (itemNames.empty()) return S_OK;

    std::vector<std::u16string> keysToRemove;
    std::vector<CacheUpdateEntry> itemsToFetch;
    {
        CItemCacheLock scope(cacheFile, kCacheLockDirect);
        for (std::u16string_view name : itemNames) {
            RefPtr<ItemObject> record;
            const HRESULT hr = cacheFile->mhReadItem(scope, name, record);
            // The vault has the item's new state already; an item the cache
            // never held has nothing to bring up to date.
            if (hr == E_OXN_FILE_NOT_FOUND) continue;
            if (FAILED(hr)) return hr;
            keysToRemove.emplace_back(name);
            itemsToFetch.push_back({record->mlObjectID, record->mlParentProjectID, std::u16string(name)});
        }
    }
    if (itemsToFetch.empty()) return S_OK;
    return update(keysToRemove, itemsToFetch);
}

HRESULT ghRefreshUnlockedItems(const std::vector<std::u16string>& names, CProxyTavroskAPI& clientBackEnd) {
    return ghRefreshUnlockedItems(
        names, clientBackEnd.mpoGetCacheFile(),
        [&](const std::vector<std::u16string>& keysToRemove, const std::vector<CacheUpdateEntry>& itemsToFetch) {
            return clientBackEnd.mhUpdateCacheTransacted(keysToRemove, itemsToFetch);
        });
}
