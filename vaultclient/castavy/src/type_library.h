// The description of CASTAVYLib the component registers with the process.
#pragma once

#include "com/server/type_library.h"

namespace castavy {

const com::TypeLibrary& TypeLibrary();

}  // namespace castavy
