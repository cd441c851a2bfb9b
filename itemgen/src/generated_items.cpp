// The generated items in the item cache (the explorer sees them at once) and
// in the records returned to the caller.
#include "generated_items.h"
#include "destination_path.h"
#include "xref_tree_handler.h"

#include "com/bstr.h"
#include "com/method_boundary.h"
#include "common/com_errors.h"
#include "common/desktop_ini.h"
#include "common/error_codes.h"
#include "itemstore/item_cache_file.h"
#include "itemstore/item_cache_lock.h"
#include "vennacle/item_db_data.h"

#include <map>
#include <new>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace coravent {

using namespace BellquistLib;

RefPtr<ChildWithLink> goMakeCacheRecord(const ItemDbData& row, std::u16string_view rootPath, bool asChild) {
    RefPtr<ChildWithLink> record(new ChildWithLink());
    record->mlObjectID = row.mlObjectID;
    record->meObjectType = row.meObjectType;
    record->mlParentProjectID = row.mlParentFolderID;
    record->mlAttachedVersion = row.mlAttachedVersion;
    record->mdModifiedDate = row.moModified;
    record->mlConfigID = row.mlConfigID;
    record->mvSetFileName(row.moFilename.View());
    record->moLockViewID = row.moLockViewID;
    std::u16string path(WithoutTrailingBackslashes(rootPath));
    path += row.moPath.View();
    path += row.moFilename.View();
    record->mvSetPath(path);
    if (asChild) {
        record->meLinkType = record->meInitialLinkType = row.meLinkType;
        record->meLinkOperation = record->meInitialLinkOperation = row.meLinkOperation;
    }
    return record;
}

ItemTree goGroupGeneratedItems(const Lst<ItemDbData*>& rows, std::u16string_view rootPath) {
    using Key = std::pair<LONG, LONG>;  // (object or parent type, id)
    std::map<Key, const ItemDbData*> items;
    std::map<Key, std::vector<const ItemDbData*>> groups;
    for (POSITION at = rows.GetHeadPosition(); at;) {
        const ItemDbData* row = rows.GetNext(at);
        if (!row) continue;
        if (row->meObjectType == ItmObjectType_Item) items[{ItmObjectType_Item, row->mlObjectID}] = row;
        if (row->meObjectType != ItmObjectType_Vault)
            groups[{row->meParentDocType, row->mlParentObjectID}].push_back(row);
    }

    ItemTree tree;
    std::set<LONG> written;
    for (const auto& [key, members] : groups) {
        auto item = items.find(key);
        if (item == items.end()) continue;
        ChildList children;
        for (const ItemDbData* member : members) children.push_back(goMakeCacheRecord(*member, rootPath, true));
        tree.emplace(goMakeCacheRecord(*item->second, rootPath, false), std::move(children));
        written.insert(key.second);
    }
    for (const auto& [key, members] : groups) {
        if (key.first != ItmObjectType_Vault && key.first != ItmObjectType_ItemFolder) continue;
        for (const ItemDbData* member : members) {
            if (member->meObjectType != ItmObjectType_Item || !written.insert(member->mlObjectID).second) continue;
            tree.emplace(goMakeCacheRecord(*items.at({ItmObjectType_Item, member->mlObjectID}), rootPath, false),
                         ChildList());
        }
    }
    return tree;
}

namespace {

BSTR Copy(const SpStr& text) {
    if (text.IsEmpty()) return nullptr;
    BSTR copy = SysAllocStringLen(text.View().data(), text.GetLength());
    if (!copy) throw std::bad_alloc();
    return copy;
}

}  // namespace

void gvMakeObjectData(const ItemDbData& row, ItmObjectData& record) {
    record.mlParentObjectID = row.mlParentObjectID;
    record.meParentDocType = static_cast<ItmObjectType>(row.meParentDocType);
    record.meObjectType = static_cast<ItmObjectType>(row.meObjectType);
    record.meLinkType = static_cast<ItmLinkType>(row.meLinkType);
    record.meLinkOperation = static_cast<ItmLinkOperation>(row.meLinkOperation);
    record.mlObjectID = row.mlObjectID;
    record.mlParentProjectID = row.mlParentFolderID;
    record.mlAttachedVersion = row.mlAttachedVersion;
    record.mlLocalVersion = row.mlLocalVersion;
    record.mlLatestVersion = row.mlLatestVersion;
    record.mlConfigID = row.mlConfigID;
    record.mlLockedBy = row.mlLockedBy;
    record.mlStatusID = row.mlStatusID;
    record.moModified = row.moModified;
    record.moLockViewID = row.moLockViewID;
    record.mbHasChildren = row.mbHasChildren != 0 ? VARIANT_TRUE : VARIANT_FALSE;
    record.mpoConnection = nullptr;
    record.mbIsUpToDate = row.mbIsUpToDate;
    // Each BSTR belongs to the record as soon as it is set, so a failure
    // half-way leaves nothing the record's clearing would not free.
    record.moFilename = Copy(row.moFilename);
    record.moPath = Copy(row.moPath);
    record.moConfigName = Copy(row.moConfigName);
    record.moLockedBy = Copy(row.moLockedBy);
    record.moLockedPath = Copy(row.moLockedPath);
    record.moState = Copy(row.moState);
    record.moDomain = Copy(row.moDomain);
    record.moAlternateName = Copy(row.moAlternateName);
}

HRESULT CXRefTreeHandler::AddGeneratedItemsToCache(Lst<ItemDbData*>& oItems) {
    return com::Boundary([&]() -> HRESULT {
        // A view folder that does not name its vault has no cache of its
        // own: writing would go into a cache chosen by an unset id.
        GUID vaultId{};
        if (!GetDesktopIniGuid(moRootPath.m_str ? moRootPath.m_str : u"", kDesktopIniVaultId, vaultId))
            gvRaiseComError(E_OXN_MISSING_VIEW_INFO, u"The view folder does not name its vault.");

        const std::u16string_view rootPath = com::BstrView(moRootPath.m_str);
        const ItemTree tree = goGroupGeneratedItems(oItems, rootPath);
        if (tree.empty()) return S_OK;

        RefPtr<CItemCacheFile> cache(new CItemCacheFile(vaultId));
        // The scope's end commits what was written, also after a failure.
        CItemCacheLock lock(cache, kCacheLockTransacted);
        const HRESULT hr = cache->mhWriteItemsWithChildren(lock, tree, moViewID, true, false);
        return FAILED(hr) ? hr : S_OK;
    });
}

}  // namespace coravent
