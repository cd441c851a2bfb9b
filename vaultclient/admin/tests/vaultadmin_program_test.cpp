// The program itself, run as a separate process as demo.sh runs it.
#include "common/settings_light.h"
#include "testsupport/child_process.h"
#include "testsupport/fresh_machine.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

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

}  // namespace
