#include "document_rows.h"

#include "vaultadmin/admin_error.h"
#include "system_error_text.h"
#include "vault_folders.h"
#include "vault_sql.h"

#include "vaultdb/archive.h"
#include "vaultdb/schema.h"
#include "winapi/errors.h"
#include "winapi/text.h"
#include <functional>

namespace vaultadmin {

int32_t InsertFileDocument(VaultSql& sql, int32_t folderId, const std::u16string& name, int32_t userId) {
    if (name.empty() || name.find_first_of(u"\\/") != std::u16string::npos)
        throw AdminError("\"" + winapi::ToUtf8(name) + "\" cannot name a document of the vault");
    const std::u16string key = vaultdb::FoldKey(name);
    if (sql.QueryInt("SELECT id FROM documents WHERE folder_id = ? AND name_key = ? AND deleted = 0",
                     {int64_t(folderId), key}))
        throw AdminError("the vault folder holds a document \"" + winapi::ToUtf8(name) + "\" already");
    return sql.Insert(
        "INSERT INTO documents (folder_id, name, name_key, doc_type, created_by, created_utc) "
        "VALUES (?, ?, ?, ?, ?, ?) RETURNING id",
        {int64_t(folderId), name, key, int64_t(vaultdb::kObjectFile), int64_t(userId), NowUtcDate()});
}

namespace {

int32_t AddVersionWith(VaultSql& sql, int32_t documentId, int32_t userId, const std::u16string& comment,
                       const std::function<HRESULT(const vaultdb::NewDocumentVersion&)>& store) {
    const int32_t version =
        *sql.QueryInt("SELECT latest_version + 1 FROM documents WHERE id = ?", {int64_t(documentId)});
    vaultdb::NewDocumentVersion row;
    row.documentId = documentId;
    row.version = version;
    row.modifiedUtc = NowUtcDate();
    row.comment = comment;
    row.userId = userId;
    if (HRESULT hr = store(row); FAILED(hr))
        throw AdminError("cannot store version " + std::to_string(version) + " in the archive: " + HresultText(hr) +
                         " " + sql.Database().LastErrorText());
    sql.Run("UPDATE documents SET latest_version = ? WHERE id = ?", {int64_t(version), int64_t(documentId)});
    sql.Run(
        "INSERT INTO history (action, object_type, object_id, version, user_id, time_utc, comment) "
        "VALUES (?, ?, ?, ?, ?, ?, ?)",
        {int64_t(version == 1 ? vaultdb::kHistoryAdd : vaultdb::kHistoryCheckIn), int64_t(vaultdb::kObjectFile),
         int64_t(documentId), int64_t(version), int64_t(userId), row.modifiedUtc, comment});
    return version;
}

}  // namespace

int32_t AddFileVersion(VaultSql& sql, int32_t documentId, std::string_view contents, int32_t userId,
                       const std::u16string& comment) {
    return AddVersionWith(sql, documentId, userId, comment, [&](const vaultdb::NewDocumentVersion& row) {
        return vaultdb::StoreDocumentVersion(sql.Database(), row, contents.data(), contents.size());
    });
}

int32_t AddFileVersionFrom(VaultSql& sql, int32_t documentId, int sourceFd, int32_t userId,
                           const std::u16string& comment) {
    return AddVersionWith(sql, documentId, userId, comment, [&](const vaultdb::NewDocumentVersion& row) {
        return vaultdb::StoreDocumentVersionFrom(sql.Database(), row, sourceFd);
    });
}

}  // namespace vaultadmin
