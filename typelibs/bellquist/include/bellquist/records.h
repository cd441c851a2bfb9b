// The records of BellquistLib, in the layout the type library gives them
// (natural alignment, 64-bit pointers). Each carries its record GUID, under
// which its description is registered (RegisterRecords) and arrays of it are
// created (RecordArray).
//
// BOOL fields are 16-bit VARIANT_BOOLs (0 or -1). GUID fields have the
// layout of the record UdtGUID and are described as that nested record. BSTR,
// interface and array fields are owned by the record's holder and given back
// by IRecordInfo::RecordClear.
#pragma once

#include "bellquist/enums.h"
#include "com/bstr.h"
#include "com/unknown.h"
#include "com/variant.h"
#include "winapi/types.h"

#include <cstddef>

struct SAFEARRAY;

namespace BellquistLib {

// A GUID as a record, used inside the other records.
struct UdtGUID {
    static constexpr GUID kRecordGuid = com::MakeGuid("8A85F978-5742-4ABC-A9B6-5EC8AE1CEFBF");
    LONG Data1;
    SHORT Data2;
    SHORT Data3;
    BYTE Data4[8];
};
static_assert(sizeof(UdtGUID) == 16 && sizeof(UdtGUID) == sizeof(GUID));
static_assert(offsetof(UdtGUID, Data4) == offsetof(GUID, Data4));

// One item object: item, item folder, file or BOM.
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
    GUID moLockViewID;
    VARIANT_BOOL mbHasChildren;
    IUnknown* mpoConnection;
    LONG mlResult;
    BSTR moAlternateName;
    LONG mbIsUpToDate;  // a 32-bit field, read as a VARIANT_BOOL from its low 16 bits
    LONG mlItmObjectFlags;
    BSTR mbsLinkedFile;
    LONG mlDynLinkedFileVersion;
    VARIANT_BOOL mbIsDirty;
    VARIANT_BOOL mbIsCutlist;
};
static_assert(sizeof(ItmObjectData) == 200);

// The optional second argument of IItmObject::Load.
struct LoadItmObjectData {
    static constexpr GUID kRecordGuid = com::MakeGuid("BD8846BA-E988-425C-A53B-23E7F3334B9E");
    BSTR moIncludePath;
    IUnknown* mpoConnection;
};

// The identity of one object under its parent.
struct ItmUniqueID {
    static constexpr GUID kRecordGuid = com::MakeGuid("0BC5F792-B722-48E0-883A-C8F8BEA34CAD");
    ItmObjectType meObjectType;
    LONG mlObjectID;
    LONG mlParentID;
    LONG mlConfigID;
};
static_assert(sizeof(ItmUniqueID) == 16);

// One link: the child's identity, the link's kind and its pending change.
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

// A link's kind and pending change.
struct ItmLinkData {
    static constexpr GUID kRecordGuid = com::MakeGuid("86532EE4-B733-46FE-ACDB-20BF02672C0A");
    ItmLinkType meLinkType;
    ItmLinkOperation meLinkOperation;
};
static_assert(sizeof(ItmLinkData) == 8);

// The argument of IItmManager::Init.
struct InitData {
    static constexpr GUID kRecordGuid = com::MakeGuid("09983A85-7571-4E40-86E0-9130898809AA");
    ClientType meClientType;
    ULONGLONG hParentWndHandle;
    BSTR moDomainName;
    BSTR moComputerName;
    BSTR moViewPath;
    GUID moViewGUID;
    GUID moVaultGUID;
    ULONGLONG mllOxnVault;  // the vault object's interface pointer
    LONG mlViewServerID;
};

// What IItmManager::Login and IItmManager2::Login2 give back.
struct LoginDataOut {
    static constexpr GUID kRecordGuid = com::MakeGuid("8E7B8445-FD78-482F-9832-A023F29DA6A0");
    LONG mlUserID;
    BSTR moUsername;
    GUID moVaultGUID;
    ULONGLONG mpoSpMgr;  // the in-process SpMgr pointer, with one reference for the receiver
    LONG mlRootItemFolderID;
};

// One system right of the user, a single-bit value.
struct MenuSysRightInfo {
    static constexpr GUID kRecordGuid = com::MakeGuid("3B3140DB-5C67-457C-A5DD-BD38BB8DB2DF");
    ULONG muiRight;
};

// One vault among the items given to IVaultUtils::Init.
struct ItmVaultInfo {
    static constexpr GUID kRecordGuid = com::MakeGuid("5E265FFC-8195-435D-B2AC-15300A217721");
    IUnknown* mpoConnectionPtr;
    LONG mlUserID;
    BSTR moViewPath;
    GUID moViewGUID;
    GUID moVaultGUID;
    ULONGLONG mulParentWnd;
    SAFEARRAY* poUserSystemRights;  // SAFEARRAY(MenuSysRightInfo)
};

// A path of a reference walk's root that is to change.
struct XRefUpdatePath {
    static constexpr GUID kRecordGuid = com::MakeGuid("42815126-782F-42D6-BBCB-CFF012167E7B");
    BSTR mbsOldPath;
    BSTR mbsNewPath;
};

// One root of a reference walk: an item of a vault in IVaultUtils::GetNextVault.
struct XRefRootObject {
    static constexpr GUID kRecordGuid = com::MakeGuid("1F083FE8-2B8F-4087-855F-27C4292141A9");
    ObjectType meType;
    LONG mlDocumentID;
    VARIANT moFileDate;
    LONG mlProjectID;
    BSTR mbsConfig;
    BSTR mbsItemName;
    LONG mlDestFolderID;
    BSTR mbsPath;
    BSTR mbsRoot;
    BSTR mbsWebRoot;
    LONG mlDocumentVersion;
    LONG mlLocalVersion;
    LONG mlLockedBy;
    LONGLONG mlVersionUID;
    DWORD mdwFileSize;
    SAFEARRAY* mpoPathToUpdate;  // SAFEARRAY(XRefUpdatePath)
};

// An object deleted or destroyed in the vault, reported by a tree fetch.
struct DelOrDestroyed {
    static constexpr GUID kRecordGuid = com::MakeGuid("E275102D-E703-4A7F-98A9-A5A4CC6FFBBC");
    ItmObjectType meType;
    LONG mlId;
    VARIANT_BOOL mbDestroyed;
};

// One item to fetch by id (IItmManager2::BatchGetTrees2).
struct ItemDataIn {
    static constexpr GUID kRecordGuid = com::MakeGuid("9B5569E4-F175-4A6A-8DDD-7B80C76D3619");
    LONG mlId;
    LONG mlVersion;
    BSTR mbsName;
};

// One item of the cache to bring up to date (IItmManager2::UpdateCache); a
// version of -1 removes it.
struct CacheUpdate {
    static constexpr GUID kRecordGuid = com::MakeGuid("CABDFC1F-A6E1-44FE-8BEA-995FD8ED9789");
    BSTR mbsName;
    LONG mlId;
    LONG mlFolderId;
    LONG mlVersion;
};

// One object of a selection whose menu information is asked for.
struct UniqueDocument {
    static constexpr GUID kRecordGuid = com::MakeGuid("5785EAFC-B74E-479C-A664-46D1EBB6BFEC");
    LONG mlDocumentID;
    LONG mlParentProjectID;
    LONG mlVersion;
    LONG mlObjectTypeID;
};

// One file or folder of the local view, with its place in the vault.
struct ItmDbInfo {
    static constexpr GUID kRecordGuid = com::MakeGuid("B98D9AEB-4480-4451-861C-A23B24901FE7");
    ItmObjectType meItemType;
    LONG mlDocumentID;
    LONG mlProjectID;
    BSTR moItemName;
    BSTR moItemPath;
};

// One entry of a document's version list in the menu information: a
// version, a revision or a label, and the version it stands for.
struct MenuVersionInfo {
    static constexpr GUID kRecordGuid = com::MakeGuid("AF12DDFF-1755-4C8E-8B01-91E3726A5A32");
    MenuVersionType meType;
    LONG mlVersion;
    BSTR moText;  // the version's comment, the revision or the label
};
static_assert(sizeof(MenuVersionInfo) == 16);

// A workflow transition the menu information offers for the selection.
struct MenuTransitionInfo {
    static constexpr GUID kRecordGuid = com::MakeGuid("E89EAA0B-DECE-4469-8D24-08B76B65C356");
    BSTR moName;
    VARIANT_BOOL mbIsRevoke;
    LONG mlCommitsNum;
    LONG mlRequiredNum;
};
static_assert(sizeof(MenuTransitionInfo) == 24);

// The state of one document of the selection in the menu information.
struct MenuStatusNotificationInfo {
    static constexpr GUID kRecordGuid = com::MakeGuid("E38CF34B-3BC4-47B3-8CAE-B6269E25BD0B");
    LONG mlDocumentID;
    LONG mlObjectTypeID;
    LONG mlLockedByUserID;  // 0 when it is not checked out
    BSTR moStateName;
};
static_assert(sizeof(MenuStatusNotificationInfo) == 24);

// A card variable that items carry (IItmManager::GetItmInfoSupplement).
struct ItmInfoSupplement {
    static constexpr GUID kRecordGuid = com::MakeGuid("E7F69D96-7FBC-4C07-87E0-F07C95A1DE5A");
    LONG mlVariableID;
    BSTR moName;
    LONG mlValueType;
    VARIANT_BOOL mbIsUnique;
    VARIANT_BOOL mbIsMandatory;
};
static_assert(sizeof(ItmInfoSupplement) == 24);

}  // namespace BellquistLib
