#include "admin_commands.h"
#include "vaultadmin/admin_error.h"
#include "command_line.h"

#include "testsupport/fresh_machine.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

namespace {

using vaultadmin::AdminError;
using vaultadmin::CommandSyntax;
using vaultadmin::ParseCommandLine;

const CommandSyntax kCreateSyntax{1, {"server", "view"}, {"machine", "user"}};

TEST(VaultAdminCommandLine, SplitsArgumentsOptionsAndSwitchesInAnyOrder) {
    auto line = ParseCommandLine({"create", "--server", "/srv", "Demo", "--user", "--view", "/v"}, kCreateSyntax);
    EXPECT_EQ(line.command, "create");
    EXPECT_EQ(line.arguments, std::vector<std::string>{"Demo"});
    EXPECT_EQ(line.Option("server"), "/srv");
    EXPECT_EQ(line.Option("view"), "/v");
    EXPECT_TRUE(line.Has("user"));
    EXPECT_FALSE(line.Has("machine"));
    EXPECT_FALSE(line.Option("password").has_value());
}

TEST(VaultAdminCommandLine, RefusesWhatItCannotUse) {
    const std::vector<std::vector<std::string>> bad = {
        {"create", "Demo", "--server"},                          // option without a value
        {"create", "Demo", "--port", "1"},                       // unknown option
        {"create", "Demo", "--server", "/a", "--server", "/b"},  // repeated
        {"create"},                                              // argument missing
        {"create", "Demo", "Other"},                             // one too many
    };
    for (const auto& args : bad) EXPECT_THROW(ParseCommandLine(args, kCreateSyntax), AdminError) << args.back();
}

class VaultAdminCommands : public testsupport::FreshMachineTest {};

TEST_F(VaultAdminCommands, UsageErrorsExitWithTwoAndShowTheUsage) {
    const std::vector<std::vector<std::string>> bad = {{}, {"frobnicate"}, {"list", "extra"}};
    for (const auto& args : bad) {
        std::ostringstream out, err;
        EXPECT_EQ(vaultadmin::RunAdminCommand(args, out, err), vaultadmin::kExitUsage);
        EXPECT_NE(err.str().find("usage: vaultadmin"), std::string::npos) << err.str();
        EXPECT_TRUE(out.str().empty());
    }
}

TEST_F(VaultAdminCommands, ListShowsACreatedVaultWithItsIds) {
    std::ostringstream out, err;
    const std::string root = std::filesystem::path(machine_.root()).string();
    ASSERT_EQ(vaultadmin::RunAdminCommand({"create", "Shop Floor", "--server", root + "/srv", "--view", root + "/v"},
                                          out, err),
              vaultadmin::kExitSuccess)
        << err.str();
    std::ostringstream listed;
    EXPECT_EQ(vaultadmin::RunAdminCommand({"list"}, listed, err), vaultadmin::kExitSuccess);
    const std::string text = listed.str();
    EXPECT_EQ(text.rfind("Shop Floor  view {", 0), 0u) << text;
    EXPECT_NE(text.find("  vault {"), std::string::npos) << text;

    // Failed operations exit with one and say why.
    std::ostringstream failure;
    EXPECT_EQ(vaultadmin::RunAdminCommand({"add-user", "Nowhere", "ann", "--password", "x"}, out, failure),
              vaultadmin::kExitFailure);
    EXPECT_NE(failure.str().find("Nowhere"), std::string::npos);
}

}  // namespace
