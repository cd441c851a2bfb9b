#include "path_resolution.h"

#include "bellquist/records.h"
#include "com/bstr.h"
#include "common/record_array.h"
#include "vault_objects.h"
#include "vaultdb/schema.h"
#include "vaultdb/transaction.h"
#include "vennacle/sp_query.h"

#include <string>

namespace tavrosk {

namespace {

using BellquistLib::ItmDbInfo;
using vennacle::SpQuery;

// A relative folder path in the vault's form: backslashes, beginning and
// ending with one.
std::u16string FolderPath(std::u16string_view path) {
    std::u16string folder(path);
    for (char16_t& c : folder)
        if (c == u'/') c = u'\\';
    if (folder.empty() || folder.front() != u'\\') folder.insert(folder.begin(), u'\\');
    if (folder.back() != u'\\') folder += u'\\';
    return folder;
}

}  // namespace

void ResolvePaths(vaultdb::Database& database, SAFEARRAY* records) {
    if (!records) return;
    RecordArray<ItmDbInfo> infos(records);
    vaultdb::Transaction transaction(database);
    CheckDatabase(database, transaction.Begin());
    SpQuery folderByPath(database, "SELECT id FROM folders WHERE path_key = ?");
    SpQuery documentInFolder(database,
                             "SELECT id, doc_type FROM documents WHERE folder_id = ? AND name_key = ? AND deleted = 0");
    for (ItmDbInfo* info = infos.mpoBegin(); info != infos.mpoEnd(); ++info) {
        const std::u16string_view name = com::BstrView(info->moItemName);
        const bool isFolder = info->meItemType == BellquistLib::ItmObjectType_Project;
        std::u16string folderPath = FolderPath(com::BstrView(info->moItemPath));
        if (isFolder && !name.empty()) folderPath = FolderPath(folderPath + std::u16string(name));

        folderByPath.Reset();
        folderByPath.Bind(vaultdb::FoldKey(folderPath));
        const LONG folderId = folderByPath.Next() ? folderByPath.Int(0) : 0;
        folderByPath.Reset();
        if (isFolder) {
            info->mlProjectID = folderId;
            info->mlDocumentID = 0;
            continue;
        }
        LONG documentId = 0;
        if (folderId != 0 && !name.empty()) {
            documentInFolder.Reset();
            documentInFolder.Bind(folderId).Bind(vaultdb::FoldKey(name));
            if (documentInFolder.Next()) {
                documentId = documentInFolder.Int(0);
                info->meItemType = static_cast<BellquistLib::ItmObjectType>(documentInFolder.Int(1));
            }
            documentInFolder.Reset();
        }
        info->mlDocumentID = documentId;
        info->mlProjectID = documentId != 0 ? folderId : 0;
    }
    CheckDatabase(database, transaction.Rollback());  // read only: nothing to keep
}

}  // namespace tavrosk
