// The enumerations of BellquistLib. Every enumeration is a 32-bit value in
// records and method arguments (described as VT_I4).
#pragma once

#include "winapi/types.h"

namespace BellquistLib {

// The kind of a vault object.
enum ItmObjectType : LONG {
    ItmObjectType_Undefined = 0,
    ItmObjectType_Root_ItemFolder = 1,
    ItmObjectType_Vault = 2,
    ItmObjectType_ItemFolder = 3,
    ItmObjectType_Item = 4,
    ItmObjectType_Project = 5,
    ItmObjectType_File = 6,
    ItmObjectType_BOM = 7,
    ItmObjectType_Cutlist = 8,
    ItmObjectType_All = 9,
};

// How a child is linked under its parent.
enum ItmLinkType : LONG {
    LinkType_Undefined = 0,
    LinkType_Dynamic = 1,
    LinkType_Static = 2,
    LinkType_BOM = 3,
    LinkType_Files = 4,
    LinkType_Item_Folder = 5,
    LinkType_All = 6,
};

// The pending change of a link.
enum ItmLinkOperation : LONG {
    LinkOp_Undefined = 0,
    LinkOp_None = 1,
    LinkOp_New = 2,
    LinkOp_Remove = 3,
    LinkOp_Delete = 4,
    LinkOp_Switch = 5,
    LinkOp_Dirty = 6,
    LinkOp_All = 7,
};

// The client that starts an item manager (InitData::meClientType).
enum ClientType : LONG {
    ClientType_Undefined = 0,
    ClientType_Local_Client = 1,
    ClientType_Web_Client = 2,
};

// The flags of a tree fetch (the lFlags of IItmManager::BatchGetTrees), a
// bit mask.
enum BgtFlags : LONG {
    Bgtf_Latest = 1,
    Bgtf_Recursive = 2,
    Bgtf_UpdateFileCache = 4,
    Bgtf_IgnoreInputFromFileCache = 8,
    Bgtf_MarkMissingChildrenRemoved = 16,
    Bgtf_SetModifiedNowForMyCheckedOut = 32,
    Bgtf_CopyMetaData = 64,
    Bgtf_RespectVersions = 128,
    Bgtf_IdOnlyInput = 256,
};

// The layout of the progress window, a bit mask.
enum ItmProgLayout : LONG {
    ItmProgLay_Nothing = 0,
    ItmProgLay_CancelBtn = 1,
};

// The kind of a root of a reference walk (XRefRootObject::meType).
enum ObjectType : LONG {
    Ot_Document = 1,
    Ot_Project = 2,
    Ot_BOM = 3,
    Ot_IC = 4,
    Ot_Item = 5,
    Ot_ItemFolder = 6,
    Ot_RootItemFolder = 7,
};

// The kind of an entry of a menu's version list (MenuVersionInfo).
enum MenuVersionType : LONG {
    MenuVersionType_Version = 0,   // a version, with its comment
    MenuVersionType_Revision = 1,  // a revision, with its text
    MenuVersionType_Label = 2,     // a label, with its text
};

}  // namespace BellquistLib
