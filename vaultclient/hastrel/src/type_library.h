// The cross-reference tree component's own type-library description: its
// interfaces, and the records of the arrays it hands out (its own, and the
// reference dialog's item list and configurations, which its trees make).
#pragma once

#include "com/server/type_library.h"

namespace hastrel {

const com::TypeLibrary& TypeLibrary();

}  // namespace hastrel
