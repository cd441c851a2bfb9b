#include "admin_commands.h"
#include "vaultadmin/admin_error.h"
#include "command_line.h"
#include "password_input.h"
#include "vaultadmin/vault_opening.h"

#include "vaultdb/database.h"
#include "vaultdb/user_password.h"
#include "winapi/state_root.h"
#include "winapi/unique_fd.h"

#include "testsupport/fresh_machine.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>
#include <vector>
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

bool Accepts(vaultdb::Database& database, std::u16string_view user, std::u16string_view password) {
    bool accepted = false;
    return SUCCEEDED(vaultdb::CheckUserPassword(database, user, password, accepted)) && accepted;
}

class VaultAdminCommands : public testsupport::FreshMachineTest {
protected:
    // A descriptor that reads `text` to its end (a file, as a script's
    // redirected standard input would be).
    int Input(const std::string& text) {
        const auto file = machine_.root() / ("input-" + std::to_string(inputs_.size()));
        std::ofstream(file, std::ios::binary) << text;
        inputs_.emplace_back(::open(file.c_str(), O_RDONLY | O_CLOEXEC));
        return inputs_.back().Get();
    }
    std::vector<winapi::UniqueFd> inputs_;
};

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
    EXPECT_EQ(vaultadmin::RunAdminCommand({"add-user", "Nowhere", "ann"}, out, failure, Input("x\n")),
              vaultadmin::kExitFailure);
    EXPECT_NE(failure.str().find("Nowhere"), std::string::npos);
}

// A damaged hive is reported as such with a failure exit, never listed as
// a machine without vaults.
TEST_F(VaultAdminCommands, ListReportsADamagedHive) {
    for (const auto& hive : {winapi::MachineHivePath(), winapi::UserHivePath()}) {
        std::filesystem::create_directories(hive.parent_path());
        std::string kept;
        if (std::ifstream in{hive}) kept.assign(std::istreambuf_iterator<char>(in), {});
        std::ofstream(hive, std::ios::trunc) << "not a hive\n";
        std::ostringstream out, err;
        EXPECT_EQ(vaultadmin::RunAdminCommand({"list"}, out, err), vaultadmin::kExitFailure) << hive;
        EXPECT_NE(err.str().find("is damaged"), std::string::npos) << err.str();
        EXPECT_NE(err.str().find(hive.string()), std::string::npos) << err.str();
        EXPECT_TRUE(out.str().empty());
        if (kept.empty())
            std::filesystem::remove(hive);
        else
            std::ofstream(hive, std::ios::trunc) << kept;
    }
}

// A failure says in words what went wrong, not only its code.
TEST_F(VaultAdminCommands, FailuresSayWhatWentWrongInWords) {
    std::ostringstream out, err;
    const std::string root = std::filesystem::path(machine_.root()).string();
    ASSERT_EQ(
        vaultadmin::RunAdminCommand({"create", "Hurt", "--server", root + "/srv", "--view", root + "/v"}, out, err),
        vaultadmin::kExitSuccess)
        << err.str();
    std::ofstream(root + "/srv/Hurt.vault", std::ios::trunc) << std::string(8192, 'x');
    std::ostringstream failure;
    EXPECT_EQ(vaultadmin::RunAdminCommand({"import", "Hurt", root + "/srv/Hurt.vault", "\\In\\"}, out, failure),
              vaultadmin::kExitFailure);
    EXPECT_NE(failure.str().find("damaged"), std::string::npos) << failure.str();
}

// Passwords come from standard input (or the terminal), and a command line
// carrying one is refused before anything is done, saying why.
TEST_F(VaultAdminCommands, PasswordsAreReadFromInputNeverFromTheCommandLine) {
    std::ostringstream out, err;
    const std::string root = std::filesystem::path(machine_.root()).string();
    ASSERT_EQ(vaultadmin::RunAdminCommand(
                  {"create", "Pw", "--server", root + "/srv", "--view", root + "/v", "--admin-password"}, out, err,
                  Input("top secret\r\nrest")),
              vaultadmin::kExitSuccess)
        << err.str();
    ASSERT_EQ(vaultadmin::RunAdminCommand({"add-user", "Pw", "ann"}, out, err, Input("ann's\n")),
              vaultadmin::kExitSuccess)
        << err.str();
    auto database = vaultadmin::OpenRegisteredVault(u"Pw");
    EXPECT_TRUE(Accepts(*database, u"Admin", u"top secret")) << "line end not stripped";
    EXPECT_TRUE(Accepts(*database, u"ann", u"ann's"));

    const std::vector<std::vector<std::string>> onTheLine = {
        {"add-user", "Pw", "bob", "--password", "x"},
        {"add-user", "Pw", "bob", "--password=x"},
        {"create", "Q", "--server", root + "/q", "--view", root + "/qv", "--admin-password", "x"},
        {"create", "Q", "--server", root + "/q", "--view", root + "/qv", "--admin-password=x"},
    };
    for (const auto& args : onTheLine) {
        std::ostringstream refused;
        EXPECT_EQ(vaultadmin::RunAdminCommand(args, out, refused, Input("x\n")), vaultadmin::kExitUsage);
        EXPECT_NE(refused.str().find("not taken from the command line"), std::string::npos) << refused.str();
    }
    // No line, or an empty one: nothing is added.
    for (const char* input : {"", "\n"}) {
        std::ostringstream refused;
        EXPECT_EQ(vaultadmin::RunAdminCommand({"add-user", "Pw", "bob"}, out, refused, Input(input)),
                  vaultadmin::kExitFailure);
        EXPECT_NE(refused.str().find("password"), std::string::npos) << refused.str();
    }
    EXPECT_FALSE(std::filesystem::exists(root + "/q"));
    EXPECT_FALSE(Accepts(*database, u"bob", u"x"));
}

// On a terminal the typed password is not echoed back.
TEST(VaultAdminPasswordInput, TheTerminalDoesNotEchoThePassword) {
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(master, 0);
    ASSERT_EQ(::grantpt(master), 0);
    ASSERT_EQ(::unlockpt(master), 0);
    winapi::UniqueFd terminal(::open(::ptsname(master), O_RDWR | O_NOCTTY));
    ASSERT_TRUE(terminal);
    std::ostringstream prompts;
    std::string password;
    std::thread reader([&] { password = vaultadmin::ReadPassword(terminal.Get(), "password: ", prompts); });
    // The echo goes off before the read starts: wait for it, then type.
    for (int i = 0; i < 500; ++i) {
        termios settings{};
        ::tcgetattr(terminal.Get(), &settings);
        if (!(settings.c_lflag & ECHO)) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ASSERT_EQ(::write(master, "hidden\n", 7), 7);
    reader.join();
    EXPECT_EQ(password, "hidden");
    EXPECT_EQ(prompts.str(), "password: ");
    termios after{};
    ASSERT_EQ(::tcgetattr(terminal.Get(), &after), 0);
    EXPECT_TRUE(after.c_lflag & ECHO) << "echo not restored";
    // What the terminal showed: at most the newline, never the password.
    ::fcntl(master, F_SETFL, O_NONBLOCK);
    char shown[256] = {};
    const ssize_t got = ::read(master, shown, sizeof shown - 1);
    EXPECT_EQ(std::string(shown, got > 0 ? got : 0).find("hidden"), std::string::npos);
    ::close(master);
}

}  // namespace
