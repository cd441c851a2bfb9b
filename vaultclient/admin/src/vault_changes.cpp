#include "vault_changes.h"

#include "vaultadmin/admin_error.h"
#include "document_rows.h"
#include "system_error_text.h"
#include "local_file.h"
#include "vault_folders.h"
#include "vault_names.h"
#include "vault_sql.h"

#include "vaultdb/schema.h"
#include "vaultdb/transaction.h"
#include "winapi/errors.h"
#include "winapi/text.h"
#include "winapi/unique_fd.h"

namespace vaultadmin {

namespace {

constexpr std::u16string_view kItemExtension = u".<item>";

// Runs `change` inside one transaction of `database` and commits it.
template <class Change>
auto InTransaction(vaultdb::Database& database, const char* what, Change&& change) {
    vaultdb::Transaction transaction(database);
    if (HRESULT hr = transaction.Begin(); FAILED(hr))
        throw AdminError("cannot begin a transaction: " + HresultText(hr));
    VaultSql sql(database);
    const auto result = change(sql);
    if (HRESULT hr = transaction.Commit(); FAILED(hr))
        throw AdminError(std::string("cannot commit ") + what + ": " + HresultText(hr));
    return result;
}

bool EndsWithItemExtension(const std::u16string& name) {
    const std::u16string key = vaultdb::FoldKey(name);
    return key.size() >= kItemExtension.size() &&
           key.compare(key.size() - kItemExtension.size(), kItemExtension.size(), kItemExtension) == 0;
}

}  // namespace

int32_t AddItem(vaultdb::Database& database, const std::u16string& itemFolderPath, const std::u16string& name,
                int32_t userId) {
    const std::u16string folderPath = NormalVaultPath(itemFolderPath);
    const std::u16string itemsKey = vaultdb::FoldKey(kItemsFolderPath);
    if (vaultdb::FoldKey(folderPath).compare(0, itemsKey.size(), itemsKey) != 0)
        throw AdminError("items live in item folders, below \\<items>\\ (not " + winapi::ToUtf8(folderPath) + ")");
    const std::u16string fileName = EndsWithItemExtension(name) ? name : name + std::u16string(kItemExtension);
    const std::u16string stem = fileName.substr(0, fileName.size() - kItemExtension.size());
    CheckVaultName(stem, "an item name");

    return InTransaction(database, "the new item", [&](VaultSql& sql) {
        const std::u16string key = vaultdb::FoldKey(fileName);
        if (sql.QueryInt("SELECT id FROM documents WHERE name_key = ? AND doc_type = 4 AND deleted = 0", {key}))
            throw AdminError("the vault has an item \"" + winapi::ToUtf8(fileName) + "\" already");
        const int32_t folder = EnsureVaultFolder(sql, folderPath, userId);
        const std::optional<int32_t> state =
            sql.QueryInt("SELECT id FROM workflow_states WHERE is_initial = 1 ORDER BY workflow_id LIMIT 1");
        const double now = NowUtcDate();
        const int32_t item = sql.Insert(
            "INSERT INTO documents (folder_id, name, name_key, doc_type, state_id, latest_version, created_by, "
            "created_utc) VALUES (?, ?, ?, 4, ?, 1, ?, ?) RETURNING id",
            {int64_t(folder), fileName, key, state ? SqlValue(int64_t(*state)) : Null(), int64_t(userId), now});
        sql.Run("INSERT INTO items (document_id, item_number, item_name) VALUES (?, ?, ?)",
                {int64_t(item), stem, stem});
        sql.Run(
            "INSERT INTO document_versions (document_id, version, modified_utc, comment, user_id, state_id) "
            "VALUES (?, 1, ?, 'Item version', ?, ?)",
            {int64_t(item), now, int64_t(userId), state ? SqlValue(int64_t(*state)) : Null()});
        sql.Run(
            "INSERT INTO history (action, object_type, object_id, version, user_id, time_utc, comment) "
            "VALUES (?, 4, ?, 1, ?, ?, '')",
            {int64_t(vaultdb::kHistoryAdd), int64_t(item), int64_t(userId), now});
        return item;
    });
}

int32_t DeleteItem(vaultdb::Database& database, const std::u16string& name, int32_t userId) {
    return InTransaction(database, "the deletion", [&](VaultSql& sql) {
        const std::optional<int32_t> item = sql.QueryInt(
            "SELECT id FROM documents WHERE name_key = ? AND doc_type = 4 AND deleted = 0", {vaultdb::FoldKey(name)});
        if (!item) throw AdminError("the vault has no item \"" + winapi::ToUtf8(name) + "\"");
        const int32_t folder = *sql.QueryInt("SELECT folder_id FROM documents WHERE id = ?", {int64_t(*item)});
        const double now = NowUtcDate();
        sql.Run("UPDATE documents SET deleted = 1 WHERE id = ?", {int64_t(*item)});
        sql.Run("DELETE FROM locks WHERE document_id = ?", {int64_t(*item)});
        sql.Run(
            "INSERT INTO deleted_objects (object_type, object_id, destroyed, folder_id, name, user_id, time_utc) "
            "VALUES (4, ?, 0, ?, ?, ?, ?)",
            {int64_t(*item), int64_t(folder), name, int64_t(userId), now});
        sql.Run(
            "INSERT INTO history (action, object_type, object_id, user_id, time_utc, comment) "
            "VALUES (?, 4, ?, ?, ?, '')",
            {int64_t(vaultdb::kHistoryDelete), int64_t(*item), int64_t(userId), now});
        return *item;
    });
}

int32_t AddFileVersionFromFile(vaultdb::Database& database, const std::u16string& vaultFilePath,
                               const std::filesystem::path& localFile, int32_t userId) {
    const winapi::UniqueFd in = OpenRegularFile(localFile);

    std::u16string path = vaultFilePath;
    for (char16_t& c : path)
        if (c == u'/') c = u'\\';
    const std::size_t cut = path.rfind(u'\\');
    const std::u16string fileName = cut == std::u16string::npos ? path : path.substr(cut + 1);
    const std::u16string folderPath = NormalVaultPath(cut == std::u16string::npos ? u"" : path.substr(0, cut + 1));
    return InTransaction(database, "the new version", [&](VaultSql& sql) {
        const std::optional<int32_t> file = sql.QueryInt(
            "SELECT d.id FROM documents d JOIN folders f ON f.id = d.folder_id WHERE f.path_key = ? AND "
            "d.name_key = ? AND d.doc_type = 6 AND d.deleted = 0",
            {vaultdb::FoldKey(folderPath), vaultdb::FoldKey(fileName)});
        if (!file || fileName.empty())
            throw AdminError("the vault has no file " + winapi::ToUtf8(folderPath + fileName));
        return AddFileVersionFrom(sql, *file, in.Get(), userId, u"New version");
    });
}

}  // namespace vaultadmin
