// CItemCacheFileI: the item cache operations without the lock argument, as a
// local transaction hands them to its participants. It crosses interfaces as
// a raw object address, so the order of the virtual operations is fixed:
// slots 0 to 20 are the operations, 21 AddRef, 22 Release, 23 the deleting
// destructor. Held through RefPtr<CItemCacheFileI>.
#pragma once

#include "itemstore/children_codec.h"
#include "itemstore/item_object.h"
#include "common/ref_ptr.h"

#include "winapi/types.h"

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

// A fetched or cached item tree: each record (by identity) with its children.
using ItemTree = std::map<RefPtr<ItemObject>, ChildList>;

class CItemCacheFileI {
public:
    // Slots 0 to 20, in this order; each behaves as the CItemCacheFile
    // operation of the same name within the transaction's lock scope.
    virtual HRESULT mhReadItem(std::u16string_view name, RefPtr<ItemObject>& item) = 0;
    virtual HRESULT mhWriteItem(const RefPtr<ItemObject>& item) = 0;
    virtual HRESULT mhWriteItems(const std::vector<RefPtr<ItemObject>>& items) = 0;
    virtual HRESULT mhDeleteItem(std::u16string_view name) = 0;
    virtual HRESULT mhDeleteItems(const std::vector<std::u16string>& names) = 0;
    virtual HRESULT mhGetItemDirty(std::u16string_view name, uint32_t& dirty) = 0;
    virtual HRESULT mhTouchItem(std::u16string_view name) = 0;
    virtual HRESULT mhHasLiveChildren(std::u16string_view name, uint32_t& hasLive) = 0;
    virtual HRESULT mhItemExists(std::u16string_view name) = 0;
    virtual HRESULT mhAddChildren(std::u16string_view name, const ChildList& children) = 0;
    virtual HRESULT mhReadChildren(std::u16string_view name, ChildList& children) = 0;
    virtual HRESULT mhHasChildrenList(std::u16string_view name) = 0;
    virtual HRESULT mhWriteChildren(std::u16string_view name, const ChildList& children) = 0;
    virtual HRESULT mhDeleteChildren(std::u16string_view name) = 0;
    virtual HRESULT mhEraseChildren(std::u16string_view name, const ChildList& children) = 0;
    virtual HRESULT mhRemoveChildren(std::u16string_view name, const ChildList& children, int32_t linkOperation) = 0;
    virtual HRESULT mhWriteItemsWithChildren(const ItemTree& tree, const GUID& viewID, bool replaceLists,
                                             bool markMissing) = 0;
    virtual HRESULT mhReadItemTree(const std::vector<std::u16string>& names, uint32_t levelLimit, ItemTree& tree) = 0;
    virtual HRESULT mhSetFileChildLink(std::u16string_view name, const RefPtr<ChildWithLink>& child, int32_t linkType,
                                       int32_t linkOperation) = 0;
    virtual HRESULT mhGetChildLink(std::u16string_view name, int32_t objectID, int32_t configID, int32_t& linkType,
                                   int32_t& linkOperation, int32_t& initialLinkType, int32_t& initialLinkOperation) = 0;
    virtual HRESULT mhRenameItem(std::u16string_view oldName, std::u16string_view newName) = 0;

    // Slot 21: adds a reference, returns the new count.
    virtual int32_t AddRef() = 0;
    // Slot 22: drops a reference; the last one deletes the object.
    virtual void Release() = 0;

protected:
    // Slot 23. Only Release deletes.
    virtual ~CItemCacheFileI() = default;
};
