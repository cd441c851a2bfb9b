#include "winapi/file_mapping.h"
#include "winapi/sync.h"

#include "sync_test_support.h"
#include "testsupport/fresh_machine.h"

#include "winapi/state_root.h"

#include <cstring>
#include <filesystem>
#include <fstream>
#include <vector>
#include <string>

namespace {

using synctest::kGuard;
using testsupport::ChildProcess;

using FileMappingTest = testsupport::FreshMachineTest;

constexpr char kLoginTable[] = "5F21BFC3-2968-11d3-9634-0004AC962A49";
const std::u16string kLoginTableName = synctest::Wide(kLoginTable);

bool AllZero(const void* data, size_t size) {
    auto* bytes = static_cast<const unsigned char*>(data);
    for (size_t i = 0; i < size; ++i)
        if (bytes[i] != 0) return false;
    return true;
}

TEST_F(FileMappingTest, WrittenInOneProcessIsReadInAnother) {
    HANDLE mapping =
        CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 4096, kLoginTableName.c_str());
    ASSERT_NE(mapping, nullptr);
    char* view = static_cast<char*>(MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, 0));
    ASSERT_NE(view, nullptr);
    std::strcpy(view, "written by the parent");

    ChildProcess reader(synctest::KernelChild(), {"read-mapping", kLoginTable});
    EXPECT_TRUE(reader.WaitForLine("text written by the parent", kGuard));

    ChildProcess writer(synctest::KernelChild(), {"write-mapping", kLoginTable, "written by the child"});
    ASSERT_TRUE(writer.WaitForLine("written", kGuard));
    EXPECT_STREQ(view, "written by the child");  // the same memory, no re-mapping needed
    EXPECT_TRUE(UnmapViewOfFile(view));
    CloseHandle(mapping);
}

// What a mapping holds (the login table: passwords in clear) lives in
// memory, never below the state root, and goes with its last holder: at its
// close, or - when the holder died - at the next create or open of the name.
TEST_F(FileMappingTest, AMappingsBytesNeverRestOnDiskAndGoWithItsLastHolder) {
    const std::string secret = "password: secret-4711";
    auto objectFiles = [] {
        std::vector<std::string> files;
        std::error_code ec;
        for (const auto& entry : std::filesystem::directory_iterator(winapi::KernelObjectDir(), ec)) {
            if (entry.path().filename().string()[0] != '.') files.push_back(entry.path().filename().string());
        }
        return files;
    };
    auto foundBelowTheRoot = [&] {
        for (const auto& entry : std::filesystem::recursive_directory_iterator(machine_.root())) {
            if (!entry.is_regular_file()) continue;
            std::ifstream in(entry.path(), std::ios::binary);
            const std::string bytes{std::istreambuf_iterator<char>(in), {}};
            if (bytes.find(secret) != std::string::npos) return true;
        }
        return false;
    };
    EXPECT_EQ(winapi::KernelObjectDir().string().rfind("/dev/shm/", 0), 0u);

    HANDLE mapping =
        CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 4096, kLoginTableName.c_str());
    ASSERT_NE(mapping, nullptr);
    char* view = static_cast<char*>(MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, 0));
    ASSERT_NE(view, nullptr);
    std::memcpy(view, secret.c_str(), secret.size() + 1);
    EXPECT_EQ(objectFiles().size(), 1u);
    EXPECT_FALSE(foundBelowTheRoot());
    CloseHandle(mapping);
    EXPECT_STREQ(view, secret.c_str()) << "a view outlives its handle";
    UnmapViewOfFile(view);
    EXPECT_TRUE(objectFiles().empty()) << "the last handle took the file with it";

    {
        ChildProcess holder(synctest::KernelChild(), {"hold-mapping", kLoginTable, secret});
        ASSERT_TRUE(holder.WaitForLine("created", kGuard));
        holder.Kill();
    }
    EXPECT_FALSE(foundBelowTheRoot());
    EXPECT_EQ(OpenFileMappingW(FILE_MAP_READ, FALSE, kLoginTableName.c_str()), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_TRUE(objectFiles().empty()) << "the dead holder's file went at the next open";
}

TEST_F(FileMappingTest, ReadOnlyViewCannotBeWritten) {
    HANDLE mapping =
        CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 4096, kLoginTableName.c_str());
    ASSERT_NE(mapping, nullptr);
    ChildProcess writer(synctest::KernelChild(), {"write-read-only-view", kLoginTable});
    ASSERT_TRUE(writer.WaitForLine("mapped", kGuard));
    EXPECT_FALSE(writer.WaitForLine("wrote", kGuard));
    EXPECT_NE(writer.Wait(), 0);  // the write faulted
    const char* view = static_cast<const char*>(MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0));
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view[0], 0);
    UnmapViewOfFile(view);
    CloseHandle(mapping);
}

TEST_F(FileMappingTest, SecondCreateOpensTheFirstWithItsSizeAndContent) {
    HANDLE first = CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 0x20000, u"table");
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS));
    auto* view = static_cast<unsigned char*>(MapViewOfFile(first, FILE_MAP_WRITE, 0, 0, 0));
    ASSERT_NE(view, nullptr);
    EXPECT_TRUE(AllZero(view, 0x20000));  // new mappings are zero-filled
    view[0x10000] = 42;

    HANDLE second = CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 16, u"table");
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
    // The size is the first creator's: the second half is there to map.
    auto* tail = static_cast<unsigned char*>(MapViewOfFile(second, FILE_MAP_READ, 0, 0x10000, 0));
    ASSERT_NE(tail, nullptr);
    EXPECT_EQ(tail[0], 42);

    // Views keep the memory, not the name.
    CloseHandle(first);
    CloseHandle(second);
    EXPECT_EQ(OpenFileMappingW(FILE_MAP_READ, FALSE, u"table"), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(tail[0], 42);
    UnmapViewOfFile(tail);
    UnmapViewOfFile(view);
}

TEST_F(FileMappingTest, ViewsOutliveTheHandleAndCopyViewsStayPrivate) {
    HANDLE mapping = CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 100, nullptr);
    ASSERT_NE(mapping, nullptr);
    auto* shared = static_cast<char*>(MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, 0));
    auto* copy = static_cast<char*>(MapViewOfFile(mapping, FILE_MAP_COPY, 0, 0, 0));
    ASSERT_NE(shared, nullptr);
    ASSERT_NE(copy, nullptr);
    CloseHandle(mapping);
    copy[0] = 'C';
    shared[99] = 'S';
    EXPECT_EQ(shared[0], 0);
    EXPECT_EQ(copy[99], 0);  // the copy was taken at its first write
    EXPECT_EQ(copy[0], 'C');
    EXPECT_TRUE(UnmapViewOfFile(copy));
    EXPECT_TRUE(UnmapViewOfFile(shared));
    EXPECT_FALSE(UnmapViewOfFile(shared));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_ADDRESS));
}

TEST_F(FileMappingTest, BadRequestsFailWithThePlatformCodes) {
    HANDLE mapping = CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 0x20000, u"checks");
    ASSERT_NE(mapping, nullptr);
    HANDLE readOnly = OpenFileMappingW(FILE_MAP_READ, FALSE, u"checks");
    ASSERT_NE(readOnly, nullptr);
    HANDLE readOnlyMapping = CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READONLY, 0, 10, u"ro");
    ASSERT_NE(readOnlyMapping, nullptr);
    HANDLE mutex = CreateMutexW(nullptr, FALSE, u"a mutex");

    struct Case {
        const char* what;
        HANDLE handle;
        DWORD access, offsetLow;
        SIZE_T bytes;
        DWORD error;
    };
    const Case views[] = {
        {"offset off the granularity", mapping, FILE_MAP_READ, 4096, 0, ERROR_MAPPED_ALIGNMENT},
        {"offset at the end", mapping, FILE_MAP_READ, 0x20000, 0, ERROR_ACCESS_DENIED},
        {"range past the end", mapping, FILE_MAP_READ, 0x10000, 0x10001, ERROR_ACCESS_DENIED},
        {"write through a read handle", readOnly, FILE_MAP_WRITE, 0, 0, ERROR_ACCESS_DENIED},
        {"write to a read-only mapping", readOnlyMapping, FILE_MAP_ALL_ACCESS, 0, 0, ERROR_ACCESS_DENIED},
        {"no access asked", mapping, 0, 0, 0, ERROR_INVALID_PARAMETER},
        {"not a mapping", mutex, FILE_MAP_READ, 0, 0, ERROR_INVALID_HANDLE},
    };
    for (const Case& c : views) {
        SCOPED_TRACE(c.what);
        SetLastError(ERROR_SUCCESS);
        EXPECT_EQ(MapViewOfFile(c.handle, c.access, 0, c.offsetLow, c.bytes), nullptr);
        EXPECT_EQ(GetLastError(), c.error);
    }

    struct CreateCase {
        const char* what;
        HANDLE file;
        DWORD protect, sizeLow;
        const char16_t* name;
        DWORD error;
    };
    const CreateCase creates[] = {
        {"a file handle", nullptr, PAGE_READWRITE, 10, u"new", ERROR_INVALID_HANDLE},
        {"no size", INVALID_HANDLE_VALUE, PAGE_READWRITE, 0, u"new", ERROR_INVALID_PARAMETER},
        {"unknown protection", INVALID_HANDLE_VALUE, 0x40, 10, u"new", ERROR_INVALID_PARAMETER},
        {"the name of a mutex", INVALID_HANDLE_VALUE, PAGE_READWRITE, 10, u"a mutex", ERROR_INVALID_HANDLE},
    };
    for (const CreateCase& c : creates) {
        SCOPED_TRACE(c.what);
        SetLastError(ERROR_SUCCESS);
        EXPECT_EQ(CreateFileMappingW(c.file, nullptr, c.protect, 0, c.sizeLow, c.name), nullptr);
        EXPECT_EQ(GetLastError(), c.error);
    }
    EXPECT_EQ(OpenFileMappingW(FILE_MAP_ALL_ACCESS, FALSE, u"ro"), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_EQ(OpenFileMappingW(FILE_MAP_READ, FALSE, u"a mutex"), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    EXPECT_EQ(WaitForSingleObject(mapping, 0), WAIT_FAILED);  // mappings are not waitable

    for (HANDLE h : {mapping, readOnly, readOnlyMapping, mutex}) CloseHandle(h);
}

}  // namespace
