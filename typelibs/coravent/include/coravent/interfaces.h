// Interfaces of CoraventLib, methods in the library's slot order.
#pragma once

#include "com/dispatch.h"
#include "com/unknown.h"
#include "com/variant.h"
#include "coravent/records.h"
#include "winapi/types.h"

namespace CoraventLib {

// The dual interface of the coclass ItemOp; it has no methods of its own.
struct IItemOp : IDispatch {
    COM_INTERFACE_ID("C8BF2CE2-14ED-4204-A7B3-DAA808CA60F5");

protected:
    ~IItemOp() = default;
};

// One item operation: generate items from files, or choose files to add to
// an item, through the reference dialog. Parent windows are window handles
// carried as unsigned 64-bit values; BOOL results are VARIANT_TRUE or
// VARIANT_FALSE. Record arrays hold records of this library.
struct IItemOperation : IUnknown {
    COM_INTERFACE_ID("47258B6C-4D36-41B8-A41A-250E4A11BBD9");
    // Slot 3.
    virtual HRESULT STDMETHODCALLTYPE Init(InitData oData) = 0;
    // Slot 4. ppoItems: SAFEARRAY(ItemData), the caller's.
    virtual HRESULT STDMETHODCALLTYPE AddSelection(SAFEARRAY* ppoItems) = 0;
    // Slot 5.
    virtual HRESULT STDMETHODCALLTYPE InitTreeDlg(ULONGLONG lParentWnd, VARIANT_BOOL* pbNotEmpty) = 0;
    // Slot 6. poCurrentLinks: SAFEARRAY(ItmLink), the caller's, may be null.
    virtual HRESULT STDMETHODCALLTYPE InitTreeDlg2(ULONGLONG lParentWnd, SAFEARRAY* poCurrentLinks,
                                                   VARIANT_BOOL* pbNotEmpty) = 0;
    // Slot 7. lItemDlgFlags: ItemDlgFlag bits. The value at plDestItemFolderID
    // is read as the preselected folder and receives the folder chosen.
    virtual HRESULT STDMETHODCALLTYPE ShowDlg(ULONGLONG lParentWnd, LONG lItemDlgFlags, LONG* plDestItemFolderID,
                                              VARIANT_BOOL* pbResult) = 0;
    // Slot 8. Out: SAFEARRAY(ItmObjectData).
    virtual HRESULT STDMETHODCALLTYPE GetSelection(SAFEARRAY** poObjectsData) = 0;
    // Slot 9. Out: SAFEARRAY(ItemData).
    virtual HRESULT STDMETHODCALLTYPE GenerateItems(SAFEARRAY** ppoItems) = 0;
    // Slot 10. Out: SAFEARRAY(ItmObjectData).
    virtual HRESULT STDMETHODCALLTYPE DoGenerateItems(LONG lDestItmFolderID, SAFEARRAY** ppoGeneratedItems,
                                                      VARIANT_BOOL* pbOpenItems) = 0;
    // Slot 11.
    virtual HRESULT STDMETHODCALLTYPE CreateTree(ULONGLONG lParentWnd, VARIANT_BOOL* pbResult) = 0;

protected:
    ~IItemOperation() = default;
};

// The interface the library names for the coclass ItemOperationImpl; it has
// no methods.
struct IItemOperationImpl : IUnknown {
    COM_INTERFACE_ID("F32A3C21-8228-44E9-8E18-D72E5E544EAD");

protected:
    ~IItemOperationImpl() = default;
};

inline constexpr IID IID_IItemOp = IItemOp::kIid;
inline constexpr IID IID_IItemOperation = IItemOperation::kIid;
inline constexpr IID IID_IItemOperationImpl = IItemOperationImpl::kIid;

}  // namespace CoraventLib
