// The destination item folder as the reference dialog shows and takes it:
// a path on disk below the view's root path, which stands for the vault
// path "\<items>\..." of an item folder.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace coravent {

// The path shown for the item folder at `vaultPath` ("\<items>\Parts\"; empty:
// none chosen, the root path alone): the root path and the folder's path
// below "\<items>", joined by one backslash, without trailing backslashes.
// The root path's own characters (a UNC root's leading "\\") are kept.
std::u16string DestinationFolderPath(std::u16string_view rootPath, std::u16string_view vaultPath);

// The vault path ("\<items>\", "\<items>\Parts\") of the folder the user
// typed as `typed`, a path that must lie below (or be) the root path,
// compared without regard to case; nullopt when it does not.
std::optional<std::u16string> DestinationVaultPath(std::u16string_view rootPath, std::u16string_view typed);

// `path` without its trailing backslashes.
std::u16string_view WithoutTrailingBackslashes(std::u16string_view path);

}  // namespace coravent
