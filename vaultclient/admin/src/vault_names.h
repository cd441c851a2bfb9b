// The names the admin tool accepts for what it puts into a vault: the
// vault's own rules (vaultdb/vault_names.h), told in words.
#pragma once

#include "vaultdb/vault_names.h"

#include <string>
#include <string_view>

namespace vaultadmin {

using vaultdb::kMaxVaultNameBytes;
using vaultdb::kMaxVaultPathLength;

// `text` as UTF-16; throws AdminError naming `what` when it is not valid
// UTF-8 (no replacement characters are made up for a name).
std::u16string StrictUtf16(std::string_view text, const std::string& what);

// Throws AdminError saying what is wrong with `name` as the name of a vault
// folder, file or item (`what` says which), and does nothing for a usable one.
void CheckVaultName(std::u16string_view name, const std::string& what);

}  // namespace vaultadmin
