// The names of a vault's folders, files and items. Every one becomes a file
// or folder of the same name in each view, on the clients' file systems, so
// a name must be one that a client can make there: not "." or "..", none of
// the characters a path may not hold, no trailing dot or space (dropped by
// the clients' file system), and not longer than a file name may be. Every
// writer of the vault checks new names by these rules.
#pragma once

#include <cstddef>
#include <string_view>

namespace vaultdb {

// The longest name, in UTF-8 bytes (NAME_MAX of the views' file systems).
inline constexpr std::size_t kMaxVaultNameBytes = 255;
// The longest vault path "\A\B\", in characters: the clients keep a view's
// paths in buffers of MAX_PATH (260) characters with the terminator.
inline constexpr std::size_t kMaxVaultPathLength = 259;

// What is wrong with a name, the first fault found in this order.
enum class NameFault {
    kNone,
    kEmpty,
    kDotName,             // "." or "..", which name a folder itself
    kBadCharacter,        // \ / : * ? " < > | or a control character
    kTrailingDotOrSpace,  // dropped by the views' file systems
    kTooLong,             // over kMaxVaultNameBytes in UTF-8
};

NameFault CheckVaultName(std::u16string_view name);

}  // namespace vaultdb
