// The item objects of the arrays that IItmLinkManager takes
// (SAFEARRAY(VARIANT)).
#pragma once

#include "bellquist/item_interfaces.h"
#include "com/ccom_ptr.h"
#include "com/variant.h"

// The IItmObject that `value` holds (VT_DISPATCH or VT_UNKNOWN), with a
// reference in `object`; E_OXN_NULL_VALUE when it holds none.
HRESULT ghItmObjectOf(const VARIANT& value, CComPtr<BellquistLib::IItmObject>& object);
