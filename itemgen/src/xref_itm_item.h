// XRefItmItem: the row of the reference dialog that stands for one tree item
// of the cross-reference tree. The dialog and the generation engine talk to
// the wrapper; it passes nearly every call on to the tree item it wraps and
// keeps, for the row, the name of the item that will be generated (the new
// name, column 33) or used (the existing name, column 34).
//
// The wrapper is the tree item's owner while it lives (IXRefItemControl):
// the item then hands the five row interfaces to the wrapper, so that a
// query on the raw tree item finds the wrapper's behaviour. To reach the
// item's own row interfaces the wrapper clears the owner, queries the item
// and sets itself again. Any other interface asked of the wrapper is the
// tree item's own (the node interfaces), through the kept control interface.
//
// The row state comes from the values of the item's columns 33, 34 and 35:
//   0 neither 33 nor 34    1 33 and 35    2 33 without 35    3 34 and 35
//   4 34 without 35, an existing name whose item-list flag is false
//   5 as 4, the flag true  6 34 without 35 and no existing name
// The row's name is the new name in states 1 and 2, the existing name in 3
// to 6, and empty in state 0.
//
// Every method returns its failure with the thread's error info set; none
// lets an exception out. Apartment-threaded, as its handler.
#pragma once

#include "castavy/interfaces.h"
#include "com/ccom_ptr.h"
#include "com/server/interface_map.h"
#include "com/server/object_root.h"
#include "com/unknown.h"
#include "hastrel/interfaces.h"
#include "winapi/types.h"

#include <map>
#include <string>

namespace coravent {

class CXRefTreeHandler;

// The result of a column set on a row: success, and the row's choice
// columns shown anew.
inline constexpr HRESULT kColumnSetAndShown = 0x00040201;

namespace detail {

// IFileRefItem and IEditableFileRefItem both name their placeholder slots
// UnusedSlotN; these give the wrapper one distinct name per slot, so that
// each interface's slot is passed on to the same interface of the item.
struct FileRefItemSlots : CASTAVYLib::IFileRefItem {
    HRESULT STDMETHODCALLTYPE UnusedSlot5() final { return ItemSlot5(); }
    HRESULT STDMETHODCALLTYPE UnusedSlot9() final { return ItemSlot9(); }
    HRESULT STDMETHODCALLTYPE UnusedSlot10() final { return ItemSlot10(); }
    HRESULT STDMETHODCALLTYPE UnusedSlot11() final { return ItemSlot11(); }
    HRESULT STDMETHODCALLTYPE UnusedSlot12() final { return ItemSlot12(); }
    HRESULT STDMETHODCALLTYPE UnusedSlot15() final { return ItemSlot15(); }
    HRESULT STDMETHODCALLTYPE UnusedSlot16() final { return ItemSlot16(); }
    HRESULT STDMETHODCALLTYPE UnusedSlot17() final { return ItemSlot17(); }
    HRESULT STDMETHODCALLTYPE UnusedSlot18() final { return ItemSlot18(); }
    virtual HRESULT ItemSlot5() = 0;
    virtual HRESULT ItemSlot9() = 0;
    virtual HRESULT ItemSlot10() = 0;
    virtual HRESULT ItemSlot11() = 0;
    virtual HRESULT ItemSlot12() = 0;
    virtual HRESULT ItemSlot15() = 0;
    virtual HRESULT ItemSlot16() = 0;
    virtual HRESULT ItemSlot17() = 0;
    virtual HRESULT ItemSlot18() = 0;

protected:
    ~FileRefItemSlots() = default;
};

struct EditableItemSlots : CASTAVYLib::IEditableFileRefItem {
    HRESULT STDMETHODCALLTYPE UnusedSlot5() final { return EditableSlot5(); }
    HRESULT STDMETHODCALLTYPE UnusedSlot6() final { return EditableSlot6(); }
    HRESULT STDMETHODCALLTYPE UnusedSlot9() final { return EditableSlot9(); }
    // Slots 10 and 11 are not the wrapper's to give.
    HRESULT STDMETHODCALLTYPE UnusedSlot10() final { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE UnusedSlot11() final { return E_NOTIMPL; }
    virtual HRESULT EditableSlot5() = 0;
    virtual HRESULT EditableSlot6() = 0;
    virtual HRESULT EditableSlot9() = 0;

protected:
    ~EditableItemSlots() = default;
};

}  // namespace detail

class XRefItmItem : public CComObjectRootEx<CComSingleThreadModel>,
                    public detail::FileRefItemSlots,
                    public CASTAVYLib::IFileRefItem3,
                    public detail::EditableItemSlots,
                    public CASTAVYLib::IFileRefConfigurations,
                    public HastrelLib::IXRefItmItem {
public:
    BEGIN_COM_MAP(XRefItmItem)
    COM_INTERFACE_ENTRY2(CASTAVYLib::IFileRefItem, detail::FileRefItemSlots)
    COM_INTERFACE_ENTRY(CASTAVYLib::IFileRefItem3)
    COM_INTERFACE_ENTRY2(CASTAVYLib::IEditableFileRefItem, detail::EditableItemSlots)
    COM_INTERFACE_ENTRY(CASTAVYLib::IFileRefConfigurations)
    COM_INTERFACE_ENTRY(HastrelLib::IXRefItmItem)
    COM_INTERFACE_ENTRY_AGGREGATE_BLIND(mpoControl)
    END_COM_MAP()

    // Wraps `poItem` (a tree item; the wrapper keeps its control interface)
    // for `poHandler` (not held: it outlives its wrappers): becomes the
    // item's owner, takes the item's two proposed names and the handler's
    // item list, clears the item's columns 33, 34 and 35 and names the row
    // with name B, then name A. Called once, right after creation. The
    // failure of any step is returned (E_POINTER for a null item or an item
    // without the control or names interface).
    HRESULT Init(CASTAVYLib::IFileRefItem* poItem, CXRefTreeHandler* poHandler);

    // The wrapper's identity, as the owner it sets.
    IUnknown* Unknown() noexcept { return static_cast<detail::FileRefItemSlots*>(this); }

    // IFileRefItem. Children (slots 4 and 6) come out wrapped.
    HRESULT STDMETHODCALLTYPE StartChildren(LONG lConfigurationWord, LONG lWnd) override;
    HRESULT STDMETHODCALLTYPE NextChild(LONG lConfigurationWord, LONG lWnd,
                                        CASTAVYLib::IFileRefItem** ppoChild) override;
    HRESULT STDMETHODCALLTYPE GetChild(LONG lConfigurationWord, LONG lIndex,
                                       CASTAVYLib::IFileRefItem** ppoChild) override;
    HRESULT STDMETHODCALLTYPE GetColumnText(LONG lColumn, BSTR* pbsText) override;
    HRESULT STDMETHODCALLTYPE GetColumnEnabled(LONG lColumn, VARIANT_BOOL* pbEnabled) override;
    HRESULT STDMETHODCALLTYPE GetColumnValue(LONG lColumn, LONG* plValue) override;
    // The choice-column rules, then the item's own set: kColumnSetAndShown
    // on success.
    HRESULT STDMETHODCALLTYPE SetColumnValue(LONG lWnd, LONG lReserved1, LONG lReserved2, LONG lColumn,
                                             LONG lValue) override;
    HRESULT STDMETHODCALLTYPE GetKey(BSTR* pbsKey) override;

    // IFileRefItem3: property 3 (the item name) is the row's own.
    HRESULT STDMETHODCALLTYPE GetProperty(LONG lId, VARIANT* pvIn, VARIANT* pvOut) override;
    HRESULT STDMETHODCALLTYPE PutProperty(LONG lId, VARIANT* pvWindow, VARIANT* pvValue) override;

    // IEditableFileRefItem: the item name (kValueItemName) is the row's own,
    // shown without the item extension.
    HRESULT STDMETHODCALLTYPE SetValue(LONG lId, BSTR bsValue) override;
    HRESULT STDMETHODCALLTYPE GetValue(LONG lId, BSTR* pbsValue) override;
    HRESULT STDMETHODCALLTYPE GetChanged(VARIANT_BOOL* pbChanged) override;
    HRESULT STDMETHODCALLTYPE CanEdit(VARIANT_BOOL* pbCanEdit) override;

    // IFileRefConfigurations: the configurations' items come out wrapped.
    HRESULT STDMETHODCALLTYPE GetConfigurations(SAFEARRAY** ppoConfigurations) override;
    HRESULT STDMETHODCALLTYPE FindConfiguration(BSTR bsName, LONG* plConfigurationWord, LONG* plState) override;

    // IXRefItmItem: the node and row records carry the row's name.
    HRESULT STDMETHODCALLTYPE GetObjectData(BellquistLib::ItmObjectData* poData) override;
    HRESULT STDMETHODCALLTYPE GetNodeRecord(HastrelLib::XRefNodeRecord** ppoRecord) override;
    HRESULT STDMETHODCALLTYPE GetRowRecord(HastrelLib::XRefRowRecord** ppoRecord) override;
    HRESULT STDMETHODCALLTYPE GetNames(HastrelLib::XRefNames** ppoNames) override;

protected:
    XRefItmItem() = default;
    ~XRefItmItem() = default;
    // Gives the item its owner back (none) and lets go of it.
    void FinalRelease();

private:
    HRESULT ItemSlot5() override;
    HRESULT ItemSlot9() override;
    HRESULT ItemSlot10() override;
    HRESULT ItemSlot11() override;
    HRESULT ItemSlot12() override;
    HRESULT ItemSlot15() override;
    HRESULT ItemSlot16() override;
    HRESULT ItemSlot17() override;
    HRESULT ItemSlot18() override;
    HRESULT EditableSlot5() override;
    HRESULT EditableSlot6() override;
    HRESULT EditableSlot9() override;

    // The item's own interface I (null when it has none): the owner cleared
    // for the query and set again. Raises a failure of the owner's set.
    template <class I>
    CComPtr<I> ItemInterface();
    // Passes a call on to the item's interface I: `call(I*)`'s result,
    // E_POINTER when the item lacks I.
    template <class I, class Call>
    HRESULT Forward(Call&& call);
    // The wrapper of a child the item handed out (the caller's out-argument
    // receives it; the child's reference is released).
    HRESULT WrapChild(HRESULT hr, CASTAVYLib::IFileRefItem* poChild, CASTAVYLib::IFileRefItem** ppoChild);

    // The value of column `lColumn` of the item (raises a failed read).
    bool Checked(LONG lColumn);
    // Sets column `lColumn` of the item to `lValue` (raises a failed set).
    void SetColumn(LONG lColumn, LONG lValue);
    // Switches column 35 of the item on or off (raises a failed switch).
    void SwitchLink(bool bOn);
    // Shows the item's columns 33 and 34 anew (raises a failed call).
    void RefreshChoice();
    LONG State();
    std::u16string RowName();
    // The item-list flag of `name` (false for a name not in the list).
    bool ListFlag(const std::u16string& name) const;
    // Names the row `name` as the rules for item names say.
    void ApplyName(std::u16string name);
    // The rules of the choice columns before the item sets `lColumn`.
    void ApplyColumnRules(LONG lColumn, LONG lValue);

    CComPtr<HastrelLib::IXRefItemControl> mpoControl;  // the item's control interface (one reference)
    CASTAVYLib::IFileRefItem* mpoItem = nullptr;       // Not owned: the item's own IFileRefItem.
    CXRefTreeHandler* mpoHandler = nullptr;            // Not owned: the handler outlives its wrappers.
    std::u16string moNameA;
    std::u16string moNameB;
    std::u16string moNewName;
    std::u16string moExistingName;
    std::map<std::u16string, bool> moNameMap;  // the item list: name -> flag (exact compare)
};

}  // namespace coravent
