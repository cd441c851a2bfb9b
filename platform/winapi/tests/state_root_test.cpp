#include "testsupport/fresh_machine.h"
#include "winapi/errors.h"
#include "winapi/state_root.h"

#include <cstdlib>
#include <thread>

namespace {

using StateRootTest = testsupport::FreshMachineTest;

TEST_F(StateRootTest, EveryFolderLivesBelowTheChosenRoot) {
    auto root = machine_.root();
    EXPECT_EQ(winapi::StateRoot(), root);
    for (auto path :
         {winapi::MachineHivePath(), winapi::UserHivePath(), winapi::UserProfileDir(), winapi::DriveRoot('C')}) {
        EXPECT_EQ(path.string().rfind(root.string(), 0), 0u) << path;
    }
    // Named objects live in memory, in a folder of this root's own.
    EXPECT_EQ(winapi::KernelObjectDir().string().rfind("/dev/shm/", 0), 0u) << winapi::KernelObjectDir();
    const auto kernel = winapi::KernelObjectDir();
    setenv(winapi::kStateRootVariable, (root / "other").c_str(), 1);
    EXPECT_NE(winapi::KernelObjectDir(), kernel);
    setenv(winapi::kStateRootVariable, root.c_str(), 1);
    EXPECT_EQ(winapi::DriveRoot('C'), root / "drives" / "c");
}

TEST_F(StateRootTest, UserNameCanBeChosenForATest) {
    setenv(winapi::kUserNameVariable, "alice", 1);
    EXPECT_EQ(winapi::CurrentUserName(), "alice");
    EXPECT_EQ(winapi::UserHivePath().filename(), "alice.hive");
    unsetenv(winapi::kUserNameVariable);
    EXPECT_FALSE(winapi::CurrentUserName().empty());
}

TEST(LastErrorTest, IsKeptPerThread) {
    SetLastError(ERROR_ACCESS_DENIED);
    DWORD seenByOther = 12345;
    std::thread([&] { seenByOther = GetLastError(); }).join();
    EXPECT_EQ(seenByOther, static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
}

TEST(HresultTest, FromWin32KeepsSuccessAndWrapsErrors) {
    EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_SUCCESS), S_OK);
    EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED), E_ACCESSDENIED);
    EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_INVALID_PARAMETER), E_INVALIDARG);
    EXPECT_EQ(static_cast<uint32_t>(HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND)), 0x80070002u);
    EXPECT_TRUE(FAILED(E_FAIL));
    EXPECT_TRUE(SUCCEEDED(S_FALSE));
}

}  // namespace
