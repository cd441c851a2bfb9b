// The namespace of named kernel objects: how long a name lives, what a name
// may hold, and that it is private to the user.
#include "winapi/file_mapping.h"
#include "winapi/state_root.h"
#include "winapi/sync.h"

#include "sync_test_support.h"
#include "testsupport/fresh_machine.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

namespace {

using synctest::kGuard;
using testsupport::ChildProcess;

using NamespaceTest = testsupport::FreshMachineTest;

constexpr char kLoginTable[] = "5F21BFC3-2968-11d3-9634-0004AC962A49";

unsigned ModeOf(const std::filesystem::path& path) {
    struct stat info {};
    EXPECT_EQ(::stat(path.c_str(), &info), 0) << path;
    return info.st_mode & 07777;
}

TEST_F(NamespaceTest, NameIsFreeOnceItsOnlyHolderDies) {
    const std::u16string name = synctest::Wide(kLoginTable);
    {
        ChildProcess server(synctest::KernelChild(), {"hold-mapping", kLoginTable, "table"});
        ASSERT_TRUE(server.WaitForLine("created", kGuard));
        HANDLE opened = OpenFileMappingW(FILE_MAP_ALL_ACCESS, FALSE, name.c_str());
        ASSERT_NE(opened, nullptr);
        CloseHandle(opened);
        server.Kill();
        server.Wait();
    }
    SetLastError(ERROR_SUCCESS);
    EXPECT_EQ(OpenFileMappingW(FILE_MAP_ALL_ACCESS, FALSE, name.c_str()), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));

    // A create now makes a fresh mapping, of its own size and zero-filled.
    HANDLE fresh = CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 4096, name.c_str());
    ASSERT_NE(fresh, nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS));
    const char* view = static_cast<const char*>(MapViewOfFile(fresh, FILE_MAP_READ, 0, 0, 0));
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view[0], 0);
    UnmapViewOfFile(view);
    CloseHandle(fresh);
}

TEST_F(NamespaceTest, NameIsFreeOnceTheLastHandleIsClosed) {
    HANDLE first = CreateEventW(nullptr, TRUE, TRUE, u"event");
    HANDLE second = OpenEventW(SYNCHRONIZE, FALSE, u"event");
    ASSERT_NE(second, nullptr);
    CloseHandle(first);
    EXPECT_EQ(WaitForSingleObject(second, 0), WAIT_OBJECT_0);  // still the same, set event
    CloseHandle(second);
    EXPECT_EQ(OpenEventW(SYNCHRONIZE, FALSE, u"event"), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    // The name may now go to an object of another kind.
    HANDLE mutex = CreateMutexW(nullptr, FALSE, u"event");
    EXPECT_NE(mutex, nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS));
    CloseHandle(mutex);
}

TEST_F(NamespaceTest, KindsShareOneNamespace) {
    HANDLE event = CreateEventW(nullptr, TRUE, FALSE, u"taken");
    ASSERT_NE(event, nullptr);
    SetLastError(ERROR_SUCCESS);
    EXPECT_EQ(CreateMutexW(nullptr, FALSE, u"taken"), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    EXPECT_EQ(OpenMutexW(SYNCHRONIZE, FALSE, u"taken"), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    CloseHandle(event);
}

TEST_F(NamespaceTest, NamesAreExactAndStayInsideTheFolder) {
    HANDLE global = CreateMutexW(nullptr, FALSE, u"Global\\Name");
    ASSERT_NE(global, nullptr);
    // Both prefixes and none name the one session namespace.
    for (const char16_t* same : {u"Name", u"Local\\Name", u"Global\\Name"}) {
        HANDLE h = CreateMutexW(nullptr, FALSE, same);
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
        CloseHandle(h);
    }
    // Case matters, and characters that mean something to a file system are
    // just characters of the name.
    const char16_t* distinct[] = {u"name",      u"NAME",  u"../Name",           u"a/b", u"a\\b", u".lock",
                                  u".creating", u"%004E", u"Na\u00efve \u540d", u"."};
    for (const char16_t* other : distinct) {
        HANDLE h = CreateMutexW(nullptr, FALSE, other);
        ASSERT_NE(h, nullptr);
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS));
        HANDLE again = OpenMutexW(SYNCHRONIZE, FALSE, other);
        EXPECT_NE(again, nullptr);
        CloseHandle(again);
        CloseHandle(h);
    }
    for (const auto& entry : std::filesystem::recursive_directory_iterator(winapi::StateRoot()))
        EXPECT_TRUE(entry.path().parent_path() == winapi::KernelObjectDir() || entry.is_directory()) << entry.path();

    // Every name the platform allows, however long its file name would be:
    // 60 characters of a non-Latin script take 300 bytes encoded.
    const std::u16string cyrillic = u"Local\\" + std::u16string(60, u'\u0416');
    const std::u16string other = u"Local\\" + std::u16string(59, u'\u0416') + u"\u0417";
    HANDLE first = CreateMutexW(nullptr, FALSE, cyrillic.c_str());
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS));
    HANDLE again = CreateMutexW(nullptr, FALSE, cyrillic.c_str());
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
    HANDLE another = CreateMutexW(nullptr, FALSE, other.c_str());
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS)) << "a name that differs at its end is another object";
    for (HANDLE h : {first, again, another}) CloseHandle(h);

    SetLastError(ERROR_SUCCESS);
    EXPECT_EQ(CreateMutexW(nullptr, FALSE, std::u16string(MAX_PATH + 1, u'x').c_str()), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILENAME_EXCED_RANGE));
    EXPECT_EQ(CreateMutexW(nullptr, FALSE, u"Global\\"), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_NAME));
    CloseHandle(global);
}

TEST_F(NamespaceTest, ObjectsArePrivateToTheUser) {
    HANDLE mutex = CreateMutexW(nullptr, FALSE, u"private");
    ASSERT_NE(mutex, nullptr);
    EXPECT_EQ(ModeOf(winapi::KernelObjectDir()), 0700u);
    for (const auto& entry : std::filesystem::directory_iterator(winapi::KernelObjectDir()))
        EXPECT_EQ(ModeOf(entry.path()), 0600u) << entry.path();

    if (::geteuid() != 0) GTEST_SKIP() << "another user can only be tried as root";
    // Let the other user reach the folder, so that only its own bits guard it.
    std::filesystem::permissions(machine_.root(), std::filesystem::perms(0755));
    std::filesystem::permissions(winapi::KernelNamespaceRoot(), std::filesystem::perms(0755));
    setenv(winapi::kUserNameVariable, winapi::CurrentUserName().c_str(), 1);  // the same folder
    ChildProcess other(synctest::KernelChild(), {"open-as-user", "65534", "private", "private"});
    EXPECT_TRUE(other.WaitForLine("open error " + std::to_string(ERROR_ACCESS_DENIED), kGuard));
    EXPECT_TRUE(other.WaitForLine("file error Permission denied", kGuard));
    unsetenv(winapi::kUserNameVariable);
    CloseHandle(mutex);
}

}  // namespace
