// A vault is its owner's alone: its database holds every user's password
// hash and its archive every version's content, so what the vault client
// creates of a vault - the database file, the folders of the database and
// of its archive - is made readable by the owner only. SQLite gives the
// database's companions (-wal, -shm, -journal) the database file's mode, so
// they follow it. Files and folders that exist already keep their modes: an
// administrator may have chosen to share them.
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <system_error>

namespace vaultdb {

inline constexpr mode_t kPrivateFileMode = 0600;
inline constexpr mode_t kPrivateFolderMode = 0700;

// Makes `folder` and its missing parents, each new one with
// kPrivateFolderMode (less the umask, as mkdir does). A folder that exists
// is left as it is; success too when `folder` existed. On failure the
// folders made so far stay. One mkdir per missing folder.
std::error_code MakePrivateFolders(const std::filesystem::path& folder);

}  // namespace vaultdb
