// Opening a local file whose contents go into the vault (import, a new
// version): regular files only, so a FIFO, socket or device never makes the
// tool wait for a writer or read without end.
#pragma once

#include "winapi/unique_fd.h"

#include <filesystem>

namespace vaultadmin {

// The open file, for reading from its start. Throws AdminError naming the
// file and the reason when it cannot be opened or is not a regular file.
// Never blocks: the open does not wait for a FIFO's writer.
winapi::UniqueFd OpenRegularFile(const std::filesystem::path& file);

}  // namespace vaultadmin
