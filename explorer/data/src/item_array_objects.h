// The objects of an item array (a SAFEARRAY of VARIANTs from or for the item
// server), read in place: the array is locked while the reader lives and
// never destroyed here.
#pragma once

#include "common/record_array.h"

#include "bellquist/item_interfaces.h"
#include "com/ccom_ptr.h"
#include "com/variant.h"
#include "winapi/types.h"

class ItemArrayObjects {
public:
    // Locks the array; raises "Could not lock safe array." when it cannot.
    explicit ItemArrayObjects(SAFEARRAY* items) : elements_(items) {}

    LONG Count() { return elements_.mlGetCount(); }
    // The element's item object: an element counts as one when it holds an
    // IDispatch (VT_DISPATCH) or IUnknown (VT_UNKNOWN) that answers
    // IItmObject. Null for any other element.
    CComPtr<BellquistLib::IItmObject> ObjectAt(LONG index) const {
        const VARIANT& element = elements_.mpoBegin()[index];
        IUnknown* held = element.vt == VT_DISPATCH  ? element.pdispVal
                         : element.vt == VT_UNKNOWN ? element.punkVal
                                                    : nullptr;
        return CComQIPtr<BellquistLib::IItmObject>(held);
    }

private:
    RecordArray<VARIANT> elements_;
};
