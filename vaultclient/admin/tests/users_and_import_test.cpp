#include "admin_commands.h"
#include "vaultadmin/admin_error.h"
#include "file_import.h"
#include "vault_changes.h"
#include "vaultadmin/user_admin.h"

#include "vault_fixture.h"

#include "vaultdb/archive.h"
#include "vaultdb/password_hash.h"
#include "winapi/text.h"

#include <sys/stat.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

using namespace vaultadmin;

class UsersAndImportTest : public CreatedVaultTest {
protected:
    std::string StoredHash(int32_t user) {
        std::unique_ptr<vaultdb::Statement> statement;
        EXPECT_EQ(database_->Prepare("SELECT password_hash FROM users WHERE id = " + std::to_string(user), statement),
                  S_OK);
        return statement->Step() == S_OK ? winapi::ToUtf8(statement->ColumnText(0)) : std::string();
    }
};

TEST_F(UsersAndImportTest, TheCreatedVaultHasItsAdministratorAndItemsRoot) {
    const int32_t admin = UserId(*database_, kAdminUserName);
    EXPECT_TRUE(vaultdb::VerifyPassword(kDefaultAdminPassword, StoredHash(admin)));
    EXPECT_EQ(Count("SELECT COUNT(*) FROM user_system_rights WHERE right_value IN (1028, 67108864)"), 2);
    EXPECT_EQ(Count("SELECT COUNT(*) FROM vault v JOIN folders f ON f.id = v.root_item_folder_id "
                    "WHERE f.vault_path = '\\<items>\\' AND v.database_version = 2801"),
              1);
}

TEST_F(UsersAndImportTest, AddedUsersKeepTheirPasswordHashAndRights) {
    const int32_t ann = AddUser(*database_, u"Ann", u"secret", ParseRights("1028,0x10"));
    EXPECT_EQ(UserId(*database_, u"ANN"), ann);
    const std::string hash = StoredHash(ann);
    EXPECT_EQ(hash.find("secret"), std::string::npos);
    EXPECT_TRUE(vaultdb::VerifyPassword(u"secret", hash));
    EXPECT_FALSE(vaultdb::VerifyPassword(u"Secret", hash));
    EXPECT_EQ(Count("SELECT COUNT(*) FROM user_system_rights r JOIN users u ON u.id = r.user_id "
                    "WHERE u.name = 'Ann' AND r.right_value IN (1028, 16)"),
              2);

    EXPECT_THROW(AddUser(*database_, u"ann", u"other", {}), AdminError);
    EXPECT_THROW(AddUser(*database_, u"", u"other", {}), AdminError);
    EXPECT_EQ(Count("SELECT COUNT(*) FROM users"), 2);
}

TEST(VaultAdminRights, ParsesNumberListsAndRefusesTheRest) {
    EXPECT_EQ(ParseRights("1028"), std::vector<DWORD>{1028});
    EXPECT_EQ(ParseRights("1028,0x4000000"), (std::vector<DWORD>{1028, 0x4000000}));
    for (const char* bad : {"", "1028,", ",5", "12x", "-1", "4294967296", "1;2"})
        EXPECT_THROW(ParseRights(bad), AdminError) << bad;
}

TEST_F(UsersAndImportTest, AnImportedFileIsVersionOneInTheArchive) {
    const auto local = machine_.root() / "bracket.dwg";
    std::ofstream(local, std::ios::binary) << std::string("drawing\0data", 12);
    const int32_t admin = UserId(*database_, kAdminUserName);
    const int32_t document = ImportFile(*database_, local, u"/Projects/Conveyor", admin);

    std::vector<uint8_t> contents;
    ASSERT_EQ(vaultdb::ReadDocumentVersion(*database_, document, 1, contents), S_OK);
    EXPECT_EQ(std::string(contents.begin(), contents.end()), std::string("drawing\0data", 12));
    EXPECT_EQ(Count("SELECT COUNT(*) FROM documents d JOIN folders f ON f.id = d.folder_id WHERE d.doc_type = 6 "
                    "AND d.latest_version = 1 AND d.name = 'bracket.dwg' AND f.vault_path = '\\Projects\\Conveyor\\'"),
              1);

    // Refused imports change nothing: a name taken in the folder, an item
    // folder, a missing local file.
    const int64_t folders = Count("SELECT COUNT(*) FROM folders");
    EXPECT_THROW(ImportFile(*database_, local, u"\\projects\\conveyor\\", admin), AdminError);
    EXPECT_THROW(ImportFile(*database_, local, u"\\<items>\\Parts\\", admin), AdminError);
    EXPECT_THROW(ImportFile(*database_, machine_.root() / "missing.prt", u"\\New\\", admin), AdminError);
    EXPECT_EQ(Count("SELECT COUNT(*) FROM documents"), 1);
    EXPECT_EQ(Count("SELECT COUNT(*) FROM folders"), folders);
}

// Only regular files are imported: a FIFO would block the import for ever
// waiting for a writer, a folder has no contents. Each is refused with the
// reason in words and changes nothing.
TEST_F(UsersAndImportTest, ImportRefusesWhatIsNotARegularFile) {
    const auto fifo = machine_.root() / "pipe.prt";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const auto folder = machine_.root() / "folder.prt";
    std::filesystem::create_directory(folder);
    const int32_t admin = UserId(*database_, kAdminUserName);
    for (const auto& path : {fifo, folder}) {
        std::string message;
        try {
            ImportFile(*database_, path, u"\\In\\", admin);
        } catch (const AdminError& error) {
            message = error.what();
        }
        EXPECT_NE(message.find("is not a regular file"), std::string::npos) << path << ": " << message;
    }
    EXPECT_EQ(Count("SELECT COUNT(*) FROM documents"), 0);
}

// Vault paths and names a view could not hold are refused, saying why, and
// change nothing; the system's own "<items>" root stays usable.
TEST_F(UsersAndImportTest, UnusableVaultPathsAndNamesAreRefused) {
    const auto local = machine_.root() / "plate.prt";
    std::ofstream(local) << "plate";
    const int32_t admin = UserId(*database_, kAdminUserName);
    std::u16string deep = u"\\";
    for (int i = 0; i < 26; ++i) deep += u"abcdefghi\\";
    const struct {
        std::u16string path;
        const char* reason;
    } bad[] = {
        {u"\\Projects\\..\\Secret\\", "names a folder itself"},
        {u"\\Projects\\.\\", "names a folder itself"},
        {u"/Projects/../", "names a folder itself"},
        {u"\\Pro:jects\\", "a path may not hold"},
        {u"\\A|B\\", "a path may not hold"},
        {u"\\Tab\tbed\\", "a path may not hold"},
        {u"\\<other>\\", "a path may not hold"},
        {u"\\Trailing.\\", "ends with a dot"},
        {u"\\" + std::u16string(256, u'a') + u"\\", "a vault allows 255"},
        {deep, "a vault allows 259"},
    };
    const int64_t folders = Count("SELECT COUNT(*) FROM folders");
    for (const auto& [path, reason] : bad) {
        std::string message;
        try {
            ImportFile(*database_, local, path, admin);
        } catch (const AdminError& error) {
            message = error.what();
        }
        EXPECT_NE(message.find(reason), std::string::npos) << winapi::ToUtf8(path) << ": " << message;
    }
    EXPECT_THROW(AddItem(*database_, u"\\<items>\\Parts\\", u"a:b", admin), AdminError);
    EXPECT_THROW(AddItem(*database_, u"\\<items>\\..\\", u"ITM-9", admin), AdminError);
    EXPECT_EQ(Count("SELECT COUNT(*) FROM folders"), folders);
    EXPECT_EQ(Count("SELECT COUNT(*) FROM documents"), 0);
    // 255 bytes is allowed, and so is the item root.
    EXPECT_NO_THROW(ImportFile(*database_, local, u"\\" + std::u16string(255, u'a') + u"\\", admin));
    EXPECT_NO_THROW(AddItem(*database_, u"\\<ITEMS>\\Parts\\", u"ITM-1", admin));

    // Names that are not UTF-8 are refused before they reach the vault.
    std::ostringstream out, err;
    EXPECT_EQ(vaultadmin::RunAdminCommand({"import", "Demo", local.string(), "\\In\xff\\"}, out, err),
              vaultadmin::kExitFailure);
    EXPECT_NE(err.str().find("not valid UTF-8"), std::string::npos) << err.str();
    const auto badFile = machine_.root() / "bad\xc3(.prt";
    std::ofstream(badFile) << "x";
    EXPECT_THROW(ImportFile(*database_, badFile, u"\\In\\", admin), AdminError);
    EXPECT_EQ(Count("SELECT COUNT(*) FROM documents"), 2);
}

}  // namespace
