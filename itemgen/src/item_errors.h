// What the generation engine reports about a tree item that lacks what it
// reads of it (its node interfaces, its node record, its references):
// E_ITEM_INVALID_OBJECT with the catalogue's text ("Item object contains
// corrupted data!").
#pragma once

#include "winapi/types.h"

namespace coravent {

[[noreturn]] void gvRaiseCorruptedItem();
// The failure `hr` of a call on such an item: with the error info its callee
// left, else with the corrupted-item text.
[[noreturn]] void gvRaiseFailedItemCall(HRESULT hr);

}  // namespace coravent
