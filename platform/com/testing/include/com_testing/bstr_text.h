// A BSTR's text for comparisons in tests.
#pragma once

#include "com/bstr.h"

#include <string>

namespace com_testing {

// Every code unit up to the BSTR's length, embedded nulls included; a null
// BSTR is the empty string, as it means to the runtime.
inline std::u16string Text(BSTR bstr) { return com::BstrText(bstr); }

// Text of a BSTR the caller owned (an out-parameter's), which it frees.
inline std::u16string TakeText(BSTR bstr) {
    std::u16string text = Text(bstr);
    SysFreeString(bstr);
    return text;
}

}  // namespace com_testing
