// Enumerations of CoraventLib, with the values (and the spellings) the
// library stores. The item kinds and link enumerations are those of the item
// server's library, so records cross between the two servers unchanged.
#pragma once

#include "bellquist/enums.h"
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

// The item server's enumerations, with their enumerators.
using BellquistLib::ItmLinkOperation;
using BellquistLib::ItmLinkType;
using BellquistLib::ItmObjectType;
using enum BellquistLib::ItmObjectType;
using enum BellquistLib::ItmLinkType;
using enum BellquistLib::ItmLinkOperation;

}  // namespace CoraventLib
