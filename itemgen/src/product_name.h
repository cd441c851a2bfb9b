// The product's display name, as the item generation server names the
// product in its messages.
#pragma once

#include "winapi/types.h"

#include <string>

namespace coravent {

// The default (unnamed) value of the product key under HKEY_LOCAL_MACHINE,
// else under HKEY_CURRENT_USER: the first non-empty one; `defaultName` when
// neither gives one.
std::u16string goProductName(const WCHAR* defaultName);

// A REG_SZ value of `subKey` below `root`, read into a zeroed buffer of 1024
// bytes: its text up to the first terminating zero. False when the key
// cannot be opened, the value is missing or of another type, or it does not
// fit into the buffer with its terminating zero (512 characters or more);
// `text` is changed only on success.
bool gbReadRegString(HKEY root, const WCHAR* subKey, const WCHAR* valueName, std::u16string& text);

}  // namespace coravent
