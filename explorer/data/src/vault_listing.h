// Whether the explorer lists a registered vault: the vault's own database
// decides when a process of the session is logged in to it (its login in
// the session's login table opens the database, whose vault type tells);
// otherwise, or when the database defers to it, the vault's registry key.
#pragma once

#include "common/settings_light.h"

#include "winapi/types.h"

// What the vault's database says.
enum class DatabaseVerdict {
    NotAsked,     // no login table, no login of the vault in it, or the open failed
    Listed,       // vault type 0: a normal vault
    AskRegistry,  // vault type 2: the registry key decides
    NotListed,    // any other vault type
};

// Opens the vault's database (Orlumb's Db) with the login the session's
// login table holds for `name`, and reads its vault type. Reads the table
// under its mutex (readLoginList) and holds nothing afterwards.
DatabaseVerdict AskVaultDatabase(LPCWSTR name);

// The database's verdict, then, when it was not asked or deferred, the
// registry's: a key with "DbName", "DbServer", "ShellRoot", "ServerLoc" and
// "ServerPort" lists the vault exactly when its "VaultType" (0 when absent)
// is 0. A key that lacks one of them leaves the verdict as it was: listed
// when the database was not asked, not listed when it deferred.
bool gbIsVaultListed(SettingsLight& settings, LPCWSTR name);
