#include "pending_folder_flushes.h"

#include "winapi/save_file.h"

namespace vaultdb {

int PendingFolderFlushes::FlushAll() {
    int error = 0;
    for (const std::filesystem::path& folder : folders_) {
        if ((error = winapi::FlushFolder(folder.string())) != 0) break;
    }
    folders_.clear();
    return error;
}

}  // namespace vaultdb
