#include "coravent/type_library.h"

#include "bellquist/type_library.h"
#include "com/record_info.h"
#include "coravent/ids.h"
#include "coravent/interfaces.h"
#include "coravent/records.h"

#include <cstddef>

namespace CoraventLib {
namespace {

const com::TypeLibraryInterface kInterfaces[] = {
    {&IItemOp::kIid, u"IItemOp", true},
    {&IItemOperation::kIid, u"IItemOperation", false},
    {&IItemOperationImpl::kIid, u"IItemOperationImpl", false},
};

// One description of this library's version 1.0.
com::RecordDescription Describe(const GUID& record, const char16_t* name, ULONG size,
                                std::vector<com::RecordField> fields) {
    return {LIBID_CoraventLib, kLibraryMajorVersion, kLibraryMinorVersion, record, name, size, std::move(fields)};
}

}  // namespace

void RegisterRecords() {
    // Nested records first: the runtime resolves them by GUID (UdtGUID is
    // among the shared records).
    BellquistLib::RegisterSharedRecords(LIBID_CoraventLib, kLibraryMajorVersion, kLibraryMinorVersion);
    com::RegisterRecordDescription(
        Describe(ItemVariableData::kRecordGuid, u"ItemVariableData", sizeof(ItemVariableData),
                 {
                     {u"moVarIdOrName", offsetof(ItemVariableData, moVarIdOrName), VT_VARIANT},
                     {u"moValue", offsetof(ItemVariableData, moValue), VT_VARIANT},
                 }));
    com::RegisterRecordDescription(
        Describe(InitData::kRecordGuid, u"InitData", sizeof(InitData),
                 {
                     {u"mpoSpMgr", offsetof(InitData, mpoSpMgr), VT_UI8},
                     {u"moViewID", offsetof(InitData, moViewID), VT_RECORD, 1, UdtGUID::kRecordGuid},
                     {u"mlUserID", offsetof(InitData, mlUserID), VT_I4},
                     {u"mlSystemRights", offsetof(InitData, mlSystemRights), VT_I4},
                     {u"meTreeCreationType", offsetof(InitData, meTreeCreationType), VT_I4},
                     {u"mlCreationFlags", offsetof(InitData, mlCreationFlags), VT_I4},
                     {u"moRootPath", offsetof(InitData, moRootPath), VT_BSTR},
                     {u"moComputerName", offsetof(InitData, moComputerName), VT_BSTR},
                 }));
    com::RegisterRecordDescription(Describe(
        ItemData::kRecordGuid, u"ItemData", sizeof(ItemData),
        {
            {u"mbsItemName", offsetof(ItemData, mbsItemName), VT_BSTR},
            {u"mlDocumentID", offsetof(ItemData, mlDocumentID), VT_I4},
            {u"mlProjectID", offsetof(ItemData, mlProjectID), VT_I4},
            {u"mbsFileCfg", offsetof(ItemData, mbsFileCfg), VT_BSTR},
            {u"mlItemFolderID", offsetof(ItemData, mlItemFolderID), VT_I4},
            {u"lTreeCreationType", offsetof(ItemData, lTreeCreationType), VT_I4},
            {u"mbStaticLink", offsetof(ItemData, mbStaticLink), VT_BOOL},
            {u"mpoVarData", offsetof(ItemData, mpoVarData), VT_ARRAY | VT_RECORD, 1, ItemVariableData::kRecordGuid},
        }));
}

constinit const com::TypeLibrary kTypeLibrary{&LIBID_CoraventLib,           kLibraryMajorVersion, kLibraryMinorVersion,
                                              u"Coravent 1.0 Type Library", kInterfaces,          &RegisterRecords};

const com::TypeLibrary& TypeLibrary() { return kTypeLibrary; }

}  // namespace CoraventLib
