// Records of CoraventLib: plain structs laid out as the library declares
// them, each naming the GUID under which its record information is found
// (GetRecordInfoFromGuids with the library's LIBID, version 1.0).
//
// Ownership as in every record that crosses the boundary: BSTR, interface,
// VARIANT and SAFEARRAY fields belong to the record and are given back by
// IRecordInfo::RecordClear (or by destroying the array that holds them).
#pragma once

#include "com/bstr.h"
#include "com/unknown.h"
#include "com/variant.h"
#include "coravent/enums.h"
#include "winapi/types.h"

#include <cstddef>

namespace CoraventLib {

// A GUID as a record, so that other records can carry one.
struct UdtGUID {
    static constexpr GUID kRecordGuid = com::MakeGuid("8A85F978-5742-4ABC-A9B6-5EC8AE1CEFBF");
    LONG Data1;
    SHORT Data2;
    SHORT Data3;
    BYTE Data4[8];
};
static_assert(sizeof(UdtGUID) == 16);

// The start of one item operation (IItemOperation::Init).
struct InitData {
    static constexpr GUID kRecordGuid = com::MakeGuid("8F0AAF49-149C-44C4-9EA5-96671BBFB22F");
    // The caller's stored-procedure manager (SpMgr) as an in-process address;
    // the operation takes a reference of its own.
    ULONGLONG mpoSpMgr;
    UdtGUID moViewID;                      // the vault view
    LONG mlUserID;
    LONG mlSystemRights;                   // not used by the operation
    TreeCreationType meTreeCreationType;
    LONG mlCreationFlags;                  // CreationFlags bits; not used by the operation
    BSTR moRootPath;                       // the view's root folder on disk
    BSTR moComputerName;
};
static_assert(sizeof(InitData) == 56);
static_assert(offsetof(InitData, moViewID) == 8 && offsetof(InitData, mlUserID) == 24 &&
              offsetof(InitData, mlCreationFlags) == 36 && offsetof(InitData, moRootPath) == 40 &&
              offsetof(InitData, moComputerName) == 48);

// One variable of an item to generate.
struct ItemVariableData {
    static constexpr GUID kRecordGuid = com::MakeGuid("1E931E68-5B98-4376-ACDC-47E8164F158C");
    VARIANT moVarIdOrName;  // the variable's id or name
    VARIANT moValue;
};
static_assert(sizeof(ItemVariableData) == 48);

// One item to generate. The library declares it with 4-byte packing: the
// array pointer lies at 36, and array elements are 44 bytes apart.
#pragma pack(push, 4)
struct ItemData {
    static constexpr GUID kRecordGuid = com::MakeGuid("ED0AF8D1-635E-47C8-A715-55FB73BB8101");
    BSTR mbsItemName;
    LONG mlDocumentID;          // the file's document id
    LONG mlProjectID;           // the folder of that file
    BSTR mbsFileCfg;            // the file's configuration
    LONG mlItemFolderID;
    LONG lTreeCreationType;
    VARIANT_BOOL mbStaticLink;
    SAFEARRAY* mpoVarData;      // ItemVariableData records, or null
};
#pragma pack(pop)
static_assert(sizeof(ItemData) == 44);
static_assert(offsetof(ItemData, mlDocumentID) == 8 && offsetof(ItemData, mbsFileCfg) == 16 &&
              offsetof(ItemData, mlItemFolderID) == 24 && offsetof(ItemData, mbStaticLink) == 32 &&
              offsetof(ItemData, mpoVarData) == 36);

// One link: the identity of the linked object under its parent, the link's
// kind and its pending change.
struct ItmLink {
    static constexpr GUID kRecordGuid = com::MakeGuid("CB83E4D1-F282-44C3-BACC-9C633085B024");
    ItmObjectType meObjectType;
    LONG mlObjectID;
    LONG mlParentID;
    LONG mlConfigID;
    ItmLinkType meLinkType;
    ItmLinkOperation meLinkOperation;
};
static_assert(sizeof(ItmLink) == 24);

// One item object (item, item folder, file or BOM), as the item server's
// library declares it.
struct ItmObjectData {
    static constexpr GUID kRecordGuid = com::MakeGuid("13E13B3B-8336-42D3-81F8-AACCA051E2BB");
    LONG mlParentObjectID;
    ItmObjectType meParentDocType;
    ItmObjectType meObjectType;
    ItmLinkType meLinkType;
    ItmLinkOperation meLinkOperation;
    LONG mlObjectID;
    LONG mlParentProjectID;
    BSTR moFilename;
    BSTR moPath;
    LONG mlAttachedVersion;
    LONG mlLocalVersion;
    LONG mlLatestVersion;
    LONG mlConfigID;
    BSTR moConfigName;
    LONG mlLockedBy;
    BSTR moLockedBy;
    BSTR moLockedPath;
    LONG mlStatusID;
    BSTR moState;
    DATE moModified;
    BSTR moDomain;
    UdtGUID moLockViewID;
    VARIANT_BOOL mbHasChildren;
    IUnknown* mpoConnection;
    LONG mlResult;
    BSTR moAlternateName;
    LONG mbIsUpToDate;          // read back as a VARIANT_BOOL from its low 16 bits
    LONG mlItmObjectFlags;
    BSTR mbsLinkedFile;
    LONG mlDynLinkedFileVersion;
    VARIANT_BOOL mbIsDirty;
    VARIANT_BOOL mbIsCutlist;
};
static_assert(sizeof(ItmObjectData) == 200);

}  // namespace CoraventLib
