#include "vaultadmin/admin_error.h"
#include "vaultadmin/demo_seeding.h"

#include "vault_fixture.h"

#include "vaultdb/archive.h"
#include "winapi/save_file.h"

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

using namespace vaultadmin;

// Fails the 300th write of an archive file, as a full disk would.
int gWrites = 0;
int FailTheThreeHundredthWrite(winapi::SaveStep step) {
    return step == winapi::SaveStep::kWrite && ++gWrites == 300 ? ENOSPC : 0;
}

class DemoSeedingTest : public CreatedVaultTest {
protected:
    void TearDown() override { winapi::SetSaveFaultHook(nullptr); }
};

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
    EXPECT_EQ(Count("SELECT COUNT(*) FROM documents WHERE doc_type = 6"), counts.files + counts.referenceFiles);
    EXPECT_EQ(Count("SELECT COUNT(*) FROM document_versions WHERE archive_file IS NOT NULL"), counts.fileVersions);
    EXPECT_GT(Count("SELECT MAX(latest_version) FROM documents WHERE doc_type = 6"), 1);
    EXPECT_EQ(Count("SELECT COUNT(*) FROM links WHERE link_type = 1"), counts.dynamicLinks);
    EXPECT_EQ(counts.checkedOut, kDemoItems / kDemoCheckedOutEvery);
    // Check-outs belong to the vault's view.
    EXPECT_EQ(Count("SELECT COUNT(*) FROM locks l JOIN views v ON v.view_guid = l.view_guid"), counts.checkedOut);

    // The gearbox: its files, references and configurations, and no item
    // linking one of its files.
    EXPECT_EQ(counts.referenceFiles, kDemoGearboxFiles);
    EXPECT_EQ(counts.fileReferences, kDemoGearboxReferences);
    EXPECT_EQ(counts.configurations, kDemoGearboxConfigurations);
    EXPECT_EQ(Count("SELECT COUNT(*) FROM file_references"), kDemoGearboxReferences);
    EXPECT_EQ(Count("SELECT COUNT(*) FROM configurations"), kDemoGearboxConfigurations);
    EXPECT_EQ(Count("SELECT COUNT(*) FROM documents d JOIN folders f ON f.id = d.folder_id "
                    "WHERE f.vault_path = '\\Projects\\Gearbox\\'"),
              kDemoGearboxFiles);
    EXPECT_EQ(Count("SELECT COUNT(*) FROM links l JOIN documents d ON d.id = l.child_id AND l.child_type = 6 "
                    "JOIN folders f ON f.id = d.folder_id WHERE f.vault_path = '\\Projects\\Gearbox\\'"),
              0);
    // Each reference's configuration is one the child has; the assembly
    // references its sub-assembly, which references a part twice; one part
    // of the assembly has an item already.
    EXPECT_EQ(Count("SELECT COUNT(*) FROM file_references r LEFT JOIN configurations c "
                    "ON c.document_id = r.child_id AND c.name = r.child_config_name "
                    "WHERE r.child_config_name IS NOT NULL AND c.id IS NULL"),
              0);
    EXPECT_EQ(Count("SELECT COUNT(*) FROM file_references r JOIN documents p ON p.id = r.parent_id "
                    "JOIN documents c ON c.id = r.child_id "
                    "WHERE p.name = 'GB-1000 Gearbox.zvkasm' AND c.name = 'GB-1300 Bearing Unit.zvkasm'"),
              1);
    EXPECT_EQ(Count("SELECT MAX(n) FROM (SELECT COUNT(*) AS n FROM file_references GROUP BY parent_id, child_id, "
                    "child_config_name)"),
              2);
    EXPECT_EQ(Count("SELECT COUNT(*) FROM file_references WHERE is_static = 1"), 1);
    EXPECT_EQ(Count("SELECT COUNT(*) FROM file_references r JOIN links l ON l.child_id = r.child_id "
                    "AND l.child_type = 6 AND l.link_type = 1"),
              1);

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

// The seeding is one batch: failing half-way it leaves no row, and in the
// archive no temporary file and no part of a file - only whole versions no
// row names, which a later store replaces (VaultArchive tests that).
TEST_F(DemoSeedingTest, AFailedSeedingLeavesNoPartOfAnArchiveFile) {
    gWrites = 0;
    winapi::SetSaveFaultHook(FailTheThreeHundredthWrite);
    EXPECT_THROW(SeedDemoVault(*database_), AdminError);
    winapi::SetSaveFaultHook(nullptr);
    EXPECT_EQ(gWrites, 300);
    EXPECT_EQ(Count("SELECT COUNT(*) FROM document_versions"), 0);
    EXPECT_EQ(Count("SELECT COUNT(*) FROM documents"), 0);
    int files = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(database_->ArchiveFolder())) {
        if (!entry.is_regular_file()) continue;
        ++files;
        SCOPED_TRACE(entry.path().string());
        ASSERT_EQ(entry.path().extension(), ".ver");
        std::ifstream in(entry.path(), std::ios::binary);
        const std::string contents{std::istreambuf_iterator<char>(in), {}};
        EXPECT_EQ(contents.rfind("demo file ", 0), 0u);
        const std::string ending = " version " + entry.path().stem().string() + "\n";
        EXPECT_TRUE(contents.ends_with(ending)) << contents;
    }
    EXPECT_EQ(files, 299);
}

}  // namespace
