// Changes to a vault's items and files made by the admin code, directly and
// as vaultadmin commands: what a tree refresh of another process then sees.
#include "admin_commands.h"
#include "vaultadmin/admin_error.h"
#include "file_import.h"
#include "vaultadmin/user_admin.h"
#include "vault_changes.h"

#include "vault_fixture.h"

#include <sys/stat.h>

#include <fstream>
#include <sstream>
#include <string>

namespace {

using namespace vaultadmin;

class VaultChangesTest : public CreatedVaultTest {
protected:
    std::filesystem::path LocalFile(const char* name, const char* contents) {
        const std::filesystem::path file = machine_.root() / name;
        std::ofstream(file, std::ios::binary) << contents;
        return file;
    }
    int64_t CountWhere(const std::string& sql) { return Count(sql.c_str()); }
    int32_t Admin() { return UserId(*database_, kAdminUserName); }
};

TEST_F(VaultChangesTest, AnAddedItemLiesInItsItemFolderAtVersionOne) {
    const int32_t item = AddItem(*database_, u"\\<items>\\Parts\\", u"Widget", Admin());
    const std::string id = std::to_string(item);
    EXPECT_EQ(CountWhere("SELECT COUNT(*) FROM documents d JOIN folders f ON f.id = d.folder_id WHERE d.id = " + id +
                         " AND d.name = 'Widget.<item>' AND d.doc_type = 4 AND d.latest_version = 1 AND "
                         "f.vault_path = '\\<items>\\Parts\\'"),
              1);
    EXPECT_EQ(CountWhere("SELECT COUNT(*) FROM document_versions WHERE document_id = " + id + " AND version = 1"), 1);
    EXPECT_EQ(CountWhere("SELECT COUNT(*) FROM items WHERE document_id = " + id + " AND item_number = 'Widget'"), 1);
    // The extension is not added twice; names are unique in the vault.
    EXPECT_THROW(AddItem(*database_, u"\\<items>\\", u"widget.<ITEM>", Admin()), AdminError);
}

TEST_F(VaultChangesTest, RefusedItemsLeaveNothingBehind) {
    const struct {
        const char16_t* folder;
        const char16_t* name;
    } cases[] = {
        {u"\\Projects\\", u"Widget"}, {u"\\<items>\\", u""}, {u"\\<items>\\", u"a\\b"}, {u"\\<items>\\", u".<item>"}};
    for (const auto& c : cases) EXPECT_THROW(AddItem(*database_, c.folder, c.name, Admin()), AdminError);
    EXPECT_EQ(Count("SELECT COUNT(*) FROM documents"), 0);
}

TEST_F(VaultChangesTest, ADeletedItemIsLoggedAndFreesItsName) {
    const int32_t item = AddItem(*database_, u"\\<items>\\", u"Widget", Admin());
    EXPECT_EQ(DeleteItem(*database_, u"WIDGET.<item>", Admin()), item);
    const std::string id = std::to_string(item);
    EXPECT_EQ(CountWhere("SELECT deleted FROM documents WHERE id = " + id), 1);
    EXPECT_EQ(CountWhere("SELECT COUNT(*) FROM deleted_objects WHERE object_type = 4 AND destroyed = 0 AND "
                         "object_id = " +
                         id),
              1);
    EXPECT_THROW(DeleteItem(*database_, u"Widget.<item>", Admin()), AdminError) << "deleted already";
    EXPECT_NE(AddItem(*database_, u"\\<items>\\", u"Widget", Admin()), item);
}

TEST_F(VaultChangesTest, ANewVersionOfAFileBecomesItsLatest) {
    const int32_t file = ImportFile(*database_, LocalFile("plate.txt", "one"), u"\\Cad\\", Admin());
    EXPECT_EQ(AddFileVersionFromFile(*database_, u"\\cad\\PLATE.txt", LocalFile("v2.txt", "two"), Admin()), 2);
    EXPECT_EQ(CountWhere("SELECT latest_version FROM documents WHERE id = " + std::to_string(file)), 2);
    EXPECT_THROW(AddFileVersionFromFile(*database_, u"\\Cad\\missing.txt", LocalFile("v3.txt", "x"), Admin()),
                 AdminError);
    EXPECT_THROW(AddFileVersionFromFile(*database_, u"\\Cad\\plate.txt", machine_.root() / "absent", Admin()),
                 AdminError);
    // A FIFO would keep the tool waiting for a writer: refused at once.
    const auto fifo = machine_.root() / "pipe.txt";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_THROW(AddFileVersionFromFile(*database_, u"\\Cad\\plate.txt", fifo, Admin()), AdminError);
    EXPECT_EQ(CountWhere("SELECT COUNT(*) FROM document_versions WHERE document_id = " + std::to_string(file)), 2);
}

TEST_F(VaultChangesTest, TheCommandsMakeTheSameChanges) {
    ImportFile(*database_, LocalFile("plate.txt", "one"), u"\\Cad\\", Admin());
    const std::string v2 = LocalFile("v2.txt", "two").string();
    const std::vector<std::vector<std::string>> commands = {
        {"add-item", "Demo", "\\<items>\\Parts\\", "Widget"},
        {"add-version", "Demo", "\\Cad\\plate.txt", v2},
        {"delete-item", "Demo", "Widget.<item>"},
    };
    for (const auto& command : commands) {
        std::ostringstream out, err;
        EXPECT_EQ(RunAdminCommand(command, out, err), kExitSuccess) << command[0] << ": " << err.str();
    }
    EXPECT_EQ(Count("SELECT COUNT(*) FROM deleted_objects WHERE object_type = 4"), 1);
    EXPECT_EQ(Count("SELECT MAX(latest_version) FROM documents WHERE doc_type = 6"), 2);
    std::ostringstream out, err;
    EXPECT_EQ(RunAdminCommand({"delete-item", "Demo"}, out, err), kExitUsage);
}

}  // namespace
