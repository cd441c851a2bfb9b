// Reading the class registrations under HKEY_CLASSES_ROOT.
#pragma once

#include "winapi/types.h"

#include <string>

namespace com::detail {

// The default value of HKEY_CLASSES_ROOT\<subKey> as text (REG_EXPAND_SZ
// expanded); false when the key or value is missing, not a text, or empty.
bool ReadClassesRootText(const std::u16string& subKey, std::u16string* text);

// "CLSID\{XXXXXXXX-...}", the key of a class.
std::u16string ClassKey(REFCLSID clsid);

}  // namespace com::detail
