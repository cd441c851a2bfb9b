// The documents a batch operation works on, read from what its caller added:
// a file by its id, or a folder (file id 0) standing for every live document
// in it and in the folders below it.
#pragma once

#include "oxnvault/vault_time.h"
#include "winapi/errors.h"
#include "winapi/types.h"

#include <string>
#include <vector>

namespace vaultdb {
class Database;
}

namespace oxnvault {

// One document of a batch: where it lies and what it is called.
struct BatchFile {
    LONG id = 0;
    LONG folderId = 0;
    LONG type = 0;  // 4 item, 6 file
    std::u16string name;
    std::u16string folderPath;  // the vault path of its folder, "\A\B\"
};

// Appends to `files` the live document `fileId` lying in `folderId` (when
// `fileId` is not 0; a folder id 0 takes it wherever it lies), or every live
// document below `folderId` (when `fileId` is 0), in folder path and name order, leaving out
// the ones `files` holds already. E_OXN_FILE_NOT_FOUND / E_OXN_FOLDER_NOT_FOUND
// when the vault has no such live file or folder; a failing read gives its
// code. `files` is unchanged on failure.
HRESULT AddBatchFiles(vaultdb::Database& database, LONG fileId, LONG folderId, std::vector<BatchFile>& files);

}  // namespace oxnvault
