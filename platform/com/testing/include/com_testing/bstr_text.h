// A BSTR's text for comparisons in tests.
#pragma once

#include "com/bstr.h"

#include <string>

namespace com_testing {

// Every code unit up to the BSTR's length, embedded nulls included; a null
// BSTR is the empty string, as it means to the runtime.
inline std::u16string Text(BSTR bstr) { return com::BstrText(bstr); }

}  // namespace com_testing
