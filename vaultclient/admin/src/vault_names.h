// The names the admin tool accepts for what it puts into a vault. Every
// folder, file and item of a vault becomes a file or folder of the same name
// in each view, on the clients' file systems, so a name must be one that a
// client can make there: not "." or "..", none of the characters a path may
// not hold, no trailing dot or space (dropped by the clients' file system),
// and not longer than a file name may be.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace vaultadmin {

// The longest name, in UTF-8 bytes (NAME_MAX of the views' file systems).
inline constexpr std::size_t kMaxVaultNameBytes = 255;
// The longest vault path "\A\B\", in characters: the clients keep a view's
// paths in buffers of MAX_PATH (260) characters with the terminator.
inline constexpr std::size_t kMaxVaultPathLength = 259;

// `text` as UTF-16; throws AdminError naming `what` when it is not valid
// UTF-8 (no replacement characters are made up for a name).
std::u16string StrictUtf16(std::string_view text, const std::string& what);

// Throws AdminError saying what is wrong with `name` as the name of a vault
// folder, file or item (`what` says which), and does nothing for a usable one.
void CheckVaultName(std::u16string_view name, const std::string& what);

}  // namespace vaultadmin
