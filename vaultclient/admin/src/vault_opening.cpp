#include "vaultadmin/vault_opening.h"

#include "vaultadmin/admin_error.h"
#include "vaultadmin/vault_creation.h"
#include "system_error_text.h"

#include "common/settings_light.h"
#include "vaultdb/archive_sweep.h"
#include "winapi/errors.h"
#include "winapi/path_mapping.h"
#include "winapi/text.h"

namespace vaultadmin {

std::unique_ptr<vaultdb::Database> OpenRegisteredVault(const std::u16string& name) {
    SettingsLight settings;
    VaultConnectionSettings connection;
    if (!settings.mbGetVaultConnectionSettings(name.c_str(), connection))
        throw AdminError("no vault \"" + winapi::ToUtf8(name) + "\" is registered (see vaultadmin list)");
    const auto file = vaultdb::VaultDatabaseFile(winapi::ToPosixPath(connection.DbServer), connection.DbName);
    if (file.empty()) throw AdminError("the vault \"" + winapi::ToUtf8(name) + "\" has no valid database name");
    std::unique_ptr<vaultdb::Database> database;
    if (HRESULT hr = vaultdb::OpenVaultDatabase(file, vaultdb::OpenMode::OpenExisting, database); FAILED(hr))
        throw AdminError("cannot open the database of \"" + winapi::ToUtf8(name) + "\" (" + file.string() +
                         "): " + HresultText(hr));
    // The admin tool opens a vault to write to it: the time to clear away what
    // killed writers (a killed seeding or import) left in the archive.
    if (HRESULT hr = vaultdb::SweepArchive(*database); FAILED(hr))
        throw AdminError("cannot clear the archive of \"" + winapi::ToUtf8(name) +
                         "\" of unfinished versions: " + HresultText(hr) + " " + database->LastErrorText());
    return database;
}

}  // namespace vaultadmin
