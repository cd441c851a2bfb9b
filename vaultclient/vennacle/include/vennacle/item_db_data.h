// ItemDbData: one object that item generation made (an item, or one link of
// an item). The record and the texts of its strings are one task-memory
// block: free it with CoTaskMemFree (or `delete`, which does the same).
#pragma once

#include "vennacle/sp_str.h"
#include "com/variant.h"
#include "winapi/types.h"

#include <cstddef>
#include <string>

struct ItemDbData {
    // A record without texts, zeroed task memory.
    static void* operator new(std::size_t size);
    static void operator delete(void* block) noexcept;

    LONG mlParentObjectID = 0;
    LONG meParentDocType = 0;  // 3: an item folder; 4: an item
    LONG meObjectType = 0;     // 4: item; 6: file
    LONG meLinkType = 0;       // 1 dynamic, 2 static
    LONG meLinkOperation = 0;  // 1 none
    LONG mlObjectID = 0;
    SpStr moFilename;
    SpStr moPath;  // the vault path of its folder, "\<items>\...\"
    LONG mlAttachedVersion = 0;
    LONG mlLocalVersion = 0;
    LONG mlLatestVersion = 0;
    LONG mlConfigID = -1;
    SpStr moConfigName;
    SpStr moLockedBy;
    LONG mlLockedBy = 0;
    SpStr moLockedPath;
    LONG mlStatusID = 0;
    SpStr moState;
    DATE moModified = 0;
    SpStr moDomain;
    GUID moLockViewID{};
    LONG mlParentFolderID = 0;
    LONG mbHasChildren = 0;
    SpStr moAlternateName;
    LONG mbIsUpToDate = 0;
    LONG malReserved[7] = {};  // room of the record, always zero
};
static_assert(sizeof(ItemDbData) == 248);
static_assert(offsetof(ItemDbData, mlObjectID) == 20);
static_assert(offsetof(ItemDbData, moFilename) == 24);
static_assert(offsetof(ItemDbData, moPath) == 40);
static_assert(offsetof(ItemDbData, mlAttachedVersion) == 56);
static_assert(offsetof(ItemDbData, mlConfigID) == 68);
static_assert(offsetof(ItemDbData, moConfigName) == 72);
static_assert(offsetof(ItemDbData, moLockedBy) == 88);
static_assert(offsetof(ItemDbData, mlLockedBy) == 104);
static_assert(offsetof(ItemDbData, moLockedPath) == 112);
static_assert(offsetof(ItemDbData, mlStatusID) == 128);
static_assert(offsetof(ItemDbData, moState) == 136);
static_assert(offsetof(ItemDbData, moModified) == 152);
static_assert(offsetof(ItemDbData, moDomain) == 160);
static_assert(offsetof(ItemDbData, moLockViewID) == 176);
static_assert(offsetof(ItemDbData, mlParentFolderID) == 192);
static_assert(offsetof(ItemDbData, mbHasChildren) == 196);
static_assert(offsetof(ItemDbData, moAlternateName) == 200);
static_assert(offsetof(ItemDbData, mbIsUpToDate) == 216);
