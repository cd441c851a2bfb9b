// SpItems::mhGenerateItems: new items from document records, in one
// transaction.
#include "vennacle/sp_items.h"

#include "vennacle/counters.h"
#include "vennacle/vault_rows.h"
#include "item_db_block.h"
#include "sp_queries.h"
#include "vennacle/sp_query.h"
#include "vennacle/auto_lst.h"
#include "bellquist/item_names.h"
#include "common/error_codes.h"
#include "vennacle/xref_item_data.h"
#include "vaultdb/errors.h"
#include "vaultdb/schema.h"
#include "vaultdb/transaction.h"
#include "winapi/guid_text.h"
#include "winapi/text.h"

#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

using namespace vennacle;

namespace {

using BellquistLib::HasItemExtension;
using BellquistLib::kItemExtension;

// The item's file name: "<name>.<item>"; a name that has the extension keeps it.
std::u16string ItemFileName(std::u16string_view name) {
    std::u16string fileName(name);
    if (!HasItemExtension(name)) fileName += kItemExtension;
    return fileName;
}

// Moves every row from `from` to the end of `to`; a row stays in `from`
// until `to` holds it, so an allocation failure loses none.
void MoveRows(Lst<ItemDbData*>& from, Lst<ItemDbData*>& to) {
    while (!from.IsEmpty()) {
        POSITION head = from.GetHeadPosition();
        to.AddTail(from.GetNext(head));
        from.RemoveHead();
    }
}

// The row of item `itemId` in the item folder `parentFolderId`: fills the
// fields every item row has, appends it to `rows` (deleting it when that
// fails) and moves the item's link rows after it.
void AddItemRow(ItemDbData* row, LONG itemId, LONG parentFolderId, Lst<ItemDbData*>& linkRows, Lst<ItemDbData*>& rows) {
    row->mlParentObjectID = parentFolderId;
    row->meParentDocType = vaultdb::kObjectItemFolder;
    row->meObjectType = vaultdb::kObjectItem;
    row->meLinkType = vaultdb::kLinkBom;
    row->meLinkOperation = vaultdb::kLinkOpNone;
    row->mlObjectID = itemId;
    row->mlParentFolderID = parentFolderId;
    row->mbIsUpToDate = 1;
    try {
        rows.AddTail(row);
    } catch (...) {
        delete row;
        throw;
    }
    MoveRows(linkRows, rows);
}

// One item to make: the records that form it, in list order.
struct PlannedItem {
    std::u16string moGivenName;  // empty: the item takes a counter's name
    std::vector<const XRefItemDocData*> mvRecords;
};

// Records with the same item name form one item; unnamed records of one
// document form one item too; any other record is an item of its own.
std::vector<PlannedItem> PlanItems(Lst<XRefItemDocData*>& docs) {
    std::vector<PlannedItem> items;
    std::map<std::u16string, size_t> byKey;
    for (POSITION at = docs.GetHeadPosition(); at;) {
        const XRefItemDocData* record = docs.GetNext(at);
        if (!record) SpRaise(E_POINTER);
        const std::u16string_view name = com::BstrView(record->mbsItemName);
        std::u16string key;
        if (!name.empty())
            key = u"n" + vaultdb::FoldKey(ItemFileName(name));
        else if (record->mlDocID > 0)
            key = u"d" + winapi::ToUtf16(std::to_string(record->mlDocID));
        if (!key.empty()) {
            auto [found, added] = byKey.try_emplace(key, items.size());
            if (!added) {
                items[found->second].mvRecords.push_back(record);
                continue;
            }
        }
        items.push_back(PlannedItem{std::u16string(name), {record}});
    }
    return items;
}

// A counter id the caller handed in, and whether an item took it.
struct GivenCounter {
    LONG mlID = 0;
    std::u16string moNameKey;
    bool mbUsable = false;  // known and not spent
    bool mbUsed = false;
};

class Generation {
public:
    Generation(vaultdb::Database& database, LONG userId, const GUID& viewId, std::u16string_view rootPath,
               std::u16string_view computerName)
        : moDatabase(database),
          mlUserID(userId),
          moViewGuid(winapi::GuidToString(viewId)),
          moViewID(viewId),
          moComputer(computerName),
          mdNow(NowUtc()) {
        moRootPath = rootPath;
        while (!moRootPath.empty() && moRootPath.back() == u'\\') moRootPath.pop_back();
    }

    void Run(const std::vector<PlannedItem>& items, LONG destFolderId, LONG serialCount, const SerialNoInfo* serials,
             bool freeUnused, Lst<ItemDbData*>& rows) {
        if (!FindUserName(moDatabase, mlUserID, moUserName)) SpRaise(E_OXN_INVALID_ID);
        LoadGivenCounters(serialCount, serials);
        for (const PlannedItem& item : items) MakeItem(item, destFolderId, rows);
        if (freeUnused)
            for (const GivenCounter& given : mvGiven)
                if (!given.mbUsed) FreeReservedCounter(moDatabase, given.mlID);
    }

private:
    void LoadGivenCounters(LONG count, const SerialNoInfo* serials) {
        SpQuery query(moDatabase, "SELECT name, state FROM counters WHERE id = ?");
        for (LONG i = 0; i < count; ++i) {
            GivenCounter given;
            given.mlID = serials[i].mlCounterID;
            query.Reset();
            query.Bind(given.mlID);
            if (query.Next()) {
                given.moNameKey = vaultdb::FoldKey(query.Text(0));
                given.mbUsable = query.Int(1) != vaultdb::kCounterSpent;
            }
            mvGiven.push_back(std::move(given));
        }
    }

    // The given counter named like the item, else (for an unnamed item) the
    // first unused given one, else a new one; null-id for a named item that
    // no counter stands for.
    Counter TakeCounter(const std::u16string& baseName) {
        const std::u16string key = vaultdb::FoldKey(baseName);
        for (GivenCounter& given : mvGiven) {
            if (given.mbUsable && !given.mbUsed && (baseName.empty() || given.moNameKey == key)) {
                given.mbUsed = true;
                SpQuery name(moDatabase, "SELECT name FROM counters WHERE id = ?");
                name.Bind(given.mlID);
                name.Next();
                return Counter{given.mlID, name.Text(0)};
            }
        }
        return baseName.empty() ? ReserveCounter(moDatabase) : Counter{};
    }

    // The vault path of an item folder: "\<items>\" or a folder below it.
    const std::u16string& ItemFolderPath(LONG folderId) {
        auto found = moFolderPaths.find(folderId);
        if (found != moFolderPaths.end()) return found->second;
        SpQuery query(moDatabase, "SELECT vault_path, path_key FROM folders WHERE id = ?");
        query.Bind(folderId);
        if (!query.Next() || !query.Text(1).starts_with(vaultdb::FoldKey(u"\\<items>\\")))
            SpRaise(E_OXN_FOLDER_NOT_FOUND);
        return moFolderPaths.emplace(folderId, query.Text(0)).first->second;
    }

    void MakeItem(const PlannedItem& item, LONG destFolderId, Lst<ItemDbData*>& rows) {
        if (JoinExistingItem(item, rows)) return;
        const XRefItemDocData& first = *item.mvRecords.front();
        const LONG folderId = first.mlDestFolderID != 0 ? first.mlDestFolderID : destFolderId;
        const std::u16string folderPath = ItemFolderPath(folderId);

        std::u16string fileName = item.moGivenName.empty() ? std::u16string() : ItemFileName(item.moGivenName);
        std::u16string baseName = fileName.substr(0, fileName.size() - (fileName.empty() ? 0 : kItemExtension.size()));
        if (!fileName.empty() && (baseName.empty() || baseName.find_first_of(u"\\/") != std::u16string::npos))
            SpRaise(E_OXN_INVALID_NAME);
        const Counter counter = TakeCounter(baseName);
        if (fileName.empty()) {
            baseName = counter.moName;
            fileName = ItemFileName(baseName);
        }
        // New items are checked out to their maker, in this view.
        const std::u16string lockedPath = moRootPath + folderPath + fileName;
        NewItem newItem;
        newItem.mlFolderID = folderId;
        newItem.moFileName = fileName;
        newItem.moItemName = baseName;
        newItem.moCounter = counter;
        newItem.mlUserID = mlUserID;
        newItem.moViewGuid = moViewGuid;
        newItem.moComputer = moComputer;
        newItem.moLockedPath = lockedPath;
        newItem.mdNow = mdNow;
        const LONG itemId = InsertNewItem(moDatabase, newItem);

        AutoLst<Lst<ItemDbData*>> linkRows;
        std::set<std::pair<LONG, LONG>> linked;
        bool hasDynamicLink = false;
        for (const XRefItemDocData* record : item.mvRecords) {
            if (record->mlDocID > 0) LinkDocument(itemId, *record, linked, hasDynamicLink, linkRows);
            if (record->mpoVarData) WriteVariables(itemId, *record->mpoVarData);
        }

        ItemDbTexts texts;
        texts.filename = fileName;
        texts.path = folderPath;
        texts.lockedBy = moUserName;
        texts.lockedPath = lockedPath;
        ItemDbData* row = NewItemDbData(texts);
        row->mlAttachedVersion = row->mlLocalVersion = row->mlLatestVersion = 1;
        row->mlLockedBy = mlUserID;
        row->moModified = mdNow;
        row->moLockViewID = moViewID;
        row->mbHasChildren = linkRows.IsEmpty() ? 0 : 1;
        AddItemRow(row, itemId, folderId, linkRows, rows);
    }

    void LinkDocument(LONG itemId, const XRefItemDocData& record, std::set<std::pair<LONG, LONG>>& linked,
                      bool& hasDynamicLink, Lst<ItemDbData*>& linkRows) {
        SpQuery document(moDatabase,
                         "SELECT d.name, d.latest_version, d.folder_id, f.vault_path, COALESCE(s.name, ''),"
                         " COALESCE(d.state_id, 0), COALESCE(v.modified_utc, 0), d.alternate_name, d.domain"
                         " FROM documents d JOIN folders f ON f.id = d.folder_id"
                         " LEFT JOIN workflow_states s ON s.id = d.state_id"
                         " LEFT JOIN document_versions v ON v.document_id = d.id AND v.version = d.latest_version"
                         " WHERE d.id = ? AND d.deleted = 0 AND d.doc_type = 6");
        document.Bind(record.mlDocID);
        if (!document.Next()) SpRaise(E_OXN_FILE_NOT_FOUND);

        const std::u16string_view configName = com::BstrView(record.mbsConfigName);
        LONG configId = -1;
        if (!configName.empty()) {
            SpQuery config(moDatabase, "SELECT id FROM configurations WHERE document_id = ? AND name = ?");
            config.Bind(record.mlDocID).Bind(configName);
            if (config.Next()) configId = config.Int(0);
        }
        // One link per document and configuration; the first record decides,
        // and a link the item has already stays as it is.
        if (!linked.emplace(record.mlDocID, configId).second) return;
        SpQuery present(moDatabase,
                        "SELECT 1 FROM links WHERE parent_id = ? AND child_type = ? AND child_id = ? AND"
                        " child_config_id = ?");
        present.Bind(itemId).Bind(int32_t{vaultdb::kObjectFile}).Bind(record.mlDocID).Bind(configId);
        if (present.Next()) return;

        const LONG linkType = record.mlLinkType == vaultdb::kLinkStatic ? vaultdb::kLinkStatic : vaultdb::kLinkDynamic;
        if (linkType == vaultdb::kLinkDynamic) {
            if (hasDynamicLink) SpRaise(E_ITEM_MANY_DYN_LINKS);
            hasDynamicLink = true;
        }
        const LONG latest = document.Int(1);
        SpQuery link(moDatabase,
                     "INSERT INTO links (parent_id, child_type, child_id, child_config_id, link_type, link_operation,"
                     " attached_version) VALUES (?, ?, ?, ?, ?, ?, ?)");
        link.Bind(itemId).Bind(int32_t{vaultdb::kObjectFile}).Bind(record.mlDocID).Bind(configId).Bind(linkType);
        link.Bind(int32_t{vaultdb::kLinkOpNone}).Bind(latest).Run();

        ItemDbTexts texts;
        texts.filename = document.Text(0);
        texts.path = document.Text(3);
        texts.configName = configName;
        texts.state = document.Text(4);
        texts.alternateName = document.Text(7);
        texts.domain = document.Text(8);
        ItemDbData* row = NewItemDbData(texts);
        row->mlParentObjectID = itemId;
        row->meParentDocType = vaultdb::kObjectItem;
        row->meObjectType = vaultdb::kObjectFile;
        row->meLinkType = linkType;
        row->meLinkOperation = vaultdb::kLinkOpNone;
        row->mlObjectID = record.mlDocID;
        row->mlAttachedVersion = row->mlLocalVersion = row->mlLatestVersion = latest;
        row->mlConfigID = configId;
        row->mlStatusID = document.Int(5);
        row->moModified = document.Double(6);
        row->mlParentFolderID = document.Int(2);
        row->mbIsUpToDate = 1;
        try {
            linkRows.AddTail(row);
        } catch (...) {
            delete row;
            throw;
        }
    }

    // Records that name an item the vault has already (the documents' rows
    // chose "use existing item") link their documents to that item instead
    // of making one; an item of a folder alone never joins one. Only links
    // the item did not have are made, and only then the item and those links
    // are returned. False when the item is to be made.
    bool JoinExistingItem(const PlannedItem& item, Lst<ItemDbData*>& rows) {
        if (item.moGivenName.empty()) return false;
        for (const XRefItemDocData* record : item.mvRecords)
            if (record->mlDocID <= 0) return false;
        SpQuery existing(moDatabase,
                         "SELECT d.id, d.name, d.folder_id, f.vault_path, d.latest_version,"
                         " COALESCE(v.modified_utc, 0), COALESCE(d.state_id, 0)"
                         " FROM documents d JOIN folders f ON f.id = d.folder_id"
                         " LEFT JOIN document_versions v ON v.document_id = d.id AND v.version = d.latest_version"
                         " WHERE d.name_key = ? AND d.deleted = 0 AND d.doc_type = 4");
        existing.Bind(vaultdb::FoldKey(ItemFileName(item.moGivenName)));
        if (!existing.Next()) return false;
        const LONG itemId = existing.Int(0);

        SpQuery dynamic(moDatabase, "SELECT 1 FROM links WHERE parent_id = ? AND link_type = ?");
        dynamic.Bind(itemId).Bind(int32_t{vaultdb::kLinkDynamic});
        bool hasDynamicLink = dynamic.Next();
        AutoLst<Lst<ItemDbData*>> linkRows;
        std::set<std::pair<LONG, LONG>> linked;
        for (const XRefItemDocData* record : item.mvRecords)
            LinkDocument(itemId, *record, linked, hasDynamicLink, linkRows);
        if (linkRows.IsEmpty()) return true;

        ItemDbTexts texts;
        texts.filename = existing.Text(1);
        texts.path = existing.Text(3);
        // Its check-out, when it has one.
        SpQuery lock(
            moDatabase,
            "SELECT l.user_id, u.name, l.locked_path, l.view_guid FROM locks l JOIN users u ON u.id = l.user_id"
            " WHERE l.document_id = ?");
        lock.Bind(itemId);
        const bool locked = lock.Next();
        GUID lockView{};
        if (locked) {
            texts.lockedBy = lock.Text(1);
            texts.lockedPath = lock.Text(2);
            winapi::ParseGuid(lock.Text(3), &lockView);
        }
        ItemDbData* row = NewItemDbData(texts);
        row->mlLockedBy = locked ? lock.Int(0) : 0;
        row->moLockViewID = lockView;
        row->mlAttachedVersion = row->mlLocalVersion = row->mlLatestVersion = existing.Int(4);
        row->moModified = existing.Double(5);
        row->mlStatusID = existing.Int(6);
        row->mbHasChildren = 1;
        AddItemRow(row, itemId, existing.Int(2), linkRows, rows);
        return true;
    }

    void WriteVariables(LONG itemId, const XRefItemVarList& values) {
        for (const XRefItemVarData* value : values) {
            if (!value) continue;
            SpQuery variable(moDatabase, value->mlVarID != 0 ? "SELECT id FROM variables WHERE id = ?"
                                                             : "SELECT id FROM variables WHERE name_key = ?");
            if (value->mlVarID != 0)
                variable.Bind(value->mlVarID);
            else
                variable.Bind(vaultdb::FoldKey(value->moVarName.View()));
            if (!variable.Next()) SpRaise(E_OXN_VARIABLE_NOT_FOUND);

            // A text value, else the date; a later record's value replaces an earlier one.
            SpQuery write(
                moDatabase,
                "INSERT INTO variable_values (document_id, version, configuration_id, variable_id, text_value,"
                " date_value) VALUES (?, 1, -1, ?, ?, ?) ON CONFLICT (document_id, version, configuration_id,"
                " variable_id) DO UPDATE SET text_value = excluded.text_value, date_value = excluded.date_value");
            write.Bind(itemId).Bind(variable.Int(0));
            if (value->moValue.IsEmpty()) {
                write.BindNull().Bind(value->mdValue);
            } else {
                write.Bind(value->moValue.View()).BindNull();
            }
            write.Run();
        }
    }

    vaultdb::Database& moDatabase;
    const LONG mlUserID;
    const std::u16string moViewGuid;
    const GUID moViewID;
    const std::u16string moComputer;
    const DATE mdNow;
    std::u16string moRootPath;  // without trailing backslashes
    std::u16string moUserName;
    std::vector<GivenCounter> mvGiven;
    std::map<LONG, std::u16string> moFolderPaths;
};

}  // namespace

HRESULT SpItems::mhGenerateItems(Lst<XRefItemDocData*>& docs, LONG destFolderId, LONG userId, GUID viewId,
                                 const WCHAR* rootPath, const WCHAR* computerName, Lst<ItemDbData*>* out, LONG mode,
                                 LONG serialCount, const SerialNoInfo* serials) {
    if (!out) return E_POINTER;
    if (serialCount < 0) return E_INVALIDARG;
    if (serialCount > 0 && !serials) return E_POINTER;

    AutoLst<Lst<ItemDbData*>> rows;  // handed out only after the commit
    HRESULT hr = SpBoundary([&] {
        const std::vector<PlannedItem> items = PlanItems(docs);
        vaultdb::Transaction transaction(moDatabase);
        if (HRESULT begun = transaction.Begin(); FAILED(begun)) SpRaise(begun);
        Generation generation(moDatabase, userId, viewId, rootPath ? rootPath : u"", computerName ? computerName : u"");
        generation.Run(items, destFolderId, serialCount, serials, mode == 1, rows);
        if (HRESULT committed = transaction.Commit(); FAILED(committed)) SpRaise(committed);
    });
    // Another connection may have taken a name between check and insert.
    if (hr == vaultdb::VDB_E_CONSTRAINT) hr = E_OXN_NAME_ALREADY_EXISTS;
    if (FAILED(hr)) return hr;
    return SpBoundary([&] { MoveRows(rows, *out); });
}
