// The archive: the contents of every document version, one file each in the
// archive folder beside the database ("<archive>/<document id>/<version>.ver").
//
// A version is stored in two steps inside the caller's transaction: the
// contents are written to a temporary file, flushed to disk (fsync) and
// renamed into place, and only then is the document_versions row inserted.
// The folder entries of the placed files are flushed when the transaction
// commits, once per folder and before the rows commit (Database::Commit): a
// batch of many versions pays one folder flush per document folder, not one
// per file, and a committed row still never names a missing file. A crash or
// a rolled-back transaction may leave a whole file that no row names, never a
// part of one: such an orphan is never read, and the next store of that
// version replaces it.
#pragma once

#include "winapi/types.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace vaultdb {

class Database;

// The document_versions row written with the contents.
struct NewDocumentVersion {
    int32_t documentId = 0;
    int32_t version = 0;
    double modifiedUtc = 0;  // automation DATE, UTC
    std::u16string comment;
    int32_t userId = 0;
};

// Writes the contents and inserts the version row. Needs an open transaction
// on `database` (VDB_E_FAIL otherwise); refuses (VDB_E_CONSTRAINT) a version
// that exists already without touching its file.
HRESULT StoreDocumentVersion(Database& database, const NewDocumentVersion& version, const void* data, size_t size);

// StoreDocumentVersion with the contents read from `sourceFd` to its end,
// 64 KiB at a time, so a file of any size costs a fixed amount of memory.
// A failed read of the source fails as a failed write of the archive does.
HRESULT StoreDocumentVersionFrom(Database& database, const NewDocumentVersion& version, int sourceFd);

// Reads the stored contents of a version (VDB_E_NOT_FOUND for an unknown
// version or a version without contents).
HRESULT ReadDocumentVersion(Database& database, int32_t documentId, int32_t version, std::vector<uint8_t>& data);

// The archive file name of a version, relative to the archive folder.
std::string ArchiveFileName(int32_t documentId, int32_t version);

}  // namespace vaultdb
