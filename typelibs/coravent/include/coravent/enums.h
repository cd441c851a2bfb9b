// Enumerations of CoraventLib, with the values (and the spellings) the
// library stores. The item kinds and link enumerations repeat those of the
// item server's library value for value, so records cross between the two
// servers unchanged.
#pragma once

#include "winapi/types.h"

namespace CoraventLib {

// What an item operation builds its reference tree for.
enum TreeCreationType : LONG {
    TreeCreationType_Undifiend = 0,
    TreeCreationType_ItemGeneration = 1,  // generate items from files
    TreeCreationType_RetrieveFiles = 2,   // add files to an item
    TreeCreationType_IncrRevisions = 3,
};

// Bits of IItemOperation::ShowDlg's lItemDlgFlags.
enum ItemDlgFlag : LONG {
    Itemdf_Nothing = 0,
    Itemdf_ShowOpenCheckbox = 1,
    Itemdf_MayChangeFolder = 2,
};

// Bits of InitData::mlCreationFlags (1 and 2: "undefined" is a bit of its own).
enum CreationFlags : LONG {
    CreationFlags_Undifiend = 1,
    CreationFlags_HasDynamicLink = 2,
};

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

enum ItmLinkType : LONG {
    LinkType_Undefined = 0,
    LinkType_Dynamic = 1,
    LinkType_Static = 2,
    LinkType_BOM = 3,
    LinkType_Files = 4,
    LinkType_Item_Folder = 5,
    LinkType_All = 6,
};

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

}  // namespace CoraventLib
