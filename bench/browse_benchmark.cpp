// Browsing a generated vault through the item manager, as the explorer does:
// the servers registered on a fresh machine and created by class id, a
// login, then the whole tree fetched (from the root item folder alone; with
// the items shown into a cache file that is absent or present) and
// refreshed. See README.md.
#include "bellquist/enums.h"
#include "bellquist/ids.h"
#include "bellquist/item_interfaces.h"
#include "bellquist/manager_interfaces.h"
#include "com/ccom_ptr.h"
#include "com/runtime.h"
#include "com/safearray.h"
#include "itemstore/cache_location.h"
#include "vaultadmin/admin_error.h"
#include "vaultadmin/vault_creation.h"
#include "vaultadmin/vault_opening.h"
#include "vaultdb/schema.h"
#include "vaultdb/statement.h"
#include "vaultdb/transaction.h"
#include "vennacle/sp_mgr.h"
#include "winapi/modules.h"
#include "winapi/path_mapping.h"
#include "winapi/state_root.h"
#include "winapi/text.h"

// The admin library's own writers of folders and documents (its src/).
#include "document_rows.h"
#include "vault_folders.h"
#include "vault_sql.h"

#include "fresh_state_root.h"
#include "item_count_argument.h"

#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <set>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

using namespace BellquistLib;

namespace {

namespace fs = std::filesystem;

constexpr char16_t kVault[] = u"Bench";
constexpr int kItemsPerFolder = 100;
constexpr int kSubFoldersPerFolder = 10;
constexpr int kDrawingEvery = 3;      // a static drawing besides the part file
constexpr int kCheckedOutEvery = 25;  // checked out in the benchmark's view

int gItems = 10000;
fs::path gFolder;      // the machine's state root, made for this run
bool gFailed = false;  // a benchmark reported an error: the run fails

// --- The vault ----------------------------------------------------------------------

std::u16string Numbered(const char* prefix, int number, const char* suffix) {
    char text[48];
    std::snprintf(text, sizeof text, "%s%05d%s", prefix, number, suffix);
    return winapi::ToUtf16(text);
}

// Fills the vault in one transaction: `items` items in item folders
// "\<items>\Group NN\Shelf NN\" (kItemsPerFolder to a shelf), each linked
// dynamically to its part file (version 1), every third statically to a
// drawing too, every 25th checked out in the view.
void GenerateVault(vaultdb::Database& database, int items) {
    vaultdb::Transaction transaction(database);
    if (FAILED(transaction.Begin())) throw vaultadmin::AdminError("cannot begin the vault's transaction");
    vaultadmin::VaultSql sql(database);
    const int32_t admin =
        *sql.QueryInt("SELECT id FROM users WHERE name_key = ?", {vaultdb::FoldKey(vaultadmin::kAdminUserName)});
    std::u16string viewGuid;
    {
        std::unique_ptr<vaultdb::Statement> view;
        if (SUCCEEDED(database.Prepare("SELECT view_guid FROM views ORDER BY id", view)) && view->Step() == S_OK)
            viewGuid = view->ColumnText(0);
    }
    const int32_t parts = vaultadmin::EnsureVaultFolder(sql, u"\\Projects\\Parts\\", admin);
    const int32_t drawings = vaultadmin::EnsureVaultFolder(sql, u"\\Projects\\Drawings\\", admin);

    int32_t shelf = 0;
    for (int index = 0; index < items; ++index) {
        const int number = index + 1;
        if (index % kItemsPerFolder == 0) {
            const int shelfNumber = index / kItemsPerFolder;
            const std::u16string path = Numbered("\\<items>\\Group ", shelfNumber / kSubFoldersPerFolder, "\\") +
                                        Numbered("Shelf ", shelfNumber % kSubFoldersPerFolder, "\\");
            shelf = vaultadmin::EnsureVaultFolder(sql, path, admin);
        }
        const double now = vaultadmin::NowUtcDate();
        const std::u16string name = Numbered("ITM-", number, ".<item>");
        const int32_t item = sql.Insert(
            "INSERT INTO documents (folder_id, name, name_key, doc_type, latest_version, created_by, created_utc) "
            "VALUES (?, ?, ?, 4, 1, ?, ?) RETURNING id",
            {int64_t(shelf), name, vaultdb::FoldKey(name), int64_t(admin), now});
        sql.Run("INSERT INTO items (document_id, item_number, item_name) VALUES (?, ?, ?)",
                {int64_t(item), Numbered("ITM-", number, ""), std::u16string(u"Part")});
        sql.Run(
            "INSERT INTO document_versions (document_id, version, modified_utc, comment, user_id) "
            "VALUES (?, 1, ?, 'Item version', ?)",
            {int64_t(item), now, int64_t(admin)});

        auto linkFile = [&](int32_t folder, const std::u16string& fileName, int linkType) {
            // Browsing reads no contents: the version has none in the archive,
            // which would otherwise sync a file per version.
            const int32_t file = vaultadmin::InsertFileDocument(sql, folder, fileName, admin);
            sql.Run(
                "INSERT INTO document_versions (document_id, version, modified_utc, comment, user_id) "
                "VALUES (?, 1, ?, 'Initial version', ?)",
                {int64_t(file), now, int64_t(admin)});
            sql.Run("UPDATE documents SET latest_version = 1 WHERE id = ?", {int64_t(file)});
            sql.Run(
                "INSERT INTO links (parent_id, child_type, child_id, link_type, attached_version) "
                "VALUES (?, 6, ?, ?, 1)",
                {int64_t(item), int64_t(file), int64_t(linkType)});
        };
        linkFile(parts, Numbered("P-", number, ".zvkprt"), vaultdb::kLinkDynamic);
        if (number % kDrawingEvery == 0) linkFile(drawings, Numbered("D-", number, ".dwg"), vaultdb::kLinkStatic);
        if (number % kCheckedOutEvery == 0 && !viewGuid.empty())
            sql.Run(
                "INSERT INTO locks (document_id, user_id, view_guid, computer, locked_path, locked_utc) "
                "VALUES (?, ?, ?, 'BENCH', '', ?)",
                {int64_t(item), int64_t(admin), viewGuid, now});
    }
    if (FAILED(transaction.Commit())) throw vaultadmin::AdminError("cannot commit the generated vault");
}

// --- The session --------------------------------------------------------------------

bool RegisterServer(const char16_t* library) {
    HMODULE module = LoadLibraryW(library);
    if (!module) return false;
    auto registerServer = reinterpret_cast<HRESULT (*)()>(GetProcAddress(module, "DllRegisterServer"));
    const bool registered = registerServer && registerServer() == S_OK;
    FreeLibrary(module);
    return registered;
}

struct Session {
    vaultadmin::CreatedVault vault;
    CComPtr<IItmManager2> manager;
    CComPtr<IItmObject> root;
    std::vector<CComPtr<IItmObject>> shown;  // the root and the items in their folders
    size_t treeObjects = 0;                  // what a fetch of the whole tree returns
    int32_t rootFolderId = 0;
    fs::path cacheFile;
};
Session* gSession = nullptr;

bool Fail(const char* what, HRESULT hr = E_FAIL) {
    std::fprintf(stderr, "%s failed: 0x%08x\n", what, static_cast<unsigned>(hr));
    return false;
}

bool LogIn(Session& session) {
    HRESULT hr = CoCreateInstance(CLSID_ItmManager, nullptr, CLSCTX_INPROC_SERVER, IItmManager2::kIid,
                                  reinterpret_cast<void**>(&session.manager));
    if (FAILED(hr)) return Fail("creating the item manager", hr);
    InitData data{};
    data.meClientType = ClientType_Local_Client;
    data.moDomainName = SysAllocString(u"WORK");
    data.moComputerName = SysAllocString(u"BENCH");
    data.moViewPath = SysAllocString(winapi::FromPosixPath((gFolder / "view").string()).c_str());
    data.moViewGUID = session.vault.viewId;
    data.moVaultGUID = session.vault.vaultId;
    hr = session.manager->Init(data);
    BSTR vault = SysAllocString(kVault), user = SysAllocString(vaultadmin::kAdminUserName);
    BSTR password = SysAllocString(vaultadmin::kDefaultAdminPassword), none = SysAllocString(u"");
    LoginDataOut out{};
    if (SUCCEEDED(hr)) hr = session.manager->Login2(vault, user, password, none, none, 0, &out);
    for (BSTR text : {vault, user, password, none, data.moDomainName, data.moComputerName, data.moViewPath})
        SysFreeString(text);
    if (FAILED(hr)) return Fail("Init and Login2", hr);
    if (auto* spMgr = reinterpret_cast<SpMgr*>(static_cast<uintptr_t>(out.mpoSpMgr))) spMgr->Release();
    SysFreeString(out.moUsername);

    session.rootFolderId = out.mlRootItemFolderID;
    ItmObjectData record{};
    record.meObjectType = ItmObjectType_ItemFolder;
    record.mlObjectID = out.mlRootItemFolderID;
    record.mlConfigID = -1;
    record.mbIsUpToDate = 1;
    CComPtr<IUnknown> created;
    hr = session.manager->CoCreateItem(&record, &created);
    if (FAILED(hr)) return Fail("CoCreateItem of the root item folder", hr);
    session.root = CComQIPtr<IItmObject>(created);
    return session.root != nullptr || Fail("the root item folder's IItmObject");
}

SAFEARRAY* ItemList(const std::vector<CComPtr<IItmObject>>& objects) {
    SAFEARRAY* list = SafeArrayCreateVector(VT_VARIANT, 0, static_cast<ULONG>(objects.size()));
    VARIANT* values = nullptr;
    SafeArrayAccessData(list, reinterpret_cast<void**>(&values));
    for (size_t i = 0; i < objects.size(); ++i) {
        objects[i]->AddRef();
        values[i].vt = VT_DISPATCH;
        values[i].pdispVal = objects[i];
    }
    SafeArrayUnaccessData(list);
    return list;
}

ULONG Count(SAFEARRAY* array) { return array ? array->rgsabound[0].cElements : 0; }

// The whole tree below the root, once, untimed: the items shown in their
// folders, which the cases give the fetch.
bool ListTree(Session& session) {
    SAFEARRAY* input = ItemList({session.root});
    SAFEARRAY* objects = nullptr;
    SAFEARRAY* deleted = nullptr;
    HRESULT hr = session.manager->BatchGetTrees(input, Bgtf_Recursive, 0, &objects, &deleted);
    SafeArrayDestroy(input);
    SafeArrayDestroy(deleted);
    if (FAILED(hr)) return Fail("listing the tree", hr);
    session.treeObjects = Count(objects);
    session.shown.push_back(session.root);
    VARIANT* values = nullptr;
    SafeArrayAccessData(objects, reinterpret_cast<void**>(&values));
    for (ULONG i = 0; i < Count(objects); ++i) {
        CComQIPtr<IItmObject> object(values[i].pdispVal);
        ItmObjectType type{}, parentType{};
        object->get_Type(&type);
        object->get_ParentType(&parentType);
        if (type == ItmObjectType_Item && parentType == ItmObjectType_ItemFolder) session.shown.push_back(object);
    }
    SafeArrayUnaccessData(objects);
    SafeArrayDestroy(objects);
    if (session.shown.size() != static_cast<size_t>(gItems) + 1) {
        std::fprintf(stderr, "the tree lists %zu items, not %d\n", session.shown.size() - 1, gItems);
        return false;
    }
    return true;
}

bool StartSession(Session& session) {
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return Fail("CoInitializeEx");
    for (const char16_t* server : {u"VaultServer.dll", u"Dunmorrow.dll", u"TavroskClient.dll", u"Bellquist.dll"})
        if (!RegisterServer(server)) return Fail("registering a server");
    try {
        vaultadmin::VaultCreation request;
        request.name = kVault;
        request.serverFolder = gFolder / "server";
        request.viewFolder = gFolder / "view";
        session.vault = vaultadmin::CreateVault(request);
        GenerateVault(*vaultadmin::OpenRegisteredVault(kVault), gItems);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "generating the vault: %s\n", error.what());
        return false;
    }
    std::u16string cachePath;
    if (FAILED(ghItemCacheFilePath(session.vault.vaultId, cachePath))) return Fail("the cache file's path");
    session.cacheFile = winapi::ToPosixPath(cachePath);
    return LogIn(session) && ListTree(session);
}

void EndSession(Session& session) {
    if (session.manager) session.manager->LogOut();
    session = Session{};
    CoFreeUnusedLibraries();
    CoUninitialize();
}

// --- The cases ----------------------------------------------------------------------

enum class Cache { Absent, Present };

// Ends the benchmark with an error (and false) unless the fetch succeeded
// and returned the whole tree.
bool Check(benchmark::State& state, HRESULT hr, SAFEARRAY* objects, const char* what) {
    char text[160];
    if (FAILED(hr)) {
        std::snprintf(text, sizeof text, "%s failed: 0x%08x", what, static_cast<unsigned>(hr));
    } else if (Count(objects) != gSession->treeObjects) {
        std::snprintf(text, sizeof text, "%s returned %u objects, not %zu", what, Count(objects),
                      gSession->treeObjects);
    } else {
        return true;
    }
    state.SkipWithError(text);
    gFailed = true;
    return false;
}

// A fetch of the root folder and the items, storing them in the cache: the
// cache file removed before each round (cold) or left from the one before
// (warm; the first round runs untimed to make it).
void GetTreesBenchmark(benchmark::State& state, Cache cache) {
    std::error_code ignored;
    SAFEARRAY* input = ItemList(gSession->shown);
    auto fetch = [&](const char* what) {
        SAFEARRAY* objects = nullptr;
        SAFEARRAY* deleted = nullptr;
        const HRESULT hr =
            gSession->manager->BatchGetTrees(input, Bgtf_Recursive | Bgtf_UpdateFileCache, 0, &objects, &deleted);
        const bool ok = Check(state, hr, objects, what);
        SafeArrayDestroy(objects);
        SafeArrayDestroy(deleted);
        return ok;
    };
    fs::remove(gSession->cacheFile, ignored);
    if (cache == Cache::Present && !fetch("the first fetch")) return;
    for (auto _ : state) {
        if (cache == Cache::Absent) {
            state.PauseTiming();
            fs::remove(gSession->cacheFile, ignored);
            state.ResumeTiming();
        }
        if (!fetch("BatchGetTrees")) break;
    }
    SafeArrayDestroy(input);
    state.SetItemsProcessed(state.iterations() * gItems);
    state.counters["cache_bytes"] = static_cast<double>(fs::file_size(gSession->cacheFile, ignored));
}

// The whole tree from the root folder alone: no item is given, so the
// cache is neither read nor written.
void RootFolderBenchmark(benchmark::State& state) {
    SAFEARRAY* input = ItemList({gSession->root});
    for (auto _ : state) {
        SAFEARRAY* objects = nullptr;
        SAFEARRAY* deleted = nullptr;
        const HRESULT hr = gSession->manager->BatchGetTrees(input, Bgtf_Recursive, 0, &objects, &deleted);
        const bool ok = Check(state, hr, objects, "BatchGetTrees of the root folder");
        SafeArrayDestroy(objects);
        SafeArrayDestroy(deleted);
        if (!ok) break;
    }
    SafeArrayDestroy(input);
    state.SetItemsProcessed(state.iterations() * gItems);
}

// The refresh of the root folder and the items, their cached trees sent
// along (the cache written once, untimed).
void RefreshTreesBenchmark(benchmark::State& state) {
    SAFEARRAY* input = ItemList(gSession->shown);
    SAFEARRAY* objects = nullptr;
    SAFEARRAY* deleted = nullptr;
    HRESULT hr = gSession->manager->BatchGetTrees(input, Bgtf_Recursive | Bgtf_UpdateFileCache, 0, &objects, &deleted);
    bool ok = Check(state, hr, objects, "the fetch into the cache");
    SafeArrayDestroy(objects);
    SafeArrayDestroy(deleted);
    for (auto _ : state) {
        if (!ok) break;
        objects = deleted = nullptr;
        hr = gSession->manager->BatchRefreshTrees(input, 0, &objects, &deleted);
        ok = Check(state, hr, objects, "BatchRefreshTrees");
        SafeArrayDestroy(objects);
        SafeArrayDestroy(deleted);
    }
    SafeArrayDestroy(input);
    state.SetItemsProcessed(state.iterations() * gItems);
}

// --- The client library's queries, straight on the vault's file ---------------------

// One prepared statement of SQLite's own interface; the database's failures
// end the case.
class SqlStatement {
public:
    SqlStatement(sqlite3* database, const char* sql) {
        if (sqlite3_prepare_v2(database, sql, -1, &statement_, nullptr) != SQLITE_OK)
            throw std::runtime_error(sqlite3_errmsg(database));
    }
    ~SqlStatement() { sqlite3_finalize(statement_); }
    SqlStatement(const SqlStatement&) = delete;
    SqlStatement& operator=(const SqlStatement&) = delete;

    // Binds the ids and runs the statement, reading every column of every
    // row; the row count.
    template <class... Id>
    int Run(Id... ids) {
        sqlite3_reset(statement_);
        int index = 0;
        (sqlite3_bind_int(statement_, ++index, ids), ...);
        int rows = 0;
        for (int rc; (rc = sqlite3_step(statement_)) != SQLITE_DONE;) {
            if (rc != SQLITE_ROW) throw std::runtime_error(sqlite3_errstr(rc));
            ++rows;
            for (int column = 0; column < sqlite3_column_count(statement_); ++column)
                benchmark::DoNotOptimize(sqlite3_column_text16(statement_, column));
        }
        ++executed;
        return rows;
    }
    // The first column of each row.
    template <class... Id>
    std::vector<int> Ids(Id... ids) {
        sqlite3_reset(statement_);
        int index = 0;
        (sqlite3_bind_int(statement_, ++index, ids), ...);
        std::vector<int> found;
        for (int rc; (rc = sqlite3_step(statement_)) != SQLITE_DONE;) {
            if (rc != SQLITE_ROW) throw std::runtime_error(sqlite3_errstr(rc));
            found.push_back(sqlite3_column_int(statement_, 0));
        }
        ++executed;
        return found;
    }

    static inline int64_t executed = 0;

private:
    sqlite3_stmt* statement_ = nullptr;
};

// The vault's database, opened read-only with SQLite's own interface.
struct SqlDatabase {
    sqlite3* handle = nullptr;
    explicit SqlDatabase(const fs::path& file) {
        if (sqlite3_open_v2(file.c_str(), &handle, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK)
            throw std::runtime_error("cannot open the vault's database");
    }
    ~SqlDatabase() { sqlite3_close(handle); }
    SqlDatabase(const SqlDatabase&) = delete;
    SqlDatabase& operator=(const SqlDatabase&) = delete;
    void Exec(const char* sql) {
        if (sqlite3_exec(handle, sql, nullptr, nullptr, nullptr) != SQLITE_OK)
            throw std::runtime_error(sqlite3_errmsg(handle));
    }
};

// The statements the client library runs for the fetch of the root folder
// and every item (vaultclient/tavrosk, vault_objects.cpp), in the order of
// its walk: per folder its row, whether it has children, its sub-folders and
// items; per item (once) its row, lock, whether it has links, its dynamic
// link and its links; per linked file (once) its row and lock; per record
// the modified time of its version. The records placed, as the library
// would return them.
size_t ClientQueries(SqlDatabase& database, int32_t rootFolder) {
    sqlite3* db = database.handle;
    SqlStatement folderRow(db, "SELECT parent_id, name, vault_path, created_utc FROM folders WHERE id = ?");
    SqlStatement folderHasChildren(db,
                                   "SELECT EXISTS (SELECT 1 FROM folders WHERE parent_id = ?1) OR EXISTS "
                                   "(SELECT 1 FROM documents WHERE folder_id = ?1 AND doc_type = 4 AND deleted = 0)");
    SqlStatement subFolders(db, "SELECT id FROM folders WHERE parent_id = ? ORDER BY path_key");
    SqlStatement folderItems(
        db, "SELECT id FROM documents WHERE folder_id = ? AND doc_type = 4 AND deleted = 0 ORDER BY name_key");
#define DOCUMENT_ROW_SQL(docType)                                                                                \
    "SELECT d.folder_id, d.name, f.vault_path, d.object_flags, d.linked_file_name, d.alternate_name, d.domain, " \
    "d.state_id, s.name, d.latest_version, d.is_cutlist, d.created_utc FROM documents d "                        \
    "JOIN folders f ON f.id = d.folder_id LEFT JOIN workflow_states s ON s.id = d.state_id "                     \
    "WHERE d.id = ? AND d.doc_type = " docType " AND d.deleted = 0"
    SqlStatement itemRow(db, DOCUMENT_ROW_SQL("4"));
    SqlStatement fileRow(db, DOCUMENT_ROW_SQL("6"));
#undef DOCUMENT_ROW_SQL
    SqlStatement lockRow(db,
                         "SELECT l.user_id, u.name, l.view_guid, l.locked_path FROM locks l "
                         "JOIN users u ON u.id = l.user_id WHERE l.document_id = ?");
    SqlStatement itemHasLinks(
        db, "SELECT EXISTS (SELECT 1 FROM links WHERE parent_id = ? AND link_operation NOT IN (3, 4))");
    SqlStatement dynamicLink(db,
                             "SELECT child_id, child_config_id, attached_version FROM links WHERE "
                             "parent_id = ? AND link_type = 1 AND child_type = 6 AND link_operation NOT IN (3, 4)");
    SqlStatement itemLinks(db,
                           "SELECT child_id FROM links WHERE parent_id = ? AND link_operation NOT IN (3, 4) "
                           "ORDER BY id");
    SqlStatement versionTime(db, "SELECT modified_utc FROM document_versions WHERE document_id = ? AND version = ?");

    std::set<int> filesRead;
    auto readFile = [&](int file) {
        if (!filesRead.insert(file).second) return;
        fileRow.Run(file);
        lockRow.Run(file);
    };
    auto readItem = [&](int item) {
        itemRow.Run(item);
        lockRow.Run(item);
        itemHasLinks.Run(item);
        for (int file : dynamicLink.Ids(item)) readFile(file);
    };
    size_t records = 0;
    std::vector<int> folders{rootFolder};
    std::vector<int> items;
    folderRow.Run(rootFolder);
    folderHasChildren.Run(rootFolder);
    for (size_t next = 0; next < folders.size(); ++next) {
        for (int sub : subFolders.Ids(folders[next])) {
            folderRow.Run(sub);
            folderHasChildren.Run(sub);
            folders.push_back(sub);
            ++records;
        }
        for (int item : folderItems.Ids(folders[next])) {
            readItem(item);
            versionTime.Run(item, 1);
            items.push_back(item);
            ++records;
        }
    }
    for (int item : items) {
        for (int file : itemLinks.Ids(item)) {
            readFile(file);
            versionTime.Run(file, 1);
            ++records;
        }
    }
    return records;
}

// The same records in three joins: the folders below the root, the items in
// them with their lock and version time, the items' links with their files.
size_t JoinedQueries(SqlDatabase& database, int32_t rootFolder) {
    sqlite3* db = database.handle;
    database.Exec("CREATE TEMP TABLE IF NOT EXISTS fetch_folders (id INTEGER PRIMARY KEY); DELETE FROM fetch_folders");
    SqlStatement tree(db,
                      "INSERT INTO fetch_folders WITH RECURSIVE tree(id) AS (SELECT ?1 UNION ALL "
                      "SELECT f.id FROM folders f JOIN tree t ON f.parent_id = t.id) SELECT id FROM tree");
    SqlStatement folders(db,
                         "SELECT f.id, f.parent_id, f.name, f.vault_path, f.created_utc FROM folders f "
                         "JOIN fetch_folders t ON t.id = f.id WHERE f.id <> ?1");
    SqlStatement items(db,
                       "SELECT d.id, d.folder_id, d.name, f.vault_path, d.object_flags, d.linked_file_name, "
                       "d.alternate_name, d.domain, d.state_id, s.name, d.latest_version, d.is_cutlist, "
                       "l.user_id, u.name, l.view_guid, l.locked_path, v.modified_utc FROM fetch_folders t "
                       "JOIN documents d ON d.folder_id = t.id AND d.doc_type = 4 AND d.deleted = 0 "
                       "JOIN folders f ON f.id = d.folder_id LEFT JOIN workflow_states s ON s.id = d.state_id "
                       "LEFT JOIN locks l ON l.document_id = d.id LEFT JOIN users u ON u.id = l.user_id "
                       "LEFT JOIN document_versions v ON v.document_id = d.id AND v.version = d.latest_version");
    SqlStatement links(db,
                       "SELECT k.parent_id, k.child_type, k.child_id, k.link_type, k.attached_version, c.name, "
                       "cf.vault_path, c.latest_version, c.object_flags, cl.user_id, cv.modified_utc "
                       "FROM fetch_folders t JOIN documents p ON p.folder_id = t.id AND p.doc_type = 4 AND "
                       "p.deleted = 0 JOIN links k ON k.parent_id = p.id AND k.link_operation NOT IN (3, 4) "
                       "JOIN documents c ON c.id = k.child_id AND c.deleted = 0 JOIN folders cf ON cf.id = "
                       "c.folder_id LEFT JOIN locks cl ON cl.document_id = c.id LEFT JOIN document_versions cv "
                       "ON cv.document_id = c.id AND cv.version = c.latest_version");
    tree.Run(rootFolder);
    return static_cast<size_t>(folders.Run(rootFolder)) + items.Run() + links.Run();
}

// What the walk below the root places for the generated vault: its group
// and shelf folders, every item, every item's part file and every third
// one's drawing.
size_t ExpectedRecords() {
    const size_t items = static_cast<size_t>(gItems);
    const size_t shelves = (items + kItemsPerFolder - 1) / kItemsPerFolder;
    const size_t groups = (shelves + kSubFoldersPerFolder - 1) / kSubFoldersPerFolder;
    return groups + shelves + items + items + items / kDrawingEvery;
}

enum class Sql { ClientQueries, Joins };

// The queries in one read transaction, as the library runs them.
void SqlBenchmark(benchmark::State& state, Sql kind) {
    try {
        SqlDatabase database(gSession->vault.databaseFile);
        SqlStatement::executed = 0;
        for (auto _ : state) {
            database.Exec("BEGIN");
            const size_t records = kind == Sql::ClientQueries ? ClientQueries(database, gSession->rootFolderId)
                                                              : JoinedQueries(database, gSession->rootFolderId);
            database.Exec("COMMIT");
            if (records != ExpectedRecords()) {
                char text[120];
                std::snprintf(text, sizeof text, "the queries placed %zu records, not %zu", records, ExpectedRecords());
                state.SkipWithError(text);
                gFailed = true;
                return;
            }
        }
        state.counters["statements"] =
            benchmark::Counter(static_cast<double>(SqlStatement::executed), benchmark::Counter::kAvgIterations);
    } catch (const std::exception& error) {
        state.SkipWithError(error.what());
        gFailed = true;
    }
    state.SetItemsProcessed(state.iterations() * gItems);
}

// The console output, then the cases side by side: each one's time per
// round beside the cold browse's (the fastest of repetitions).
class SideBySideReporter : public benchmark::ConsoleReporter {
public:
    SideBySideReporter() : ConsoleReporter(isatty(fileno(stdout)) ? OO_Color : OO_None) {}

    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.run_type != Run::RT_Iteration || run.error_occurred) continue;
            const std::string name = run.benchmark_name();
            const double time = run.GetAdjustedRealTime();  // in the case's unit, milliseconds
            auto [entry, added] = times_.emplace(name, std::make_pair(order_++, time));
            if (!added && time < entry->second.second) entry->second.second = time;
        }
    }

    void PrintSideBySide() const {
        const double* cold = nullptr;
        for (const auto& [name, entry] : times_)
            if (name.starts_with("BatchGetTrees/ColdCache")) cold = &entry.second;
        std::vector<std::pair<size_t, std::pair<std::string, double>>> rows;
        for (const auto& [name, entry] : times_) rows.push_back({entry.first, {name, entry.second}});
        std::sort(rows.begin(), rows.end());
        std::printf("\nSide by side (per round; warm should be no slower than cold)\n");
        for (const auto& [order, row] : rows) {
            std::printf("  %-44s %10.1f ms", row.first.c_str(), row.second);
            if (cold) std::printf("   %6.2fx cold", row.second / *cold);
            std::printf("\n");
        }
    }

private:
    std::map<std::string, std::pair<size_t, double>> times_;
    size_t order_ = 0;
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (!TakeItemCountArgument(argc, argv, gItems)) return 2;

    // A fresh machine: registry, vault, view and cache live below this root.
    gFolder = MakeFreshStateRoot("browse-bench");
    if (gFolder.empty()) return 1;

    Session session;
    gSession = &session;
    if (StartSession(session)) {
        const std::string items = "/items:" + std::to_string(gItems);
        benchmark::RegisterBenchmark(("BatchGetTrees/RootFolder" + items).c_str(), RootFolderBenchmark)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("BatchGetTrees/ColdCache" + items).c_str(), GetTreesBenchmark, Cache::Absent)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("BatchGetTrees/WarmCache" + items).c_str(), GetTreesBenchmark, Cache::Present)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("BatchRefreshTrees/WarmCache" + items).c_str(), RefreshTreesBenchmark)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("VaultSql/ClientQueries" + items).c_str(), SqlBenchmark, Sql::ClientQueries)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("VaultSql/Joins" + items).c_str(), SqlBenchmark, Sql::Joins)
            ->Unit(benchmark::kMillisecond);
        SideBySideReporter reporter;
        benchmark::RunSpecifiedBenchmarks(&reporter);
        reporter.PrintSideBySide();
    } else {
        gFailed = true;
    }
    benchmark::Shutdown();
    EndSession(session);

    std::error_code ignored;
    fs::remove_all(gFolder, ignored);
    return gFailed ? 1 : 0;
}
