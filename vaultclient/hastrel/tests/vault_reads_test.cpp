// What the tree reads from the vault, against the demo vault's gearbox: its
// documents, references, configurations, the items that link them, the item
// names, and the counter ids a tree reserves.
#include "demo_vault_fixture.h"

#include "vault_reads.h"

#include "com/bstr.h"
#include "com/com_error.h"
#include "vaultdb/schema.h"
#include "winapi/guid_text.h"

#include <algorithm>
#include <vector>

namespace hastrel_test {
namespace {

using hastrel::VaultReads;

class VaultReadsTest : public DemoVaultTest {
protected:
    void SetUp() override {
        DemoVaultTest::SetUp();
        gearbox_ = Document(vaultadmin::kDemoGearboxAssembly);
        unit_ = Document(vaultadmin::kDemoGearboxSubAssembly);
        housing_ = Document(u"GB-1100 Housing.zvkprt");
        shaft_ = Document(u"GB-1200 Shaft.zvkprt");
        bearing_ = Document(u"GB-1310 Ball Bearing.zvkprt");
        seal_ = Document(u"GB-1320 Seal Ring.zvkprt");
        drawing_ = Document(u"GB-1000 Gearbox.dwg");
        conveyorPart_ = Document(u"P-00001.zvkprt");
        itemsFolder_ = Sql("SELECT id FROM folders WHERE vault_path = '\\<items>\\'");
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

    int32_t gearbox_ = 0, unit_ = 0, housing_ = 0, shaft_ = 0, bearing_ = 0, seal_ = 0, drawing_ = 0;
    int32_t conveyorPart_ = 0, itemsFolder_ = 0;
};

TEST_F(VaultReadsTest, DocumentsAreLiveFilesWithTheirFolderVersionAndLock) {
    VaultReads reads(*database_);
    const auto gearbox = reads.Document(gearbox_);
    ASSERT_TRUE(gearbox);
    EXPECT_EQ(gearbox->id, gearbox_);
    EXPECT_EQ(gearbox->name, vaultadmin::kDemoGearboxAssembly);
    EXPECT_EQ(gearbox->folderPath, vaultadmin::kDemoGearboxFolder);
    EXPECT_EQ(gearbox->folderId, Sql("SELECT folder_id FROM documents WHERE id = ?", {gearbox_}));
    EXPECT_EQ(gearbox->latestVersion, 1);
    EXPECT_GT(gearbox->modified, 0);
    EXPECT_EQ(gearbox->lockedBy, 0);
    EXPECT_TRUE(gearbox->lockedByName.empty());

    // A check-out shows with its user, path and view.
    const GUID view = created_.viewId;
    const int32_t designer = Sql("SELECT id FROM users WHERE name = 'Designer'");
    Sql("INSERT INTO locks (document_id, user_id, view_guid, computer, locked_path) VALUES (?, ?, ?, 'PC', 'C:\\x')",
        {housing_, designer, winapi::GuidToString(view)});
    const auto housing = reads.Document(housing_);
    ASSERT_TRUE(housing);
    EXPECT_EQ(housing->lockedBy, designer);
    EXPECT_EQ(housing->lockedByName, u"Designer");
    EXPECT_EQ(housing->lockedPath, u"C:\\x");
    EXPECT_TRUE(IsEqualGUID(housing->lockViewId, view));

    // Items, deleted files and unknown ids are no documents of a tree.
    Sql("UPDATE documents SET deleted = 1 WHERE id = ?", {seal_});
    for (int32_t id : {Sql("SELECT MIN(id) FROM documents WHERE doc_type = 4"), seal_, 0, -1, 999999}) {
        SCOPED_TRACE(id);
        EXPECT_FALSE(reads.Document(id));
    }
}

TEST_F(VaultReadsTest, AFoldersDocumentsConfigurationsAndReferencesComeInTheirOrder) {
    VaultReads reads(*database_);
    const int32_t folder = Sql("SELECT folder_id FROM documents WHERE id = ?", {gearbox_});
    EXPECT_EQ(reads.FolderDocuments(folder),
              (std::vector<LONG>{drawing_, gearbox_, housing_, shaft_, unit_, bearing_, seal_}));
    EXPECT_TRUE(reads.FolderDocuments(itemsFolder_).empty()) << "items are no files";

    auto names = [](const std::vector<hastrel::VaultConfiguration>& configurations) {
        std::vector<std::u16string> result;
        for (const auto& configuration : configurations) result.push_back(configuration.name);
        return result;
    };
    EXPECT_EQ(names(reads.Configurations(gearbox_)), (std::vector<std::u16string>{u"Standard", u"Heavy Duty"}));
    EXPECT_EQ(reads.Configurations(shaft_).front().id, Configuration(shaft_, u"Short"));
    EXPECT_TRUE(reads.Configurations(housing_).empty());

    struct Expected {
        int32_t child;
        int32_t configId;
        std::u16string configName;
        bool isStatic;
    };
    auto check = [&](LONG parent, const std::vector<Expected>& expected) {
        const auto references = reads.References(parent);
        ASSERT_EQ(references.size(), expected.size());
        for (size_t i = 0; i < expected.size(); ++i) {
            SCOPED_TRACE(i);
            EXPECT_EQ(references[i].childId, expected[i].child);
            EXPECT_EQ(references[i].childConfigId, expected[i].configId);
            EXPECT_EQ(references[i].childConfigName, expected[i].configName);
            EXPECT_EQ(references[i].isStatic, expected[i].isStatic);
        }
    };
    const int32_t longShaft = Configuration(shaft_, u"Long"), shortShaft = Configuration(shaft_, u"Short");
    check(gearbox_, {{housing_, -1, u"", false},
                     {shaft_, longShaft, u"Long", false},
                     {unit_, -1, u"", false},
                     {conveyorPart_, -1, u"", false},
                     {drawing_, -1, u"", true}});
    check(unit_, {{bearing_, -1, u"", false},
                  {bearing_, -1, u"", false},
                  {seal_, -1, u"", false},
                  {shaft_, shortShaft, u"Short", false}});
    check(housing_, {});

    // A deleted child drops out; a configuration the child lacks keeps its
    // name without an id.
    Sql("UPDATE documents SET deleted = 1 WHERE id = ?", {seal_});
    Sql("INSERT INTO file_references (parent_id, child_id, child_config_name) VALUES (?, ?, 'Medium')",
        {unit_, shaft_});
    check(unit_, {{bearing_, -1, u"", false},
                  {bearing_, -1, u"", false},
                  {shaft_, shortShaft, u"Short", false},
                  {shaft_, -1, u"Medium", false}});
}

TEST_F(VaultReadsTest, TheLinkedItemIsTheClosestLiveLinkOfTheDocument) {
    VaultReads reads(*database_);
    EXPECT_EQ(reads.LinkedItemName(conveyorPart_, -1), u"ITM-00001.<item>");
    EXPECT_EQ(reads.LinkedItemName(housing_, -1), u"");

    const int32_t longShaft = Configuration(shaft_, u"Long"), shortShaft = Configuration(shaft_, u"Short");
    const int32_t whole = AddItem(u"Shaft");          // the shaft without a configuration, statically
    const int32_t longOne = AddItem(u"Long Shaft");   // its configuration "Long", statically
    const int32_t longDynamic = AddItem(u"Shaft L");  // "Long", dynamically
    Link(whole, shaft_, -1, vaultdb::kLinkStatic);
    Link(longOne, shaft_, longShaft, vaultdb::kLinkStatic);
    Link(longDynamic, shaft_, longShaft, vaultdb::kLinkDynamic);
    struct Case {
        int32_t configId;
        const char16_t* item;
    } const cases[] = {
        {longShaft, u"Shaft L.<item>"},  // the configuration's own link, the dynamic one first
        {shortShaft, u"Shaft.<item>"},   // no link of "Short": the one without a configuration
        {-1, u"Shaft.<item>"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.configId);
        EXPECT_EQ(reads.LinkedItemName(shaft_, c.configId), c.item);
    }
    // Links being removed and deleted items count no more.
    Sql("UPDATE links SET link_operation = 3 WHERE parent_id = ?", {longDynamic});
    EXPECT_EQ(reads.LinkedItemName(shaft_, longShaft), u"Long Shaft.<item>");
    Sql("UPDATE documents SET deleted = 1 WHERE id = ?", {longOne});
    EXPECT_EQ(reads.LinkedItemName(shaft_, longShaft), u"Shaft.<item>");
    Link(whole, seal_, -1, vaultdb::kLinkBom);
    EXPECT_EQ(reads.LinkedItemName(seal_, -1), u"") << "only dynamic and static links make an item the file's";
}

TEST_F(VaultReadsTest, ItemNamesSayWhetherTheItemHasADynamicLink) {
    const int32_t loose = AddItem(u"AAA Loose");
    const int32_t removed = AddItem(u"AAA Removed");
    Link(loose, housing_, -1, vaultdb::kLinkStatic);
    Link(removed, seal_, -1, vaultdb::kLinkDynamic, vaultdb::kLinkOpRemove);
    Sql("UPDATE documents SET deleted = 1 WHERE name = 'ITM-00002.<item>'");

    const auto names = VaultReads(*database_).ItemNames();
    ASSERT_EQ(names.size(), size_t(vaultadmin::kDemoItems + 1));
    EXPECT_EQ(names[0].name, u"AAA Loose.<item>");
    EXPECT_FALSE(names[0].hasDynamicLink);
    EXPECT_EQ(names[1].name, u"AAA Removed.<item>");
    EXPECT_FALSE(names[1].hasDynamicLink);
    EXPECT_EQ(names[2].name, u"ITM-00001.<item>");
    EXPECT_EQ(names[3].name, u"ITM-00003.<item>");
    EXPECT_TRUE(std::all_of(names.begin() + 2, names.end(), [](const auto& name) { return name.hasDynamicLink; }));
}

TEST_F(VaultReadsTest, ATreeReservesCountersTakingOverThoseHandedIn) {
    VaultReads reads(*database_);
    const auto first = reads.ReserveCounters(3, {});
    ASSERT_EQ(first.size(), 3u);
    for (const auto& counter : first) {
        SCOPED_TRACE(counter.mlID);
        EXPECT_EQ(CounterState(counter.mlID), vaultdb::kCounterReserved);
        EXPECT_EQ(
            Sql("SELECT COUNT(*) FROM counters WHERE id = ? AND name = ?", {int32_t(counter.mlID), counter.moName}), 1);
    }
    const LONG spent = Sql("SELECT MIN(id) FROM counters WHERE state = 2");

    // Built again for two names: the first handed-in id (given twice) and
    // the third serve, the second is not needed and is freed, a spent and an
    // unknown id are left as they are.
    const std::vector<LONG> handedIn = {first[0].mlID, first[0].mlID, spent, 999999, first[2].mlID, first[1].mlID};
    const auto second = reads.ReserveCounters(2, handedIn);
    ASSERT_EQ(second.size(), 2u);
    EXPECT_EQ(second[0].mlID, first[0].mlID);
    EXPECT_EQ(second[0].moName, first[0].moName);
    EXPECT_EQ(second[1].mlID, first[2].mlID);
    EXPECT_EQ(CounterState(first[1].mlID), vaultdb::kCounterFree);
    EXPECT_EQ(CounterState(spent), vaultdb::kCounterSpent);
    EXPECT_EQ(CounterState(999999), -1);

    // More names than handed-in ids: the rest are new reservations (the
    // freed id first: the oldest free one).
    const auto third = reads.ReserveCounters(4, {second[0].mlID});
    ASSERT_EQ(third.size(), 4u);
    EXPECT_EQ(third[0].mlID, second[0].mlID);
    EXPECT_EQ(third[1].mlID, first[1].mlID);
    for (const auto& counter : third) EXPECT_EQ(CounterState(counter.mlID), vaultdb::kCounterReserved);

    reads.FreeCounters({third[0].mlID, spent});
    EXPECT_EQ(CounterState(third[0].mlID), vaultdb::kCounterFree);
    EXPECT_EQ(CounterState(spent), vaultdb::kCounterSpent);
}

// A reservation is all or nothing: one that fails half-way leaves every
// counter as it was and raises the database's text.
TEST_F(VaultReadsTest, AFailedReservationReservesNothing) {
    VaultReads reads(*database_);
    const LONG free = reads.ReserveCounters(1, {})[0].mlID;
    reads.FreeCounters({free});
    const int32_t counters = Sql("SELECT COUNT(*) FROM counters");
    ASSERT_EQ(database_->Execute("CREATE TRIGGER no_new_counters BEFORE INSERT ON counters "
                                 "BEGIN SELECT RAISE(ABORT, 'no more counters'); END"),
              S_OK);
    try {
        reads.ReserveCounters(2, {});  // takes the free one, then fails to make a new one
        ADD_FAILURE() << "no failure raised";
    } catch (const _com_error& error) {
        EXPECT_TRUE(FAILED(error.Error()));
        EXPECT_NE(std::u16string(com::BstrView(error.Description())).find(u"no more counters"), std::u16string::npos);
    }
    EXPECT_EQ(CounterState(free), vaultdb::kCounterFree);
    EXPECT_EQ(Sql("SELECT COUNT(*) FROM counters"), counters);
}

}  // namespace
}  // namespace hastrel_test
