#include "batch_files.h"

#include "common/error_codes.h"
#include "vaultdb/database.h"
#include "vaultdb/statement.h"

#include <algorithm>
#include <chrono>
#include <memory>
#include <unordered_set>

namespace oxnvault {

namespace {

// A document row as the queries below select it.
constexpr const char* kDocumentColumns = "SELECT d.id, d.folder_id, d.doc_type, d.name, f.vault_path ";

BatchFile ReadFile(const vaultdb::Statement& row) {
    return BatchFile{row.ColumnInt32(0), row.ColumnInt32(1), row.ColumnInt32(2), row.ColumnText(3), row.ColumnText(4)};
}

HRESULT ReadFiles(vaultdb::Statement& query, std::vector<BatchFile>& found) {
    HRESULT hr;
    while ((hr = query.Step()) == S_OK) found.push_back(ReadFile(query));
    return FAILED(hr) ? hr : S_OK;
}

}  // namespace

HRESULT AddBatchFiles(vaultdb::Database& database, LONG fileId, LONG folderId, std::vector<BatchFile>& files) {
    std::vector<BatchFile> found;
    std::unique_ptr<vaultdb::Statement> query;
    HRESULT hr;
    if (fileId != 0) {
        hr = database.Prepare(std::string(kDocumentColumns) +
                                  "FROM documents d JOIN folders f ON f.id = d.folder_id WHERE d.id = ?1 AND "
                                  "d.deleted = 0 AND (?2 = 0 OR d.folder_id = ?2)",
                              query);
        if (FAILED(hr)) return hr;
        query->BindInt32(1, fileId);
        query->BindInt32(2, folderId);
        if (FAILED(hr = ReadFiles(*query, found))) return hr;
        if (found.empty()) return E_OXN_FILE_NOT_FOUND;
    } else {
        std::unique_ptr<vaultdb::Statement> folder;
        if (FAILED(hr = database.Prepare("SELECT path_key FROM folders WHERE id = ?", folder))) return hr;
        folder->BindInt32(1, folderId);
        if (FAILED(hr = folder->Step())) return hr;
        if (hr != S_OK) return E_OXN_FOLDER_NOT_FOUND;
        const std::u16string pathKey = folder->ColumnText(0);
        // Every folder whose path starts with this one's lies below it (paths
        // end with "\", so "\A\" never matches "\AB\").
        hr = database.Prepare(std::string(kDocumentColumns) +
                                  "FROM documents d JOIN folders f ON f.id = d.folder_id WHERE d.deleted = 0 AND "
                                  "substr(f.path_key, 1, length(?1)) = ?1 ORDER BY f.path_key, d.name_key",
                              query);
        if (FAILED(hr)) return hr;
        query->BindText(1, pathKey);
        if (FAILED(hr = ReadFiles(*query, found))) return hr;
    }
    std::unordered_set<LONG> known;
    for (const BatchFile& file : files) known.insert(file.id);
    for (BatchFile& file : found)
        if (known.insert(file.id).second) files.push_back(std::move(file));
    return S_OK;
}

double NowUtcDate() {
    using namespace std::chrono;
    const double seconds = duration<double>(system_clock::now().time_since_epoch()).count();
    return 25569.0 + seconds / 86400.0;  // 1970-01-01 is day 25569 of the automation calendar
}

double UnixSecondsUtcDate(long long seconds) { return 25569.0 + static_cast<double>(seconds) / 86400.0; }

}  // namespace oxnvault
