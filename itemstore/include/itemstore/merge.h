// MergeNs::CMerge: turns the flat list of records that a tree fetch returns
// (one record per object and per parent it hangs under) into item objects
// with their links, optionally stores the fetched items and their children
// in the item cache, and hands the objects back as an array of VARIANTs.
//
// One merge object serves one fetch: construct, mhMerge, mhGetResults,
// destroy, all on the caller's thread. It reaches the back end that fetched
// the tree only through MergeNs::IMergeBackEnd, so the item store does not
// depend on the item manager.
#pragma once

#include "common/ref_ptr.h"

#include "bellquist/records.h"
#include "winapi/types.h"

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <span>
#include <string_view>
#include <vector>

class CItemCacheFile;
class CItemCacheLock;

namespace BellquistLib {
struct IItmObject;
}

namespace MergeNs {

// What the merge needs from the back end that fetched the tree.
class IMergeBackEnd {
public:
    // Creates the item object for `record` (the back end's item object
    // conversion): S_OK with a null *object for the types that have none (0,
    // 5, 8, 9); an item gets a link manager writing through to `cacheFile`.
    // `source` and `connection` may be null; the merge passes no source and
    // the client library's main object as connection.
    virtual HRESULT mhCreateItmObject(BellquistLib::ItmObjectData* record, BellquistLib::IItmObject** object,
                                      RefPtr<CItemCacheFile> cacheFile, BellquistLib::IItmObject* source,
                                      IUnknown* connection) = 0;
    // The vault's item cache file.
    virtual RefPtr<CItemCacheFile> mpoGetCacheFile() = 0;
    // The client library's main object (no reference added; may be null).
    virtual IUnknown* mpoGetClientObject() = 0;
    // The local folder of the view, as the back end was started with it.
    virtual std::u16string_view moGetViewPath() = 0;
    // The view's GUID.
    virtual GUID moGetViewGUID() = 0;

protected:
    ~IMergeBackEnd() = default;
};

// Keys of the merge's maps, ordered as memcmp orders their bytes (each word
// little-endian), which fixes the order of the results.
using ObjectKey = std::array<int32_t, 4>;    // type, id, config id, parent item id
using IdentityKey = std::array<int32_t, 3>;  // type, id, config id
struct MemoryOrder {
    bool operator()(const ObjectKey& a, const ObjectKey& b) const noexcept;
    bool operator()(const IdentityKey& a, const IdentityKey& b) const noexcept;
};

struct ItemData;         // one merged object and the links to add to it
struct ItemAndFileData;  // one object identity: its objects, its cached children

class CMerge {
public:
    // Stores the arguments; nothing else. The lists, the back end and the
    // lock are not owned and must outlive the merge. `input` may be null
    // (empty); `fetched` is written in place by the checked-out marking.
    // `lock` is the caller's open cache scope, or null.
    CMerge(SAFEARRAY* input, SAFEARRAY* fetched, int32_t flags, const GUID& viewGUID, IMergeBackEnd* backEnd,
           CItemCacheLock* lock);
    ~CMerge();
    CMerge(const CMerge&) = delete;
    CMerge& operator=(const CMerge&) = delete;

    // Merges (mode 0; mode 1 leaves the item objects' links alone, folders
    // still get theirs), then, with Bgtf_UpdateFileCache, stores the input
    // items and their fetched children in the cache and returns the store's
    // result. A failure to read the lists is returned with error info. A
    // fetched link that an object's link manager refuses is left out, the
    // object keeps its other links, and the merge reports it: it still
    // answers S_OK (the objects are good) with error info naming the refused
    // link(s) left on the thread.
    HRESULT mhMerge(int mode);
    // A new array (lower bound 0) of VT_DISPATCH VARIANTs holding the merged
    // objects: the object map in key order, then the folders in key order.
    // The caller owns it. E_POINTER for a null out; E_OUTOFMEMORY.
    HRESULT mhGetResults(SAFEARRAY** results);

private:
    // A link an object's link manager would not take, and why.
    struct RefusedLink {
        ObjectKey moParent;  // type, id, config id, parent item id of the object
        BellquistLib::ItmLink moLink;
        HRESULT mhResult;
    };

    // The merge's steps, in order.
    void mvMarkCheckedOut(std::span<BellquistLib::ItmObjectData> records);
    void mvReadInputSets();
    void mvCreateObjects(std::span<BellquistLib::ItmObjectData> records);
    void mvKeepObject(const BellquistLib::ItmObjectData& record, BellquistLib::IItmObject* object,
                      std::u16string_view viewPath);
    void mvCollectLinks(std::span<BellquistLib::ItmObjectData> records);
    void mvAddLinksToObjects(int mode);
    void mvAddLinks(const ObjectKey& key, ItemData& data);
    HRESULT mhStoreInCache();
    void mvReportRefusedLinks() const;

    SAFEARRAY* mpoInput;
    SAFEARRAY* mpoFetched;
    int32_t mlFlags;
    GUID moViewGUID;
    IMergeBackEnd* mpoBackEnd;
    CItemCacheLock* mpoLock;

    std::vector<int32_t> moInputFolders;  // ids of the input's vaults and item folders
    std::vector<int32_t> moInputItems;    // ids of the input's items
    std::map<ObjectKey, std::shared_ptr<ItemData>, MemoryOrder> moObjects;
    std::map<IdentityKey, std::shared_ptr<ItemAndFileData>, MemoryOrder> moIdentities;
    std::map<ObjectKey, std::shared_ptr<ItemData>, MemoryOrder> moFolders;
    std::vector<RefusedLink> moRefusedLinks;
};

}  // namespace MergeNs
