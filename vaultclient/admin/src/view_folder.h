// The local view folder of a vault: the root of the user's working copies,
// marked as a view by its "desktop.ini" ([Tavrosk] ViewID and VaultID).
#pragma once

#include "winapi/types.h"

#include <filesystem>
#include <string>

namespace vaultadmin {

// The folder as the registry's "ShellRoot" names it: the absolute path in the
// system's form, ending in a backslash.
std::u16string ShellRootText(const std::filesystem::path& folder);

// Writes <folder>/desktop.ini with the view's and the vault's ids as
// upper-case braced GUIDs. The folder must exist. Throws AdminError when the
// file cannot be written.
void WriteViewIds(const std::filesystem::path& folder, const GUID& viewId, const GUID& vaultId);

}  // namespace vaultadmin
