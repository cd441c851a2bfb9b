// Records of CoraventLib: plain structs laid out as the library declares
// them, each naming the GUID under which its record information is found
// (GetRecordInfoFromGuids with the library's LIBID, version 1.0).
//
// Ownership as in every record that crosses the boundary: BSTR, interface,
// VARIANT and SAFEARRAY fields belong to the record and are given back by
// IRecordInfo::RecordClear (or by destroying the array that holds them).
#pragma once

#include "bellquist/records.h"
#include "com/bstr.h"
#include "com/unknown.h"
#include "com/variant.h"
#include "coravent/enums.h"
#include "winapi/types.h"

#include <cstddef>

namespace CoraventLib {

// The records shared with the item server's library: the same record GUIDs
// and layouts, registered under this library as well (RegisterRecords).
using BellquistLib::ItmLink;
using BellquistLib::ItmObjectData;
using BellquistLib::UdtGUID;

// The start of one item operation (IItemOperation::Init).
struct InitData {
    static constexpr GUID kRecordGuid = com::MakeGuid("8F0AAF49-149C-44C4-9EA5-96671BBFB22F");
    // The caller's stored-procedure manager (SpMgr) as an in-process address;
    // the operation takes a reference of its own.
    ULONGLONG mpoSpMgr;
    UdtGUID moViewID;  // the vault view
    LONG mlUserID;
    LONG mlSystemRights;  // not used by the operation
    TreeCreationType meTreeCreationType;
    LONG mlCreationFlags;  // CreationFlags bits; not used by the operation
    BSTR moRootPath;       // the view's root folder on disk
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
    LONG mlDocumentID;  // the file's document id
    LONG mlProjectID;   // the folder of that file
    BSTR mbsFileCfg;    // the file's configuration
    LONG mlItemFolderID;
    LONG lTreeCreationType;
    VARIANT_BOOL mbStaticLink;
    SAFEARRAY* mpoVarData;  // ItemVariableData records, or null
};
#pragma pack(pop)
static_assert(sizeof(ItemData) == 44);
static_assert(offsetof(ItemData, mlDocumentID) == 8 && offsetof(ItemData, mbsFileCfg) == 16 &&
              offsetof(ItemData, mlItemFolderID) == 24 && offsetof(ItemData, mbStaticLink) == 32 &&
              offsetof(ItemData, mpoVarData) == 36);

}  // namespace CoraventLib
