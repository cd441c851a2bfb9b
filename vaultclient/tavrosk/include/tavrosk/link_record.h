// The link record of the client library's dynamic-link update (service slot
// 6): one refreshed, added or removed child link of an item, named by the
// item's file name. Arrays of it are SAFEARRAYs of VT_RECORD made under
// TavroskClientLib (ids.h), so SafeArrayDestroy frees the strings; the
// caller destroys every array it receives.
//
// Layout (little-endian, natural alignment, 64-bit pointers), fixed because
// the item server reads the child data by offset: the five 32-bit values at
// 12 to 28, the DATE at 32, the strings at 40 and 48, the four link words at
// 56 to 68.
#pragma once

#include "com/bstr.h"
#include "com/unknown.h"
#include "winapi/types.h"

#include <cstddef>

namespace TavroskClientLib {

struct LinkRecord {
    static constexpr GUID kRecordGuid = com::MakeGuid("5D4C1267-9C17-4E06-9826-00A53F690487");
    BSTR mbsItemName;        // the file name of the item the link belongs to ("<name>.<item>")
    LONG meOperation;        // 2 add the link, 3 remove it, any other: the item's refreshed dynamic link
    LONG mlObjectID;         // the child
    LONG mlParentProjectID;  // the child's vault folder
    LONG mlAttachedVersion;  // the child's version the link carries; -1: changed locally (dirty)
    LONG mlConfigID;         // -1: none
    LONG meObjectType;       // ItmObjectType of the child (6 for a file)
    DATE moModified;         // the time of that version, UTC
    BSTR moFilename;         // the child's name
    BSTR moPath;             // the child's vault folder path, "\A\B\" (relative to the view root)
    LONG meLinkType;         // current link pair
    LONG meLinkOperation;
    LONG meInitialLinkType;  // initial link pair
    LONG meInitialLinkOperation;
};
static_assert(sizeof(LinkRecord) == 72);
static_assert(offsetof(LinkRecord, mbsItemName) == 0);
static_assert(offsetof(LinkRecord, meOperation) == 8);
static_assert(offsetof(LinkRecord, mlObjectID) == 12);
static_assert(offsetof(LinkRecord, mlParentProjectID) == 16);
static_assert(offsetof(LinkRecord, mlAttachedVersion) == 20);
static_assert(offsetof(LinkRecord, mlConfigID) == 24);
static_assert(offsetof(LinkRecord, meObjectType) == 28);
static_assert(offsetof(LinkRecord, moModified) == 32);
static_assert(offsetof(LinkRecord, moFilename) == 40);
static_assert(offsetof(LinkRecord, moPath) == 48);
static_assert(offsetof(LinkRecord, meLinkType) == 56);
static_assert(offsetof(LinkRecord, meLinkOperation) == 60);
static_assert(offsetof(LinkRecord, meInitialLinkType) == 64);
static_assert(offsetof(LinkRecord, meInitialLinkOperation) == 68);

}  // namespace TavroskClientLib
