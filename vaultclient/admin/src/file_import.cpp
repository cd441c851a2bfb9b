#include "file_import.h"

#include "vaultadmin/admin_error.h"
#include "document_rows.h"
#include "local_file.h"
#include "system_error_text.h"
#include "vault_folders.h"
#include "vault_names.h"
#include "vault_sql.h"

#include "vaultdb/schema.h"
#include "vaultdb/transaction.h"
#include "winapi/errors.h"
#include "winapi/text.h"
#include "winapi/unique_fd.h"

namespace vaultadmin {

int32_t ImportFile(vaultdb::Database& database, const std::filesystem::path& localFile,
                   const std::u16string& vaultFolder, int32_t userId) {
    const winapi::UniqueFd in = OpenRegularFile(localFile);

    const std::u16string name = StrictUtf16(localFile.filename().string(), "the file name");
    CheckVaultName(name, "a file name");
    const std::u16string folderPath = NormalVaultPath(vaultFolder);
    const std::u16string itemsKey = vaultdb::FoldKey(kItemsFolderPath);
    if (vaultdb::FoldKey(folderPath).compare(0, itemsKey.size(), itemsKey) == 0)
        throw AdminError("files cannot be imported into an item folder (" + winapi::ToUtf8(folderPath) + ")");

    vaultdb::Transaction transaction(database);
    if (HRESULT hr = transaction.Begin(); FAILED(hr))
        throw AdminError("cannot begin a transaction: " + HresultText(hr));
    VaultSql sql(database);
    const int32_t folder = EnsureVaultFolder(sql, folderPath, userId);
    const int32_t document = InsertFileDocument(sql, folder, name, userId);
    AddFileVersionFrom(sql, document, in.Get(), userId, u"Imported");
    if (HRESULT hr = transaction.Commit(); FAILED(hr)) throw AdminError("cannot commit the import: " + HresultText(hr));
    return document;
}

}  // namespace vaultadmin
