// The two objects the explorer's item cache is made of: CCacheObjInner, the
// shared part of one vault object (one per identity in a cache), and
// CCacheObj, one occurrence of it under one parent (a folder or an item).
// Tree nodes, report records and command handlers hold RefPtr<CCacheObj>.
#pragma once

#include "common/ref_obj.h"
#include "common/ref_ptr.h"

#include "bellquist/item_interfaces.h"
#include "com/ccom_ptr.h"
#include "winapi/types.h"

#include <string>

class CCache;

class CCacheObjInner : public RefObj {
public:
    // Takes a reference of its own on `item`.
    CCacheObjInner(CCache* cache, LONG type, LONG id, BellquistLib::IItmObject* item, std::u16string name);

    // Read once and kept: 0 = not read yet, -1 = the item is dirty. 0
    // without an item.
    LONG mlGetLocalVersion();
    // 0.0 without an item or when the call fails.
    DATE mdGetModifiedDate() const;
    // GUID_NULL without an item or when the call fails.
    GUID moGetLockViewID() const;
    // Replaces the item (its local version is read again on next use).
    void mvSetItem(BellquistLib::IItmObject* item);
    // Takes a freshly fetched instance's data into the cached item, so every
    // holder sees the change.
    void mvUpdateFrom(BellquistLib::IItmObject* fresh, bool excludeVersionFields);

    CComPtr<BellquistLib::IItmObject> mpoItem;
    LONG meType = 0;
    LONG mlID = 0;
    LONG mlLocalVersion = 0;
    std::u16string moName;
    LONG mbEnumerated = 0;       // the children were listed by the server
    LONG mbComplete = 0;         // data and child links were loaded from the server
    LONG mlIconIndex = 0;        // the report views' choice; the cache never reads it
    bool mbRemoved = false;      // erased from the cache's object map
    CCache* mpoCache = nullptr;  // Not owned.

protected:
    ~CCacheObjInner() override = default;
};

class CCacheObj : public RefObj {
public:
    // A folder occurrence: parent type 3, the parent id read from the item
    // (-1 when that fails).
    explicit CCacheObj(RefPtr<CCacheObjInner> inner);
    CCacheObj(RefPtr<CCacheObjInner> inner, LONG parentType, LONG parentId);

    // -1 without an item or when the call fails.
    LONG mlGetParentProjectID() const;
    // Marks the item changed here now: modified date, dirty flag, and its
    // local version read again.
    void mvSetModifiedNow();
    // Forwards to the shared part.
    void mvUpdateFrom(BellquistLib::IItmObject* fresh, bool excludeVersionFields) {
        if (moInner) moInner->mvUpdateFrom(fresh, excludeVersionFields);
    }

    LONG meParentType = BellquistLib::ItmObjectType_ItemFolder;
    LONG mlParentID = -1;
    RefPtr<CCacheObjInner> moInner;

protected:
    ~CCacheObj() override = default;
};
