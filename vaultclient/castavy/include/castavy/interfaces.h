// The interfaces of the reference dialog component CASTAVYLib
// (castavy/ids.h): the dialog's own (IFileCastavy), those of the command
// object it is handed and calls back while it is open (IFileRefCmd3,
// IFileRefItem3 for the destination folder, IItemListCmd,
// IXRefTreeListCtrlCallback), those of the rows it shows (IFileRefItem,
// IFileRefItem3, IEditableFileRefItem, IFileRefConfigurations) and of the
// small objects it hands over (elements, row lists). Callers call them by
// vtable slot, QueryInterface being slot 0, so the declaration order is the
// contract. Slots declared "Unused" have no meaning a caller relies on; they
// answer E_NOTIMPL (their bodies here, which implementations keep) and exist
// so that the slots after them line up.
//
// A session of the dialog runs so: the caller creates the dialog, puts its
// tree type, and shows it with a command object. The dialog asks the command
// for its columns, flag word and texts, has it build its tree (tree type
// kTreeTypeReferences), takes the root rows from the command's root
// enumerator - each root through an element (IFileRefElement) turned into a
// row by IFileRefCmd3::GetRowItem - and their children from the rows
// themselves. A check box the user clicks is first offered to the command
// (IFileRefCmd3::ValueChanged); when the command leaves it (S_FALSE) the
// dialog sets the row's column itself (IFileRefItem::SetColumnValue), after
// which it shows every row's columns again. OK asks the command
// (kCommandCheckBeforeOk) before it ends the dialog.
#pragma once

#include "com/bstr.h"
#include "com/unknown.h"
#include "com/variant.h"
#include "winapi/types.h"

struct SAFEARRAY;

namespace CASTAVYLib {

struct IFileRefItem;

// The file-reference dialog.
struct IFileCastavy : IUnknown {
    COM_INTERFACE_ID("0D545E1E-B798-4D13-8A51-EF1CCC801A9F");
    // Slot 3: shows the dialog modally (through the prompter), owned by the
    // window `lParentWnd` (a window handle as a 32-bit value, 0 for none),
    // for the command object `poCommand` (its IFileRefCmd3, which the dialog
    // calls back), `lWidth` dialog units wide (kept between 180 and 1000),
    // with `bsCaption` as title unless the command gives one
    // (CastavyText_Title). lReserved 0. S_OK when the user pressed OK (and
    // the command let it end), S_FALSE (1) when the user cancelled.
    // E_POINTER for a null command; E_NOINTERFACE for an object without
    // IFileRefCmd3; E_UNEXPECTED while it is showing already; a failure of
    // the command's GetColumns or BuildTree; E_FAIL when the dialog cannot
    // be shown.
    virtual HRESULT STDMETHODCALLTYPE Show(LONG lParentWnd, IUnknown* poCommand, LONG lReserved, LONG lWidth,
                                           BSTR bsCaption) = 0;
    // Slots 4 to 6.
    virtual HRESULT STDMETHODCALLTYPE UnusedSlot4() { return E_NOTIMPL; }
    virtual HRESULT STDMETHODCALLTYPE UnusedSlot5() { return E_NOTIMPL; }
    virtual HRESULT STDMETHODCALLTYPE UnusedSlot6() { return E_NOTIMPL; }
    // Slot 7: the tree type of the next showing (kTreeType...). E_INVALIDARG
    // for another value.
    virtual HRESULT STDMETHODCALLTYPE PutTreeType(LONG lTreeType) = 0;
    // Slot 8: the dialog's text - the comment as the user left it when OK
    // ended the last showing, else as last set (a new string). E_POINTER for
    // a null out-argument.
    virtual HRESULT STDMETHODCALLTYPE GetText(BSTR* pbsText) = 0;
    // Slot 9: the text the comment starts with (null: "").
    virtual HRESULT STDMETHODCALLTYPE SetText(BSTR bsText) = 0;

protected:
    ~IFileCastavy() = default;
};

// The command object's interface: one pointer answers this IID and the two
// of its earlier versions below.
struct IFileRefCmd3 : IUnknown {
    COM_INTERFACE_ID("F9677C6B-547B-49AE-8074-39028407F43C");
    // Slot 3: the columns to show - `*ppoFirst` and `*ppoSecond` receive new
    // SAFEARRAYs of VT_I4 column ids (CastavyCol) for the caller to destroy,
    // shown first the first's, then the second's; `*plFlags` the flag word
    // (kFlag...). Two empty arrays: no tree, the dialog is a confirmation
    // with a comment. E_INVALIDARG for a null array pointer.
    virtual HRESULT STDMETHODCALLTYPE GetColumns(SAFEARRAY** ppoFirst, SAFEARRAY** ppoSecond, LONG* plFlags) = 0;
    // Slot 4: the command `lCommand` (kCommand...) from the dialog owned by
    // the window `lWnd`, with a value (may be null).
    virtual HRESULT STDMETHODCALLTYPE Command(LONG lWnd, LONG lCommand, VARIANT* pvValue) = 0;
    // Slot 5: the root enumerator (IFileRefElement: slot 3 "more", slot 4
    // the next root tree item) in *ppoEnum; S_FALSE and null when there is
    // no tree. lReserved 0.
    virtual HRESULT STDMETHODCALLTYPE GetRootEnumerator(LONG lReserved, IUnknown** ppoEnum) = 0;
    // Slot 6: the row (an object answering IFileRefItem) for the element
    // `poElement` (IFileRefElement holding a tree item) in *ppoRow; S_FALSE
    // when the element holds none. lReserved 0.
    virtual HRESULT STDMETHODCALLTYPE GetRowItem(LONG lReserved, IUnknown* poElement, IUnknown** ppoRow) = 0;
    // Slot 7: the option `lOption` (kOptionOpenGeneratedItems): its value
    // and a flag (1: the value holds). E_NOTIMPL for an option the command
    // does not know. lReserved1/2 0.
    virtual HRESULT STDMETHODCALLTYPE GetOption(LONG lReserved1, LONG lReserved2, LONG lOption, LONG* plValue,
                                                LONG* plFlag) = 0;
    // Slot 8: the user changes `lColumn` of `poRow` (null for the option
    // check box, column 67) to `lValue` (1 checked, 0 not); lWnd is the
    // dialog's window, lReserved 0. S_OK: the command made the change;
    // S_FALSE: it left it to the dialog; a failure: nothing is changed.
    virtual HRESULT STDMETHODCALLTYPE ValueChanged(LONG lWnd, IFileRefItem* poRow, LONG lReserved, LONG lColumn,
                                                   LONG lValue) = 0;
    // Slot 9: the text `lTextId` (CastavyText) as a new string for the
    // caller; an S_OK that leaves *pbsText as it was keeps the dialog's own.
    virtual HRESULT STDMETHODCALLTYPE GetText(LONG lTextId, BSTR* pbsText) = 0;
    // Slot 10: the dialog is about to show (columns and texts read, tree not
    // yet built). The result is not read.
    virtual HRESULT STDMETHODCALLTYPE OnDialogInit() = 0;
    // Slot 11: (re)builds the tree the root enumerator gives, in the mode
    // `lMode` (kBuildModeReferences). A failure ends the showing with it.
    virtual HRESULT STDMETHODCALLTYPE BuildTree(LONG lMode) = 0;
    // Slot 12: the dialog shows the rows of the tree just built. The result
    // is not read.
    virtual HRESULT STDMETHODCALLTYPE OnTreeShown() = 0;
    // Slot 13: whether the row `poRow` is chosen (*plChecked 1, else 0), as
    // the user sees its main check column. The row answers the tree item's
    // column interfaces.
    virtual HRESULT STDMETHODCALLTYPE GetRowChecked(IUnknown* poRow, LONG* plChecked) = 0;
    // Slot 14: the dialog is about to close (after OK or Cancel). The result
    // is not read.
    virtual HRESULT STDMETHODCALLTYPE OnDialogClose() = 0;

protected:
    ~IFileRefCmd3() = default;
};
// The IIDs of the command interface's earlier versions, answered with the
// same IFileRefCmd3 pointer.
inline constexpr IID IID_IFileRefCmd2 = com::MakeGuid("D3633F6B-3BC8-4A3F-A59D-A217DB7FDB96");
inline constexpr IID IID_IFileRefCmd = com::MakeGuid("29A9BFCB-CD23-4A32-A022-E6C1D6831D71");

// Which way an unlock command goes; optional on a command object. The
// dialog disables the comment of a command that undoes check-outs.
struct IUnlockCommandKind : IUnknown {
    COM_INTERFACE_ID("887FFF66-EFBA-4EDD-BCBA-E56C293874B3");
    // Slots 3 to 8.
    virtual HRESULT STDMETHODCALLTYPE UnusedSlot3() { return E_NOTIMPL; }
    virtual HRESULT STDMETHODCALLTYPE UnusedSlot4() { return E_NOTIMPL; }
    virtual HRESULT STDMETHODCALLTYPE UnusedSlot5() { return E_NOTIMPL; }
    virtual HRESULT STDMETHODCALLTYPE UnusedSlot6() { return E_NOTIMPL; }
    virtual HRESULT STDMETHODCALLTYPE UnusedSlot7() { return E_NOTIMPL; }
    virtual HRESULT STDMETHODCALLTYPE UnusedSlot8() { return E_NOTIMPL; }
    // Slot 9: 1 when the command undoes check-outs, else 0.
    virtual HRESULT STDMETHODCALLTYPE GetUndoCheckOut(LONG* plUndo) = 0;

protected:
    ~IUnlockCommandKind() = default;
};

// An element: an enumerator of tree items (the command's root enumerator)
// or a holder of one (what the dialog hands IFileRefCmd3::GetRowItem).
struct IFileRefElement : IUnknown {
    COM_INTERFACE_ID("9F9F0308-A1A3-4E3B-B7AD-74CE9CE9D850");
    // Slot 3: *plHas non-zero when slot 4 has an item to give.
    virtual HRESULT STDMETHODCALLTYPE HasItem(LONG* plHas) = 0;
    // Slot 4: the item (a new reference); an enumerator moves on to the next.
    virtual HRESULT STDMETHODCALLTYPE GetItem(IUnknown** ppoItem) = 0;

protected:
    ~IFileRefElement() = default;
};

// A row of the dialog: a tree item (or the command's wrapper of one).
struct IFileRefItem : IUnknown {
    COM_INTERFACE_ID("D4465BC2-17D1-4C73-A090-01E7CE05752A");
    // Slot 3: starts the enumeration of the row's children in the
    // configuration `lConfigurationWord` (the row's kPropertyConfiguration,
    // 0 when it has none to give); lWnd the asking window.
    virtual HRESULT STDMETHODCALLTYPE StartChildren(LONG lConfigurationWord, LONG lWnd) = 0;
    // Slot 4: the next child (a new reference) in *ppoChild: S_OK; any other
    // result (S_FALSE at the end) leaves it null and ends the enumeration.
    virtual HRESULT STDMETHODCALLTYPE NextChild(LONG lConfigurationWord, LONG lWnd, IFileRefItem** ppoChild) = 0;
    // Slot 5.
    virtual HRESULT STDMETHODCALLTYPE UnusedSlot5() { return E_NOTIMPL; }
    // Slot 6: the child at `lIndex` (0 first, in enumeration order) in
    // *ppoChild; S_FALSE and null past the last.
    virtual HRESULT STDMETHODCALLTYPE GetChild(LONG lConfigurationWord, LONG lIndex, IFileRefItem** ppoChild) = 0;
    // Slot 7: the text the row shows in the text column `lColumn` (a new
    // string; "" for a column the row has nothing for).
    virtual HRESULT STDMETHODCALLTYPE GetColumnText(LONG lColumn, BSTR* pbsText) = 0;
    // Slot 8: whether the user may change the check column `lColumn` of the
    // row (the cell's switch).
    virtual HRESULT STDMETHODCALLTYPE GetColumnEnabled(LONG lColumn, VARIANT_BOOL* pbEnabled) = 0;
    // Slots 9 to 12.
    virtual HRESULT STDMETHODCALLTYPE UnusedSlot9() { return E_NOTIMPL; }
    virtual HRESULT STDMETHODCALLTYPE UnusedSlot10() { return E_NOTIMPL; }
    virtual HRESULT STDMETHODCALLTYPE UnusedSlot11() { return E_NOTIMPL; }
    virtual HRESULT STDMETHODCALLTYPE UnusedSlot12() { return E_NOTIMPL; }
    // Slot 13: the value of the check column `lColumn` (non-zero: checked).
    virtual HRESULT STDMETHODCALLTYPE GetColumnValue(LONG lColumn, LONG* plValue) = 0;
    // Slot 14: sets the value of the check column `lColumn` (1 or 0). lWnd
    // the asking window (0: none), lReserved1/2 0.
    virtual HRESULT STDMETHODCALLTYPE SetColumnValue(LONG lWnd, LONG lReserved1, LONG lReserved2, LONG lColumn,
                                                     LONG lValue) = 0;
    // Slots 15 to 18.
    virtual HRESULT STDMETHODCALLTYPE UnusedSlot15() { return E_NOTIMPL; }
    virtual HRESULT STDMETHODCALLTYPE UnusedSlot16() { return E_NOTIMPL; }
    virtual HRESULT STDMETHODCALLTYPE UnusedSlot17() { return E_NOTIMPL; }
    virtual HRESULT STDMETHODCALLTYPE UnusedSlot18() { return E_NOTIMPL; }
    // Slot 19: the row's key, unique in its tree (a new string).
    virtual HRESULT STDMETHODCALLTYPE GetKey(BSTR* pbsKey) = 0;

protected:
    ~IFileRefItem() = default;
};

// Properties of a row, and of the command object (the destination folder).
struct IFileRefItem3 : IUnknown {
    COM_INTERFACE_ID("6B672290-D552-43FA-8391-347A52DF65FF");
    // Slot 3: the property `lId` (kProperty...) into *pvOut, with an input
    // value for the properties that take one (else null or VT_EMPTY).
    // E_INVALIDARG for a property the object does not have.
    virtual HRESULT STDMETHODCALLTYPE GetProperty(LONG lId, VARIANT* pvIn, VARIANT* pvOut) = 0;
    // Slot 4: sets the property `lId` to *pvValue; *pvWindow is the owner of
    // any message the object shows (VT_INT/VT_I4/VT_I8 window value, 0:
    // none). E_INVALIDARG for a property the object does not let set.
    virtual HRESULT STDMETHODCALLTYPE PutProperty(LONG lId, VARIANT* pvWindow, VARIANT* pvValue) = 0;

protected:
    ~IFileRefItem3() = default;
};

// Values of a row the user edits (the item name, kValueItemName).
struct IEditableFileRefItem : IUnknown {
    COM_INTERFACE_ID("00017512-B590-46C0-8D6A-1E3420A1DD60");
    // Slot 3: sets the value `lId` to `bsValue`. S_FALSE: the value was
    // refused, nothing changed.
    virtual HRESULT STDMETHODCALLTYPE SetValue(LONG lId, BSTR bsValue) = 0;
    // Slot 4: the value `lId` (a new string).
    virtual HRESULT STDMETHODCALLTYPE GetValue(LONG lId, BSTR* pbsValue) = 0;
    // Slots 5 and 6.
    virtual HRESULT STDMETHODCALLTYPE UnusedSlot5() { return E_NOTIMPL; }
    virtual HRESULT STDMETHODCALLTYPE UnusedSlot6() { return E_NOTIMPL; }
    // Slot 7: whether the row's values differ from what the row proposed at
    // first (*pbChanged left as it was when the row is not chosen).
    virtual HRESULT STDMETHODCALLTYPE GetChanged(VARIANT_BOOL* pbChanged) = 0;
    // Slot 8: whether the user may edit the row's values.
    virtual HRESULT STDMETHODCALLTYPE CanEdit(VARIANT_BOOL* pbCanEdit) = 0;
    // Slots 9 to 11.
    virtual HRESULT STDMETHODCALLTYPE UnusedSlot9() { return E_NOTIMPL; }
    virtual HRESULT STDMETHODCALLTYPE UnusedSlot10() { return E_NOTIMPL; }
    virtual HRESULT STDMETHODCALLTYPE UnusedSlot11() { return E_NOTIMPL; }

protected:
    ~IEditableFileRefItem() = default;
};

// The configurations of a row's file.
struct IFileRefConfigurations : IUnknown {
    COM_INTERFACE_ID("909FD6E1-A423-4C7B-BA62-A4EF4AA6BE3B");
    // Slot 3: a new SAFEARRAY of FileRefConfiguration (castavy/records.h)
    // for the caller to destroy.
    virtual HRESULT STDMETHODCALLTYPE GetConfigurations(SAFEARRAY** ppoConfigurations) = 0;
    // Slot 4: the configuration named `bsName` ("": the one the row shows):
    // its configuration word and its state (FileRefConfiguration::state).
    // S_OK; S_FALSE (1) when the row has no such configuration.
    virtual HRESULT STDMETHODCALLTYPE FindConfiguration(BSTR bsName, LONG* plConfigurationWord, LONG* plState) = 0;

protected:
    ~IFileRefConfigurations() = default;
};

// The command object's list of existing item names.
struct IItemListCmd : IUnknown {
    COM_INTERFACE_ID("B2ECA165-A1EF-4293-B3E8-98D320D080F4");
    // Slot 3: a new SAFEARRAY of ItemListEntry (castavy/records.h) for the
    // caller to destroy. lReserved 0.
    virtual HRESULT STDMETHODCALLTYPE GetItemList(SAFEARRAY** ppoList, LONG lReserved) = 0;

protected:
    ~IItemListCmd() = default;
};

// The rows the user chose in the tree when opening its context menu.
struct IFileRefItemEnum;
struct IFileRefItemList : IUnknown {
    COM_INTERFACE_ID("0B522A91-BEBF-4035-9585-95CD149C72D0");
    // Slot 3: how many rows the list holds; lColumn the column the menu was
    // opened over (-1: none), lReserved 0.
    virtual HRESULT STDMETHODCALLTYPE GetCount(LONG* plCount, LONG lColumn, LONG lReserved) = 0;
    // Slot 4: a new enumeration of the rows, in the tree's order.
    virtual HRESULT STDMETHODCALLTYPE GetEnum(IFileRefItemEnum** ppoEnum) = 0;

protected:
    ~IFileRefItemList() = default;
};

// An enumeration of rows.
struct IFileRefItemEnum : IUnknown {
    COM_INTERFACE_ID("1E62B1EA-DE84-4A73-A280-CA3DD7BCB8F4");
    // Slots 3 and 4.
    virtual HRESULT STDMETHODCALLTYPE UnusedSlot3() { return E_NOTIMPL; }
    virtual HRESULT STDMETHODCALLTYPE UnusedSlot4() { return E_NOTIMPL; }
    // Slot 5: the next row (its IUnknown, a new reference): S_OK; S_FALSE
    // and null at the end.
    virtual HRESULT STDMETHODCALLTYPE Next(IUnknown** ppoRow) = 0;

protected:
    ~IFileRefItemEnum() = default;
};

// The command object's part in the tree's context menu.
struct IXRefTreeListCtrlCallback : IUnknown {
    COM_INTERFACE_ID("83CA0400-F1FD-4C7D-A916-C2EA38DCBDCA");
    // Slot 3: the context menu `lMenu` (an HMENU as a 32-bit value) is about
    // to open over the rows `poRows`: the callback may insert its entries.
    virtual HRESULT STDMETHODCALLTYPE OnContextMenu(LONG lMenu, IFileRefItemList* poRows) = 0;
    // Slot 4: the user chose the entry `lCommand`; lColumn and lReserved as
    // IFileRefItemList::GetCount takes them. After it the dialog shows
    // every row again.
    virtual HRESULT STDMETHODCALLTYPE OnCommand(LONG lCommand, LONG lColumn, LONG lReserved) = 0;
    // Slots 5 to 7.
    virtual HRESULT STDMETHODCALLTYPE UnusedSlot5() { return E_NOTIMPL; }
    virtual HRESULT STDMETHODCALLTYPE UnusedSlot6() { return E_NOTIMPL; }
    virtual HRESULT STDMETHODCALLTYPE UnusedSlot7() { return E_NOTIMPL; }

protected:
    ~IXRefTreeListCtrlCallback() = default;
};

}  // namespace CASTAVYLib
