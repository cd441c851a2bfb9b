#include "folder_listing.h"

#include "bellquist/records.h"
#include "common/com_errors.h"
#include "common/error_codes.h"
#include "common/record_array.h"
#include "object_records.h"
#include "vault_objects.h"
#include "vaultdb/schema.h"
#include "vaultdb/transaction.h"

#include <vector>

namespace tavrosk {

void ListFolder(vaultdb::Database& database, LONG folderId, LONG folderType, SAFEARRAY** children) {
    if (folderType != vaultdb::kObjectVault && folderType != vaultdb::kObjectItemFolder)
        gvRaiseComError(E_ITEM_INVALID_ITEM_TYPE, u"Only the vault and item folders are listed.");

    vaultdb::Transaction transaction(database);
    CheckDatabase(database, transaction.Begin());
    VaultReader reader(database);
    const VaultObject* folder = reader.Find(vaultdb::kObjectItemFolder, folderId);
    if (!folder) gvRaiseComError(E_OXN_FOLDER_NOT_FOUND, u"The vault has no folder of that id.");
    if (!IsItemFolder(*folder)) gvRaiseComError(E_ITEM_INVALID_TARGET, u"The folder is not an item folder.");

    std::vector<PlacedObject> placed;
    for (LONG id : reader.SubFolders(folderId))
        if (const VaultObject* sub = reader.Find(vaultdb::kObjectItemFolder, id)) placed.push_back(InItsFolder(*sub));
    for (LONG id : reader.FolderItems(folderId))
        if (const VaultObject* item = reader.Find(vaultdb::kObjectItem, id)) placed.push_back(InItsFolder(*item));

    RecordArray<BellquistLib::ItmObjectData> records;
    MakeObjectRecords(records, placed, reader);
    CheckDatabase(database, transaction.Rollback());  // read only: nothing to keep
    records.mvHandOut(children);
}

}  // namespace tavrosk
