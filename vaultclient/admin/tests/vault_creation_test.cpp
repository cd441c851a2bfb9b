#include "vaultadmin/admin_error.h"
#include "vaultadmin/vault_creation.h"
#include "creation_marker.h"

#include "common/desktop_ini.h"
#include "vaultdb/database.h"
#include "common/settings_light.h"
#include "testsupport/fresh_machine.h"
#include "winapi/path_mapping.h"
#include "winapi/registry.h"
#include "winapi/state_root.h"
#include "winapi/text.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using vaultadmin::AdminError;
using vaultadmin::RegistryScope;
using vaultadmin::VaultCreation;

class VaultCreationTest : public testsupport::FreshMachineTest {
protected:
    VaultCreation Request(const std::u16string& name, RegistryScope scope = RegistryScope::Machine) const {
        VaultCreation request;
        request.name = name;
        request.serverFolder = machine_.root() / "server";
        request.viewFolder = machine_.root() / "views" / winapi::ToUtf8(name);
        request.scope = scope;
        return request;
    }
    static std::vector<std::u16string> VaultNames() {
        SettingsLight settings;
        Lst<CString> names;
        settings.mbGetVaultNames(names);
        std::vector<std::u16string> listed;
        for (POSITION position = names.GetHeadPosition(); position;)
            listed.emplace_back(names.GetNext(position).GetString());
        return listed;
    }
};

TEST_F(VaultCreationTest, TheSystemFindsACreatedVaultForMachineAndUser) {
    for (RegistryScope scope : {RegistryScope::Machine, RegistryScope::User}) {
        const std::u16string name = scope == RegistryScope::Machine ? u"Engineering" : u"Private";
        const VaultCreation request = Request(name, scope);
        const auto created = vaultadmin::CreateVault(request);

        SettingsLight settings;
        VaultConnectionSettings connection;
        ASSERT_TRUE(settings.mbGetVaultConnectionSettings(name.c_str(), connection));
        const fs::path view = fs::absolute(request.viewFolder);
        EXPECT_EQ(connection.ShellRoot, winapi::FromPosixPath(view.string()) + u"\\");
        EXPECT_EQ(connection.DbName, name);
        EXPECT_EQ(winapi::ToPosixPath(connection.DbServer), fs::absolute(request.serverFolder).string());
        EXPECT_EQ(connection.ServerPort, int32_t(vaultadmin::kDefaultServerPort));
        EXPECT_EQ(connection.VaultType, 0);
        // The database is where the stored-procedure layer looks for it.
        EXPECT_TRUE(fs::is_regular_file(fs::path(winapi::ToPosixPath(connection.DbServer)) /
                                        (winapi::ToUtf8(connection.DbName) + ".vault")));

        GUID viewId{}, vaultId{};
        ASSERT_TRUE(GetDesktopIniGuid(connection.ShellRoot.c_str(), kDesktopIniViewId, viewId));
        ASSERT_TRUE(GetDesktopIniGuid(connection.ShellRoot.c_str(), kDesktopIniVaultId, vaultId));
        EXPECT_EQ(viewId, created.viewId);
        EXPECT_EQ(vaultId, created.vaultId);
        EXPECT_NE(viewId, vaultId);
        std::u16string found;
        ASSERT_TRUE(settings.mbGetVaultNameFromID(created.vaultId, found));
        EXPECT_EQ(found, name);
    }
    EXPECT_EQ(VaultNames(), (std::vector<std::u16string>{u"Private", u"Engineering"}));
}

TEST_F(VaultCreationTest, AFailedCreateLeavesNoRegistryEntryAndNoDatabase) {
    ASSERT_NO_THROW(vaultadmin::CreateVault(Request(u"Taken")));
    const fs::path serverOfTaken = Request(u"Taken").serverFolder;

    // A file where the view folder's parent should be.
    std::ofstream(machine_.root() / "blocker") << "not a folder";
    VaultCreation blockedView = Request(u"Blocked");
    blockedView.viewFolder = machine_.root() / "blocker" / "view";
    blockedView.serverFolder = machine_.root() / "other-server";

    VaultCreation badName = Request(u"a\\b");
    VaultCreation sameNameAsUser = Request(u"TAKEN", RegistryScope::User);
    sameNameAsUser.serverFolder = machine_.root() / "server-2";
    VaultCreation viewOfAnother = Request(u"Second");
    viewOfAnother.viewFolder = Request(u"Taken").viewFolder;
    viewOfAnother.serverFolder = machine_.root() / "server-3";

    for (const VaultCreation& request : {blockedView, badName, sameNameAsUser, viewOfAnother})
        EXPECT_THROW(vaultadmin::CreateVault(request), AdminError) << winapi::ToUtf8(request.name);

    EXPECT_EQ(VaultNames(), std::vector<std::u16string>{u"Taken"});
    for (const char* folder : {"other-server", "server-2", "server-3"})
        EXPECT_FALSE(fs::exists(machine_.root() / folder)) << folder;
    EXPECT_FALSE(fs::exists(machine_.root() / "views" / "Second"));
    // The existing vault is untouched: its view still names it.
    SettingsLight settings;
    EXPECT_FALSE(settings.goGetViewRoot(u"Taken").empty());
    EXPECT_TRUE(fs::is_regular_file(vaultdb::VaultDatabaseFile(fs::absolute(serverOfTaken), u"Taken")));
}

TEST_F(VaultCreationTest, ARefusedRegistryEntryTakesBackTheDatabaseAndTheView) {
    // A standard user may not write the machine's vault list: the last step
    // fails after the database and the view were made.
    setenv(winapi::kStandardUserVariable, "1", 1);
    const VaultCreation request = Request(u"Late");
    std::string message;
    try {
        vaultadmin::CreateVault(request);
    } catch (const AdminError& error) {
        message = error.what();
    }
    unsetenv(winapi::kStandardUserVariable);
    EXPECT_NE(message.find("cannot register"), std::string::npos) << message;

    EXPECT_TRUE(VaultNames().empty());
    EXPECT_FALSE(fs::exists(request.viewFolder));
    EXPECT_FALSE(fs::exists(request.serverFolder));
}

TEST_F(VaultCreationTest, AnExistingDatabaseFileIsNeverReplaced) {
    const VaultCreation request = Request(u"Kept");
    fs::create_directories(request.serverFolder);
    const fs::path file = vaultdb::VaultDatabaseFile(fs::absolute(request.serverFolder), u"Kept");
    std::ofstream(file) << "someone's data";
    EXPECT_THROW(vaultadmin::CreateVault(request), AdminError);
    std::ifstream in(file);
    std::string contents((std::istreambuf_iterator<char>(in)), {});
    EXPECT_EQ(contents, "someone's data");
    EXPECT_TRUE(VaultNames().empty());
    EXPECT_FALSE(fs::exists(request.viewFolder));
}

// The server folder a creation makes and the database in it are the owner's
// alone, whatever the umask allows; the view folder is an ordinary one.
TEST_F(VaultCreationTest, TheVaultItMakesIsTheOwnersOnly) {
    const mode_t oldUmask = ::umask(022);
    VaultCreation request = Request(u"Private");
    request.serverFolder = machine_.root() / "servers" / "private";
    const vaultadmin::CreatedVault created = vaultadmin::CreateVault(request);
    ::umask(oldUmask);

    const auto modeOf = [](const fs::path& path) {
        struct stat status {};
        return ::stat(path.c_str(), &status) == 0 ? static_cast<int>(status.st_mode & 07777) : -1;
    };
    EXPECT_EQ(modeOf(machine_.root() / "servers"), 0700);
    EXPECT_EQ(modeOf(request.serverFolder), 0700);
    EXPECT_EQ(modeOf(created.databaseFile), 0600);
    EXPECT_EQ(modeOf(vaultdb::ArchiveFolderOf(created.databaseFile)), 0700);
    EXPECT_EQ(modeOf(request.viewFolder), 0755);
}

// What a creation killed during its registration leaves - its mark, its
// database and view, a registry key without its values - is taken back by the
// next creation of the vault; a complete entry would be kept.
TEST_F(VaultCreationTest, ARetryTakesBackAKilledCreationsHalfRegistration) {
    const VaultCreation request = Request(u"Half", RegistryScope::User);
    fs::create_directories(request.serverFolder);
    fs::create_directories(request.viewFolder);
    const fs::path file = vaultdb::VaultDatabaseFile(fs::absolute(request.serverFolder), u"Half");
    {
        vaultadmin::CreationMarker killed(file);
        killed.Record({GUID{7, 0, 0, {}}, fs::absolute(request.viewFolder)});
    }
    std::ofstream(file) << "half made";
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, (vaultadmin::VaultListPath(RegistryScope::User) + u"\\Half").c_str(),
                              0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(key);

    EXPECT_NO_THROW(vaultadmin::CreateVault(request));
    SettingsLight settings;
    VaultConnectionSettings connection;
    EXPECT_TRUE(settings.mbGetVaultConnectionSettings(u"Half", connection));
    EXPECT_FALSE(fs::exists(vaultadmin::CreationMarkerFile(file)));
}

// While one process creates a vault, another creating the same vault is
// refused and removes none of what the first made.
TEST_F(VaultCreationTest, ACreationInProgressIsLeftAlone) {
    const VaultCreation request = Request(u"Busy");
    fs::create_directories(request.serverFolder);
    const fs::path file = vaultdb::VaultDatabaseFile(fs::absolute(request.serverFolder), u"Busy");
    vaultadmin::CreationMarker running(file);
    running.Record({GUID{1, 0, 0, {}}, fs::absolute(request.viewFolder)});
    std::ofstream(file) << "being made";
    std::string message;
    try {
        vaultadmin::CreateVault(request);
    } catch (const AdminError& error) {
        message = error.what();
    }
    EXPECT_NE(message.find("another process is creating"), std::string::npos) << message;
    EXPECT_TRUE(fs::exists(file));
    EXPECT_TRUE(VaultNames().empty());
}

}  // namespace
