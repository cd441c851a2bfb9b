#include "testsupport/fresh_machine.h"
#include "winapi/environment.h"
#include "winapi/files.h"
#include "winapi/path_mapping.h"
#include "winapi/state_root.h"
#include "winapi/text.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <sstream>
#include <vector>

namespace {

#define EXPECT_LAST_ERROR(code) EXPECT_EQ(GetLastError(), static_cast<DWORD>(code))

class FilesTest : public testsupport::FreshMachineTest {
protected:
    void SetUp() override {
        work_ = machine_.root() / "work";
        std::filesystem::create_directory(work_);
        char* cwd = ::getcwd(nullptr, 0);
        savedDirectory_ = cwd;
        std::free(cwd);
    }
    void TearDown() override { ::chdir(savedDirectory_.c_str()); }

    // The path in the system's form: the work folder, then `relative` with
    // backslashes as the system writes them.
    std::u16string W(const std::string& relative) const {
        return winapi::FromPosixPath(work_.string()) + u"\\" + winapi::ToUtf16(relative);
    }
    std::filesystem::path P(const std::string& relative) const {
        std::string posix = relative;
        for (char& c : posix) {
            if (c == '\\') c = '/';
        }
        return work_ / posix;
    }
    void Write(const std::string& relative, const std::string& content) const {
        std::ofstream(P(relative), std::ios::binary) << content;
    }
    std::string Read(const std::string& relative) const {
        std::ifstream in(P(relative), std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }
    // Names in the work folder's `folder`, to find stray temporary files.
    std::vector<std::string> Names(const std::string& folder = "") const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(P(folder)))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    std::filesystem::path work_;
    std::string savedDirectory_;
};

TEST_F(FilesTest, AttributesTellFoldersFilesAndMissingPaths) {
    std::filesystem::create_directory(P("sub"));
    Write("a.txt", "x");
    Write(".hidden", "x");
    EXPECT_EQ(GetFileAttributesW(W("sub").c_str()), FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_EQ(GetFileAttributesW(W("sub\\").c_str()), FILE_ATTRIBUTE_DIRECTORY);
    // The system tests a folder as "<folder>\." before creating it.
    EXPECT_EQ(GetFileAttributesW(W("sub\\.").c_str()), FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_EQ(GetFileAttributesW(W("a.txt").c_str()), FILE_ATTRIBUTE_ARCHIVE);
    EXPECT_EQ(GetFileAttributesW(W(".hidden").c_str()), FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_HIDDEN);

    EXPECT_EQ(GetFileAttributesW(W("missing").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_LAST_ERROR(ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(GetFileAttributesW(W("missing\\x").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_LAST_ERROR(ERROR_PATH_NOT_FOUND);
    EXPECT_EQ(GetFileAttributesW(W("sub\\missing\\.").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_LAST_ERROR(ERROR_PATH_NOT_FOUND);
}

TEST_F(FilesTest, DrivePathsLandBelowTheMachinesDrives) {
    EXPECT_TRUE(CreateDirectoryW(u"C:\\Vaults", nullptr));
    EXPECT_TRUE(std::filesystem::is_directory(winapi::DriveRoot('c') / "Vaults"));
    EXPECT_EQ(GetFileAttributesW(u"c:/Vaults"), FILE_ATTRIBUTE_DIRECTORY);
}

TEST_F(FilesTest, ReadOnlyAttributeProtectsTheFile) {
    Write("ro.txt", "keep");
    Write("other.txt", "other");
    ASSERT_TRUE(SetFileAttributesW(W("ro.txt").c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_EQ(GetFileAttributesW(W("ro.txt").c_str()), FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_READONLY);

    EXPECT_EQ(CreateFileW(W("ro.txt").c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr),
              INVALID_HANDLE_VALUE);
    EXPECT_LAST_ERROR(ERROR_ACCESS_DENIED);
    EXPECT_FALSE(DeleteFileW(W("ro.txt").c_str()));
    EXPECT_LAST_ERROR(ERROR_ACCESS_DENIED);
    EXPECT_FALSE(CopyFileW(W("other.txt").c_str(), W("ro.txt").c_str(), FALSE));
    EXPECT_LAST_ERROR(ERROR_ACCESS_DENIED);
    EXPECT_FALSE(MoveFileExW(W("other.txt").c_str(), W("ro.txt").c_str(), MOVEFILE_REPLACE_EXISTING));
    EXPECT_LAST_ERROR(ERROR_ACCESS_DENIED);
    errno = 0;
    EXPECT_EQ(_waccess(W("ro.txt").c_str(), 2), -1);
    EXPECT_EQ(errno, EACCES);
    EXPECT_EQ(_waccess(W("ro.txt").c_str(), 4), 0);
    EXPECT_EQ(Read("ro.txt"), "keep");

    ASSERT_TRUE(SetFileAttributesW(W("ro.txt").c_str(), FILE_ATTRIBUTE_NORMAL));
    EXPECT_EQ(GetFileAttributesW(W("ro.txt").c_str()), FILE_ATTRIBUTE_ARCHIVE);
    EXPECT_EQ(_waccess(W("ro.txt").c_str(), 6), 0);
    EXPECT_TRUE(DeleteFileW(W("ro.txt").c_str()));
}

TEST_F(FilesTest, CreateAndRemoveFoldersReportThePlatformsErrors) {
    EXPECT_TRUE(CreateDirectoryW(W("made").c_str(), nullptr));
    EXPECT_TRUE(std::filesystem::is_directory(P("made")));
    EXPECT_FALSE(CreateDirectoryW(W("made").c_str(), nullptr));
    EXPECT_LAST_ERROR(ERROR_ALREADY_EXISTS);
    EXPECT_FALSE(CreateDirectoryW(W("missing\\child").c_str(), nullptr));
    EXPECT_LAST_ERROR(ERROR_PATH_NOT_FOUND);
    Write("file", "x");
    EXPECT_FALSE(CreateDirectoryW(W("file").c_str(), nullptr));
    EXPECT_LAST_ERROR(ERROR_ALREADY_EXISTS);

    Write("made\\inside", "x");
    EXPECT_FALSE(RemoveDirectoryW(W("made").c_str()));
    EXPECT_LAST_ERROR(ERROR_DIR_NOT_EMPTY);
    EXPECT_FALSE(RemoveDirectoryW(W("file").c_str()));
    EXPECT_LAST_ERROR(ERROR_DIRECTORY);
    EXPECT_FALSE(RemoveDirectoryW(W("missing").c_str()));
    EXPECT_LAST_ERROR(ERROR_FILE_NOT_FOUND);
    std::filesystem::remove(P("made/inside"));
    EXPECT_TRUE(RemoveDirectoryW(W("made").c_str()));
    EXPECT_FALSE(std::filesystem::exists(P("made")));
}

TEST_F(FilesTest, DeleteFileRemovesFilesOnly) {
    Write("a.txt", "x");
    std::filesystem::create_directory(P("sub"));
    EXPECT_FALSE(DeleteFileW(W("sub").c_str()));
    EXPECT_LAST_ERROR(ERROR_ACCESS_DENIED);
    EXPECT_FALSE(DeleteFileW(W("missing").c_str()));
    EXPECT_LAST_ERROR(ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(DeleteFileW(W("missing\\a").c_str()));
    EXPECT_LAST_ERROR(ERROR_PATH_NOT_FOUND);
    EXPECT_TRUE(DeleteFileW(W("a.txt").c_str()));
    EXPECT_FALSE(std::filesystem::exists(P("a.txt")));
}

TEST_F(FilesTest, MoveReplacesOnlyWhenAsked) {
    Write("from", "new");
    Write("to", "old");
    EXPECT_FALSE(MoveFileExW(W("from").c_str(), W("to").c_str(), 0));
    EXPECT_LAST_ERROR(ERROR_ALREADY_EXISTS);
    EXPECT_FALSE(MoveFileW(W("from").c_str(), W("to").c_str()));
    EXPECT_LAST_ERROR(ERROR_ALREADY_EXISTS);
    EXPECT_EQ(Read("from"), "new");
    EXPECT_EQ(Read("to"), "old");

    EXPECT_TRUE(MoveFileExW(W("from").c_str(), W("to").c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH));
    EXPECT_EQ(Read("to"), "new");
    EXPECT_FALSE(std::filesystem::exists(P("from")));

    EXPECT_FALSE(MoveFileExW(W("from").c_str(), W("x").c_str(), 0));
    EXPECT_LAST_ERROR(ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(MoveFileExW(W("to").c_str(), W("missing\\x").c_str(), MOVEFILE_REPLACE_EXISTING));
    EXPECT_LAST_ERROR(ERROR_PATH_NOT_FOUND);
    EXPECT_FALSE(MoveFileExW(W("to").c_str(), nullptr, 0));
    EXPECT_LAST_ERROR(ERROR_INVALID_PARAMETER);

    std::filesystem::create_directory(P("folder"));
    Write("folder\\inside", "x");
    EXPECT_FALSE(MoveFileExW(W("to").c_str(), W("folder").c_str(), MOVEFILE_REPLACE_EXISTING));
    EXPECT_LAST_ERROR(ERROR_ACCESS_DENIED);
    EXPECT_TRUE(MoveFileW(W("folder").c_str(), W("renamed").c_str()));
    EXPECT_EQ(Read("renamed\\inside"), "x");
    // Another spelling of the same name is no clash.
    EXPECT_TRUE(MoveFileW(W("renamed").c_str(), W("renamed\\..\\renamed").c_str()));
}

TEST_F(FilesTest, MoveBetweenFileSystemsCopiesWhenAllowed) {
    std::filesystem::path other = "/dev/shm";
    struct stat here, there;
    if (::stat(other.c_str(), &there) != 0 || ::stat(work_.c_str(), &here) != 0 || here.st_dev == there.st_dev)
        GTEST_SKIP() << "no second file system to move to";
    std::string pattern = (other / "files-test-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    std::filesystem::path away = pattern;
    std::u16string target = winapi::FromPosixPath((away / "moved").string());
    Write("file", "content");

    EXPECT_FALSE(MoveFileExW(W("file").c_str(), target.c_str(), 0));
    EXPECT_LAST_ERROR(ERROR_NOT_SAME_DEVICE);
    EXPECT_TRUE(MoveFileW(W("file").c_str(), target.c_str()));
    EXPECT_FALSE(std::filesystem::exists(P("file")));
    std::ifstream moved(away / "moved");
    std::string text;
    moved >> text;
    EXPECT_EQ(text, "content");
    std::filesystem::remove_all(away);
}

TEST_F(FilesTest, CopyKeepsContentsAndTimeAndHonoursFailIfExists) {
    Write("src", "source");
    struct timespec times[2] = {{1500000000, 0}, {1600000000, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, P("src").c_str(), times, 0), 0);
    EXPECT_TRUE(CopyFileW(W("src").c_str(), W("copy").c_str(), TRUE));
    EXPECT_EQ(Read("copy"), "source");
    struct stat copied;
    ASSERT_EQ(::stat(P("copy").c_str(), &copied), 0);
    EXPECT_EQ(copied.st_mtim.tv_sec, 1600000000);

    Write("target", "old");
    EXPECT_FALSE(CopyFileW(W("src").c_str(), W("target").c_str(), TRUE));
    EXPECT_LAST_ERROR(ERROR_FILE_EXISTS);
    EXPECT_EQ(Read("target"), "old");
    EXPECT_TRUE(CopyFileW(W("src").c_str(), W("target").c_str(), FALSE));
    EXPECT_EQ(Read("target"), "source");

    EXPECT_FALSE(CopyFileW(W("missing").c_str(), W("x").c_str(), FALSE));
    EXPECT_LAST_ERROR(ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(CopyFileW(W("src").c_str(), W("missing\\x").c_str(), FALSE));
    EXPECT_LAST_ERROR(ERROR_PATH_NOT_FOUND);
    std::filesystem::create_directory(P("folder"));
    EXPECT_FALSE(CopyFileW(W("folder").c_str(), W("x").c_str(), FALSE));
    EXPECT_LAST_ERROR(ERROR_ACCESS_DENIED);
    EXPECT_FALSE(CopyFileW(W("src").c_str(), W("folder").c_str(), FALSE));
    EXPECT_LAST_ERROR(ERROR_ACCESS_DENIED);

    EXPECT_EQ(Names(), (std::vector<std::string>{"copy", "folder", "src", "target"}));
}

TEST_F(FilesTest, FailedCopyLeavesTheTargetAsItWas) {
    // Reading a process's memory at address 0 fails: a copy that breaks off
    // after it has begun.
    Write("target", "old");
    EXPECT_FALSE(CopyFileW(u"/proc/self/mem", W("target").c_str(), FALSE));
    EXPECT_FALSE(CopyFileW(u"/proc/self/mem", W("new").c_str(), FALSE));
    EXPECT_EQ(Read("target"), "old");
    EXPECT_EQ(Names(), std::vector<std::string>{"target"});
}

TEST_F(FilesTest, AccessTestModes) {
    Write("a.txt", "x");
    EXPECT_EQ(_waccess(W("a.txt").c_str(), 0), 0);
    EXPECT_EQ(_waccess(W("a.txt").c_str(), 6), 0);
    EXPECT_EQ(_waccess(W("").c_str(), 0), 0);  // the work folder itself
    errno = 0;
    EXPECT_EQ(_waccess(W("missing").c_str(), 0), -1);
    EXPECT_EQ(errno, ENOENT);
    errno = 0;
    EXPECT_EQ(_waccess(W("a.txt").c_str(), 1), -1);
    EXPECT_EQ(errno, EINVAL);
}

TEST_F(FilesTest, CreateFileFollowsEachDisposition) {
    struct Case {
        const char* name;
        DWORD disposition;
        bool existsBefore;
        bool succeeds;
        DWORD lastError;
        const char* contentAfter;
    };
    const Case cases[] = {
        {"new-missing", CREATE_NEW, false, true, ERROR_SUCCESS, ""},
        {"new-existing", CREATE_NEW, true, false, ERROR_FILE_EXISTS, "old"},
        {"always-missing", CREATE_ALWAYS, false, true, ERROR_SUCCESS, ""},
        {"always-existing", CREATE_ALWAYS, true, true, ERROR_ALREADY_EXISTS, ""},
        {"open-missing", OPEN_EXISTING, false, false, ERROR_FILE_NOT_FOUND, nullptr},
        {"open-existing", OPEN_EXISTING, true, true, ERROR_SUCCESS, "old"},
        {"openalways-missing", OPEN_ALWAYS, false, true, ERROR_SUCCESS, ""},
        {"openalways-existing", OPEN_ALWAYS, true, true, ERROR_ALREADY_EXISTS, "old"},
        {"truncate-missing", TRUNCATE_EXISTING, false, false, ERROR_FILE_NOT_FOUND, nullptr},
        {"truncate-existing", TRUNCATE_EXISTING, true, true, ERROR_SUCCESS, ""},
    };
    for (const Case& c : cases) {
        if (c.existsBefore) Write(c.name, "old");
        SetLastError(12345);
        HANDLE file = CreateFileW(W(c.name).c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                  c.disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
        EXPECT_EQ(file != INVALID_HANDLE_VALUE, c.succeeds) << c.name;
        EXPECT_LAST_ERROR(c.lastError) << c.name;
        if (file != INVALID_HANDLE_VALUE) {
            EXPECT_TRUE(CloseHandle(file));
        }
        if (c.contentAfter) {
            EXPECT_EQ(Read(c.name), c.contentAfter) << c.name;
        } else {
            EXPECT_FALSE(std::filesystem::exists(P(c.name))) << c.name;
        }
    }
}

TEST_F(FilesTest, CreateFileRefusesBadRequests) {
    Write("a", "x");
    std::filesystem::create_directory(P("folder"));
    struct Case {
        std::string name;
        DWORD access, disposition, error;
    };
    const Case cases[] = {
        {"missing\\a", GENERIC_READ, OPEN_EXISTING, ERROR_PATH_NOT_FOUND},
        {"missing\\a", GENERIC_WRITE, CREATE_ALWAYS, ERROR_PATH_NOT_FOUND},
        {"folder", GENERIC_READ, OPEN_EXISTING, ERROR_ACCESS_DENIED},
        {"a", GENERIC_READ, TRUNCATE_EXISTING, ERROR_INVALID_PARAMETER},
        {"a", GENERIC_READ, 0, ERROR_INVALID_PARAMETER},
        {"a", GENERIC_READ, 6, ERROR_INVALID_PARAMETER},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CreateFileW(W(c.name).c_str(), c.access, 0, nullptr, c.disposition, 0, nullptr), INVALID_HANDLE_VALUE)
            << c.name;
        EXPECT_LAST_ERROR(c.error) << c.name;
    }
    EXPECT_EQ(Read("a"), "x");
}

TEST_F(FilesTest, ReadWriteSeekAndSize) {
    HANDLE file = CreateFileW(W("data").c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD done = 0;
    EXPECT_TRUE(WriteFile(file, "hello world", 11, &done, nullptr));
    EXPECT_EQ(done, 11u);
    EXPECT_EQ(GetFileSize(file, nullptr), 11u);

    char buffer[32] = {};
    EXPECT_EQ(SetFilePointer(file, 0, nullptr, FILE_BEGIN), 0u);
    EXPECT_TRUE(ReadFile(file, buffer, 5, &done, nullptr));
    EXPECT_EQ(std::string(buffer, done), "hello");
    EXPECT_TRUE(ReadFile(file, buffer, sizeof buffer, &done, nullptr));
    EXPECT_EQ(std::string(buffer, done), " world");
    EXPECT_TRUE(ReadFile(file, buffer, sizeof buffer, &done, nullptr));  // at the end: success, no bytes
    EXPECT_EQ(done, 0u);

    OVERLAPPED at{};
    at.Offset = 6;
    EXPECT_TRUE(ReadFile(file, buffer, 3, &done, &at));
    EXPECT_EQ(std::string(buffer, done), "wor");
    EXPECT_EQ(SetFilePointer(file, 0, nullptr, FILE_CURRENT), 9u);

    EXPECT_EQ(SetFilePointer(file, -1, nullptr, FILE_BEGIN), INVALID_SET_FILE_POINTER);
    EXPECT_LAST_ERROR(ERROR_NEGATIVE_SEEK);
    EXPECT_EQ(SetFilePointer(file, 0, nullptr, 7), INVALID_SET_FILE_POINTER);
    EXPECT_LAST_ERROR(ERROR_INVALID_PARAMETER);
    EXPECT_EQ(SetFilePointer(file, -5, nullptr, FILE_END), 6u);
    EXPECT_TRUE(SetEndOfFile(file));
    LARGE_INTEGER size{};
    EXPECT_TRUE(GetFileSizeEx(file, &size));
    EXPECT_EQ(size.QuadPart, 6);

    // Positions beyond 32 bits take the high half.
    LONG high = 1;
    EXPECT_EQ(SetFilePointer(file, 1, &high, FILE_BEGIN), 1u);
    EXPECT_EQ(high, 1);
    EXPECT_TRUE(SetEndOfFile(file));
    DWORD sizeHigh = 0;
    EXPECT_EQ(GetFileSize(file, &sizeHigh), 1u);
    EXPECT_EQ(sizeHigh, 1u);
    // A real position whose low half looks like the failure value.
    high = 0;
    SetLastError(12345);
    EXPECT_EQ(SetFilePointer(file, -1, &high, FILE_BEGIN), INVALID_SET_FILE_POINTER);
    EXPECT_LAST_ERROR(NO_ERROR);
    LARGE_INTEGER distance{}, position{};
    distance.QuadPart = -2;
    EXPECT_TRUE(SetFilePointerEx(file, distance, &position, FILE_END));
    EXPECT_EQ(position.QuadPart, 0x100000001LL - 2);
    EXPECT_TRUE(FlushFileBuffers(file));
    EXPECT_TRUE(CloseHandle(file));

    EXPECT_FALSE(ReadFile(file, buffer, 1, &done, nullptr));
    EXPECT_LAST_ERROR(ERROR_INVALID_HANDLE);
}

TEST_F(FilesTest, HandlesOnlyDoWhatTheirAccessAllows) {
    Write("data", "abc");
    HANDLE reader = CreateFileW(W("data").c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    HANDLE writer = CreateFileW(W("data").c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(reader, INVALID_HANDLE_VALUE);
    ASSERT_NE(writer, INVALID_HANDLE_VALUE);
    char buffer[4];
    DWORD done = 7;
    EXPECT_FALSE(WriteFile(reader, "x", 1, &done, nullptr));
    EXPECT_LAST_ERROR(ERROR_ACCESS_DENIED);
    EXPECT_EQ(done, 0u);
    EXPECT_FALSE(SetEndOfFile(reader));
    EXPECT_LAST_ERROR(ERROR_ACCESS_DENIED);
    EXPECT_FALSE(ReadFile(writer, buffer, 1, &done, nullptr));
    EXPECT_LAST_ERROR(ERROR_ACCESS_DENIED);
    EXPECT_TRUE(ReadFile(reader, buffer, 3, &done, nullptr));
    EXPECT_EQ(std::string(buffer, done), "abc");
    CloseHandle(reader);
    CloseHandle(writer);
}

TEST_F(FilesTest, FileTimesCountFrom1601) {
    Write("data", "x");
    // 2020-01-02 03:04:05.5 UTC.
    struct timespec times[2] = {{1577934245, 500000000}, {1577934245, 500000000}};
    ASSERT_EQ(::utimensat(AT_FDCWD, P("data").c_str(), times, 0), 0);
    HANDLE file = CreateFileW(W("data").c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    auto ticks = [](const FILETIME& t) { return (static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime; };
    const uint64_t expected = (1577934245ull + 11644473600ull) * 10000000ull + 5000000ull;
    FILETIME created{}, accessed{}, written{};
    ASSERT_TRUE(GetFileTime(file, &created, &accessed, &written));
    EXPECT_EQ(ticks(written), expected);
    EXPECT_EQ(ticks(accessed), expected);
    const uint64_t now = (static_cast<uint64_t>(std::time(nullptr)) + 11644473600ull) * 10000000ull;
    EXPECT_GT(ticks(created), expected);
    EXPECT_LE(ticks(created), now + 10 * 10000000ull);
    EXPECT_TRUE(GetFileTime(file, nullptr, nullptr, nullptr));

    FILETIME later{};
    later.dwLowDateTime = static_cast<DWORD>(expected + 1234567);
    later.dwHighDateTime = static_cast<DWORD>((expected + 1234567) >> 32);
    EXPECT_TRUE(SetFileTime(file, nullptr, nullptr, &later));
    ASSERT_TRUE(GetFileTime(file, nullptr, &accessed, &written));
    EXPECT_EQ(ticks(written), expected + 1234567);
    EXPECT_EQ(ticks(accessed), expected);  // left as it was
    CloseHandle(file);
}

TEST_F(FilesTest, FindMatchesWildcardsWithoutRegardToCase) {
    for (const char* name : {"a.txt", "B.TXT", "c.doc", ".hidden", "noext"}) Write(name, "12345");
    std::filesystem::create_directory(P("sub"));
    auto find = [this](const std::string& pattern) {
        std::vector<std::string> names;
        WIN32_FIND_DATAW data;
        HANDLE search = FindFirstFileW(W(pattern).c_str(), &data);
        if (search == INVALID_HANDLE_VALUE) return names;
        do names.push_back(winapi::ToUtf8(data.cFileName));
        while (FindNextFileW(search, &data));
        EXPECT_LAST_ERROR(ERROR_NO_MORE_FILES);
        EXPECT_TRUE(FindClose(search));
        return names;
    };
    using Names = std::vector<std::string>;
    const Names all = {".", "..", ".hidden", "B.TXT", "a.txt", "c.doc", "noext", "sub"};
    EXPECT_EQ(find("*"), all);
    EXPECT_EQ(find("*.*"), all);
    EXPECT_EQ(find("*.txt"), (Names{"B.TXT", "a.txt"}));
    EXPECT_EQ(find("?.DOC"), Names{"c.doc"});
    EXPECT_EQ(find("A.TXT"), Names{"a.txt"});
    EXPECT_EQ(find("s*b"), Names{"sub"});
    EXPECT_EQ(find("*e*t"), Names{"noext"});

    WIN32_FIND_DATAW data;
    EXPECT_EQ(FindFirstFileW(W("*.none").c_str(), &data), INVALID_HANDLE_VALUE);
    EXPECT_LAST_ERROR(ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(FindFirstFileW(W("missing\\*").c_str(), &data), INVALID_HANDLE_VALUE);
    EXPECT_LAST_ERROR(ERROR_PATH_NOT_FOUND);

    HANDLE search = FindFirstFileW(W("a.txt").c_str(), &data);
    ASSERT_NE(search, INVALID_HANDLE_VALUE);
    EXPECT_EQ(data.dwFileAttributes, FILE_ATTRIBUTE_ARCHIVE);
    EXPECT_EQ(data.nFileSizeLow, 5u);
    EXPECT_EQ(data.nFileSizeHigh, 0u);
    EXPECT_NE(data.ftLastWriteTime.dwHighDateTime, 0u);
    EXPECT_TRUE(FindClose(search));
    EXPECT_FALSE(FindClose(search));
    EXPECT_LAST_ERROR(ERROR_INVALID_HANDLE);
    search = FindFirstFileW(W("sub").c_str(), &data);
    EXPECT_EQ(data.dwFileAttributes, FILE_ATTRIBUTE_DIRECTORY);
    FindClose(search);
}

TEST_F(FilesTest, FullPathNamesResolveAsText) {
    ASSERT_TRUE(SetCurrentDirectoryW(W("").c_str()));
    const std::u16string cwd = winapi::FromPosixPath(work_.string());
    struct Case {
        std::u16string name, full, file;
    };
    const Case cases[] = {
        {u"C:\\a\\..\\b", u"C:\\b", u"b"},
        {u"c:/x/./y", u"c:\\x\\y", u"y"},
        {u"C:rel", u"C:\\rel", u"rel"},
        {u"\\home\\..\\etc", u"\\etc", u"etc"},
        {u"sub\\..\\f.txt", cwd + u"\\f.txt", u"f.txt"},
        {u"C:\\dir\\", u"C:\\dir\\", u""},
    };
    for (const Case& c : cases) {
        WCHAR buffer[MAX_PATH];
        LPWSTR filePart = nullptr;
        DWORD length = GetFullPathNameW(c.name.c_str(), MAX_PATH, buffer, &filePart);
        EXPECT_EQ(std::u16string(buffer), c.full);
        EXPECT_EQ(length, c.full.size());
        EXPECT_EQ(filePart ? std::u16string(filePart) : std::u16string(), c.file);
    }
    WCHAR small[4] = {u'#', u'#', u'#', u'#'};
    EXPECT_EQ(GetFullPathNameW(u"C:\\abc", 4, small, nullptr), 7u);
    EXPECT_EQ(small[0], u'#');
    EXPECT_EQ(GetFullPathNameW(u"", MAX_PATH, small, nullptr), 0u);
}

TEST_F(FilesTest, CurrentDirectoryFollowsSetCurrentDirectory) {
    std::filesystem::create_directory(P("sub"));
    Write("file", "x");
    ASSERT_TRUE(SetCurrentDirectoryW(W("sub").c_str()));
    const std::u16string expected = winapi::FromPosixPath((work_ / "sub").string());
    WCHAR buffer[MAX_PATH];
    EXPECT_EQ(GetCurrentDirectoryW(MAX_PATH, buffer), expected.size());
    EXPECT_EQ(std::u16string(buffer), expected);
    EXPECT_EQ(GetCurrentDirectoryW(3, buffer), expected.size() + 1);
    // Relative names are taken below it.
    EXPECT_TRUE(CreateDirectoryW(u"inner", nullptr));
    EXPECT_TRUE(std::filesystem::is_directory(P("sub/inner")));
    EXPECT_TRUE(SetCurrentDirectoryW(u".."));

    EXPECT_FALSE(SetCurrentDirectoryW(W("missing").c_str()));
    EXPECT_LAST_ERROR(ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(SetCurrentDirectoryW(W("file").c_str()));
    EXPECT_LAST_ERROR(ERROR_DIRECTORY);
}

class TempPathTest : public FilesTest {
protected:
    void SetUp() override {
        FilesTest::SetUp();
        for (const char* name : {"TMP", "TEMP"}) {
            if (const char* value = std::getenv(name)) saved_.emplace_back(name, value);
            ::unsetenv(name);
        }
    }
    void TearDown() override {
        ::unsetenv("TMP");
        ::unsetenv("TEMP");
        for (const auto& [name, value] : saved_) ::setenv(name.c_str(), value.c_str(), 1);
        FilesTest::TearDown();
    }
    std::vector<std::pair<std::string, std::string>> saved_;
};

TEST_F(TempPathTest, TempPathIsTheUsersTempFolder) {
    const std::filesystem::path temp = winapi::UserProfileDir() / "Temp";
    const std::u16string expected = winapi::FromPosixPath(temp.string()) + u"/";
    WCHAR buffer[MAX_PATH];
    EXPECT_EQ(GetTempPathW(MAX_PATH, buffer), expected.size());
    EXPECT_EQ(std::u16string(buffer), expected);
    EXPECT_TRUE(std::filesystem::is_directory(temp));
    EXPECT_EQ(GetTempPathW(static_cast<DWORD>(expected.size()), buffer), expected.size() + 1);

    ::setenv("TMP", "C:\\Temp", 1);
    EXPECT_EQ(GetTempPathW(MAX_PATH, buffer), 8u);
    EXPECT_EQ(std::u16string(buffer), u"C:\\Temp\\");
}

TEST_F(TempPathTest, TempFileNamesAreReserved) {
    WCHAR name[MAX_PATH];
    UINT first = GetTempFileNameW(W("").c_str(), u"icon", 0, name);
    ASSERT_NE(first, 0u);
    char hex[8];
    std::snprintf(hex, sizeof hex, "%X", first);
    EXPECT_EQ(std::u16string(name), W("ico") + winapi::ToUtf16(hex) + u".TMP");
    EXPECT_TRUE(std::filesystem::exists(P(std::string("ico") + hex + ".TMP")));
    WCHAR second[MAX_PATH];
    ASSERT_NE(GetTempFileNameW(W("").c_str(), u"icon", 0, second), 0u);
    EXPECT_NE(std::u16string(second), std::u16string(name));

    EXPECT_EQ(GetTempFileNameW(W("").c_str(), u"ab", 0x1234A, name), 0x1234Au);
    EXPECT_EQ(std::u16string(name), W("ab234A.TMP"));
    EXPECT_FALSE(std::filesystem::exists(P("ab234A.TMP")));

    EXPECT_EQ(GetTempFileNameW(W("missing").c_str(), u"x", 0, name), 0u);
    EXPECT_LAST_ERROR(ERROR_DIRECTORY);
}

}  // namespace
