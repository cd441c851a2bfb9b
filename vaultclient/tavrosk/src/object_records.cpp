#include "object_records.h"

#include "bellquist/records.h"
#include "record_strings.h"
#include "tavrosk/ids.h"
#include "vault_objects.h"
#include "vaultdb/schema.h"

namespace tavrosk {

using BellquistLib::ItmObjectData;

PlacedObject InItsFolder(const VaultObject& object) {
    const bool isFolder = IsFolderType(object.type);
    return {&object,           object.parentProjectId, object.parentProjectId ? LONG{vaultdb::kObjectItemFolder} : 0,
            vaultdb::kLinkBom, vaultdb::kLinkOpNone,   isFolder ? 0 : object.latestVersion};
}

void FillObjectRecord(ItmObjectData& record, const PlacedObject& placed, VaultReader& reader) {
    const VaultObject& object = *placed.object;
    record.mlParentObjectID = placed.parentId;
    record.meParentDocType = static_cast<BellquistLib::ItmObjectType>(placed.parentType);
    record.meObjectType = static_cast<BellquistLib::ItmObjectType>(object.type);
    record.meLinkType = static_cast<BellquistLib::ItmLinkType>(placed.linkType);
    record.meLinkOperation = static_cast<BellquistLib::ItmLinkOperation>(placed.linkOperation);
    record.mlObjectID = object.id;
    record.mlParentProjectID = object.parentProjectId;
    record.moFilename = NewString(object.name);
    record.moPath = NewString(object.path);
    record.mlAttachedVersion = placed.attachedVersion;
    record.mlLocalVersion = -1;  // the item server reads the local files itself
    record.mlLatestVersion = object.latestVersion;
    record.mlConfigID = object.configId;
    record.moConfigName = NewString(object.configName);
    record.mlLockedBy = object.lockedBy;
    record.moLockedBy = NewString(object.lockedByName);
    record.moLockedPath = NewString(object.lockedPath);
    record.mlStatusID = object.stateId;
    record.moState = NewString(object.state);
    const bool isDocument = object.type == vaultdb::kObjectItem || object.type == vaultdb::kObjectFile;
    record.moModified = isDocument ? reader.VersionTime(object.id, placed.attachedVersion) : object.created;
    record.moDomain = NewString(object.domain);
    record.moLockViewID = object.lockViewId;
    record.mbHasChildren = object.hasChildren ? VARIANT_TRUE : VARIANT_FALSE;
    record.moAlternateName = NewString(object.alternateName);
    record.mbIsUpToDate = 1;
    record.mlItmObjectFlags = object.flags;
    record.mbsLinkedFile = NewString(object.linkedFile);
    record.mlDynLinkedFileVersion = object.dynamicFileVersion;
    record.mbIsCutlist = object.isCutlist ? VARIANT_TRUE : VARIANT_FALSE;
}

void MakeObjectRecords(RecordArray<ItmObjectData>& records, const std::vector<PlacedObject>& placed,
                       VaultReader& reader) {
    records.mvCreate(static_cast<ULONG>(placed.size()), TavroskClientLib::LIBID_TavroskClientLib,
                     TavroskClientLib::kLibraryMajorVersion, TavroskClientLib::kLibraryMinorVersion);
    ItmObjectData* record = records.mpoBegin();
    for (const PlacedObject& one : placed) FillObjectRecord(*record++, one, reader);
}

}  // namespace tavrosk
