#include "vaultdb/private_files.h"

#include <sys/stat.h>

#include <cerrno>
#include <vector>

namespace vaultdb {

std::error_code MakePrivateFolders(const std::filesystem::path& folder) {
    std::error_code error;
    // The missing folders, deepest first; created from the top down.
    std::vector<std::filesystem::path> missing;
    for (std::filesystem::path at = folder.lexically_normal(); !at.empty(); at = at.parent_path()) {
        if (at.has_relative_path() && !at.has_filename()) continue;  // "a/b/": the same folder as "a/b"
        if (std::filesystem::exists(at, error)) break;
        if (error) return error;
        missing.push_back(at);
        if (at == at.parent_path()) break;
    }
    for (auto at = missing.rbegin(); at != missing.rend(); ++at) {
        // Another process may make the same folder meanwhile: that is fine
        // when it is a folder.
        if (::mkdir(at->c_str(), kPrivateFolderMode) == 0) continue;
        const int failure = errno;
        if (failure == EEXIST && std::filesystem::is_directory(*at, error)) continue;
        return std::error_code(failure == EEXIST ? ENOTDIR : failure, std::generic_category());
    }
    if (!std::filesystem::is_directory(folder, error) && !error)
        return std::make_error_code(std::errc::not_a_directory);
    return error;
}

}  // namespace vaultdb
