#include "testsupport/fresh_machine.h"
#include "winapi/errors.h"
#include "winapi/modules.h"
#include "winapi/path_mapping.h"
#include "winapi/shell_folders.h"
#include "winapi/state_root.h"

#include <cstdlib>
#include <cstring>

namespace {

#define EXPECT_LAST_ERROR(code) EXPECT_EQ(GetLastError(), static_cast<DWORD>(code))

using SpecialFoldersTest = testsupport::FreshMachineTest;

struct FolderCase {
    int csidl;
    std::filesystem::path (*expected)();
};

const FolderCase kFolders[] = {
    {CSIDL_APPDATA, [] { return winapi::UserProfileDir() / "AppData" / "Roaming"; }},
    {CSIDL_LOCAL_APPDATA, [] { return winapi::UserProfileDir() / "AppData" / "Local"; }},
    {CSIDL_PERSONAL, [] { return winapi::UserProfileDir() / "Documents"; }},
    {CSIDL_COMMON_APPDATA, [] { return winapi::StateRoot() / "ProgramData"; }},
    {CSIDL_PROGRAM_FILES, [] { return winapi::StateRoot() / "Program Files"; }},
    {CSIDL_PROGRAM_FILESX86, [] { return winapi::StateRoot() / "Program Files"; }},
};

TEST_F(SpecialFoldersTest, EachFolderLivesBelowTheFreshRootAndExists) {
    for (const FolderCase& c : kFolders) {
        const std::filesystem::path folder = c.expected();
        ASSERT_EQ(folder.string().rfind(machine_.root().string(), 0), 0u);
        WCHAR path[MAX_PATH];
        EXPECT_TRUE(SHGetSpecialFolderPathW(nullptr, path, c.csidl, FALSE)) << c.csidl;
        EXPECT_EQ(std::u16string(path), winapi::FromPosixPath(folder.string())) << c.csidl;
        EXPECT_TRUE(std::filesystem::is_directory(folder)) << c.csidl;

        WCHAR again[MAX_PATH];
        EXPECT_EQ(SHGetFolderPathW(nullptr, c.csidl | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT, again), S_OK);
        EXPECT_EQ(std::u16string(again), std::u16string(path));
    }
}

TEST_F(SpecialFoldersTest, UnknownFoldersAreRefused) {
    WCHAR path[MAX_PATH] = u"unchanged";
    EXPECT_FALSE(SHGetSpecialFolderPathW(nullptr, path, 0x7f, TRUE));
    EXPECT_LAST_ERROR(ERROR_INVALID_PARAMETER);
    EXPECT_EQ(SHGetFolderPathW(nullptr, 0x7f, nullptr, 0, path), E_INVALIDARG);
    PIDLIST_ABSOLUTE pidl = reinterpret_cast<PIDLIST_ABSOLUTE>(&path);
    EXPECT_EQ(SHGetSpecialFolderLocation(nullptr, 0x7f, &pidl), E_INVALIDARG);
    EXPECT_EQ(pidl, nullptr);
}

TEST_F(SpecialFoldersTest, ItemListHoldsThePathUntilFreed) {
    PIDLIST_ABSOLUTE pidl = nullptr;
    ASSERT_EQ(SHGetSpecialFolderLocation(nullptr, CSIDL_LOCAL_APPDATA, &pidl), S_OK);
    ASSERT_NE(pidl, nullptr);
    WCHAR path[MAX_PATH];
    EXPECT_TRUE(SHGetPathFromIDListW(pidl, path));
    EXPECT_EQ(std::u16string(path), winapi::FromPosixPath((winapi::UserProfileDir() / "AppData" / "Local").string()));
    ILFree(pidl);

    ASSERT_EQ(SHGetSpecialFolderLocation(nullptr, CSIDL_APPDATA, &pidl), S_OK);
    winapi::FreeIdList(pidl);  // as the task allocator's Free does
    ILFree(nullptr);

    EXPECT_FALSE(SHGetPathFromIDListW(nullptr, path));
    EXPECT_EQ(path[0], 0);
    // A list whose only item is too short to hold a path is not one of ours.
    const USHORT malformed[] = {3, 0, 0, 0};
    EXPECT_FALSE(SHGetPathFromIDListW(reinterpret_cast<PCIDLIST_ABSOLUTE>(malformed), path));
}

TEST_F(SpecialFoldersTest, FoundByNameInShell32AsTheSystemLooksItUp) {
    HMODULE shell = LoadLibraryW(u"Shell32.dll");
    ASSERT_NE(shell, nullptr);
    using Function = BOOL(WINAPI*)(HWND, LPWSTR, int, BOOL);
    FARPROC found = GetProcAddress(shell, "SHGetSpecialFolderPathW");
    auto function = reinterpret_cast<Function>(found);
    ASSERT_NE(function, nullptr);
    WCHAR path[MAX_PATH + 1];
    EXPECT_TRUE(function(nullptr, path, CSIDL_LOCAL_APPDATA, TRUE));
    EXPECT_EQ(std::u16string(path), winapi::FromPosixPath((winapi::UserProfileDir() / "AppData" / "Local").string()));
    EXPECT_TRUE(FreeLibrary(shell));
}

TEST_F(SpecialFoldersTest, APathLongerThanTheBufferIsRefused) {
    const std::filesystem::path longRoot = machine_.root() / std::string(200, 'r') / std::string(100, 's');
    ::setenv(winapi::kStateRootVariable, longRoot.c_str(), 1);  // the fixture restores it
    WCHAR path[MAX_PATH + 1];
    path[MAX_PATH] = u'#';
    EXPECT_FALSE(SHGetSpecialFolderPathW(nullptr, path, CSIDL_APPDATA, TRUE));
    EXPECT_LAST_ERROR(ERROR_BUFFER_OVERFLOW);
    EXPECT_EQ(path[MAX_PATH], u'#');
    EXPECT_EQ(SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, 0, path), HRESULT_FROM_WIN32(ERROR_BUFFER_OVERFLOW));
    EXPECT_EQ(path[MAX_PATH], u'#');
}

}  // namespace
