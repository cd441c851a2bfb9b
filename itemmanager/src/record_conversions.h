// The conversions of the client back end between the item objects of the
// item store and the records that the client library, the outside item
// operations and the item generation server exchange.
//
// Item objects arrive as SAFEARRAYs of VARIANTs holding IItmObject
// (VT_DISPATCH or VT_UNKNOWN). An element that holds no item object gives
// E_OXN_NULL_VALUE; a failing property read returns its HRESULT
// unless a conversion says otherwise. Record arrays are made through
// RecordArray (common/record_array.h); its failures (no record information,
// no memory) come back as their HRESULT with the thread's error info set.
// Every out-array is the caller's to destroy.
#pragma once

#include "itemstore/item_object.h"  // ChildWithLink, ItemObject
#include "common/ref_ptr.h"
#include "itemstore/itm_unique_id.h"

#include "bellquist/records.h"
#include "com/ccom_ptr.h"
#include "winapi/types.h"

#include <map>
#include <string>
#include <string_view>
#include <vector>

struct SAFEARRAY;

namespace BellquistLib {
struct IItmObject;
}

// --- Item objects to ItmObjectData ---------------------------------------------
// Fills `record` (zeroed here first, then configuration -1 and up to date)
// from the object's properties: parent id and type, type, the link pair
// (folders and vaults: static-BOM link 3, LinkOp_None; items, files and BOMs
// their GetLinkData), ids, versions, name, path, state, locked by, user id,
// connection (one reference), the configuration of files and BOMs, linked
// file name, flags, dirty flag and dynamic-link file version. E_OXN_NULL_VALUE
// for a null argument; a failed read returns its HRESULT at once, with what the
// record holds so far freed.
HRESULT ghItmObjectToData(BellquistLib::IItmObject* item, BellquistLib::ItmObjectData* record);

// One ItmObjectData per element, in order. E_OXN_NULL_VALUE for a null
// argument; the first failure ends it with its HRESULT and no array.
HRESULT ghItemsToDataArray(SAFEARRAY* items, SAFEARRAY** records);

// The objects of a list by their identity: type, id, configuration (-1 for
// all but files and BOMs) and, for files and BOMs, the id of the item they
// hang under (else 0). A later object with the same key replaces an earlier
// one.
struct ItmObjectKeyLess {
    bool operator()(const BellquistLib::ItmUniqueID& left, const BellquistLib::ItmUniqueID& right) const noexcept {
        return gbUniqueIDLess(left, right);
    }
};
using ItmObjectMap = std::map<BellquistLib::ItmUniqueID, CComPtr<BellquistLib::IItmObject>, ItmObjectKeyLess>;
// Clears `map` and fills it from `items`. E_OXN_NULL_VALUE for a null argument
// or an element without an item object.
HRESULT ghItemsToObjectMap(SAFEARRAY* items, ItmObjectMap* map);

// --- Item objects to the records of outside libraries ------------------------
// These three copy the list first: a list whose elements are not VARIANTs
// gives E_INVALIDARG with error info; a list without elements sets *out to
// null and gives E_OXN_NOT_INITIALIZED.

// SAFEARRAY(UniqueDocument) of the menu information library: document id =
// ID, parent project id, version = attached version, object type by type
// (folders and vaults 0 with the project = ID and document 0; item 4; file 1;
// BOM 3; others 0). E_OXN_NULL_VALUE for a null argument.
HRESULT ghItemsToUniqueDocuments(SAFEARRAY* items, SAFEARRAY** documents);

// SAFEARRAY(XRefRootObject) of the reference library: document id = ID,
// project id = parent project id, kind by type (root folder, vault and item
// folder Ot_ItemFolder with the project = ID and document 0; item Ot_Item;
// file Ot_Document; BOM Ot_BOM; others 0). With `skipFlagged`, objects
// whose flags have bit 0 set are left out (all of them left out is an empty
// array, no error). E_OXN_NULL_VALUE for a null argument.
HRESULT ghItemsToXRefRoots(SAFEARRAY* items, bool skipFlagged, SAFEARRAY** roots);

// SAFEARRAY(ItemData) of the item generation server: empty item name,
// project id = parent project id, item folder 0, document id = ID for items,
// files and BOMs (else 0); everything else 0. E_OXN_NULL_VALUE for a null
// argument.
HRESULT ghFileObjectsToItemData(SAFEARRAY* objects, SAFEARRAY** items);

// SAFEARRAY(ItmDbInfo) of the menu information library for local paths (a
// list of VT_BSTR VARIANTs) below the view folder `viewPath`. Per path: ids
// 0; a folder (the attribute call succeeds and the directory bit is set) is
// type 5 with a backslash appended to its path, a file type 6 with its last
// component as name; the item path is the path's folder relative to the view
// folder, beginning and ending with a backslash ("\" for the view folder
// itself). True with the array; false with *infos null when there is no list
// or out-pointer, a path is not a string, a path does not exist, or it does
// not lie below the view folder (letter case ignored; '/' and '\' separate
// alike).
bool gbPathsToItmDbInfo(SAFEARRAY* paths, std::u16string_view viewPath, SAFEARRAY** infos);

// --- Links ---------------------------------------------------------------------
// The link of a new item folder under its parent: the object's unique id,
// link type 3 (static BOM), LinkOp_None; a 24-byte task-memory record for the
// caller (CoTaskMemFree). The helper holds its own reference on the object,
// so the caller's stays untouched. E_POINTER for a null object or out;
// E_OUTOFMEMORY.
HRESULT ghItmObjectToItmLink(CComPtr<BellquistLib::IItmObject> object, BellquistLib::ItmLink** link);

// Checks the new links `records` (SAFEARRAY(ItmObjectData)) of `item` before
// they are added: a link already in the item's table is
// E_ITEM_LINK_DUPLICATED at once; after the walk a link type
// other than 1, 2, 3 is E_ITEM_INVALID_LINK_TYPE; more than one
// dynamic link, or one while the item has one, E_ITEM_MANY_DYN_LINKS
// (E_ITEM_MANY_DYN_LINKS). E_OXN_NULL_VALUE for a null argument.
HRESULT ghCheckNewLinks(SAFEARRAY* records, BellquistLib::IItmObject* item);

// --- Cache records -------------------------------------------------------------
// Records made from a cached item and its children list, for the tree fetch.
// Each record is a 200-byte task-memory block (start values as above),
// filled by ghCacheRecordToData; the list owns them (gvFreeDataRecords).
using DataRecordList = std::vector<BellquistLib::ItmObjectData*>;
// Frees every record of the list (its strings, its connection, its block)
// and empties it.
void gvFreeDataRecords(DataRecordList& records);

// For each child whose key (type, id, configuration, and for files and BOMs
// the item's id, else 0) is not yet in `keys`: adds the key and appends a
// record with parent id and type = the item's, connection = `client` (one
// reference), link type and operation = the child's current link pair. Then
// *own = the item's own record made the same way without the parent fields
// (a new block for the caller, freed as the list's are). E_POINTER for a
// null item or out; E_OUTOFMEMORY. A hashed look-up per child: the keys of
// a whole fetch pass through one set.
HRESULT ghCacheRecordsToData(IUnknown* client, const RefPtr<ItemObject>& item,
                             const std::vector<RefPtr<ChildWithLink>>& children, UniqueIDSet& keys,
                             DataRecordList& records, BellquistLib::ItmObjectData** own);

// --- Other records -------------------------------------------------------------
// One entry of an UpdateCache list, owning its name.
struct CacheUpdateEntry {
    LONG mlId = 0;
    LONG mlFolderId = 0;
    std::u16string mbsName;
};
CacheUpdateEntry goToCacheUpdateEntry(const BellquistLib::CacheUpdate& update);

// A record of the client library's dynamic-link update, as the system reads
// it, byte offsets from its start: object id 12, parent project id 16,
// attached version 20, config id 24, object type 28 (32-bit each); modified
// DATE 32; file name BSTR 40; path BSTR 48; the four link words 56, 60, 64,
// 68 (current type and operation, initial type and operation). The bytes
// before 12 (the item's name, the link operation) are the caller's to read.
inline constexpr size_t kDynLinkRecordMinSize = 72;
// A new children-list entry from such a record; dirty when the attached
// version is -1 (the library marks a file changed locally that way). Null
// for a null record.
RefPtr<ChildWithLink> gpoLinkRecordToChild(const void* linkRecord);
