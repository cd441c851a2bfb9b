// The revision object's interface (class CLSID_ItmRevision, itemops/ids.h):
// the item server starts it with its session, hands it the items, lets it
// ask the user and runs it. Dual: slot 7 is its first own method, and the
// item server calls it by slot, so the declaration order is the contract.
#pragma once

#include "com/dispatch.h"
#include "com/unknown.h"
#include "coravent/records.h"
#include "winapi/types.h"

struct SAFEARRAY;

namespace ItemOperationsLib {

struct IItmRevision : IDispatch {
    COM_INTERFACE_ID("1C22D4F7-47D7-46BB-A49A-C7AED04BA24B");
    // Slot 7: the session to work in. Of the 56-byte start record only the
    // vault connection (mpoSpMgr, an SpMgr of which the object takes a
    // reference of its own) and the user id are read; the caller gives view
    // GUID, rights 0, tree creation type 3, flags 0 and no strings. Starting
    // again replaces the session. E_POINTER for a null record, E_INVALIDARG
    // for a record without an open connection.
    virtual HRESULT STDMETHODCALLTYPE Start(CoraventLib::InitData* poData) = 0;
    // Slot 8: the items (SAFEARRAY(XRefRootObject), roots of kind Ot_Item),
    // replacing any given before. E_POINTER for a null array, E_INVALIDARG
    // for an array of other records, E_OXN_INVALID_TYPE for a root that is
    // no item.
    virtual HRESULT STDMETHODCALLTYPE SetItems(SAFEARRAY* poItems) = 0;
    // Slot 9: asks the user, in a message box owned by the window, whether
    // the revisions are to be incremented; *pbOk VARIANT_TRUE for yes.
    // lReserved is 0.
    virtual HRESULT STDMETHODCALLTYPE Ask(HWND hParentWnd, LONG lReserved, VARIANT_BOOL* pbOk) = 0;
    // Slot 10: increments the revision of every item and writes a new
    // version of each, all in one transaction; *pbOk VARIANT_TRUE when done,
    // VARIANT_FALSE (S_OK) when there were no items. Nothing changes when an
    // item is refused: E_OXN_LOCKED_BY_ANOTHER_USER (checked out by another
    // user), E_OXN_FILE_NOT_FOUND or E_OXN_FILE_DELETED (no such live item).
    // E_UNEXPECTED before Start.
    virtual HRESULT STDMETHODCALLTYPE Run(HWND hParentWnd, VARIANT_BOOL* pbOk) = 0;

protected:
    ~IItmRevision() = default;
};

}  // namespace ItemOperationsLib
