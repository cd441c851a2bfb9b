// The names of the vaults the explorer may list: those registered for the
// machine ("Databases") and for the user ("Vaults") whose view folder is set
// up. A vault's own key and its view folder are SettingsLight's
// mbOpenVaultKey and goGetViewRoot (the user's key wins when it names a view
// folder).
#pragma once

#include "common/lst.h"
#include "common/settings_light.h"

#include "com/bstr_t.h"

// Appends the names, the machine's list first, each list in the registry's
// order. A name is kept when its key opens for reading and has a "ShellRoot",
// the vault's view folder (goGetViewRoot) is set, and that folder's
// desktop.ini holds both a ViewID and a VaultID. A vault registered in both
// lists is appended twice; a list that does not open, or whose size cannot
// be read, adds nothing, and a key whose name cannot be read is skipped.
// Always true.
bool EnumVaultShellRoots(SettingsLight& settings, Lst<_bstr_t>& names);
