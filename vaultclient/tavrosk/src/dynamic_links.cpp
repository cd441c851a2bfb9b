#include "dynamic_links.h"

#include "bellquist/records.h"
#include "common/record_array.h"
#include "record_strings.h"
#include "tavrosk/ids.h"
#include "tavrosk/link_record.h"
#include "vault_objects.h"
#include "vaultdb/database.h"
#include "vaultdb/schema.h"
#include "vaultdb/transaction.h"

#include <string>
#include <vector>

namespace tavrosk {

namespace {

struct RefreshedLink {
    std::u16string itemName;
    const VaultObject* file;
};

}  // namespace

void UpdateDynamicLinks(vaultdb::Database& database, SAFEARRAY* items, SAFEARRAY** links) {
    *links = nullptr;
    if (!items) return;  // nothing to update
    RecordArray<BellquistLib::ItmObjectData> input(items);

    vaultdb::Transaction transaction(database);
    CheckDatabase(database, transaction.Begin());
    VaultReader reader(database);
    std::vector<RefreshedLink> refreshed;
    for (const BellquistLib::ItmObjectData* record = input.mpoBegin(); record != input.mpoEnd(); ++record) {
        if (record->meObjectType != BellquistLib::ItmObjectType_Item) continue;
        const bool named = record->moFilename && SysStringLen(record->moFilename) != 0;
        const VaultObject* item = record->mlObjectID > 0 ? reader.Find(vaultdb::kObjectItem, record->mlObjectID)
                                  : named                ? reader.FindItemByName(record->moFilename)
                                                         : nullptr;
        if (!item) continue;
        const std::optional<VaultLink> dynamic = reader.DynamicLink(item->id);
        if (!dynamic) continue;
        const VaultObject* file = reader.Find(vaultdb::kObjectFile, dynamic->childId, dynamic->childConfigId);
        if (!file) continue;
        refreshed.push_back(
            {named ? std::u16string(record->moFilename, SysStringLen(record->moFilename)) : item->name, file});
    }
    if (refreshed.empty()) return;

    RecordArray<TavroskClientLib::LinkRecord> array;
    array.mvCreate(static_cast<ULONG>(refreshed.size()), TavroskClientLib::LIBID_TavroskClientLib,
                   TavroskClientLib::kLibraryMajorVersion, TavroskClientLib::kLibraryMinorVersion);
    TavroskClientLib::LinkRecord* record = array.mpoBegin();
    for (const RefreshedLink& link : refreshed) {
        const VaultObject& file = *link.file;
        record->mbsItemName = NewString(link.itemName);
        record->meOperation = vaultdb::kLinkOpNone;
        record->mlObjectID = file.id;
        record->mlParentProjectID = file.parentProjectId;
        record->mlAttachedVersion = file.latestVersion;
        record->mlConfigID = file.configId;
        record->meObjectType = vaultdb::kObjectFile;
        record->moModified = reader.VersionTime(file.id, file.latestVersion);
        record->moFilename = NewString(file.name);
        record->moPath = NewString(file.path);
        record->meLinkType = record->meInitialLinkType = vaultdb::kLinkDynamic;
        record->meLinkOperation = record->meInitialLinkOperation = vaultdb::kLinkOpNone;
        ++record;
    }
    CheckDatabase(database, transaction.Rollback());  // read only: nothing to keep
    array.mvHandOut(links);
}

}  // namespace tavrosk
