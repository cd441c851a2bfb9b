#include "vault_listing.h"

#include "explorer/data/login_list.h"

#include "common/vault_connection_settings.h"
#include "orlumb/db.h"

#include <string>

DatabaseVerdict AskVaultDatabase(LPCWSTR name) {
    Db* db = new Db(name, true);
    DatabaseVerdict verdict = DatabaseVerdict::NotAsked;
    std::u16string user;
    std::u16string password;
    LONG loginValue = 0;
    if (gbReadSessionLogin(name, user, password, loginValue)) {
        db->mvSetLogin(user.c_str());
        db->mvSetPassword(password.c_str());
        if (db->mdwOpen(name, false, true, false, false, false, false, false, nullptr, false) == 0) {
            const LONG type = db->Connection().mlVaultType;
            verdict = type == 0   ? DatabaseVerdict::Listed
                      : type == 2 ? DatabaseVerdict::AskRegistry
                                  : DatabaseVerdict::NotListed;
        }
    }
    db->Release();
    return verdict;
}

bool gbIsVaultListed(SettingsLight& settings, LPCWSTR name) {
    const DatabaseVerdict database = AskVaultDatabase(name);
    if (database == DatabaseVerdict::Listed) return true;
    if (database == DatabaseVerdict::NotListed) return false;
    // The values are read only to decide; none is kept.
    VaultConnectionSettings connection;
    if (settings.mbGetVaultConnectionSettings(name, connection)) return connection.VaultType == 0;
    return database == DatabaseVerdict::NotAsked;
}
