// A caller's list of item objects (a SAFEARRAY of VARIANTs holding
// IItmObject), read in place by the client back end's conversions.
#pragma once

#include "bellquist/item_interfaces.h"
#include "com/ccom_ptr.h"
#include "com/safearray.h"
#include "com/variant.h"
#include "winapi/types.h"

class ItemList {
public:
    // Locks the list's data. Raises E_INVALIDARG when its elements are not
    // VARIANTs, and the failure of reading its bounds or locking it with the
    // runtime's fixed descriptions.
    explicit ItemList(SAFEARRAY* list);
    ~ItemList();
    ItemList(const ItemList&) = delete;
    ItemList& operator=(const ItemList&) = delete;

    LONG mlCount() const noexcept { return mlElements; }
    const VARIANT& operator[](LONG index) const noexcept { return mpoData[index]; }

private:
    SAFEARRAY* mpoList;
    VARIANT* mpoData = nullptr;
    LONG mlElements = 0;
};

// The item object an element holds (VT_DISPATCH or VT_UNKNOWN answering
// IItmObject), or null.
CComPtr<BellquistLib::IItmObject> gpoItemOf(const VARIANT& element);
