// What the vault-interface back end's operations share: the calls of the
// vault's interfaces that raise their failure, the items of an operation as
// the vault needs them, the utility of an operation, and the walk of a
// result list.
//
// "Raise" here means a _com_error with the failing HRESULT and the
// interface's error info (_com_issue_errorex): the item manager's method
// boundary turns it into the method's result.
#pragma once

#include "bellquist/enums.h"
#include "bellquist/item_interfaces.h"
#include "com/ccom_ptr.h"
#include "com/com_error.h"
#include "oxnvault/interfaces.h"
#include "winapi/types.h"

#include <functional>
#include <string_view>
#include <vector>

struct SAFEARRAY;

// Raises `hr` when it failed, as a failed call of interface I on `object`.
template <class I>
void gvCheckOxnCall(HRESULT hr, I* object) {
    if (FAILED(hr)) _com_issue_errorex(hr, object, I::kIid);
}
template <class I>
void gvCheckOxnCall(HRESULT hr, const CComPtr<I>& object) {
    gvCheckOxnCall(hr, object.GetInterfacePtr());
}

// One item of an operation: the object and the three properties the vault
// is told about.
struct OxnBatchItem {
    CComPtr<BellquistLib::IItmObject> mpoObject;
    LONG mlID = 0;
    LONG mlParentProjectID = 0;
    BellquistLib::ItmObjectType meType = BellquistLib::ItmObjectType_Undefined;
};

// The items of `items` (SAFEARRAY of VARIANTs holding IItmObject), in order.
// E_OXN_NULL_VALUE at the first element without an item object; a failing
// property read ends the walk with its HRESULT. A list whose elements are
// not VARIANTs raises E_INVALIDARG.
HRESULT ghReadOxnBatchItems(SAFEARRAY* items, std::vector<OxnBatchItem>* read);
// The same for one item object.
HRESULT ghReadOxnBatchItem(BellquistLib::IItmObject* object, OxnBatchItem* read);

// The selection record of an item: folders by their id (file id 0), items
// and BOMs by their id and project, anything else (0, 0).
struct OxnFileAndFolder {
    LONG mlFileID = 0;
    LONG mlFolderID = 0;
};
OxnFileAndFolder goToOxnSelection(const OxnBatchItem& item) noexcept;

// The number of elements of a one-dimensional items array. Raises the
// failure of reading its bounds.
LONG glOxnItemCount(SAFEARRAY* items);

// Asks `vault` (the vault object) for a new utility of `kind` and that
// utility for `iid`; `factory`, when given, receives the vault object's
// factory interface. E_OXN_NULL_VALUE when the vault object is no factory,
// makes no utility or the utility lacks the interface; the factory's
// failure raises.
HRESULT ghCreateOxnUtility(IUnknown* vault, LONG kind, REFIID iid, void** utility,
                           CComPtr<OxnVaultLib::IOxnVault11>* factory = nullptr);

// Calls `entry` (path, file id, folder id) for each entry of `list` in
// order; a null list has none. The list's and the position's failures
// raise.
void gvWalkOxnResultList(OxnVaultLib::IOxnResultList* list,
                         const std::function<void(BSTR path, LONG fileId, LONG folderId)>& entry);

// The file-name part of a path: what follows its last '\' or '/'.
std::u16string_view goFileNamePart(std::u16string_view path) noexcept;
