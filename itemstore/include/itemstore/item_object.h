// The two fixed-size records of the item cache: ItemObject (one item) and
// ChildWithLink (one entry of an item's children list). Plain data with
// inline text arrays, so a record is copied and written field by field
// without allocation. On disk: record_codec.h.
#pragma once

#include "common/ref_obj.h"

#include "com/variant.h"
#include "winapi/types.h"

#include <cstdint>
#include <string_view>

// Capacities of the text fields in UTF-16 code units, terminator included.
inline constexpr int kItemFileNameCapacity = 260;
inline constexpr int kItemPathCapacity = 520;

// The type library's values that the item store tests (ItmObjectType,
// ItmLinkOperation).
inline constexpr int32_t kObjectTypeRootItemFolder = 1;
inline constexpr int32_t kObjectTypeVault = 2;
inline constexpr int32_t kObjectTypeItemFolder = 3;
inline constexpr int32_t kObjectTypeItem = 4;
inline constexpr int32_t kObjectTypeFile = 6;
inline constexpr int32_t kObjectTypeBom = 7;
inline constexpr int32_t kLinkOpRemove = 3;
inline constexpr int32_t kLinkOpDelete = 4;

struct ItemObject : RefObj {
    // Ids, config id and type -1, date -1.0, texts empty, dirty 0; link
    // words -1 and the lock-view GUID null.
    ItemObject();

    // Copies `name` when it is shorter than 260 code units; otherwise the
    // file name becomes empty.
    void mvSetFileName(std::u16string_view name);
    // Copies `path` when it is shorter than 520 code units; otherwise keeps
    // its first 519 code units.
    void mvSetPath(std::u16string_view path);

    // The texts up to their terminator; at most 259 and 519 code units (the
    // last code unit of a field always counts as the terminator).
    std::u16string_view moFileName() const;
    std::u16string_view moPath() const;

    // Current link pair: how the entry is linked to its parent item (the
    // cache operations read and change only this pair).
    int32_t meLinkType = -1;
    int32_t meLinkOperation = -1;
    // Initial link pair: the link as the record was built; stored and read
    // back, never changed by the cache operations.
    int32_t meInitialLinkType = -1;
    int32_t meInitialLinkOperation = -1;
    int32_t mlObjectID = -1;
    int32_t mlParentProjectID = -1;
    int32_t mlAttachedVersion = -1;
    int32_t mlConfigID = -1;  // -1: none
    int32_t meObjectType = -1;
    DATE mdModifiedDate = -1.0;
    char16_t mszFileName[kItemFileNameCapacity] = {};  // NUL-terminated
    char16_t mszPath[kItemPathCapacity] = {};          // NUL-terminated
    int32_t mlDirty = 0;                               // 1: changed locally, not checked in
    // The view the item is checked out to; memory only, never stored.
    GUID moLockViewID = {};

protected:
    ~ItemObject() override = default;
};

// The same record as an entry of a children list.
struct ChildWithLink : ItemObject {
    // As ItemObject, with all four link words -1 (a live child).
    ChildWithLink();

protected:
    ~ChildWithLink() override = default;
};

// True for an item folder (3); with `includeRoots` also for the root item
// folder (1) and the vault (2).
bool gbIsFolderType(int32_t objectType, bool includeRoots);
