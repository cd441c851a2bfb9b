// The interfaces of the cross-reference tree component HastrelLib
// (hastrel/ids.h), as their callers call them: by vtable slot,
// QueryInterface being slot 0. The declaration order below is therefore the
// contract. Slots declared "Unused" have no meaning a caller relies on; they
// answer E_NOTIMPL (their bodies here, which implementations keep) and exist
// so that the slots after them line up.
//
// A tree is used so: the caller starts the tree manager on its vault
// connection (IXRefTreeManager), creates a tree, attaches the manager's
// IXRefTreeManagerSerials to it, sets the options and builds it over a
// selection of documents (IXRefTree). Each node of the tree is one place of
// a document in it - a root for a selected document, a child for each
// document a node's document references (with the number of references of
// that kind) - and one tree item answering the node interfaces below, the
// reference dialog's row interfaces (IFileRefItem, IFileRefItem3,
// IEditableFileRefItem, IFileRefConfigurations of castavy/interfaces.h) and
// IXRefItmItem. A document referenced in two places is two nodes. A
// reference to a document that is already on the node's own path (a cycle
// of references) is left out of the tree, so walks end.
//
// Cells: each node holds, per column id of the dialog, a value (false at
// first) and an enabled switch (on at first). IXRefColumns reads and writes
// both; IFileRefItem's column slots read and write the value and read the
// switch.
//
// Owner: a caller may make itself a tree item's owner (IXRefItemControl).
// While an owner is set, a QueryInterface on the item for one of the five row
// interfaces (the four of castavy/interfaces.h and IXRefItmItem) is answered
// by the owner; the item answers its node interfaces itself and never hands
// another IID to its owner.
#pragma once

#include "bellquist/records.h"
#include "com/unknown.h"
#include "hastrel/records.h"
#include "winapi/types.h"

struct SAFEARRAY;
class SpMgr;

namespace HastrelLib {

// The tree manager's start.
struct IXRefTreeManager : IUnknown {
    COM_INTERFACE_ID("27E2F562-7212-484C-83BE-292F04950C04");
    // Slot 3: the session of the trees to come: the vault connection (the
    // manager takes a reference of its own), the user and the vault view.
    // Starting again replaces the session. E_POINTER for a null connection;
    // E_INVALIDARG for a connection that is not open.
    virtual HRESULT STDMETHODCALLTYPE Start(SpMgr* poConnection, LONG lUserId, GUID oViewId) = 0;

protected:
    ~IXRefTreeManager() = default;
};

// The tree manager as a tree sees it (IXRefTree::SetManager).
struct IXRefTreeManagerSerials : IUnknown {
    COM_INTERFACE_ID("2FB61DA9-FBBE-4D44-8270-03A01F61BD3D");
    // Slots 3 to 8.
    virtual HRESULT STDMETHODCALLTYPE UnusedSlot3() { return E_NOTIMPL; }
    virtual HRESULT STDMETHODCALLTYPE UnusedSlot4() { return E_NOTIMPL; }
    virtual HRESULT STDMETHODCALLTYPE UnusedSlot5() { return E_NOTIMPL; }
    virtual HRESULT STDMETHODCALLTYPE UnusedSlot6() { return E_NOTIMPL; }
    virtual HRESULT STDMETHODCALLTYPE UnusedSlot7() { return E_NOTIMPL; }
    virtual HRESULT STDMETHODCALLTYPE UnusedSlot8() { return E_NOTIMPL; }
    // Slot 9: counter ids a tree reserved (SAFEARRAY(SerialNoInfo), the
    // caller's, copied), for the next tree built with this manager to take
    // before it reserves new ones. The next build gives back to the vault
    // the ids it does not take, and so does the manager when it goes. Ids
    // handed in twice are kept once. E_POINTER for a null array;
    // E_INVALIDARG for an array of other records.
    virtual HRESULT STDMETHODCALLTYPE ReuseSerials(SAFEARRAY* poSerials) = 0;

protected:
    ~IXRefTreeManagerSerials() = default;
};

struct XRefIteratorOp;

// The callback of a walk (IXRefTree::Iterate), the caller's object.
struct IXRefFunction : IUnknown {
    COM_INTERFACE_ID("0BC7555F-7640-4CF5-936C-1D446E9E42EF");
    // Slot 3: one node of the walk (its IUnknown) and the visitor the walk
    // was given; lReserved 0. A failure stops the walk, which returns it.
    virtual HRESULT STDMETHODCALLTYPE Visit(LONG lReserved, IUnknown* poNode, XRefIteratorOp* poVisitor) = 0;

protected:
    ~IXRefFunction() = default;
};

// The visitor a walk passes on to its callback untouched: a plain C++
// object of the walk's caller, not a COM object.
struct XRefIteratorOp {
    virtual ~XRefIteratorOp() = default;
    virtual HRESULT Visit(IUnknown* poNode) = 0;
};

// The tree.
struct IXRefTree : IUnknown {
    COM_INTERFACE_ID("B9408D4C-2F17-4824-82D5-A5BCAE8E3F26");
    // Slots 3 to 7.
    virtual HRESULT STDMETHODCALLTYPE UnusedSlot3() { return E_NOTIMPL; }
    virtual HRESULT STDMETHODCALLTYPE UnusedSlot4() { return E_NOTIMPL; }
    virtual HRESULT STDMETHODCALLTYPE UnusedSlot5() { return E_NOTIMPL; }
    virtual HRESULT STDMETHODCALLTYPE UnusedSlot6() { return E_NOTIMPL; }
    virtual HRESULT STDMETHODCALLTYPE UnusedSlot7() { return E_NOTIMPL; }
    // Slot 8: builds the tree over `lCount` selection entries (128 bytes
    // apart, the caller's): one root per document of the entries, in entry
    // order (a document named twice in the same configuration is one root),
    // and, with kTreeOptionReferences, below each node a child for each
    // document (in a configuration, of a kind) its document references.
    // In a tree with kTreeOptionItemNames each node proposes item names (an
    // item of the vault that links the document: name B; else the name the
    // entry gives, or a new name, reserving one counter id per new name).
    // `lTreeFlag` and `bsReserved` ("") are kept by the caller's contract and
    // change nothing here. Building again replaces the nodes (the ids
    // reserved before stay reserved and listed). E_UNEXPECTED without an
    // attached, started manager; E_POINTER for a null array with a count;
    // E_INVALIDARG for a negative count; E_OXN_FILE_NOT_FOUND for a document
    // the vault does not have (a folder without documents adds nothing);
    // the vault's failures. Nothing changes on failure but ids reserved
    // (those are listed, for the caller to give back).
    virtual HRESULT STDMETHODCALLTYPE Build(LONG lTreeFlag, LONG lCount, SelectionEntry* poEntries,
                                            BSTR bsReserved) = 0;
    // Slots 9, 10.
    virtual HRESULT STDMETHODCALLTYPE UnusedSlot9() { return E_NOTIMPL; }
    virtual HRESULT STDMETHODCALLTYPE UnusedSlot10() { return E_NOTIMPL; }
    // Slot 11: walks the nodes as `eFlag` says (0 counts as
    // IterateFlag_All), calling `poFunction`'s Visit with each node and
    // `poVisitor`. S_OK; the first failing visit's result; E_POINTER for a
    // null function; E_INVALIDARG for another flag. Before a build the tree
    // has no nodes.
    virtual HRESULT STDMETHODCALLTYPE Iterate(LONG eFlag, IXRefFunction* poFunction, XRefIteratorOp* poVisitor) = 0;
    // Slot 12: a new enumerator over the roots (castavy's element
    // interface: its slot 3 reports whether a root is left, its slot 4 gives
    // it and moves on). E_POINTER for a null out-argument.
    virtual HRESULT STDMETHODCALLTYPE GetRoots(IUnknown** ppoRoots) = 0;
    // Slots 13 to 16.
    virtual HRESULT STDMETHODCALLTYPE UnusedSlot13() { return E_NOTIMPL; }
    virtual HRESULT STDMETHODCALLTYPE UnusedSlot14() { return E_NOTIMPL; }
    virtual HRESULT STDMETHODCALLTYPE UnusedSlot15() { return E_NOTIMPL; }
    virtual HRESULT STDMETHODCALLTYPE UnusedSlot16() { return E_NOTIMPL; }
    // Slot 17: the option word of the builds to come (kTreeOption... bits;
    // other bits are kept and change nothing).
    virtual HRESULT STDMETHODCALLTYPE SetOptions(LONG lOptions) = 0;
    // Slots 18, 19.
    virtual HRESULT STDMETHODCALLTYPE UnusedSlot18() { return E_NOTIMPL; }
    virtual HRESULT STDMETHODCALLTYPE UnusedSlot19() { return E_NOTIMPL; }
    // Slot 20: the tree manager whose session the builds read (its
    // IXRefTreeManagerSerials; the tree takes a reference). E_POINTER for
    // null; E_NOINTERFACE for an object that is not this component's tree
    // manager.
    virtual HRESULT STDMETHODCALLTYPE SetManager(IUnknown* poManager) = 0;

protected:
    ~IXRefTree() = default;
};

// The counter ids a tree reserved.
struct IXRefTreeSerials : IUnknown {
    COM_INTERFACE_ID("39C530B7-AE06-4530-A2DD-C7FC7F9A5782");
    // Slot 3.
    virtual HRESULT STDMETHODCALLTYPE UnusedSlot3() { return E_NOTIMPL; }
    // Slot 4: every counter id the tree's builds reserved or took from the
    // manager (SAFEARRAY(SerialNoInfo), a new array for the caller, empty
    // when there are none). The tree never gives them back itself. E_POINTER
    // for a null out-argument.
    virtual HRESULT STDMETHODCALLTYPE GetReservedSerials(SAFEARRAY** ppoSerials) = 0;

protected:
    ~IXRefTreeSerials() = default;
};

// The items of the vault a row may use.
struct IXRefTreeItems : IUnknown {
    COM_INTERFACE_ID("EAAF9B9D-4C8A-4C6C-A574-DD1A676FCFC1");
    // Slot 3: VARIANT_TRUE when the vault has items a row may use (the
    // existing-item column can be chosen), else VARIANT_FALSE. E_POINTER for
    // a null out-argument; E_UNEXPECTED before a build.
    virtual HRESULT STDMETHODCALLTYPE GetExistingItemSwitch(VARIANT_BOOL* pbSwitch) = 0;
    // Slot 4: the items of the vault as castavy's item list
    // (SAFEARRAY(CASTAVYLib::ItemListEntry), a new array for the caller):
    // each item's name ("x.<item>") and VARIANT_TRUE when the item links a
    // document dynamically already (a row that uses it cannot link its file
    // dynamically). As read at the last build. E_POINTER for a null
    // out-argument; E_UNEXPECTED before a build.
    virtual HRESULT STDMETHODCALLTYPE GetItemList(SAFEARRAY** ppoItems) = 0;

protected:
    ~IXRefTreeItems() = default;
};

// Column states over several rows (the tree's and each tree item's).
struct IXRefColumnState : IUnknown {
    COM_INTERFACE_ID("7CD4DE0B-8F5B-4648-8A05-CA9D9F63EFD9");
    // Slot 3: SetColumnsState for the one column `lColumn`.
    virtual HRESULT STDMETHODCALLTYPE SetColumnState(LONG lColumn, LONG lState, LONG lScope) = 0;
    // Slot 4: sets the columns of `poColumns` (SAFEARRAY of VT_I4, the
    // caller's) as the kColumnState... bits of `lState` say, on the rows the
    // kColumnScope... bits of `lScope` name. E_POINTER for a null array;
    // E_INVALIDARG for an array of another type.
    virtual HRESULT STDMETHODCALLTYPE SetColumnsState(SAFEARRAY* poColumns, LONG lState, LONG lScope) = 0;

protected:
    ~IXRefColumnState() = default;
};

// ---- The interfaces of a tree item (node) ----

// The owner of a tree item.
struct IXRefItemControl : IUnknown {
    COM_INTERFACE_ID("11CF0CF9-7DAC-4A52-A299-47D4576DCEF2");
    // Slots 3 to 27.
    virtual HRESULT STDMETHODCALLTYPE UnusedSlot3() { return E_NOTIMPL; }
    virtual HRESULT STDMETHODCALLTYPE UnusedSlot4() { return E_NOTIMPL; }
    virtual HRESULT STDMETHODCALLTYPE UnusedSlot5() { return E_NOTIMPL; }
    virtual HRESULT STDMETHODCALLTYPE UnusedSlot6() { return E_NOTIMPL; }
    virtual HRESULT STDMETHODCALLTYPE UnusedSlot7() { return E_NOTIMPL; }
    virtual HRESULT STDMETHODCALLTYPE UnusedSlot8() { return E_NOTIMPL; }
    virtual HRESULT STDMETHODCALLTYPE UnusedSlot9() { return E_NOTIMPL; }
    virtual HRESULT STDMETHODCALLTYPE UnusedSlot10() { return E_NOTIMPL; }
    virtual HRESULT STDMETHODCALLTYPE UnusedSlot11() { return E_NOTIMPL; }
    virtual HRESULT STDMETHODCALLTYPE UnusedSlot12() { return E_NOTIMPL; }
    virtual HRESULT STDMETHODCALLTYPE UnusedSlot13() { return E_NOTIMPL; }
    virtual HRESULT STDMETHODCALLTYPE UnusedSlot14() { return E_NOTIMPL; }
    virtual HRESULT STDMETHODCALLTYPE UnusedSlot15() { return E_NOTIMPL; }
    virtual HRESULT STDMETHODCALLTYPE UnusedSlot16() { return E_NOTIMPL; }
    virtual HRESULT STDMETHODCALLTYPE UnusedSlot17() { return E_NOTIMPL; }
    virtual HRESULT STDMETHODCALLTYPE UnusedSlot18() { return E_NOTIMPL; }
    virtual HRESULT STDMETHODCALLTYPE UnusedSlot19() { return E_NOTIMPL; }
    virtual HRESULT STDMETHODCALLTYPE UnusedSlot20() { return E_NOTIMPL; }
    virtual HRESULT STDMETHODCALLTYPE UnusedSlot21() { return E_NOTIMPL; }
    virtual HRESULT STDMETHODCALLTYPE UnusedSlot22() { return E_NOTIMPL; }
    virtual HRESULT STDMETHODCALLTYPE UnusedSlot23() { return E_NOTIMPL; }
    virtual HRESULT STDMETHODCALLTYPE UnusedSlot24() { return E_NOTIMPL; }
    virtual HRESULT STDMETHODCALLTYPE UnusedSlot25() { return E_NOTIMPL; }
    virtual HRESULT STDMETHODCALLTYPE UnusedSlot26() { return E_NOTIMPL; }
    virtual HRESULT STDMETHODCALLTYPE UnusedSlot27() { return E_NOTIMPL; }
    // Slot 28: makes `poOwner` the item's owner (null: none). The item keeps
    // no reference: the owner clears itself before it goes. S_OK.
    virtual HRESULT STDMETHODCALLTYPE SetOwner(IUnknown* poOwner) = 0;

protected:
    ~IXRefItemControl() = default;
};

// What a node stands for. Every out-argument is required (E_POINTER).
struct IXRefNode : IUnknown {
    COM_INTERFACE_ID("9C03A0F5-A623-467E-B1CC-1237A95C1163");
    // Slot 3: the document's id.
    virtual HRESULT STDMETHODCALLTYPE GetDocumentID(LONG* plDocumentId) = 0;
    // Slot 4.
    virtual HRESULT STDMETHODCALLTYPE UnusedSlot4() { return E_NOTIMPL; }
    // Slot 5: the node's flags (kNodeFlag... bits).
    virtual HRESULT STDMETHODCALLTYPE GetFlags(LONG* plFlags) = 0;
    // Slot 6.
    virtual HRESULT STDMETHODCALLTYPE UnusedSlot6() { return E_NOTIMPL; }
    // Slot 7: the vault folder that holds the document.
    virtual HRESULT STDMETHODCALLTYPE GetFolderID(LONG* plFolderId) = 0;
    // Slot 8.
    virtual HRESULT STDMETHODCALLTYPE UnusedSlot8() { return E_NOTIMPL; }
    // Slot 9: the document's latest version.
    virtual HRESULT STDMETHODCALLTYPE GetVersion(LONG* plVersion) = 0;
    // Slots 10 to 21.
    virtual HRESULT STDMETHODCALLTYPE UnusedSlot10() { return E_NOTIMPL; }
    virtual HRESULT STDMETHODCALLTYPE UnusedSlot11() { return E_NOTIMPL; }
    virtual HRESULT STDMETHODCALLTYPE UnusedSlot12() { return E_NOTIMPL; }
    virtual HRESULT STDMETHODCALLTYPE UnusedSlot13() { return E_NOTIMPL; }
    virtual HRESULT STDMETHODCALLTYPE UnusedSlot14() { return E_NOTIMPL; }
    virtual HRESULT STDMETHODCALLTYPE UnusedSlot15() { return E_NOTIMPL; }
    virtual HRESULT STDMETHODCALLTYPE UnusedSlot16() { return E_NOTIMPL; }
    virtual HRESULT STDMETHODCALLTYPE UnusedSlot17() { return E_NOTIMPL; }
    virtual HRESULT STDMETHODCALLTYPE UnusedSlot18() { return E_NOTIMPL; }
    virtual HRESULT STDMETHODCALLTYPE UnusedSlot19() { return E_NOTIMPL; }
    virtual HRESULT STDMETHODCALLTYPE UnusedSlot20() { return E_NOTIMPL; }
    virtual HRESULT STDMETHODCALLTYPE UnusedSlot21() { return E_NOTIMPL; }
    // Slot 22: how often the node's document is used at the node's place:
    // the number of references of its parent to it (1 for a root). Its
    // caller adds up the counts of a document's nodes: a document used more
    // than once in the tree cannot become one item of its own. Meaningful
    // in a tree with kTreeOptionCounts (flag kNodeFlagCountValid).
    virtual HRESULT STDMETHODCALLTYPE GetCount(LONG* plCount) = 0;

protected:
    ~IXRefNode() = default;
};

// The references of a node.
struct IXRefNodeReferences : IUnknown {
    COM_INTERFACE_ID("C9086A27-4EC8-429A-AADC-94DC24B5B91F");
    // Slot 3: one XRefReference per child of the node, in child order
    // (SAFEARRAY(XRefReference), a new array for the caller).
    // E_POINTER for a null out-argument.
    virtual HRESULT STDMETHODCALLTYPE GetReferences(SAFEARRAY** ppoReferences) = 0;

protected:
    ~IXRefNodeReferences() = default;
};

// The nodes a node references, one by one.
struct IXRefNodeChildren : IUnknown {
    COM_INTERFACE_ID("2350E834-88E0-47FA-9EC6-7C7A6402E8F0");
    // Slot 3: starts (again) at the first child. `lConfigWord`, the node's
    // configuration word, is accepted whatever it is: a node's children are
    // the references of its document. S_OK.
    virtual HRESULT STDMETHODCALLTYPE StartChildren(LONG lConfigWord) = 0;
    // Slot 4: the next child (its IUnknown, a new reference), S_OK; S_FALSE
    // and null at the end. E_POINTER for a null out-argument.
    virtual HRESULT STDMETHODCALLTYPE NextChild(LONG lConfigWord, IUnknown** ppoChild) = 0;

protected:
    ~IXRefNodeChildren() = default;
};

// A tree item as a row: the way to its columns (IXRefColumns, asked for on
// this interface) and its mark.
struct IXRefTreeItem : IUnknown {
    COM_INTERFACE_ID("5617BAF0-7050-4109-9542-CA7CC68BB738");
    // Slots 3 to 9.
    virtual HRESULT STDMETHODCALLTYPE UnusedSlot3() { return E_NOTIMPL; }
    virtual HRESULT STDMETHODCALLTYPE UnusedSlot4() { return E_NOTIMPL; }
    virtual HRESULT STDMETHODCALLTYPE UnusedSlot5() { return E_NOTIMPL; }
    virtual HRESULT STDMETHODCALLTYPE UnusedSlot6() { return E_NOTIMPL; }
    virtual HRESULT STDMETHODCALLTYPE UnusedSlot7() { return E_NOTIMPL; }
    virtual HRESULT STDMETHODCALLTYPE UnusedSlot8() { return E_NOTIMPL; }
    virtual HRESULT STDMETHODCALLTYPE UnusedSlot9() { return E_NOTIMPL; }
    // Slot 10: the row's mark (0: none). E_POINTER for a null out-argument.
    virtual HRESULT STDMETHODCALLTYPE GetMark(LONG* plMark) = 0;
    // Slot 11: marks the row (kMarkLinkedFile); the last mark holds. S_OK.
    virtual HRESULT STDMETHODCALLTYPE SetMark(LONG lMark) = 0;

protected:
    ~IXRefTreeItem() = default;
};

// The cells of a row, by column id.
struct IXRefColumns : IUnknown {
    COM_INTERFACE_ID("2255F67E-9381-4CBD-9D38-02D3A36B0644");
    // Slot 3: VARIANT_TRUE when the column is checked as the user sees it:
    // its value set and its switch on. E_POINTER for a null out-argument.
    virtual HRESULT STDMETHODCALLTYPE GetChecked(LONG lColumn, VARIANT_BOOL* pbChecked) = 0;
    // Slot 4: the column's value. E_POINTER for a null out-argument.
    virtual HRESULT STDMETHODCALLTYPE GetValue(LONG lColumn, VARIANT_BOOL* pbValue) = 0;
    // Slot 5: sets the column's value (non-zero: set). S_OK.
    virtual HRESULT STDMETHODCALLTYPE SetValue(LONG lColumn, VARIANT_BOOL bValue) = 0;
    // Slot 6: switches the column on or off (off: the user cannot choose
    // it, and it does not count as checked). S_OK.
    virtual HRESULT STDMETHODCALLTYPE SetEnabled(LONG lColumn, VARIANT_BOOL bEnabled) = 0;

protected:
    ~IXRefColumns() = default;
};

// A tree item for item generation.
struct IXRefItmItem : IUnknown {
    COM_INTERFACE_ID("7C0A8805-E193-4CEB-8B26-6B824BAAC1CE");
    // Slot 3: fills the caller's zeroed record with the node's document as a
    // file of the vault (object type file, its folder, name and path, the
    // latest version, the configuration, the lock and state; the link type
    // dynamic when column 35 is checked, else static); the strings become the
    // record's. E_POINTER for a null record.
    virtual HRESULT STDMETHODCALLTYPE GetObjectData(BellquistLib::ItmObjectData* poData) = 0;
    // Slot 4: a new XRefNodeRecord for the caller. E_POINTER for a null
    // out-argument.
    virtual HRESULT STDMETHODCALLTYPE GetNodeRecord(XRefNodeRecord** ppoRecord) = 0;
    // Slot 5: a new XRefRowRecord for the caller. E_POINTER for a null
    // out-argument.
    virtual HRESULT STDMETHODCALLTYPE GetRowRecord(XRefRowRecord** ppoRecord) = 0;
    // Slot 6: a new XRefNames for the caller. E_POINTER for a null
    // out-argument.
    virtual HRESULT STDMETHODCALLTYPE GetNames(XRefNames** ppoNames) = 0;

protected:
    ~IXRefItmItem() = default;
};

}  // namespace HastrelLib
