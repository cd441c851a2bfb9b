// The program itself, run as a separate process as demo.sh runs it.
#include "common/settings_light.h"
#include "vaultadmin/vault_opening.h"
#include "vaultdb/database.h"
#include "vaultdb/user_password.h"
#include "testsupport/child_process.h"
#include "testsupport/fresh_machine.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <thread>
#include <vector>

namespace {

class VaultAdminProgramTest : public testsupport::FreshMachineTest {
protected:
    int Run(const std::vector<std::string>& args) {
        testsupport::ChildProcess child(testsupport::SiblingProgram("vaultadmin"), args);
        return child.Wait(std::chrono::minutes(2));
    }
};

TEST_F(VaultAdminProgramTest, CreateRegistersOnceAndFailsTheSecondTime) {
    const std::string server = (machine_.root() / "server").string();
    const std::string view = (machine_.root() / "view").string();
    EXPECT_EQ(Run({"create", "Demo", "--server", server, "--view", view, "--user"}), 0);

    SettingsLight settings;
    VaultConnectionSettings connection;
    EXPECT_TRUE(settings.mbGetVaultConnectionSettings(u"Demo", connection));
    EXPECT_EQ(connection.DbName, u"Demo");

    EXPECT_EQ(Run({"create", "Demo", "--server", server, "--view", view + "-2"}), 1);
    EXPECT_FALSE(std::filesystem::exists(view + "-2"));
    EXPECT_EQ(Run({"create", "Other", "--server", server}), 2);  // no --view
}

// As tools/demo.sh runs it: the administrator's password piped in.
TEST_F(VaultAdminProgramTest, CreateTakesTheAdministratorsPasswordFromAPipe) {
    const std::string server = (machine_.root() / "server").string();
    const std::string view = (machine_.root() / "view").string();
    testsupport::ChildProcess child("/bin/sh",
                                    {"-c",
                                     "printf '%s\\n' 's3cret word' | \"$0\" create Piped --server \"$1\" --view "
                                     "\"$2\" --user --admin-password",
                                     testsupport::SiblingProgram("vaultadmin").string(), server, view});
    ASSERT_EQ(child.Wait(std::chrono::minutes(2)), 0);
    auto database = vaultadmin::OpenRegisteredVault(u"Piped");
    bool accepted = false;
    EXPECT_EQ(vaultdb::CheckUserPassword(*database, u"Admin", u"s3cret word", accepted), S_OK);
    EXPECT_TRUE(accepted);
}

// A seeding killed part-way leaves version files without rows and temporary
// files; the next opening for writing clears them, and a seeding after it
// succeeds.
TEST_F(VaultAdminProgramTest, TheNextOpeningSweepsWhatAKilledSeedingLeft) {
    using namespace std::chrono_literals;
    const std::string server = (machine_.root() / "server").string();
    ASSERT_EQ(Run({"create", "Seeded", "--server", server, "--view", (machine_.root() / "view").string()}), 0);
    const std::filesystem::path archive = std::filesystem::path(server) / "Seeded.archive";
    const auto archiveFiles = [&] {
        std::size_t count = 0;
        std::error_code ec;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(archive, ec))
            count += entry.is_regular_file();
        return count;
    };
    // Each round kills the seeding as soon as its first archive files are
    // there, whatever the machine's speed, and at a later point each round.
    for (std::size_t round = 0; round < 3; ++round) {
        {
            testsupport::ChildProcess child(testsupport::SiblingProgram("vaultadmin"), {"seed-demo", "Seeded"});
            const auto deadline = std::chrono::steady_clock::now() + 120s;
            while (archiveFiles() <= round * 50 && std::chrono::steady_clock::now() < deadline)
                std::this_thread::sleep_for(2ms);
            child.Kill();
            child.Wait();
        }
        EXPECT_GT(archiveFiles(), 0u) << "the kill landed while the seeding wrote its files";
        auto database = vaultadmin::OpenRegisteredVault(u"Seeded");
        EXPECT_EQ(archiveFiles(), 0u) << "after a kill in round " << round;
    }
    EXPECT_EQ(Run({"seed-demo", "Seeded"}), 0);
}

// A create killed at any moment leaves nothing that stops the same create
// from being run again; the retry ends with the vault registered and whole.
TEST_F(VaultAdminProgramTest, ARetryAfterAKilledCreateSucceeds) {
    using namespace std::chrono_literals;
    int index = 0;
    for (auto delay : {1ms, 3ms, 6ms, 10ms, 15ms, 25ms, 40ms, 60ms, 90ms, 130ms, 200ms, 300ms, 450ms, 700ms}) {
        const std::string name = "Killed" + std::to_string(index++);
        const std::string server = (machine_.root() / "server").string();
        const std::string view = (machine_.root() / name).string();
        const std::vector<std::string> args = {"create", name, "--server", server, "--view", view, "--user"};
        {
            testsupport::ChildProcess child(testsupport::SiblingProgram("vaultadmin"), args);
            std::this_thread::sleep_for(delay);
            child.Kill();
            child.Wait();
        }
        SettingsLight settings;
        VaultConnectionSettings connection;
        const std::u16string wideName(name.begin(), name.end());
        if (!settings.mbGetVaultConnectionSettings(wideName.c_str(), connection)) {
            EXPECT_EQ(Run(args), 0) << name << " killed after " << delay.count() << " ms";
            EXPECT_FALSE(std::filesystem::exists(server + "/" + name + ".vault.creating")) << name;
        }
        EXPECT_TRUE(settings.mbGetVaultConnectionSettings(wideName.c_str(), connection)) << name;
        const std::filesystem::path database = std::filesystem::path(server) / (name + ".vault");
        EXPECT_TRUE(std::filesystem::is_regular_file(database)) << name;
    }
}

}  // namespace
