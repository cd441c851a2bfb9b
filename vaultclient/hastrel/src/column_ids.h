// The column ids a caller hands the column-state calls (SAFEARRAY of VT_I4).
#pragma once

#include "winapi/types.h"

#include <vector>

struct SAFEARRAY;

namespace hastrel {

// The ids of `columns` (one dimension, VT_I4, the caller's) into `ids`.
// E_POINTER for a null array; E_INVALIDARG for an array of another type or
// shape; the array calls' failures.
HRESULT ReadColumnIds(SAFEARRAY* columns, std::vector<LONG>& ids);

}  // namespace hastrel
