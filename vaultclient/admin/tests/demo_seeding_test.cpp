#include "vaultadmin/admin_error.h"
#include "vaultadmin/demo_seeding.h"

#include "vault_fixture.h"

#include "vaultdb/archive.h"

#include <string>
#include <vector>

namespace {

using namespace vaultadmin;

class DemoSeedingTest : public CreatedVaultTest {};

TEST_F(DemoSeedingTest, TheDemoHoldsWhatItPromises) {
    const DemoCounts counts = SeedDemoVault(*database_);

    constexpr int kAssemblies = kDemoItems / kDemoAssemblyEvery;
    EXPECT_EQ(counts.itemFolders, kDemoItemFolders);
    EXPECT_EQ(Count("SELECT COUNT(*) FROM folders WHERE vault_path LIKE '\\<items>\\_%'"), kDemoItemFolders);
    EXPECT_EQ(Count("SELECT COUNT(*) FROM documents WHERE doc_type = 4"), kDemoItems);
    EXPECT_EQ(Count("SELECT COUNT(*) FROM links WHERE link_type = 1"), kDemoItems);
    EXPECT_EQ(Count("SELECT COUNT(*) FROM links WHERE link_type = 2"), kDemoItems / kDemoDrawingEvery);
    EXPECT_EQ(Count("SELECT COUNT(*) FROM boms"), kAssemblies);
    EXPECT_EQ(Count("SELECT COUNT(*) FROM links WHERE link_type = 3"), kAssemblies * (1 + kDemoAssemblyChildren));
    EXPECT_EQ(Count("SELECT COUNT(*) FROM locks"), kDemoItems / kDemoCheckedOutEvery);
    EXPECT_EQ(Count("SELECT COUNT(*) FROM workflow_states"), 4);
    EXPECT_EQ(Count("SELECT COUNT(*) FROM workflow_transitions"), 5);
    // Every item sits in an item folder, has one dynamic link and a state.
    EXPECT_EQ(Count("SELECT COUNT(*) FROM documents d JOIN folders f ON f.id = d.folder_id "
                    "WHERE d.doc_type = 4 AND f.vault_path LIKE '\\<items>\\_%' AND d.state_id IS NOT NULL"),
              kDemoItems);
    // The returned counts agree with the database, and files have several versions.
    EXPECT_EQ(Count("SELECT COUNT(*) FROM documents WHERE doc_type = 6"), counts.files);
    EXPECT_EQ(Count("SELECT COUNT(*) FROM document_versions WHERE archive_file IS NOT NULL"), counts.fileVersions);
    EXPECT_GT(Count("SELECT MAX(latest_version) FROM documents WHERE doc_type = 6"), 1);
    EXPECT_EQ(Count("SELECT COUNT(*) FROM links WHERE link_type = 1"), counts.dynamicLinks);
    EXPECT_EQ(counts.checkedOut, kDemoItems / kDemoCheckedOutEvery);
    // Check-outs belong to the vault's view.
    EXPECT_EQ(Count("SELECT COUNT(*) FROM locks l JOIN views v ON v.view_guid = l.view_guid"), counts.checkedOut);

    // An archived version reads back.
    std::vector<uint8_t> contents;
    ASSERT_EQ(vaultdb::ReadDocumentVersion(
                  *database_, int32_t(Count("SELECT MIN(id) FROM documents WHERE doc_type = 6")), 1, contents),
              S_OK);
    EXPECT_EQ(std::string(contents.begin(), contents.end()).rfind("demo file ", 0), 0u);
}

TEST_F(DemoSeedingTest, SeedingIsTheSameEveryTimeAndOnlyOnce) {
    const DemoCounts first = SeedDemoVault(*database_);
    const int64_t rows = Count("SELECT COUNT(*) FROM document_versions");
    EXPECT_THROW(SeedDemoVault(*database_), AdminError);
    EXPECT_EQ(Count("SELECT COUNT(*) FROM document_versions"), rows);

    VaultCreation other;
    other.name = u"Second";
    other.serverFolder = machine_.root() / "server";
    other.viewFolder = machine_.root() / "view-2";
    CreateVault(other);
    const DemoCounts second = SeedDemoVault(*OpenRegisteredVault(u"Second"));
    EXPECT_EQ(second.fileVersions, first.fileVersions);
    EXPECT_EQ(second.files, first.files);
}

}  // namespace
