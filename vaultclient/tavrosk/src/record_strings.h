// Filling the BSTR fields of the records the library hands out.
#pragma once

#include "com/bstr.h"

#include <string_view>

namespace tavrosk {

// A new BSTR holding `text`; raises E_OUTOFMEMORY when none can be made.
BSTR NewString(std::u16string_view text);

}  // namespace tavrosk
