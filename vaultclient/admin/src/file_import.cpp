#include "file_import.h"

#include "vaultadmin/admin_error.h"
#include "document_rows.h"
#include "system_error_text.h"
#include "vault_folders.h"
#include "vault_names.h"
#include "vault_sql.h"

#include "vaultdb/schema.h"
#include "vaultdb/transaction.h"
#include "winapi/errors.h"
#include "winapi/text.h"
#include "winapi/unique_fd.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>

namespace vaultadmin {

namespace {

std::string FileKind(mode_t mode) {
    if (S_ISDIR(mode)) return "a folder";
    if (S_ISFIFO(mode)) return "a FIFO";
    if (S_ISSOCK(mode)) return "a socket";
    if (S_ISCHR(mode) || S_ISBLK(mode)) return "a device";
    return "not a plain file";
}

}  // namespace

int32_t ImportFile(vaultdb::Database& database, const std::filesystem::path& localFile,
                   const std::u16string& vaultFolder, int32_t userId) {
    // O_NONBLOCK: opening a FIFO must not wait for a writer; it is refused
    // below, and on a regular file the flag changes nothing.
    const winapi::UniqueFd in(::open(localFile.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (!in) throw AdminError("cannot open " + localFile.string() + ": " + std::strerror(errno));
    struct stat status {};
    if (::fstat(in.Get(), &status) != 0)
        throw AdminError("cannot read " + localFile.string() + ": " + std::strerror(errno));
    if (!S_ISREG(status.st_mode))
        throw AdminError(localFile.string() + " is not a regular file (" + FileKind(status.st_mode) +
                         "); only regular files can be imported");

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
