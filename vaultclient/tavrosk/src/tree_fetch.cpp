#include "tree_fetch.h"

#include "bellquist/records.h"
#include "common/com_errors.h"
#include "common/record_array.h"
#include "object_records.h"
#include "tavrosk/ids.h"
#include "vault_objects.h"
#include "vaultdb/database.h"
#include "vaultdb/schema.h"
#include "vaultdb/transaction.h"

#include <algorithm>
#include <deque>
#include <optional>
#include <set>
#include <tuple>
#include <vector>

namespace tavrosk {

namespace {

using BellquistLib::DelOrDestroyed;
using BellquistLib::ItmObjectData;

using Placed = PlacedObject;

// The link type a child of this kind may hang by: a file keeps a dynamic
// or static link (anything else becomes static), every other kind type 3.
LONG ConformingLinkType(LONG childType, LONG linkType) {
    if (childType != vaultdb::kObjectFile) return vaultdb::kLinkBom;
    return linkType == vaultdb::kLinkDynamic || linkType == vaultdb::kLinkStatic ? linkType : vaultdb::kLinkStatic;
}

// The operations a link may be added with; a caller's other value stands
// for none.
LONG AddableOperation(LONG operation) {
    return operation == vaultdb::kLinkOpNew || operation == vaultdb::kLinkOpSwitch ? operation
                                                                                   : LONG{vaultdb::kLinkOpNone};
}

class TreeWalk {
public:
    TreeWalk(VaultReader& reader, const FetchRequest& request) : reader_(reader), request_(request) {
        // A negative limit is the explorer's "all levels", as 0 is.
        maxDepth_ = request.recursive ? std::max<LONG>(request.levels, 0) : 1;
    }

    void AddInput(const ItmObjectData& input) {
        const bool idOnly = request_.options & kFetchIdOnlyInput;
        const LONG type = idOnly ? LONG{vaultdb::kObjectItem} : LONG{input.meObjectType};
        const VaultObject* object = nullptr;
        if (IsFolderType(type) || type == vaultdb::kObjectItem || type == vaultdb::kObjectFile ||
            type == vaultdb::kObjectBom) {
            object = input.mlObjectID > 0
                         ? reader_.Find(type, input.mlObjectID, type == vaultdb::kObjectFile ? input.mlConfigID : -1)
                     : type == vaultdb::kObjectItem && input.moFilename ? reader_.FindItemByName(input.moFilename)
                                                                        : nullptr;
        }
        if (!object) {
            if (input.mlObjectID > 0) NoteMaybeDeleted(type, input.mlObjectID);
            return;
        }
        Placed own{
            object, 0, 0, ConformingLinkType(type, input.meLinkType), vaultdb::kLinkOpNone, object->latestVersion};
        if (input.meParentDocType != 0) {
            own.parentId = input.mlParentObjectID;
            own.parentType = input.meParentDocType;
            own.linkOperation = AddableOperation(input.meLinkOperation);
        } else if (type != vaultdb::kObjectBom && type != vaultdb::kObjectFile) {
            own.parentId = object->parentProjectId;
            own.parentType = own.parentId ? LONG{vaultdb::kObjectItemFolder} : 0;
        }
        if (!(request_.options & kFetchLatest) && input.mlAttachedVersion > 0 &&
            input.mlAttachedVersion <= object->latestVersion)
            own.attachedVersion = input.mlAttachedVersion;
        Emit(own);
        queue_.push_back({object, 0});
    }

    // The cached objects' ids, checked against the vault for the deleted list.
    void AddCached(const ItmObjectData& cached) {
        if (cached.mlObjectID > 0) NoteMaybeDeleted(cached.meObjectType, cached.mlObjectID);
    }

    void Walk() {
        while (!queue_.empty()) {
            const auto [object, depth] = queue_.front();
            queue_.pop_front();
            if (maxDepth_ != 0 && depth >= maxDepth_) continue;
            if (!expanded_
                     .insert({IsFolderType(object->type) ? LONG{vaultdb::kObjectItemFolder} : object->type, object->id})
                     .second)
                continue;
            if (IsFolderType(object->type))
                ExpandFolder(*object, depth);
            else if (object->type == vaultdb::kObjectItem)
                ExpandItem(*object, depth);
        }
    }

    const std::vector<Placed>& Records() const { return records_; }

    // The objects asked about that the vault no longer has.
    std::vector<DelOrDestroyed> Deleted() {
        std::vector<DelOrDestroyed> deleted;
        for (const auto& [type, id] : maybeDeleted_) {
            const DeletionState state = reader_.Deletion(type, id);
            if (state.gone)
                deleted.push_back({static_cast<BellquistLib::ItmObjectType>(type), id,
                                   state.destroyed ? VARIANT_TRUE : VARIANT_FALSE});
        }
        return deleted;
    }

private:
    struct Pending {
        const VaultObject* object;
        LONG depth;
    };

    void ExpandFolder(const VaultObject& folder, LONG depth) {
        for (LONG id : reader_.SubFolders(folder.id)) {
            if (const VaultObject* sub = reader_.Find(vaultdb::kObjectItemFolder, id)) {
                Emit({sub, folder.id, vaultdb::kObjectItemFolder, vaultdb::kLinkBom, vaultdb::kLinkOpNone, 0});
                queue_.push_back({sub, depth + 1});
            }
        }
        for (LONG id : reader_.FolderItems(folder.id)) {
            if (const VaultObject* item = reader_.Find(vaultdb::kObjectItem, id)) {
                Emit({item, folder.id, vaultdb::kObjectItemFolder, vaultdb::kLinkBom, vaultdb::kLinkOpNone,
                      item->latestVersion});
                queue_.push_back({item, depth + 1});
            }
        }
    }

    void ExpandItem(const VaultObject& item, LONG depth) {
        const bool latest = (request_.options & kFetchLatest) && !(request_.options & kFetchRespectVersions);
        for (const VaultLink& link : reader_.ItemLinks(item.id)) {
            const VaultObject* child = nullptr;
            if (link.childType == vaultdb::kObjectFile)
                child = reader_.Find(vaultdb::kObjectFile, link.childId, link.childConfigId);
            else if (link.childType == vaultdb::kObjectItem || link.childType == vaultdb::kObjectBom)
                child = reader_.Find(link.childType, link.childId);
            if (!child) continue;  // a cut list, or a child deleted meanwhile
            const LONG linkType = ConformingLinkType(link.childType, link.linkType);
            const bool followsLatest = latest || linkType == vaultdb::kLinkDynamic || link.attachedVersion <= 0;
            Emit({child, item.id, vaultdb::kObjectItem, linkType, vaultdb::kLinkOpNone,
                  followsLatest ? child->latestVersion : link.attachedVersion});
            if (link.childType == vaultdb::kObjectItem) queue_.push_back({child, depth + 1});
        }
    }

    void Emit(const Placed& placed) {
        const VaultObject& object = *placed.object;
        if (emitted_.insert({object.type, object.id, object.configId, placed.parentType, placed.parentId}).second)
            records_.push_back(placed);
    }

    void NoteMaybeDeleted(LONG type, LONG id) {
        if (IsFolderType(type) || type == vaultdb::kObjectItem || type == vaultdb::kObjectFile ||
            type == vaultdb::kObjectBom)
            maybeDeleted_.insert({type, id});
    }

    VaultReader& reader_;
    const FetchRequest& request_;
    LONG maxDepth_ = 0;
    std::deque<Pending> queue_;
    std::set<std::pair<LONG, LONG>> expanded_;
    std::set<std::tuple<LONG, LONG, LONG, LONG, LONG>> emitted_;
    std::vector<Placed> records_;
    std::set<std::pair<LONG, LONG>> maybeDeleted_;
};

}  // namespace

void FetchTrees(vaultdb::Database& database, const FetchRequest& request, SAFEARRAY** fetched, SAFEARRAY** deleted) {
    // Null lists are empty ones.
    std::optional<RecordArray<ItmObjectData>> input, cached;
    if (request.input) input.emplace(request.input);
    if (request.cached) cached.emplace(request.cached);

    // One read transaction: the trees and the deleted list from one state of
    // the vault, whatever other processes change meanwhile.
    vaultdb::Transaction transaction(database);
    CheckDatabase(database, transaction.Begin());
    VaultReader reader(database);
    TreeWalk walk(reader, request);
    if (input)
        for (const ItmObjectData* record = input->mpoBegin(); record != input->mpoEnd(); ++record)
            walk.AddInput(*record);
    if (cached)
        for (const ItmObjectData* record = cached->mpoBegin(); record != cached->mpoEnd(); ++record)
            walk.AddCached(*record);
    walk.Walk();
    const std::vector<DelOrDestroyed> gone = walk.Deleted();

    RecordArray<ItmObjectData> fetchedArray;
    MakeObjectRecords(fetchedArray, walk.Records(), reader);

    RecordArray<DelOrDestroyed> deletedArray;
    deletedArray.mvCreate(static_cast<ULONG>(gone.size()), TavroskClientLib::LIBID_TavroskClientLib,
                          TavroskClientLib::kLibraryMajorVersion, TavroskClientLib::kLibraryMinorVersion);
    std::copy(gone.begin(), gone.end(), deletedArray.mpoBegin());
    CheckDatabase(database, transaction.Rollback());  // read only: nothing to keep

    fetchedArray.mvHandOut(fetched);
    deletedArray.mvHandOut(deleted);
}

}  // namespace tavrosk
