#include "vaultdb/archive.h"

#include "pending_folder_flushes.h"
#include "vaultdb/database.h"
#include "vaultdb/errors.h"
#include "vaultdb/private_files.h"
#include "winapi/save_file.h"
#include "winapi/text.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <memory>
#include <system_error>

namespace vaultdb {
namespace {

// Writes `data` to `file` as one save (see winapi::SaveFile): whole and on
// disk when this returns, except for the folder entry naming it, which the
// transaction's commit flushes with the others of its folder.
// `writeContents` appends the contents to the save and returns 0 or an errno.
HRESULT WriteFileDurably(Database& database, const std::filesystem::path& file,
                         const std::function<int(winapi::SaveFile&)>& writeContents) {
    const std::filesystem::path folder = file.parent_path();
    if (MakePrivateFolders(folder)) return VDB_E_FAIL;
    winapi::SaveFile::Options options;
    options.marker = ".tmp-";
    options.flushFolder = false;
    winapi::SaveFile save;
    int error = save.Create(file.string(), options);
    if (error == 0) error = writeContents(save);
    if (error == 0) error = save.Commit();
    if (error != 0) return ArchiveFileError(error);
    database.FoldersToFlush().Add(folder);
    // The document folder is itself an entry of the archive folder, made now
    // or by a transaction that never flushed it (one rolled back): flushed
    // with the others, once per transaction.
    database.FoldersToFlush().Add(folder.parent_path());
    return S_OK;
}

// Whether the version row exists, read inside the caller's transaction (which
// holds the write lock, so no other writer can add it meanwhile).
HRESULT VersionExists(Database& database, int32_t documentId, int32_t version, bool& exists,
                      std::u16string* archiveFile = nullptr) {
    std::unique_ptr<Statement> query;
    HRESULT hr =
        database.Prepare("SELECT archive_file FROM document_versions WHERE document_id = ? AND version = ?", query);
    if (FAILED(hr)) return hr;
    query->BindInt32(1, documentId);
    query->BindInt32(2, version);
    if (FAILED(hr = query->Step())) return hr;
    exists = hr == S_OK;
    if (exists && archiveFile) *archiveFile = query->ColumnIsNull(0) ? u"" : query->ColumnText(0);
    return S_OK;
}

}  // namespace

std::string ArchiveFileName(int32_t documentId, int32_t version) {
    return std::to_string(documentId) + "/" + std::to_string(version) + ".ver";
}

namespace {

// Stores a version whose contents `writeContents` appends, counting the bytes
// in `size`.
HRESULT StoreVersion(Database& database, const NewDocumentVersion& version,
                     const std::function<int(winapi::SaveFile&)>& writeContents, const int64_t& size) {
    if (!database.InTransaction()) return VDB_E_FAIL;
    bool exists = false;
    HRESULT hr = VersionExists(database, version.documentId, version.version, exists);
    if (FAILED(hr)) return hr;
    // Never overwrite the contents of a version that exists already.
    if (exists) return VDB_E_CONSTRAINT;

    const std::string name = ArchiveFileName(version.documentId, version.version);
    if (FAILED(hr = WriteFileDurably(database, database.ArchiveFolder() / name, writeContents))) return hr;
    std::unique_ptr<Statement> insert;
    hr = database.Prepare(
        "INSERT INTO document_versions (document_id, version, archive_file, size, modified_utc, comment, user_id) "
        "VALUES (?, ?, ?, ?, ?, ?, ?)",
        insert);
    if (FAILED(hr)) return hr;
    insert->BindInt32(1, version.documentId);
    insert->BindInt32(2, version.version);
    insert->BindText(3, winapi::ToUtf16(name));
    insert->BindInt64(4, size);
    insert->BindDouble(5, version.modifiedUtc);
    insert->BindText(6, version.comment);
    insert->BindInt32(7, version.userId);
    return insert->Execute();
}

}  // namespace

HRESULT StoreDocumentVersion(Database& database, const NewDocumentVersion& version, const void* data, size_t size) {
    if (!data && size > 0) return E_POINTER;
    const int64_t written = static_cast<int64_t>(size);
    return StoreVersion(
        database, version, [&](winapi::SaveFile& save) { return save.Write(data, size); }, written);
}

HRESULT StoreDocumentVersionFrom(Database& database, const NewDocumentVersion& version, int sourceFd) {
    int64_t copied = 0;
    return StoreVersion(
        database, version,
        [&](winapi::SaveFile& save) {
            std::vector<char> buffer(1 << 16);
            for (;;) {
                const ssize_t got = ::read(sourceFd, buffer.data(), buffer.size());
                if (got == 0) return 0;
                if (got < 0) {
                    if (errno == EINTR) continue;
                    return errno;
                }
                if (int error = save.Write(buffer.data(), static_cast<size_t>(got))) return error;
                copied += got;
            }
        },
        copied);
}

HRESULT ReadDocumentVersion(Database& database, int32_t documentId, int32_t version, std::vector<uint8_t>& data) {
    data.clear();
    bool exists = false;
    std::u16string archiveFile;
    HRESULT hr = VersionExists(database, documentId, version, exists, &archiveFile);
    if (FAILED(hr)) return hr;
    if (!exists || archiveFile.empty()) return VDB_E_NOT_FOUND;
    // The file name follows from the ids: a stored name is never used as a
    // path, so a damaged row cannot point outside the archive.
    std::ifstream in(database.ArchiveFolder() / ArchiveFileName(documentId, version), std::ios::binary);
    if (!in) return VDB_E_NOT_FOUND;
    data.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return in.bad() ? VDB_E_FAIL : S_OK;
}

}  // namespace vaultdb
