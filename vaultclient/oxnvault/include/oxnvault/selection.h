// The selection record IOxnBatchGet::AddSelection takes in a
// SAFEARRAY(VT_RECORD): a file (file id and its folder) or, with file id 0,
// a folder and every file below it. Described under LIBID_OxnVaultLib 5.23
// (oxnvault/type_library.h), so GetRecordInfoFromGuids finds it.
#pragma once

#include "com/unknown.h"
#include "winapi/types.h"

#include <cstddef>

namespace OxnVaultLib {

struct OxnSelection {
    static constexpr GUID kRecordGuid = com::MakeGuid("0A070DB3-7C88-4355-9E39-DDDEE6CDFFB2");
    LONG fileId;
    LONG folderId;
};
static_assert(sizeof(OxnSelection) == 8);
static_assert(offsetof(OxnSelection, folderId) == 4);

}  // namespace OxnVaultLib
