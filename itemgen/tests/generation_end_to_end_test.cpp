// Item generation from end to end: the item operation made by class id from
// the registered server, over the registered tree and dialog components and
// the demo vault, the dialog answered by the prompter. Items generated from
// the gearbox assembly's tree land in the vault (with their links and item
// numbers from the counters) and in the view's item cache; no counter id is
// lost or used twice, also when the dialog is cancelled or the generation
// fails half-way.
#include "castavy/dialog_script.h"
#include "castavy/ids.h"
#include "com/ccom_ptr.h"
#include "com/runnable.h"
#include "com/runtime.h"
#include "com_testing/leak_checked_test.h"
#include "com_testing/pending_error_info.h"
#include "com_testing/register_server.h"
#include "common/desktop_ini.h"
#include "common/error_codes.h"
#include "common/record_array.h"
#include "coravent/ids.h"
#include "coravent/interfaces.h"
#include "coravent/type_library.h"
#include "itemstore/item_cache_file.h"
#include "itemstore/item_cache_lock.h"
#include "testsupport/fresh_machine.h"
#include "ui_testing/scripted_prompter.h"
#include "ui_testing/ui_test.h"
#include "vaultadmin/demo_seeding.h"
#include "vaultadmin/vault_creation.h"
#include "vaultadmin/vault_opening.h"
#include "vaultdb/database.h"
#include "vaultdb/schema.h"
#include "vaultdb/statement.h"
#include "vennacle/sp_mgr.h"
#include "winapi/path_mapping.h"
#include "winapi/text.h"

#include <gtest/gtest.h>

#include <cstring>
#include <algorithm>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace {

using namespace CoraventLib;
using BellquistLib::ItmObjectData;

// What the dialog's user does before closing it.
using Script = std::function<void(ui::PromptedDialog&)>;

class GenerationEndToEndTest : public com_testing::LeakChecked<testsupport::FreshMachineTest> {
protected:
    static constexpr char16_t kComputer[] = u"PC-7";

    void SetUp() override {
        LeakChecked::SetUp();
        ui_testing::EnsureApplication();
        ASSERT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
        for (const char16_t* server : {u"Castavy.dll", u"Hastrel.dll", u"Coravent.dll"})
            ASSERT_EQ(com_testing::RegisterServerLibrary(server), S_OK) << winapi::ToUtf8(server);
        CoraventLib::RegisterRecords();

        vaultadmin::VaultCreation request;
        request.name = u"Demo";
        request.serverFolder = machine_.root() / "server";
        request.viewFolder = machine_.root() / "view";
        created_ = vaultadmin::CreateVault(request);
        rootPath_ = winapi::FromPosixPath(request.viewFolder.string()) + u"\\";
        database_ = vaultadmin::OpenRegisteredVault(u"Demo");
        vaultadmin::SeedDemoVault(*database_);
        std::unique_ptr<vaultdb::Database> opened = vaultadmin::OpenRegisteredVault(u"Demo");
        connection_ = new SpMgr();
        ASSERT_EQ(connection_->mhAttach(opened, u"Demo"), S_OK);

        designer_ = Number("SELECT id FROM users WHERE name = 'Designer'");
        gearbox_ = Document(vaultadmin::kDemoGearboxAssembly);
        gearboxFolder_ = Number("SELECT folder_id FROM documents WHERE id = " + std::to_string(gearbox_));
        itemsRoot_ = Number("SELECT id FROM folders WHERE vault_path = '\\<items>\\'");
        assemblies_ = Number("SELECT id FROM folders WHERE vault_path = '\\<items>\\Assemblies\\'");
        itemsBefore_ = Number("SELECT COUNT(*) FROM documents WHERE doc_type = 4");
        spentBefore_ = SpentCounters();
    }
    void TearDown() override {
        if (connection_) connection_->Release();
        database_.reset();
        CoFreeUnusedLibraries();
        CoUninitialize();
        LeakChecked::TearDown();
    }

    // The first column of the first row of `sql` (0 without a row).
    LONG Number(const std::string& sql) {
        std::unique_ptr<vaultdb::Statement> row;
        EXPECT_EQ(database_->Prepare(sql, row), S_OK) << sql;
        return row && row->Step() == S_OK ? row->ColumnInt32(0) : 0;
    }
    std::vector<std::u16string> Texts(const std::string& sql) {
        std::vector<std::u16string> texts;
        std::unique_ptr<vaultdb::Statement> row;
        EXPECT_EQ(database_->Prepare(sql, row), S_OK) << sql;
        while (row && row->Step() == S_OK) texts.push_back(row->ColumnText(0));
        return texts;
    }
    LONG Document(const std::u16string& name) {
        std::unique_ptr<vaultdb::Statement> row;
        EXPECT_EQ(database_->Prepare("SELECT id FROM documents WHERE name = ?", row), S_OK);
        row->BindText(1, name);
        return row->Step() == S_OK ? row->ColumnInt32(0) : 0;
    }
    LONG ReservedCounters() {
        return Number("SELECT COUNT(*) FROM counters WHERE state = " + std::to_string(vaultdb::kCounterReserved));
    }
    LONG SpentCounters() {
        return Number("SELECT COUNT(*) FROM counters WHERE state = " + std::to_string(vaultdb::kCounterSpent));
    }
    LONG NewItems() { return Number("SELECT COUNT(*) FROM documents WHERE doc_type = 4") - itemsBefore_; }

    // A started operation (type 1) over the gearbox assembly; `itemFolder`
    // is the item folder the selection gives the assembly's item (0: none).
    CComPtr<IItemOperation> StartOperation(LONG itemFolder = 0) {
        CComPtr<IUnknown> made;
        EXPECT_EQ(CoCreateInstance(CLSID_ItemOperation, nullptr, 23, IID_IUnknown, reinterpret_cast<void**>(&made)),
                  S_OK);
        if (!made) return nullptr;
        EXPECT_EQ(OleRun(made), S_OK);
        CComQIPtr<IItemOperation> operation(made);
        EXPECT_TRUE(operation);
        InitData data{};
        data.mpoSpMgr = reinterpret_cast<uintptr_t>(connection_);
        std::memcpy(&data.moViewID, &created_.viewId, sizeof(GUID));
        data.mlUserID = designer_;
        data.meTreeCreationType = TreeCreationType_ItemGeneration;
        data.moRootPath = SysAllocString(rootPath_.c_str());
        data.moComputerName = SysAllocString(kComputer);
        EXPECT_EQ(operation->Init(data), S_OK);
        SysFreeString(data.moRootPath);
        SysFreeString(data.moComputerName);

        RecordArray<ItemData> items;
        items.mvCreate(1, LIBID_CoraventLib, 1, 0);
        items.mpoBegin()->mlDocumentID = gearbox_;
        items.mpoBegin()->mlProjectID = gearboxFolder_;
        items.mpoBegin()->mlItemFolderID = itemFolder;
        items.mpoBegin()->lTreeCreationType = TreeCreationType_ItemGeneration;
        EXPECT_EQ(operation->AddSelection(items.mpoGetArray()), S_OK);
        VARIANT_BOOL notEmpty = VARIANT_FALSE;
        EXPECT_EQ(operation->InitTreeDlg(0, &notEmpty), S_OK);
        EXPECT_EQ(notEmpty, VARIANT_TRUE);
        return CComPtr<IItemOperation>(operation);
    }

    // Shows the dialog, which `script` drives (answering `messages` message
    // boxes it asks on the way with OK); the dialog's result.
    VARIANT_BOOL ShowDialog(IItemOperation& operation, const Script& script, HRESULT expected = S_OK,
                            const std::vector<std::u16string>& messages = {}) {
        ui_testing::ScriptedPrompter prompter;
        prompter.DriveDialog(castavy::kDialogName, script);
        for (const std::u16string& message : messages)
            prompter.AnswerMessageBox(
                IDOK, [message](const ui::MessageBoxQuestion& question) { EXPECT_EQ(question.text, message); });
        LONG destination = 0;
        VARIANT_BOOL result = VARIANT_FALSE;
        EXPECT_EQ(operation.ShowDlg(0, 0, &destination, &result), expected);
        return result;
    }

    // The names of the result's records, and the items among them.
    static std::vector<ItmObjectData> Copy(SAFEARRAY* records, std::vector<std::u16string>& names) {
        std::vector<ItmObjectData> rows;
        RecordArray<ItmObjectData> array(records);
        for (const ItmObjectData* record = array.mpoBegin(); record != array.mpoEnd(); ++record) {
            rows.push_back(*record);
            names.emplace_back(com::BstrView(record->moFilename));
        }
        return rows;
    }

    vaultadmin::CreatedVault created_;
    std::u16string rootPath_;
    std::unique_ptr<vaultdb::Database> database_;
    SpMgr* connection_ = nullptr;
    LONG designer_ = 0, gearbox_ = 0, gearboxFolder_ = 0, itemsRoot_ = 0, assemblies_ = 0;
    LONG itemsBefore_ = 0, spentBefore_ = 0;
};

// The user leaves the proposal as the dialog starts and presses OK.
void AcceptTheProposal(ui::PromptedDialog& dialog) {
    const int gearbox = castavy::FindRow(dialog, vaultadmin::kDemoGearboxAssembly);
    ASSERT_EQ(gearbox, 0);
    const std::vector<castavy::ShownRow> rows = castavy::ShownRows(dialog);
    EXPECT_TRUE(rows[gearbox].checks.at(CASTAVYLib::CastavyCol_CreateItem).checked);
    EXPECT_TRUE(rows[gearbox].chosen);
    EXPECT_TRUE(dialog.PressButton(IDOK));
}

TEST_F(GenerationEndToEndTest, ItemsOfTheAssemblysTreeLandInTheVaultAndTheCache) {
    CComPtr<IItemOperation> operation = StartOperation();
    ASSERT_TRUE(operation);
    EXPECT_EQ(ShowDialog(*operation, AcceptTheProposal), VARIANT_TRUE);
    // The tree reserved one counter id per proposed new item.
    EXPECT_GT(ReservedCounters(), 0);

    SAFEARRAY* records = nullptr;
    VARIANT_BOOL open = VARIANT_FALSE;
    ASSERT_EQ(operation->DoGenerateItems(itemsRoot_, &records, &open), S_OK);
    ASSERT_NE(records, nullptr);
    EXPECT_EQ(open, VARIANT_TRUE);
    std::vector<std::u16string> names;
    const std::vector<ItmObjectData> rows = Copy(records, names);

    // Every new item takes the number of a counter it spent; no id stays
    // reserved, none is spent twice.
    const LONG made = NewItems();
    ASSERT_GT(made, 0);
    EXPECT_EQ(ReservedCounters(), 0);
    EXPECT_EQ(SpentCounters() - spentBefore_, made);
    EXPECT_EQ(Number("SELECT COUNT(*) FROM (SELECT counter_id FROM items WHERE counter_id IS NOT NULL"
                     " GROUP BY counter_id HAVING COUNT(*) > 1)"),
              0);

    // The assembly's item links the assembly file and, statically, its
    // drawing; the shaft, in two configurations, and the part an item of the
    // vault links already make no new item.
    std::map<std::u16string, std::vector<LONG>> linkTypes;  // file -> link types to new items
    for (size_t i = 0; i < rows.size(); ++i)
        if (rows[i].meObjectType == ItmObjectType_File) linkTypes[names[i]].push_back(rows[i].meLinkType);
    EXPECT_EQ(linkTypes[vaultadmin::kDemoGearboxAssembly], std::vector<LONG>{LinkType_Dynamic});
    EXPECT_EQ(linkTypes[u"GB-1100 Housing.zvkprt"], std::vector<LONG>{LinkType_Dynamic});
    EXPECT_EQ(linkTypes[vaultadmin::kDemoGearboxSubAssembly], std::vector<LONG>{LinkType_Dynamic});
    EXPECT_TRUE(std::find(linkTypes[u"GB-1000 Gearbox.dwg"].begin(), linkTypes[u"GB-1000 Gearbox.dwg"].end(),
                          LinkType_Static) != linkTypes[u"GB-1000 Gearbox.dwg"].end());
    EXPECT_EQ(linkTypes.count(u"GB-1200 Shaft.zvkprt"), 0u);
    EXPECT_EQ(linkTypes.count(u"P-00001.zvkprt"), 0u);

    // Every item in the result exists, with its links.
    std::set<LONG> items;
    for (const ItmObjectData& row : rows)
        if (row.meObjectType == ItmObjectType_Item) items.insert(row.mlObjectID);
    EXPECT_EQ(static_cast<LONG>(items.size()), made);
    EXPECT_EQ(Number("SELECT COUNT(*) FROM links WHERE child_id = " + std::to_string(gearbox_) +
                     " AND parent_id IN (SELECT id FROM documents WHERE doc_type = 4 AND id > 0)"),
              1);
    RefPtr<CItemCacheFile> cache(new CItemCacheFile(created_.vaultId));
    CItemCacheLock lock(cache, kCacheLockDirect);
    for (size_t i = 0; i < rows.size(); ++i) {
        const ItmObjectData& row = rows[i];
        if (row.meObjectType != ItmObjectType_Item) {
            EXPECT_EQ(row.meParentDocType, ItmObjectType_Item) << winapi::ToUtf8(names[i]);
            EXPECT_EQ(Number("SELECT COUNT(*) FROM links WHERE parent_id = " + std::to_string(row.mlParentObjectID) +
                             " AND child_id = " + std::to_string(row.mlObjectID)),
                      1);
            continue;
        }
        EXPECT_EQ(row.meParentDocType, ItmObjectType_ItemFolder);
        EXPECT_EQ(row.mlParentObjectID, itemsRoot_);
        EXPECT_TRUE(names[i].starts_with(u"ITM-")) << winapi::ToUtf8(names[i]);
        // In the cache, with its links as children.
        EXPECT_EQ(cache->mhItemExists(lock, names[i]), S_OK) << winapi::ToUtf8(names[i]);
        ChildList children;
        cache->mhReadChildren(lock, names[i], children);
        LONG links = 0;
        for (const ItmObjectData& link : rows) links += link.mlParentObjectID == row.mlObjectID;
        EXPECT_EQ(static_cast<LONG>(children.size()), links) << winapi::ToUtf8(names[i]);
    }
    SafeArrayDestroy(records);
}

TEST_F(GenerationEndToEndTest, RowsSharingANameMakeOneItemWithOneDynamicLink) {
    CComPtr<IItemOperation> operation = StartOperation();
    ASSERT_TRUE(operation);
    EXPECT_EQ(ShowDialog(*operation,
                         [](ui::PromptedDialog& dialog) {
                             using CASTAVYLib::CastavyCol_Link;
                             const int rows[] = {castavy::FindRow(dialog, vaultadmin::kDemoGearboxAssembly),
                                                 castavy::FindRow(dialog, u"GB-1100 Housing.zvkprt"),
                                                 castavy::FindRow(dialog, vaultadmin::kDemoGearboxSubAssembly)};
                             for (int row : rows) {
                                 ASSERT_GE(row, 0);
                                 EXPECT_TRUE(castavy::TypeItemName(dialog, row, u"Gear"));
                                 EXPECT_EQ(castavy::ShownRows(dialog)[row].texts[CASTAVYLib::CastavyCol_ItemNumber],
                                           u"Gear");
                             }
                             // Two rows of the name would both link their file dynamically: OK
                             // is refused, whichever row comes first.
                             EXPECT_TRUE(castavy::ClickCheck(dialog, rows[0], CastavyCol_Link));
                             EXPECT_FALSE(castavy::ShownRows(dialog)[rows[0]].checks[CastavyCol_Link].checked);
                             EXPECT_TRUE(dialog.PressButton(IDOK));
                             EXPECT_FALSE(dialog.IsEnded());
                             EXPECT_TRUE(castavy::ClickCheck(dialog, rows[1], CastavyCol_Link));
                             EXPECT_TRUE(dialog.PressButton(IDOK));
                             EXPECT_TRUE(dialog.IsEnded());
                         },
                         S_OK, {u"Two chosen rows have the same item name."}),
              VARIANT_TRUE);

    SAFEARRAY* records = nullptr;
    VARIANT_BOOL open = VARIANT_FALSE;
    ASSERT_EQ(operation->DoGenerateItems(itemsRoot_, &records, &open), S_OK);
    SafeArrayDestroy(records);
    const LONG gear = Number("SELECT id FROM documents WHERE name = 'Gear.<item>' AND doc_type = 4");
    ASSERT_NE(gear, 0);
    const std::string links = "SELECT COUNT(*) FROM links WHERE parent_id = " + std::to_string(gear);
    EXPECT_EQ(Number(links + " AND link_type = 1 AND child_id = " +
                     std::to_string(Document(vaultadmin::kDemoGearboxSubAssembly))),
              1);
    EXPECT_EQ(Number(links + " AND link_type = 1"), 1);
    EXPECT_EQ(Number(links + " AND link_type = 2 AND child_id = " + std::to_string(gearbox_)), 1);
    EXPECT_EQ(ReservedCounters(), 0);
}

TEST_F(GenerationEndToEndTest, ACancelledDialogGivesTheTreesIdsBack) {
    CComPtr<IItemOperation> operation = StartOperation();
    ASSERT_TRUE(operation);
    EXPECT_EQ(ShowDialog(
                  *operation,
                  [](ui::PromptedDialog& dialog) {
                      EXPECT_EQ(castavy::FindRow(dialog, vaultadmin::kDemoGearboxAssembly), 0);
                      EXPECT_TRUE(dialog.PressButton(IDCANCEL));
                  },
                  S_FALSE),
              VARIANT_FALSE);
    EXPECT_EQ(ReservedCounters(), 0);
    EXPECT_EQ(NewItems(), 0);
    EXPECT_EQ(SpentCounters(), spentBefore_);
}

TEST_F(GenerationEndToEndTest, AGenerationFailingHalfWayLeavesNothingAndLosesNoId) {
    // The assembly's item goes into "Assemblies", the others into a folder
    // that is no item folder: the vault makes the first item, then refuses.
    CComPtr<IItemOperation> operation = StartOperation(assemblies_);
    ASSERT_TRUE(operation);
    EXPECT_EQ(ShowDialog(*operation, AcceptTheProposal), VARIANT_TRUE);
    SAFEARRAY* records = nullptr;
    VARIANT_BOOL open = VARIANT_TRUE;
    EXPECT_EQ(operation->DoGenerateItems(gearboxFolder_, &records, &open), E_OXN_FOLDER_NOT_FOUND);
    com_testing::TakePendingDescription();
    EXPECT_EQ(records, nullptr);
    EXPECT_EQ(open, VARIANT_FALSE);
    EXPECT_EQ(NewItems(), 0);
    EXPECT_EQ(ReservedCounters(), 0);
    EXPECT_EQ(SpentCounters(), spentBefore_);
    operation = nullptr;

    // Again, into item folders: the numbers come from the counters afresh,
    // none used twice.
    operation = StartOperation(assemblies_);
    ASSERT_TRUE(operation);
    EXPECT_EQ(ShowDialog(*operation, AcceptTheProposal), VARIANT_TRUE);
    ASSERT_EQ(operation->DoGenerateItems(itemsRoot_, &records, &open), S_OK);
    SafeArrayDestroy(records);
    const LONG made = NewItems();
    EXPECT_GT(made, 0);
    EXPECT_EQ(ReservedCounters(), 0);
    EXPECT_EQ(SpentCounters() - spentBefore_, made);
    EXPECT_EQ(Number("SELECT COUNT(*) FROM (SELECT counter_id FROM items WHERE counter_id IS NOT NULL"
                     " GROUP BY counter_id HAVING COUNT(*) > 1)"),
              0);
    EXPECT_EQ(Number("SELECT COUNT(*) FROM documents d JOIN folders f ON f.id = d.folder_id WHERE d.id = (SELECT"
                     " parent_id FROM links WHERE child_id = " +
                     std::to_string(gearbox_) + ") AND f.id = " + std::to_string(assemblies_)),
              1);
}

}  // namespace
