// The keys of the explorer's item cache: the identity of an object
// (CacheObjKey) and of one occurrence of it under a parent (CacheLinkKey).
// Both are ordered by their bytes, never field by field: the order of every
// map of the cache, and so the order its walks return objects in, is this
// byte order (id 256 sorts before id 1).
#pragma once

#include "bellquist/enums.h"
#include "winapi/types.h"

#include <cstring>
#include <vector>

namespace BellquistLib {
struct IItmObject;
}
class CCacheObj;
class CCacheObjInner;
template <class T>
class RefPtr;

struct CacheObjKey {
    LONG meObjectType;  // the vault root keeps ItmObjectType_Vault here
    LONG mlObjectID;
    LONG mlConfigID;  // a file's or BOM's configuration, else -1
};
static_assert(sizeof(CacheObjKey) == 12);

struct CacheLinkKey {
    LONG meObjectType;  // 2 and 5 stored as 3
    LONG meParentType;  // 4 under an item, else 3
    LONG mlParentID;
    LONG mlObjectID;
    LONG mlConfigID;
};
static_assert(sizeof(CacheLinkKey) == 20);

// The byte order of the keys' little-endian images (memcmp).
struct CacheKeyLess {
    bool operator()(const CacheObjKey& a, const CacheObjKey& b) const noexcept {
        return std::memcmp(&a, &b, sizeof a) < 0;
    }
    bool operator()(const CacheLinkKey& a, const CacheLinkKey& b) const noexcept {
        return std::memcmp(&a, &b, sizeof a) < 0;
    }
};
inline bool operator==(const CacheObjKey& a, const CacheObjKey& b) noexcept {
    return std::memcmp(&a, &b, sizeof a) == 0;
}
inline bool operator==(const CacheLinkKey& a, const CacheLinkKey& b) noexcept {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

// Vault (2) and project (5) count as item folder (3) in a link key.
LONG NormalizeLinkKeyType(LONG type) noexcept;

// The key builders raise a COM error when an item call fails, E_POINTER for a
// missing item and E_NOINTERFACE for a file or BOM that does not answer its
// configuration interface.
CacheLinkKey MakeLinkKey(BellquistLib::IItmObject* item, LONG parentType, LONG parentId);
// The folder occurrence's key; a failing get_ParentProjectID is returned.
HRESULT MakeFolderLinkKey(BellquistLib::IItmObject* item, CacheLinkKey& key);
CacheLinkKey MakeChildLinkKey(const RefPtr<CCacheObj>& parent, BellquistLib::IItmObject* item);
// The link keys an object belongs under: under its parent item first (when
// it was fetched as an item's child), then its folder occurrence. A failing
// get_ParentType or get_ParentID is returned.
HRESULT GetOwnLinkKeys(const CCacheObjInner& inner, std::vector<CacheLinkKey>& keys);
