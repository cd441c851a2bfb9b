// Identities and numbers of the vault client's cross-reference tree
// component HastrelLib ("Hastrel.dll"): the tree manager, which a caller
// starts on its vault connection, and the tree, which it builds over a
// selection of the vault's documents and hands to the reference dialog.
// Callers create both by CLSID (any context), put them into their running
// state (OleRun) and ask for their interfaces (hastrel/interfaces.h).
#pragma once

#include "com/unknown.h"
#include "winapi/types.h"

namespace HastrelLib {

// The library under which the component describes its records
// (hastrel/records.h), version 1.0.
inline constexpr GUID LIBID_HastrelLib = com::MakeGuid("B068863F-6347-4EE1-84AF-520FE16C3195");
inline constexpr WORD kLibraryMajorVersion = 1;
inline constexpr WORD kLibraryMinorVersion = 0;

// The tree manager (IXRefTreeManager, IXRefTreeManagerSerials): the session
// of the trees - the vault connection, user and view - and the counter ids a
// tree handed back for the next tree to reuse.
inline constexpr CLSID CLSID_XRefTreeManager = com::MakeGuid("B72B18AC-45C2-4D9E-967A-0AB16345F661");
// The tree (IXRefTree and the tree's other interfaces).
inline constexpr CLSID CLSID_XRefTree = com::MakeGuid("9EF53B49-D1FD-4D4F-B2C7-4B1A0520985B");

// The tree option word (IXRefTree::SetOptions): bits, OR-ed.
inline constexpr LONG kTreeOptionReferences = 0x1;        // follow the documents' references below the selection
inline constexpr LONG kTreeOptionDirectOnly = 0x2;        // with 0x1: only the references of the selected documents
inline constexpr LONG kTreeOptionItemNames = 0x100;       // propose item names, reserving counter ids for new ones
inline constexpr LONG kTreeOptionConfigurations = 0x200;  // a document in each configuration is a node of its own
inline constexpr LONG kTreeOptionCounts = 0x1000;         // nodes report their count (kNodeFlagCountValid)

// The selection kinds of a SelectionEntry.
inline constexpr LONG kSelectionDocument = 1;  // a document (and a configuration)
inline constexpr LONG kSelectionProject = 2;   // every document of a vault folder

// The flags word of a node (IXRefNode::GetFlags).
inline constexpr LONG kNodeFlagRoot = 0x1;           // the node is a root of the tree
inline constexpr LONG kNodeFlagHasChildren = 0x2;    // the node has references in the tree
inline constexpr LONG kNodeFlagExistingItem = 0x10;  // an item of the vault links the node's document
inline constexpr LONG kNodeFlagCountValid = 0x20;    // IXRefNode::GetCount is meaningful

// The mark IXRefTreeItem::SetMark sets on a row whose file the item the
// files are added to links already.
inline constexpr LONG kMarkLinkedFile = 43;

// The state bits of IXRefColumnState: 2 checks a column, 4 clears it (its
// value; the enabled switch stays); 8 and 16 ask for a checked or plain
// look, which follows the value in this tree and needs nothing kept.
inline constexpr LONG kColumnStateChecked = 0x2;
inline constexpr LONG kColumnStateCleared = 0x4;
inline constexpr LONG kColumnStateLookChecked = 0x8;
inline constexpr LONG kColumnStateLookPlain = 0x10;
// The scope bits of IXRefColumnState: on the tree, 1 the roots and 2 the
// rows below them; on a row, 4 the row itself and 2 the rows below it.
inline constexpr LONG kColumnScopeRoots = 0x1;
inline constexpr LONG kColumnScopeBelow = 0x2;
inline constexpr LONG kColumnScopeSelf = 0x4;

}  // namespace HastrelLib
