// The tree source over the vault (MakeVaultTreeSource), against the demo
// vault's gearbox: its documents, references, configurations, the items that
// link them, the item names, and the counter ids a tree reserves.
#include "demo_vault_fixture.h"

#include "hastrel/tree_source.h"

#include "vennacle/sp_mgr.h"
#include "com/bstr.h"
#include "com/error_info.h"
#include "vaultdb/schema.h"
#include "winapi/guid_text.h"

#include <algorithm>
#include <vector>

namespace hastrel_test {
namespace {

using hastrel::SourceDocument;
using hastrel::SourceName;
using hastrel::SourceReference;
using hastrel::TreeSource;

class VaultTreeSourceTest : public DemoVaultTest {
protected:
    void SetUp() override {
        DemoVaultTest::SetUp();
        itemsFolder_ = Sql("SELECT id FROM folders WHERE vault_path = '\\<items>\\'");
        longShaft_ = Configuration(shaft_, u"Long");
        shortShaft_ = Configuration(shaft_, u"Short");

        // The source reads through a connection of its own on the vault.
        std::unique_ptr<vaultdb::Database> opened = vaultadmin::OpenRegisteredVault(u"Demo");
        connection_.reset(new SpMgr());
        ASSERT_EQ(connection_->mhAttach(opened, u"Demo"), S_OK);
        ASSERT_EQ(hastrel::MakeVaultTreeSource(*connection_, 1, created_.viewId, source_), S_OK);
        ASSERT_TRUE(source_);
    }

    // A new item "<name>.<item>" in "\<items>\"; its id.
    int32_t AddItem(const std::u16string& name) {
        const std::u16string fileName = name + u".<item>";
        return Sql("INSERT INTO documents (folder_id, name, name_key, doc_type) VALUES (?, ?, ?, 4) RETURNING id",
                   {itemsFolder_, fileName, vaultdb::FoldKey(fileName)});
    }
    void Link(int32_t item, int32_t file, int32_t configId, int32_t linkType, int32_t operation = 1) {
        Sql("INSERT INTO links (parent_id, child_type, child_id, child_config_id, link_type, link_operation) "
            "VALUES (?, 6, ?, ?, ?, ?)",
            {item, file, configId, linkType, operation});
    }
    int32_t CounterState(LONG id) { return Sql("SELECT state FROM counters WHERE id = ?", {int32_t(id)}); }
    std::vector<std::u16string> LinkingItems(LONG document, LONG configId) {
        std::vector<std::u16string> names;
        EXPECT_EQ(source_->GetLinkingItems(document, configId, names), S_OK);
        return names;
    }

    int32_t itemsFolder_ = 0, longShaft_ = 0, shortShaft_ = 0;
    SpMgrPtr connection_;
    std::shared_ptr<TreeSource> source_;
};

TEST_F(VaultTreeSourceTest, DocumentsAreLiveFilesWithTheirFolderVersionConfigurationsAndLock) {
    SourceDocument gearbox;
    ASSERT_EQ(source_->GetDocument(gearbox_, gearbox), S_OK);
    EXPECT_EQ(gearbox.mlDocumentID, gearbox_);
    EXPECT_EQ(gearbox.moName, vaultadmin::kDemoGearboxAssembly);
    EXPECT_EQ(gearbox.moFolderPath, vaultadmin::kDemoGearboxFolder);
    EXPECT_EQ(gearbox.mlFolderID, Sql("SELECT folder_id FROM documents WHERE id = ?", {gearbox_}));
    EXPECT_EQ(gearbox.mlLatestVersion, 1);
    EXPECT_GT(gearbox.mdModified, 0);
    EXPECT_EQ(gearbox.mlLockedBy, 0);
    ASSERT_EQ(gearbox.mvConfigurations.size(), 2u);
    EXPECT_EQ(gearbox.mvConfigurations[0].moName, u"Standard");
    EXPECT_EQ(gearbox.mvConfigurations[1].moName, u"Heavy Duty");
    EXPECT_EQ(gearbox.mvConfigurations[1].mlConfigID, Configuration(gearbox_, u"Heavy Duty"));

    // A check-out, a state and a revision show.
    const int32_t designer = Sql("SELECT id FROM users WHERE name = 'Designer'");
    const int32_t approved = Sql("SELECT id FROM workflow_states WHERE name = 'Approved'");
    Sql("INSERT INTO locks (document_id, user_id, view_guid, computer, locked_path) VALUES (?, ?, ?, 'PC', 'C:\\x')",
        {housing_, designer, winapi::GuidToString(created_.viewId)});
    Sql("UPDATE documents SET state_id = ? WHERE id = ?", {approved, housing_});
    Sql("UPDATE document_versions SET revision = 'B' WHERE document_id = ?", {housing_});
    SourceDocument housing;
    ASSERT_EQ(source_->GetDocument(housing_, housing), S_OK);
    EXPECT_EQ(housing.mlLockedBy, designer);
    EXPECT_EQ(housing.moLockedBy, u"Designer");
    EXPECT_EQ(housing.moLockedPath, u"C:\\x");
    EXPECT_TRUE(IsEqualGUID(housing.moLockViewID, created_.viewId));
    EXPECT_EQ(housing.mlStatusID, approved);
    EXPECT_EQ(housing.moState, u"Approved");
    EXPECT_EQ(housing.moRevision, u"B");
    EXPECT_TRUE(housing.mvConfigurations.empty());

    // Items, deleted files and unknown ids are no documents of a tree: S_FALSE,
    // the record untouched.
    Sql("UPDATE documents SET deleted = 1 WHERE id = ?", {seal_});
    for (int32_t id : {Sql("SELECT MIN(id) FROM documents WHERE doc_type = 4"), seal_, 0, -1, 999999}) {
        SCOPED_TRACE(id);
        SourceDocument untouched;
        untouched.moName = u"kept";
        EXPECT_EQ(source_->GetDocument(id, untouched), S_FALSE);
        EXPECT_EQ(untouched.moName, u"kept");
    }
}

TEST_F(VaultTreeSourceTest, AFoldersDocumentsAndADocumentsReferencesComeInTheirOrder) {
    std::vector<LONG> documents;
    ASSERT_EQ(source_->GetFolderDocuments(Sql("SELECT folder_id FROM documents WHERE id = ?", {gearbox_}), documents),
              S_OK);
    EXPECT_EQ(documents, (std::vector<LONG>{drawing_, gearbox_, housing_, shaft_, unit_, bearing_, seal_}));
    ASSERT_EQ(source_->GetFolderDocuments(itemsFolder_, documents), S_OK);
    EXPECT_TRUE(documents.empty()) << "items are no files";
    ASSERT_EQ(source_->GetFolderDocuments(999999, documents), S_OK);
    EXPECT_TRUE(documents.empty());

    auto check = [&](LONG parent, const std::vector<SourceReference>& expected) {
        std::vector<SourceReference> references;
        ASSERT_EQ(source_->GetReferences(parent, references), S_OK);
        ASSERT_EQ(references.size(), expected.size());
        for (size_t i = 0; i < expected.size(); ++i) {
            SCOPED_TRACE(i);
            EXPECT_EQ(references[i].mlChildID, expected[i].mlChildID);
            EXPECT_EQ(references[i].moChildConfiguration, expected[i].moChildConfiguration);
            EXPECT_EQ(references[i].mbStatic, expected[i].mbStatic);
        }
    };
    check(gearbox_, {{housing_, u"", false},
                     {shaft_, u"Long", false},
                     {unit_, u"", false},
                     {conveyorPart_, u"", false},
                     {drawing_, u"", true}});
    check(unit_, {{bearing_, u"", false}, {bearing_, u"", false}, {seal_, u"", false}, {shaft_, u"Short", false}});
    check(housing_, {});

    // A deleted child drops out; a configuration the child lacks keeps its name.
    Sql("UPDATE documents SET deleted = 1 WHERE id = ?", {seal_});
    Sql("INSERT INTO file_references (parent_id, child_id, child_config_name) VALUES (?, ?, 'Medium')",
        {unit_, shaft_});
    check(unit_,
          {{bearing_, u"", false}, {bearing_, u"", false}, {shaft_, u"Short", false}, {shaft_, u"Medium", false}});
}

TEST_F(VaultTreeSourceTest, LinkingItemsComeClosestLinkFirst) {
    EXPECT_EQ(LinkingItems(conveyorPart_, -1), (std::vector<std::u16string>{u"ITM-00001.<item>"}));
    EXPECT_TRUE(LinkingItems(housing_, -1).empty());

    const int32_t whole = AddItem(u"Shaft");            // the shaft as a whole, statically
    const int32_t longStatic = AddItem(u"Long Shaft");  // its configuration "Long", statically
    const int32_t longDynamic = AddItem(u"Shaft L");    // "Long", dynamically
    const int32_t shortOne = AddItem(u"Shaft S");       // "Short", dynamically
    Link(whole, shaft_, -1, vaultdb::kLinkStatic);
    Link(longStatic, shaft_, longShaft_, vaultdb::kLinkStatic);
    Link(longDynamic, shaft_, longShaft_, vaultdb::kLinkDynamic);
    Link(shortOne, shaft_, shortShaft_, vaultdb::kLinkDynamic);
    Link(longDynamic, housing_, -1, vaultdb::kLinkStatic);
    struct Case {
        int32_t configId;
        std::vector<std::u16string> items;
    } const cases[] = {
        {longShaft_, {u"Shaft L.<item>", u"Long Shaft.<item>", u"Shaft.<item>"}},
        {shortShaft_, {u"Shaft S.<item>", u"Shaft.<item>"}},
        {-1, {u"Shaft.<item>", u"Shaft L.<item>", u"Shaft S.<item>", u"Long Shaft.<item>"}},
        {999999, {u"Shaft.<item>"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.configId);
        EXPECT_EQ(LinkingItems(shaft_, c.configId), c.items);
    }
    // Links being removed or deleted, deleted items and BOM links count not;
    // an item linking twice comes once.
    Sql("UPDATE links SET link_operation = 3 WHERE parent_id = ? AND child_id = ?", {longDynamic, shaft_});
    Sql("UPDATE links SET link_operation = 4 WHERE parent_id = ?", {shortOne});
    Sql("UPDATE documents SET deleted = 1 WHERE id = ?", {longStatic});
    Link(whole, shaft_, longShaft_, vaultdb::kLinkStatic);
    Link(whole, seal_, -1, vaultdb::kLinkBom);
    EXPECT_EQ(LinkingItems(shaft_, longShaft_), (std::vector<std::u16string>{u"Shaft.<item>"}));
    EXPECT_EQ(LinkingItems(shaft_, shortShaft_), (std::vector<std::u16string>{u"Shaft.<item>"}));
    EXPECT_TRUE(LinkingItems(seal_, -1).empty());
}

TEST_F(VaultTreeSourceTest, ItemsSayWhetherTheyLinkADocumentDynamically) {
    const int32_t loose = AddItem(u"AAA Loose");
    const int32_t removed = AddItem(u"AAA Removed");
    Link(loose, housing_, -1, vaultdb::kLinkStatic);
    Link(removed, seal_, -1, vaultdb::kLinkDynamic, vaultdb::kLinkOpRemove);
    Sql("UPDATE documents SET deleted = 1 WHERE name = 'ITM-00002.<item>'");

    std::vector<hastrel::SourceItem> items;
    ASSERT_EQ(source_->GetItems(items), S_OK);
    ASSERT_EQ(items.size(), size_t(vaultadmin::kDemoItems + 1));
    EXPECT_EQ(items[0].moName, u"AAA Loose.<item>");
    EXPECT_FALSE(items[0].mbDynamicLink);
    EXPECT_EQ(items[1].moName, u"AAA Removed.<item>");
    EXPECT_FALSE(items[1].mbDynamicLink);
    EXPECT_EQ(items[2].moName, u"ITM-00001.<item>");
    EXPECT_EQ(items[3].moName, u"ITM-00003.<item>");
    EXPECT_TRUE(std::all_of(items.begin() + 2, items.end(), [](const auto& item) { return item.mbDynamicLink; }));
}

TEST_F(VaultTreeSourceTest, CountersAreReservedListedAndFreed) {
    std::vector<SourceName> reserved;
    ASSERT_EQ(source_->ReserveCounters(3, reserved), S_OK);
    ASSERT_EQ(reserved.size(), 3u);
    for (const SourceName& name : reserved) {
        SCOPED_TRACE(name.mlCounterID);
        EXPECT_EQ(CounterState(name.mlCounterID), vaultdb::kCounterReserved);
        EXPECT_EQ(
            Sql("SELECT COUNT(*) FROM counters WHERE id = ? AND name = ?", {int32_t(name.mlCounterID), name.moName}),
            1);
    }
    EXPECT_EQ(source_->ReserveCounters(-1, reserved), E_INVALIDARG);
    ASSERT_EQ(source_->ReserveCounters(0, reserved), S_OK);
    EXPECT_TRUE(reserved.empty());
    ASSERT_EQ(source_->ReserveCounters(3, reserved), S_OK);

    // Still reserved, in the order given, each once; spent and unknown ids
    // are left out.
    const LONG spent = Sql("SELECT MIN(id) FROM counters WHERE state = 2");
    std::vector<SourceName> listed;
    ASSERT_EQ(source_->GetReservedCounters(
                  {reserved[2].mlCounterID, spent, reserved[0].mlCounterID, 999999, reserved[2].mlCounterID}, listed),
              S_OK);
    ASSERT_EQ(listed.size(), 2u);
    EXPECT_EQ(listed[0].mlCounterID, reserved[2].mlCounterID);
    EXPECT_EQ(listed[0].moName, reserved[2].moName);
    EXPECT_EQ(listed[1].mlCounterID, reserved[0].mlCounterID);

    // Freed ids are free; spent ones stay spent; a freed id is the next
    // one reserved.
    ASSERT_EQ(source_->FreeCounters({reserved[1].mlCounterID, spent, 999999}), S_OK);
    EXPECT_EQ(CounterState(reserved[1].mlCounterID), vaultdb::kCounterFree);
    EXPECT_EQ(CounterState(spent), vaultdb::kCounterSpent);
    ASSERT_EQ(source_->GetReservedCounters({reserved[1].mlCounterID}, listed), S_OK);
    EXPECT_TRUE(listed.empty());
    std::vector<SourceName> again;
    ASSERT_EQ(source_->ReserveCounters(1, again), S_OK);
    EXPECT_EQ(again.at(0).mlCounterID, reserved[1].mlCounterID);
}

// A reservation is all or nothing: one failing half-way leaves every counter
// as it was, and the failure comes back with the database's text.
TEST_F(VaultTreeSourceTest, AFailedReservationReservesNothing) {
    std::vector<SourceName> reserved;
    ASSERT_EQ(source_->ReserveCounters(1, reserved), S_OK);
    const LONG free = reserved[0].mlCounterID;
    ASSERT_EQ(source_->FreeCounters({free}), S_OK);
    const int32_t counters = Sql("SELECT COUNT(*) FROM counters");
    ASSERT_EQ(database_->Execute("CREATE TRIGGER no_new_counters BEFORE INSERT ON counters "
                                 "BEGIN SELECT RAISE(ABORT, 'no more counters'); END"),
              S_OK);
    reserved.clear();
    const HRESULT hr = source_->ReserveCounters(2, reserved);  // takes the free one, then cannot make one
    EXPECT_TRUE(FAILED(hr));
    EXPECT_TRUE(reserved.empty());
    IErrorInfo* info = nullptr;
    ASSERT_EQ(GetErrorInfo(0, &info), S_OK);
    ASSERT_NE(info, nullptr);
    BSTR description = nullptr;
    info->GetDescription(&description);
    info->Release();
    EXPECT_NE(std::u16string(com::BstrView(description)).find(u"no more counters"), std::u16string::npos);
    SysFreeString(description);
    EXPECT_EQ(CounterState(free), vaultdb::kCounterFree);
    EXPECT_EQ(Sql("SELECT COUNT(*) FROM counters"), counters);
}

TEST_F(VaultTreeSourceTest, ASourceNeedsAnOpenConnectionAndKeepsItsOwn) {
    SpMgr* closed = new SpMgr();
    std::shared_ptr<TreeSource> none;
    EXPECT_EQ(hastrel::MakeVaultTreeSource(*closed, 1, created_.viewId, none), E_INVALIDARG);
    EXPECT_FALSE(none);
    EXPECT_EQ(closed->Release(), 0u);

    // The caller's reference may go; the source reads on.
    SpMgr* connection = connection_.release();
    EXPECT_EQ(connection->Release(), 1u) << "the source holds one";
    SourceDocument document;
    EXPECT_EQ(source_->GetDocument(gearbox_, document), S_OK);
    source_.reset();
}

}  // namespace
}  // namespace hastrel_test
