#include "item_changes.h"

#include "bellquist/enums.h"
#include "bellquist/item_names.h"
#include "bellquist/menu_info.h"
#include "bellquist/records.h"
#include "client_session.h"
#include "com/com_ptr.h"
#include "com/record_info.h"
#include "com/task_memory.h"
#include "common/com_errors.h"
#include "common/error_codes.h"
#include "common/record_array.h"
#include "object_records.h"
#include "tavrosk/ids.h"
#include "user_rights.h"
#include "vault_objects.h"
#include "vaultdb/errors.h"
#include "vaultdb/schema.h"
#include "vaultdb/transaction.h"
#include "vaultdb/vault_names.h"
#include "vennacle/counters.h"
#include "vennacle/sp_query.h"
#include "vennacle/vault_rows.h"
#include "winapi/guid_text.h"
#include "winapi/text.h"

#include <cstring>
#include <optional>
#include <utility>
#include <vector>

namespace tavrosk {

namespace {

using BellquistLib::ItmObjectData;
using vennacle::SpQuery;

using BellquistLib::HasItemExtension;
using BellquistLib::kItemExtension;

// Counters passed over because items hold their names already; a vault with
// more of them in a row than this has been filled by hand on purpose.
constexpr int kMaxCountersPassedOver = 10000;

bool IsItemFolderPath(std::u16string_view path) {
    return vaultdb::FoldKey(path).starts_with(vaultdb::FoldKey(kItemsFolderPath));
}

void CheckName(std::u16string_view name) {
    if (vaultdb::CheckVaultName(name) != vaultdb::NameFault::kNone)
        gvRaiseComError(E_OXN_INVALID_NAME,
                        u"The name is empty, \".\" or \"..\", holds a character a path may not hold, ends with a "
                        u"dot or a space, or is too long.");
}

void CheckPathLength(std::u16string_view path) {
    if (path.size() > vaultdb::kMaxVaultPathLength)
        gvRaiseComError(E_OXN_PATH_TOO_LONG, u"The vault path would be longer than the views can hold.");
}

struct FolderRow {
    LONG id = 0;
    LONG parentId = 0;
    std::u16string name;
    std::u16string path;
};

std::optional<FolderRow> ReadFolder(vaultdb::Database& database, LONG id) {
    SpQuery row(database, "SELECT COALESCE(parent_id, 0), name, vault_path FROM folders WHERE id = ?");
    row.Bind(id);
    if (!row.Next()) return std::nullopt;
    return FolderRow{id, row.Int(0), row.Text(1), row.Text(2)};
}

// The item folder `id`; E_OXN_FOLDER_NOT_FOUND for none, `notItemFolder` for
// a folder outside the item folders.
FolderRow ItemFolder(vaultdb::Database& database, LONG id, HRESULT notItemFolder) {
    std::optional<FolderRow> folder = ReadFolder(database, id);
    if (!folder) gvRaiseComError(E_OXN_FOLDER_NOT_FOUND, u"The vault has no folder of that id.");
    if (!IsItemFolderPath(folder->path)) gvRaiseComError(notItemFolder, u"The folder is not an item folder.");
    return *folder;
}

struct ItemRow {
    LONG id = 0;
    LONG folderId = 0;
    std::u16string name;
};

// The live item `id`; E_OXN_FILE_NOT_FOUND for none.
ItemRow Item(vaultdb::Database& database, LONG id) {
    SpQuery row(database, "SELECT folder_id, name FROM documents WHERE id = ? AND doc_type = 4 AND deleted = 0");
    row.Bind(id);
    if (!row.Next()) gvRaiseComError(E_OXN_FILE_NOT_FOUND, u"The vault has no item of that id.");
    return ItemRow{id, row.Int(0), row.Text(1)};
}

// The live item of that name anywhere in the vault, other than `except`.
std::optional<LONG> ItemNamed(vaultdb::Database& database, std::u16string_view name, LONG except = 0) {
    SpQuery row(database, "SELECT id FROM documents WHERE name_key = ? AND doc_type = 4 AND deleted = 0 AND id <> ?");
    row.Bind(vaultdb::FoldKey(name)).Bind(except);
    if (!row.Next()) return std::nullopt;
    return row.Int(0);
}

// Whether the folder holds a live document of that name other than `except`.
bool FolderHoldsDocument(vaultdb::Database& database, LONG folderId, std::u16string_view name, LONG except) {
    SpQuery row(database, "SELECT 1 FROM documents WHERE folder_id = ? AND name_key = ? AND deleted = 0 AND id <> ?");
    row.Bind(folderId).Bind(vaultdb::FoldKey(name)).Bind(except);
    return row.Next();
}

// Whether the vault has a folder of that path other than `except`.
bool FolderPathTaken(vaultdb::Database& database, std::u16string_view path, LONG except) {
    SpQuery row(database, "SELECT 1 FROM folders WHERE path_key = ? AND id <> ?");
    row.Bind(vaultdb::FoldKey(path)).Bind(except);
    return row.Next();
}

// Refuses the change when the user lacks one of the `needed` rights on the
// object.
void RequireRights(const ClientSession& session, LONG type, LONG id, ULONG needed) {
    if ((UserRightsOn(session.Database(), session.UserId(), type, id) & needed) != needed)
        gvRaiseComError(E_OXN_PERMISSION_DENIED, u"The user's rights on the object do not allow the change.");
}

// Refuses to change an item checked out anywhere but in the session's view.
void RequireNotLockedElsewhere(const ClientSession& session, LONG documentId) {
    SpQuery lock(session.Database(), "SELECT user_id, view_guid FROM locks WHERE document_id = ?");
    lock.Bind(documentId);
    if (!lock.Next()) return;
    if (lock.Int(0) != session.UserId())
        gvRaiseComError(E_OXN_LOCKED_BY_ANOTHER_USER, u"Another user has the item checked out.");
    GUID view{};
    if (!winapi::ParseGuid(lock.Text(1), &view) || view != session.ViewGuid())
        gvRaiseComError(E_OXN_LOCKED_IN_OTHER_FOLDER, u"The item is checked out in another view.");
}

void WriteHistory(const ClientSession& session, int action, LONG type, LONG id, DATE now, std::u16string_view comment) {
    SpQuery history(session.Database(),
                    "INSERT INTO history (action, object_type, object_id, user_id, time_utc, comment)"
                    " VALUES (?, ?, ?, ?, ?, ?)");
    history.Bind(action).Bind(type).Bind(id).Bind(session.UserId()).Bind(now).Bind(comment).Run();
}

// A check-out keeps where its view holds the item: the view's root, the
// folder path and the name. When the folder path or the name changes, the
// end of that path (`oldTail`, "\A\B\x.<item>") becomes `newTail`; a path of
// another form is left alone.
void MoveLockedPath(vaultdb::Database& database, LONG documentId, std::u16string_view oldTail,
                    std::u16string_view newTail) {
    SpQuery lock(database, "SELECT locked_path FROM locks WHERE document_id = ?");
    lock.Bind(documentId);
    if (!lock.Next()) return;
    const std::u16string path = lock.Text(0);
    lock.Reset();
    if (!vaultdb::FoldKey(path).ends_with(vaultdb::FoldKey(oldTail))) return;
    const std::u16string moved = path.substr(0, path.size() - oldTail.size()) + std::u16string(newTail);
    SpQuery update(database, "UPDATE locks SET locked_path = ? WHERE document_id = ?");
    update.Bind(moved).Bind(documentId).Run();
}

// Gives the folder `folderId` (at `oldPath`) and every folder below it the
// paths below `newPath`, and moves the check-outs of the items they hold.
void MoveFolderPaths(vaultdb::Database& database, LONG folderId, std::u16string_view oldPath,
                     std::u16string_view newPath) {
    struct Moved {
        LONG id;
        std::u16string oldPath;
        std::u16string newPath;
    };
    std::vector<Moved> folders;
    {
        SpQuery subtree(database,
                        "WITH RECURSIVE below (id) AS (SELECT ? UNION SELECT f.id FROM folders f JOIN below b"
                        " ON f.parent_id = b.id) SELECT f.id, f.vault_path FROM folders f JOIN below b ON f.id = b.id");
        subtree.Bind(folderId);
        const std::u16string oldKey = vaultdb::FoldKey(oldPath);
        while (subtree.Next()) {
            const std::u16string path = subtree.Text(1);
            if (!vaultdb::FoldKey(path).starts_with(oldKey))
                gvRaiseComError(E_OXN_DATABASE_ACCESS, u"A folder's path does not lie below its parent's.");
            std::u16string moved = std::u16string(newPath) + path.substr(oldPath.size());
            CheckPathLength(moved);
            folders.push_back({subtree.Int(0), path, std::move(moved)});
        }
    }
    SpQuery update(database, "UPDATE folders SET vault_path = ?, path_key = ? WHERE id = ?");
    SpQuery locked(database,
                   "SELECT d.id, d.name FROM documents d JOIN locks l ON l.document_id = d.id WHERE d.folder_id = ?");
    for (const Moved& folder : folders) {
        update.Reset();
        update.Bind(folder.newPath).Bind(vaultdb::FoldKey(folder.newPath)).Bind(folder.id).Run();
        locked.Reset();
        locked.Bind(folder.id);
        std::vector<std::pair<LONG, std::u16string>> documents;
        while (locked.Next()) documents.emplace_back(locked.Int(0), locked.Text(1));
        for (const auto& [id, name] : documents)
            MoveLockedPath(database, id, folder.oldPath + name, folder.newPath + name);
    }
}

// The view's root as a check-out's path begins with it: without trailing
// backslashes (the folder path brings its own).
std::u16string ViewRoot(const ClientSession& session) {
    std::u16string root(session.ViewPath());
    while (!root.empty() && (root.back() == u'\\' || root.back() == u'/')) root.pop_back();
    return root;
}

// A record from the task allocator that is cleared and freed unless handed
// out.
class TaskRecord {
public:
    TaskRecord() {
        HRESULT hr =
            GetRecordInfoFromGuids(TavroskClientLib::LIBID_TavroskClientLib, TavroskClientLib::kLibraryMajorVersion,
                                   TavroskClientLib::kLibraryMinorVersion, 0, ItmObjectData::kRecordGuid, &info_);
        if (FAILED(hr)) gvRaiseComError(hr, u"Couldn't get record info from guids.");
        record_ = static_cast<ItmObjectData*>(CoTaskMemAlloc(sizeof(ItmObjectData)));
        if (!record_) gvRaiseComError(E_OUTOFMEMORY, u"No memory for the new item's record.");
        std::memset(record_, 0, sizeof(ItmObjectData));
    }
    ~TaskRecord() {
        if (!record_) return;
        info_->RecordClear(record_);
        CoTaskMemFree(record_);
    }
    TaskRecord(const TaskRecord&) = delete;
    TaskRecord& operator=(const TaskRecord&) = delete;

    ItmObjectData& operator*() const { return *record_; }
    ItmObjectData* Release() { return std::exchange(record_, nullptr); }

private:
    com::ComPtr<IRecordInfo> info_;
    ItmObjectData* record_ = nullptr;
};

// One change: its transaction and its time.
class Change {
public:
    explicit Change(const ClientSession& session)
        : database_(session.Database()), transaction_(database_), now_(vennacle::NowUtc()) {
        CheckDatabase(database_, transaction_.Begin());
    }
    DATE Now() const { return now_; }
    void Commit() { CheckDatabase(database_, transaction_.Commit()); }

private:
    vaultdb::Database& database_;  // Not owned: the session's.
    vaultdb::Transaction transaction_;
    const DATE now_;
};

// Runs `write` and turns a broken uniqueness rule of the vault (another
// connection faster between check and write) into E_OXN_NAME_ALREADY_EXISTS.
template <class Write>
auto UniqueWrite(Write&& write) {
    try {
        return write();
    } catch (const _com_error& error) {
        if (error.Error() == vaultdb::VDB_E_CONSTRAINT)
            gvRaiseComError(E_OXN_NAME_ALREADY_EXISTS, u"An object of that name exists already.");
        throw;
    }
}

void MoveItem(const ClientSession& session, const FolderRow& destination, LONG itemId, DATE now) {
    vaultdb::Database& database = session.Database();
    const ItemRow item = Item(database, itemId);
    if (item.folderId == destination.id) return;
    const std::optional<FolderRow> source = ReadFolder(database, item.folderId);
    if (!source || !IsItemFolderPath(source->path))
        gvRaiseComError(E_ITEM_INVALID_SOURCE, u"Only items in item folders are moved.");
    RequireRights(session, vaultdb::kObjectItem, itemId, BellquistLib::UserRight_DeleteDocuments);
    RequireNotLockedElsewhere(session, itemId);
    CheckPathLength(destination.path + item.name);
    if (FolderHoldsDocument(database, destination.id, item.name, itemId))
        gvRaiseComError(E_OXN_NAME_ALREADY_EXISTS, u"The destination holds a document of that name.");
    UniqueWrite([&] {
        SpQuery update(database, "UPDATE documents SET folder_id = ? WHERE id = ?");
        update.Bind(destination.id).Bind(itemId).Run();
    });
    MoveLockedPath(database, itemId, source->path + item.name, destination.path + item.name);
    WriteHistory(session, vaultdb::kHistoryMove, vaultdb::kObjectItem, itemId, now, source->path);
}

void MoveFolder(const ClientSession& session, const FolderRow& destination, LONG folderId, DATE now) {
    vaultdb::Database& database = session.Database();
    const FolderRow folder = ItemFolder(database, folderId, E_ITEM_INVALID_SOURCE);
    if (folder.parentId == destination.id) return;
    if (vaultdb::FoldKey(folder.path) == vaultdb::FoldKey(kItemsFolderPath))
        gvRaiseComError(E_ITEM_INVALID_SOURCE, u"The root item folder stays where it is.");
    if (vaultdb::FoldKey(destination.path).starts_with(vaultdb::FoldKey(folder.path)))
        gvRaiseComError(E_OXN_CANT_MOVE_FOLDER_TO_SUBFOLDER, u"A folder cannot move into itself or below itself.");
    RequireRights(session, vaultdb::kObjectItemFolder, folderId, BellquistLib::UserRight_DeleteFolders);
    const std::u16string newPath = destination.path + folder.name + u'\\';
    CheckPathLength(newPath);
    if (FolderPathTaken(database, newPath, folderId))
        gvRaiseComError(E_OXN_NAME_ALREADY_EXISTS, u"The destination holds a folder of that name.");
    UniqueWrite([&] {
        SpQuery update(database, "UPDATE folders SET parent_id = ? WHERE id = ?");
        update.Bind(destination.id).Bind(folderId).Run();
        MoveFolderPaths(database, folderId, folder.path, newPath);
    });
    WriteHistory(session, vaultdb::kHistoryMove, vaultdb::kObjectItemFolder, folderId, now, folder.path);
}

void RenameFolder(const ClientSession& session, LONG id, std::u16string_view newName, DATE now) {
    vaultdb::Database& database = session.Database();
    const FolderRow folder = ItemFolder(database, id, E_ITEM_INVALID_SOURCE);
    if (vaultdb::FoldKey(folder.path) == vaultdb::FoldKey(kItemsFolderPath))
        gvRaiseComError(E_ITEM_INVALID_SOURCE, u"The root item folder keeps its name.");
    if (folder.name == newName) return;
    CheckName(newName);
    RequireRights(session, vaultdb::kObjectItemFolder, id, BellquistLib::UserRight_Write);
    const std::optional<FolderRow> parent = ReadFolder(database, folder.parentId);
    if (!parent) gvRaiseComError(E_OXN_FOLDER_NOT_FOUND, u"The folder's parent is gone.");
    const std::u16string newPath = parent->path + std::u16string(newName) + u'\\';
    CheckPathLength(newPath);
    if (FolderPathTaken(database, newPath, id))
        gvRaiseComError(E_OXN_NAME_ALREADY_EXISTS, u"The parent holds a folder of that name.");
    UniqueWrite([&] {
        SpQuery update(database, "UPDATE folders SET name = ? WHERE id = ?");
        update.Bind(newName).Bind(id).Run();
        MoveFolderPaths(database, id, folder.path, newPath);
    });
    WriteHistory(session, vaultdb::kHistoryRename, vaultdb::kObjectItemFolder, id, now, folder.name);
}

void RenameItem(const ClientSession& session, LONG id, std::u16string_view givenName, DATE now) {
    vaultdb::Database& database = session.Database();
    const ItemRow item = Item(database, id);
    std::u16string newName(givenName);
    if (!HasItemExtension(newName)) newName += kItemExtension;
    if (item.name == newName) return;
    const std::u16string_view stem = std::u16string_view(newName).substr(0, newName.size() - kItemExtension.size());
    CheckName(stem);
    RequireRights(session, vaultdb::kObjectItem, id, BellquistLib::UserRight_Write);
    RequireNotLockedElsewhere(session, id);
    const std::optional<FolderRow> folder = ReadFolder(database, item.folderId);
    if (!folder) gvRaiseComError(E_OXN_FOLDER_NOT_FOUND, u"The item's folder is gone.");
    CheckPathLength(folder->path + newName);
    if (ItemNamed(database, newName, id) || FolderHoldsDocument(database, item.folderId, newName, id))
        gvRaiseComError(E_OXN_NAME_ALREADY_EXISTS, u"The vault has an item of that name.");
    UniqueWrite([&] {
        SpQuery update(database, "UPDATE documents SET name = ?, name_key = ? WHERE id = ?");
        update.Bind(newName).Bind(vaultdb::FoldKey(newName)).Bind(id).Run();
    });
    SpQuery itemName(database, "UPDATE items SET item_name = ? WHERE document_id = ?");
    itemName.Bind(stem).Bind(id).Run();
    MoveLockedPath(database, id, folder->path + item.name, folder->path + newName);
    WriteHistory(session, vaultdb::kHistoryRename, vaultdb::kObjectItem, id, now, item.name);
}

void RenameBom(const ClientSession& session, LONG id, std::u16string_view newName, DATE now) {
    vaultdb::Database& database = session.Database();
    SpQuery bom(database,
                "SELECT b.name FROM boms b JOIN documents d ON d.id = b.document_id"
                " WHERE b.id = ? AND d.deleted = 0");
    bom.Bind(id);
    if (!bom.Next()) gvRaiseComError(E_OXN_BOM_NOT_FOUND, u"The vault has no BOM of that id.");
    const std::u16string oldName = bom.Text(0);
    bom.Reset();
    if (oldName == newName) return;
    CheckName(newName);
    RequireRights(session, vaultdb::kObjectBom, id, BellquistLib::UserRight_Write);
    SpQuery update(database, "UPDATE boms SET name = ? WHERE id = ?");
    update.Bind(newName).Bind(id).Run();
    WriteHistory(session, vaultdb::kHistoryRename, vaultdb::kObjectBom, id, now, oldName);
}

}  // namespace

ItmObjectData* CreateNewItem(const ClientSession& session, LONG parentId, LONG parentType) {
    if (parentType != vaultdb::kObjectVault && parentType != vaultdb::kObjectItemFolder)
        gvRaiseComError(E_ITEM_INVALID_TARGET, u"New items are made in the vault or in an item folder.");
    vaultdb::Database& database = session.Database();
    Change change(session);
    const FolderRow folder = ItemFolder(database, parentId, E_ITEM_INVALID_TARGET);
    RequireRights(session, vaultdb::kObjectItemFolder, parentId,
                  BellquistLib::UserRight_Create | BellquistLib::UserRight_Write);

    vennacle::Counter counter;
    std::u16string fileName;
    for (int passedOver = 0;; ++passedOver) {
        counter = vennacle::ReserveCounter(database);
        fileName = counter.moName + std::u16string(kItemExtension);
        const std::optional<LONG> holder = ItemNamed(database, fileName);
        if (!holder) break;
        if (passedOver == kMaxCountersPassedOver)
            gvRaiseComError(E_OXN_NAME_ALREADY_EXISTS, u"Items hold the names of all the next counters.");
        // The item that holds the name holds the counter too.
        SpQuery spend(database, "UPDATE counters SET state = ?, spent_by_item = ? WHERE id = ?");
        spend.Bind(int32_t{vaultdb::kCounterSpent}).Bind(*holder).Bind(counter.mlID).Run();
    }
    CheckPathLength(folder.path + fileName);

    vennacle::NewItem item;
    item.mlFolderID = parentId;
    item.moFileName = fileName;
    item.moItemName = counter.moName;
    item.moCounter = counter;
    item.mlUserID = session.UserId();
    item.moViewGuid = winapi::GuidToString(session.ViewGuid());
    item.moComputer = session.Computer();
    item.moLockedPath = ViewRoot(session) + folder.path + fileName;
    item.mdNow = change.Now();
    const LONG itemId = UniqueWrite([&] { return vennacle::InsertNewItem(database, item); });

    VaultReader reader(database);
    const VaultObject* made = reader.Find(vaultdb::kObjectItem, itemId);
    if (!made) gvRaiseComError(E_OXN_DATABASE_ACCESS, u"The new item cannot be read back.");
    PlacedObject placed = InItsFolder(*made);
    placed.parentId = parentId;
    placed.parentType = parentType;
    TaskRecord record;
    FillObjectRecord(*record, placed, reader);
    change.Commit();
    return record.Release();
}

NewFolder CreateNewItemFolder(const ClientSession& session, LONG parentId, std::u16string_view name) {
    CheckName(name);
    vaultdb::Database& database = session.Database();
    Change change(session);
    const FolderRow parent = ItemFolder(database, parentId, E_ITEM_INVALID_TARGET);
    RequireRights(session, vaultdb::kObjectItemFolder, parentId,
                  BellquistLib::UserRight_Create | BellquistLib::UserRight_CreateFolders);
    const std::u16string path = parent.path + std::u16string(name) + u'\\';
    CheckPathLength(path);
    if (FolderPathTaken(database, path, 0))
        gvRaiseComError(E_OXN_NAME_ALREADY_EXISTS, u"The parent holds a folder of that name.");
    const LONG id =
        UniqueWrite([&] { return vennacle::InsertFolder(database, parentId, name, session.UserId(), change.Now()); });
    WriteHistory(session, vaultdb::kHistoryAdd, vaultdb::kObjectItemFolder, id, change.Now(), u"");
    change.Commit();
    return NewFolder{std::u16string(name), id};
}

void MoveObjects(const ClientSession& session, SAFEARRAY* objects, LONG destFolderId) {
    std::optional<RecordArray<BellquistLib::XRefRootObject>> list;
    if (objects) list.emplace(objects);
    vaultdb::Database& database = session.Database();
    Change change(session);
    const FolderRow destination = ItemFolder(database, destFolderId, E_ITEM_INVALID_TARGET);
    bool itemsCome = false, foldersCome = false;
    if (list)
        for (const BellquistLib::XRefRootObject* object = list->mpoBegin(); object != list->mpoEnd(); ++object) {
            itemsCome |= object->meType == BellquistLib::Ot_Item;
            foldersCome |= object->meType == BellquistLib::Ot_ItemFolder;
        }
    // What comes into the destination needs the rights to make it there.
    if (itemsCome)
        RequireRights(session, vaultdb::kObjectItemFolder, destFolderId,
                      BellquistLib::UserRight_Create | BellquistLib::UserRight_Write);
    if (foldersCome)
        RequireRights(session, vaultdb::kObjectItemFolder, destFolderId,
                      BellquistLib::UserRight_Create | BellquistLib::UserRight_CreateFolders);
    if (list)
        for (const BellquistLib::XRefRootObject* object = list->mpoBegin(); object != list->mpoEnd(); ++object) {
            if (object->meType == BellquistLib::Ot_Item)
                MoveItem(session, destination, object->mlDocumentID, change.Now());
            else if (object->meType == BellquistLib::Ot_ItemFolder)
                MoveFolder(session, destination, object->mlProjectID, change.Now());
            else
                gvRaiseComError(E_ITEM_INVALID_SOURCE, u"Only items and item folders are moved.");
        }
    change.Commit();
}

void RenameObject(const ClientSession& session, LONG id, LONG type, std::u16string_view newName) {
    if (type != vaultdb::kObjectItemFolder && type != vaultdb::kObjectItem && type != vaultdb::kObjectBom)
        gvRaiseComError(E_ITEM_INVALID_SOURCE, u"Only item folders, items and BOMs are renamed.");
    Change change(session);
    if (type == vaultdb::kObjectItemFolder)
        RenameFolder(session, id, newName, change.Now());
    else if (type == vaultdb::kObjectItem)
        RenameItem(session, id, newName, change.Now());
    else
        RenameBom(session, id, newName, change.Now());
    change.Commit();
}

}  // namespace tavrosk
