// The table shared by real processes: concurrent writers, a writer that dies
// holding the mutex, a waiter on the add event, and the server program.
#include "login/table/login_table.h"

#include "login_table_test_support.h"

#include "common/settings_light.h"
#include "testsupport/fresh_machine.h"

#include "winapi/path_mapping.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <memory>
#include <optional>
#include <sstream>

namespace {

using tabletest::kGuard;
using tabletest::TableChild;
using tabletest::TableContents;
using tabletest::TableMapping;
using tabletest::Wide;
using testsupport::ChildProcess;

using LoginTableProcessesTest = testsupport::FreshMachineTest;

TEST_F(LoginTableProcessesTest, ConcurrentAddsOfManyProcessesKeepEveryEntryWhole) {
    TableMapping table;
    ASSERT_TRUE(table.ok());
    constexpr int kProcesses = 8;
    constexpr int kAddsEach = 100;  // each add replaces the process's entry before
    std::vector<std::unique_ptr<ChildProcess>> adders;
    for (int i = 0; i < kProcesses; ++i)
        adders.push_back(std::make_unique<ChildProcess>(
            TableChild(), std::vector<std::string>{"add", "Vault" + std::to_string(i), std::to_string(kAddsEach)}));
    for (auto& adder : adders) EXPECT_EQ(adder->Wait(kGuard), 0);

    const TableContents contents = table.Read();
    ASSERT_EQ(contents.entries.size(), static_cast<size_t>(kProcesses));
    for (int i = 0; i < kProcesses; ++i) {
        const std::u16string vault = Wide("Vault" + std::to_string(i));
        auto entry = std::find_if(contents.entries.begin(), contents.entries.end(),
                                  [&](const LoginTableEntry& e) { return e.moVaultName == vault; });
        ASSERT_NE(entry, contents.entries.end()) << "Vault" << i;
        EXPECT_EQ(entry->moUserName, u"user-" + vault);
        EXPECT_EQ(entry->moShellRoot, u"C:\\Vaults\\" + vault + u"\\");
        EXPECT_EQ(entry->mlLoginValue, kAddsEach - 1) << "the last add of the process";
        EXPECT_EQ(entry->mlProgramType, kLoginProgramType);
    }
}

TEST_F(LoginTableProcessesTest, AWriterThatDiedHoldingTheMutexDoesNotBlockTheNext) {
    TableMapping table;
    ASSERT_TRUE(table.ok());
    ChildProcess holder(TableChild(), {"hold-mutex"});
    ASSERT_TRUE(holder.WaitForLine("held", kGuard));
    ChildProcess adder(TableChild(), {"add", "Vault", "1"});
    ASSERT_TRUE(tabletest::WaitUntilBlocked(adder.pid())) << "the adder waits for the mutex";
    EXPECT_TRUE(table.Read().entries.empty());

    holder.Kill();
    EXPECT_EQ(adder.Wait(kGuard), 0);
    ASSERT_EQ(table.Read().entries.size(), 1u);
    EXPECT_EQ(table.Read().entries[0].moVaultName, u"Vault");
}

TEST_F(LoginTableProcessesTest, AWaiterOnTheAddEventWakesAndFindsTheLogin) {
    TableMapping table;
    ASSERT_TRUE(table.ok());
    ChildProcess waiter(TableChild(), {"wait-add", "vault"});
    ASSERT_TRUE(waiter.WaitForLine("waiting", kGuard));
    ASSERT_TRUE(tabletest::WaitUntilBlocked(waiter.pid()));

    LoginSyncObjects objects = OpenLoginSyncObjects();
    ASSERT_TRUE(OpenLoginTableMapping(objects));
    EXPECT_TRUE(AddLoginTableEntry(objects, u"DBHOST", u"Vault", u"ann", u"secret", 1, 2, u"dbuser", u"dbpass", 3,
                                   kLoginProgramType, u"C:\\Vaults\\Vault\\"));
    EXPECT_TRUE(waiter.WaitForLine("found ann", kGuard));
    EXPECT_EQ(waiter.Wait(kGuard), 0);
    CloseLoginSyncObjects(objects);
}

// --- The server program --------------------------------------------------------

std::filesystem::path ServerProgram() { return testsupport::SiblingProgram("Gallowick"); }

bool TableExists() {
    HANDLE mapping = OpenFileMappingW(FILE_MAP_READ, FALSE, kLoginTableMappingName);
    if (mapping == nullptr) return false;
    CloseHandle(mapping);
    return true;
}

bool WaitForTable(bool exists) {
    auto deadline = std::chrono::steady_clock::now() + kGuard;
    while (std::chrono::steady_clock::now() < deadline) {
        if (TableExists() == exists) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return false;
}

bool TableIsEmptyAndZero() {
    HANDLE mapping = OpenFileMappingW(FILE_MAP_READ, FALSE, kLoginTableMappingName);
    LoginTableView view;
    if (!MapLoginTableView(mapping, FILE_MAP_READ, view)) return false;
    bool zero = std::all_of(view.base, view.base + view.size, [](BYTE b) { return b == 0; });
    UnmapLoginTableView(view);
    CloseHandle(mapping);
    return zero;
}

// The server program this process started, found by its parent and name.
std::optional<pid_t> StartedServer() {
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
        std::ifstream stat(entry.path() / "stat");
        std::string line;
        if (!std::getline(stat, line)) continue;
        size_t close = line.rfind(')');
        if (close == std::string::npos || line.find("(Gallowick)") == std::string::npos) continue;
        char state = 0;
        pid_t parent = 0;
        std::istringstream rest(line.substr(close + 1));
        if (rest >> state >> parent && parent == getpid()) return std::stoi(entry.path().filename().string());
    }
    return std::nullopt;
}

TEST_F(LoginTableProcessesTest, TheServerProgramKeepsAnEmptyTableUntilItIsStopped) {
    ChildProcess server(ServerProgram(), {});
    ASSERT_TRUE(WaitForTable(true));
    EXPECT_TRUE(TableIsEmptyAndZero());

    // A second instance finds the table and leaves it to the first.
    ChildProcess second(ServerProgram(), {});
    EXPECT_EQ(second.Wait(kGuard), 0);
    EXPECT_TRUE(TableExists());

    ASSERT_EQ(kill(server.pid(), SIGTERM), 0);
    EXPECT_EQ(server.Wait(kGuard), 0) << "a clean end";
    EXPECT_TRUE(WaitForTable(false));
}

TEST_F(LoginTableProcessesTest, StartingTheServerNeedsTheSharedFolder) {
    EXPECT_FALSE(StartServerProcess());
    EXPECT_FALSE(TableExists());
}

// Stops a server program this process started that a failed test left.
struct StartedServerGuard {
    ~StartedServerGuard() {
        if (std::optional<pid_t> server = StartedServer()) {
            kill(*server, SIGKILL);
            waitpid(*server, nullptr, 0);
        }
    }
};

TEST_F(LoginTableProcessesTest, StartingTheServerFromTheSharedFolderMakesTheTable) {
    // As the machine set-up installs it.
    ChildProcess install(ServerProgram(), {"/install"});
    ASSERT_EQ(install.Wait(kGuard), 0);
    EXPECT_EQ(SettingsLight().goGetLocation(kSharedLocation),
              winapi::FromPosixPath(ServerProgram().parent_path().string()) + u"\\");

    StartedServerGuard guard;
    ASSERT_TRUE(StartServerProcess());
    ASSERT_TRUE(WaitForTable(true));
    EXPECT_TRUE(TableIsEmptyAndZero());

    std::optional<pid_t> server = StartedServer();
    ASSERT_TRUE(server.has_value());
    ASSERT_EQ(kill(*server, SIGTERM), 0);
    int status = 0;
    ASSERT_EQ(waitpid(*server, &status, 0), *server);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "a clean end";
    EXPECT_TRUE(WaitForTable(false)) << "the table lives while the server runs";
}

}  // namespace
