#include "vault_folders.h"

#include "vaultadmin/admin_error.h"
#include "vault_names.h"
#include "vault_sql.h"

#include "vaultdb/schema.h"
#include "winapi/text.h"

#include <chrono>

namespace vaultadmin {

std::u16string NormalVaultPath(std::u16string path) {
    for (char16_t& c : path)
        if (c == u'/') c = u'\\';
    if (path.empty() || path.front() != u'\\') path.insert(path.begin(), u'\\');
    if (path.back() != u'\\') path += u'\\';
    if (path.find(u"\\\\") != std::u16string::npos)
        throw AdminError("the vault path \"" + winapi::ToUtf8(path) + "\" has an empty folder name");
    if (path.size() > kMaxVaultPathLength)
        throw AdminError("the vault path \"" + winapi::ToUtf8(path.substr(0, 40)) + "...\" has " +
                         std::to_string(path.size()) + " characters; a vault allows " +
                         std::to_string(kMaxVaultPathLength));
    const std::u16string itemsKey = vaultdb::FoldKey(kItemsFolderPath);
    for (std::size_t start = 1, end; (end = path.find(u'\\', start)) != std::u16string::npos; start = end + 1) {
        // The item folders' root "<items>" is the system's own name.
        if (start == 1 && vaultdb::FoldKey(path.substr(0, end + 1)) == itemsKey) continue;
        CheckVaultName(std::u16string_view(path).substr(start, end - start), "a folder name");
    }
    return path;
}

int32_t EnsureVaultFolder(VaultSql& sql, const std::u16string& vaultPath, int32_t userId) {
    const std::u16string path = NormalVaultPath(vaultPath);
    int32_t id = vaultdb::kRootFolderId;
    // Walk down from the root, one name at a time.
    for (std::size_t start = 1, end; (end = path.find(u'\\', start)) != std::u16string::npos; start = end + 1) {
        const std::u16string below = path.substr(0, end + 1);
        const std::u16string key = vaultdb::FoldKey(below);
        if (std::optional<int32_t> existing = sql.QueryInt("SELECT id FROM folders WHERE path_key = ?", {key})) {
            id = *existing;
            continue;
        }
        id = sql.Insert(
            "INSERT INTO folders (parent_id, name, vault_path, path_key, created_by, created_utc) "
            "VALUES (?, ?, ?, ?, ?, ?) RETURNING id",
            {int64_t(id), path.substr(start, end - start), below, key, int64_t(userId), NowUtcDate()});
    }
    return id;
}

double NowUtcDate() {
    using namespace std::chrono;
    const double seconds = duration<double>(system_clock::now().time_since_epoch()).count();
    return 25569.0 + seconds / 86400.0;  // 1970-01-01 is day 25569 of the automation calendar
}

}  // namespace vaultadmin
