// The string manager's lookup in its current default file, shared by the
// calls of the string manager.
#pragma once

#include "winapi/types.h"

#include <string>

namespace tesspur {

// The translation of text `id` of `category` and `section` (null: empty) in
// the current default file of the current language; null when there is
// none. Valid until the process exits.
const std::u16string* CurrentTranslation(int id, const WCHAR* category, const WCHAR* section);

}  // namespace tesspur
