// Writing documents inside a transaction the caller holds: a file document
// with its versions' contents in the archive, as import and seeding add them.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vaultadmin {

class VaultSql;

// A new file document (type 6) without versions; throws AdminError when the
// folder has a document of that name already.
int32_t InsertFileDocument(VaultSql& sql, int32_t folderId, const std::u16string& name, int32_t userId);

// Stores the contents as the document's next version and records it in the
// history with `comment`.
int32_t AddFileVersion(VaultSql& sql, int32_t documentId, std::string_view contents, int32_t userId,
                       const std::u16string& comment);

// AddFileVersion with the contents read from `sourceFd` to its end, streamed
// into the archive (vaultdb::StoreDocumentVersionFrom).
int32_t AddFileVersionFrom(VaultSql& sql, int32_t documentId, int sourceFd, int32_t userId,
                           const std::u16string& comment);

}  // namespace vaultadmin
