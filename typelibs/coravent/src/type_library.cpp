#include "coravent/type_library.h"

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
    // Nested records first: the runtime resolves them by GUID.
    com::RegisterRecordDescription(Describe(UdtGUID::kRecordGuid, u"UdtGUID", sizeof(UdtGUID),
                                            {
                                                {u"Data1", offsetof(UdtGUID, Data1), VT_I4},
                                                {u"Data2", offsetof(UdtGUID, Data2), VT_I2},
                                                {u"Data3", offsetof(UdtGUID, Data3), VT_I2},
                                                {u"Data4", offsetof(UdtGUID, Data4), VT_UI1, 8},
                                            }));
    com::RegisterRecordDescription(Describe(ItemVariableData::kRecordGuid, u"ItemVariableData",
                                            sizeof(ItemVariableData),
                                            {
                                                {u"moVarIdOrName", offsetof(ItemVariableData, moVarIdOrName),
                                                 VT_VARIANT},
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
    com::RegisterRecordDescription(
        Describe(ItemData::kRecordGuid, u"ItemData", sizeof(ItemData),
                 {
                     {u"mbsItemName", offsetof(ItemData, mbsItemName), VT_BSTR},
                     {u"mlDocumentID", offsetof(ItemData, mlDocumentID), VT_I4},
                     {u"mlProjectID", offsetof(ItemData, mlProjectID), VT_I4},
                     {u"mbsFileCfg", offsetof(ItemData, mbsFileCfg), VT_BSTR},
                     {u"mlItemFolderID", offsetof(ItemData, mlItemFolderID), VT_I4},
                     {u"lTreeCreationType", offsetof(ItemData, lTreeCreationType), VT_I4},
                     {u"mbStaticLink", offsetof(ItemData, mbStaticLink), VT_BOOL},
                     {u"mpoVarData", offsetof(ItemData, mpoVarData), VT_ARRAY | VT_RECORD, 1,
                      ItemVariableData::kRecordGuid},
                 }));
    com::RegisterRecordDescription(Describe(ItmLink::kRecordGuid, u"ItmLink", sizeof(ItmLink),
                                            {
                                                {u"meObjectType", offsetof(ItmLink, meObjectType), VT_I4},
                                                {u"mlObjectID", offsetof(ItmLink, mlObjectID), VT_I4},
                                                {u"mlParentID", offsetof(ItmLink, mlParentID), VT_I4},
                                                {u"mlConfigID", offsetof(ItmLink, mlConfigID), VT_I4},
                                                {u"meLinkType", offsetof(ItmLink, meLinkType), VT_I4},
                                                {u"meLinkOperation", offsetof(ItmLink, meLinkOperation), VT_I4},
                                            }));
    using D = ItmObjectData;
    com::RegisterRecordDescription(
        Describe(D::kRecordGuid, u"ItmObjectData", sizeof(D),
                 {
                     {u"mlParentObjectID", offsetof(D, mlParentObjectID), VT_I4},
                     {u"meParentDocType", offsetof(D, meParentDocType), VT_I4},
                     {u"meObjectType", offsetof(D, meObjectType), VT_I4},
                     {u"meLinkType", offsetof(D, meLinkType), VT_I4},
                     {u"meLinkOperation", offsetof(D, meLinkOperation), VT_I4},
                     {u"mlObjectID", offsetof(D, mlObjectID), VT_I4},
                     {u"mlParentProjectID", offsetof(D, mlParentProjectID), VT_I4},
                     {u"moFilename", offsetof(D, moFilename), VT_BSTR},
                     {u"moPath", offsetof(D, moPath), VT_BSTR},
                     {u"mlAttachedVersion", offsetof(D, mlAttachedVersion), VT_I4},
                     {u"mlLocalVersion", offsetof(D, mlLocalVersion), VT_I4},
                     {u"mlLatestVersion", offsetof(D, mlLatestVersion), VT_I4},
                     {u"mlConfigID", offsetof(D, mlConfigID), VT_I4},
                     {u"moConfigName", offsetof(D, moConfigName), VT_BSTR},
                     {u"mlLockedBy", offsetof(D, mlLockedBy), VT_I4},
                     {u"moLockedBy", offsetof(D, moLockedBy), VT_BSTR},
                     {u"moLockedPath", offsetof(D, moLockedPath), VT_BSTR},
                     {u"mlStatusID", offsetof(D, mlStatusID), VT_I4},
                     {u"moState", offsetof(D, moState), VT_BSTR},
                     {u"moModified", offsetof(D, moModified), VT_DATE},
                     {u"moDomain", offsetof(D, moDomain), VT_BSTR},
                     {u"moLockViewID", offsetof(D, moLockViewID), VT_RECORD, 1, UdtGUID::kRecordGuid},
                     {u"mbHasChildren", offsetof(D, mbHasChildren), VT_BOOL},
                     {u"mpoConnection", offsetof(D, mpoConnection), VT_UNKNOWN},
                     {u"mlResult", offsetof(D, mlResult), VT_I4},
                     {u"moAlternateName", offsetof(D, moAlternateName), VT_BSTR},
                     {u"mbIsUpToDate", offsetof(D, mbIsUpToDate), VT_I4},
                     {u"mlItmObjectFlags", offsetof(D, mlItmObjectFlags), VT_I4},
                     {u"mbsLinkedFile", offsetof(D, mbsLinkedFile), VT_BSTR},
                     {u"mlDynLinkedFileVersion", offsetof(D, mlDynLinkedFileVersion), VT_I4},
                     {u"mbIsDirty", offsetof(D, mbIsDirty), VT_BOOL},
                     {u"mbIsCutlist", offsetof(D, mbIsCutlist), VT_BOOL},
                 }));
}

constinit const com::TypeLibrary kTypeLibrary{&LIBID_CoraventLib, kLibraryMajorVersion, kLibraryMinorVersion,
                                              u"Coravent 1.0 Type Library", kInterfaces, &RegisterRecords};

const com::TypeLibrary& TypeLibrary() { return kTypeLibrary; }

}  // namespace CoraventLib
