// The explorer's login-table reader over the session's real table: a mapping
// of the table's size made as the server program makes it, entries written
// with the table's codec, and another process for the mutex.
#include "explorer/data/login_list.h"

#include "common/login_sync_objects.h"
#include "common/login_table_codec.h"
#include "testsupport/child_process.h"
#include "testsupport/fresh_machine.h"
#include "winapi/file_mapping.h"
#include "winapi/handles.h"
#include "winapi/sync.h"
#include "winapi/text.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

LoginTableEntry Entry(const std::u16string& vault, const std::u16string& user, const std::u16string& password,
                      int32_t loginValue) {
    LoginTableEntry entry;
    entry.moDbServer = u"C:\\Server\\";
    entry.moVaultName = vault;
    entry.moUserName = user;
    entry.moPassword = password;
    entry.moShellRoot = u"C:\\Views\\" + vault + u"\\";
    entry.mlLoginValue = loginValue;
    entry.mlUserID = 5;
    entry.mlProgramType = kLoginProgramType;
    return entry;
}

class LoginListTest : public testsupport::FreshMachineTest {
protected:
    void TearDown() override {
        CloseLoginSyncObjects(objects_);
        if (view_) UnmapViewOfFile(view_);
        if (table_) CloseHandle(table_);
    }

    // The session's table, as the server program makes it (`bytes` long).
    void MakeTable(size_t bytes = kLoginTableBytes) {
        table_ = CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, static_cast<DWORD>(bytes),
                                    kLoginTableMappingName);
        ASSERT_NE(table_, nullptr);
        view_ = static_cast<BYTE*>(MapViewOfFile(table_, FILE_MAP_ALL_ACCESS, 0, 0, 0));
        ASSERT_NE(view_, nullptr);
        size_ = bytes;
    }
    void Store(const std::vector<LoginTableEntry>& entries) {
        LoginTableView view{view_, size_, 0};
        for (const LoginTableEntry& entry : entries) ASSERT_TRUE(LoginTable::mbAppend(view, entry));
    }
    // The reader's objects, as the explorer opens them.
    void OpenObjects() {
        objects_ = OpenLoginSyncObjects();
        ASSERT_NE(objects_.mutex, nullptr);
        ASSERT_NE(objects_.addEvent, nullptr);
        ASSERT_NE(objects_.removeEvent, nullptr);
        ASSERT_TRUE(OpenLoginTableMapping(objects_));
    }

    struct Read {
        bool found = false;
        std::u16string user = u"untouched";
        std::u16string password = u"untouched";
        LONG loginValue = -7;
    };
    Read ReadLogin(LPCWSTR vault) {
        Read read;
        read.found = readLoginList(objects_, vault, read.user, read.password, read.loginValue);
        return read;
    }

    HANDLE table_ = nullptr;
    BYTE* view_ = nullptr;
    size_t size_ = 0;
    LoginSyncObjects objects_;
};

TEST_F(LoginListTest, TheEntryOfTheVaultIsFoundWithoutRegardToCase) {
    MakeTable();
    // Empty password and database strings still take their terminators.
    Store({Entry(u"First", u"ann", u"", 11), Entry(u"Vault1", u"bob", u"secret", 42)});
    OpenObjects();

    struct Case {
        const char16_t* asked;
        bool found;
        const char16_t* user;
        const char16_t* password;
        LONG loginValue;
    };
    for (const Case& c :
         {Case{u"Vault1", true, u"bob", u"secret", 42}, Case{u"VAULT1", true, u"bob", u"secret", 42},
          Case{u"first", true, u"ann", u"", 11}, Case{u"Vault", false, u"", u"", 0}, Case{u"", false, u"", u"", 0}}) {
        const Read read = ReadLogin(c.asked);
        EXPECT_EQ(read.found, c.found) << winapi::ToUtf8(c.asked);
        if (!c.found) {
            EXPECT_EQ(read.user, u"untouched");
            continue;
        }
        EXPECT_EQ(read.user, c.user);
        EXPECT_EQ(read.password, c.password);
        EXPECT_EQ(read.loginValue, c.loginValue);
    }
    EXPECT_FALSE(ReadLogin(nullptr).found);
}

TEST_F(LoginListTest, AnEmptyOrMissingTableHasNoLogins) {
    objects_ = OpenLoginSyncObjects();
    EXPECT_FALSE(OpenLoginTableMapping(objects_));
    EXPECT_FALSE(ReadLogin(u"Vault1").found);  // no mapping at all

    MakeTable();
    OpenObjects();
    EXPECT_FALSE(ReadLogin(u"Vault1").found);
}

TEST_F(LoginListTest, ADamagedTableIsReadUpToTheDamageAndNeverPastTheTable) {
    // The whole table is one unterminated string: no entry ends inside it.
    MakeTable();
    for (size_t i = 0; i < kLoginTableBytes; i += 2) std::memcpy(view_ + i, u"V", 2);
    OpenObjects();
    EXPECT_FALSE(ReadLogin(u"VVVV").found);

    // A good entry, then one whose strings run to the table's end.
    std::memset(view_, 0, kLoginTableBytes);
    Store({Entry(u"Good", u"ann", u"pw", 1)});
    LoginTableView view{view_, kLoginTableBytes, 0};
    const size_t end = LoginTable::mlEndOffset(view);
    for (size_t i = end; i < kLoginTableBytes; i += 2) std::memcpy(view_ + i, u"W", 2);
    EXPECT_TRUE(ReadLogin(u"good").found);
    EXPECT_FALSE(ReadLogin(u"WWWW").found);
}

TEST_F(LoginListTest, AMappingTooSmallForTheTableIsNotRead) {
    // A whole table, but in a mapping shorter than a table is.
    MakeTable(64);
    LoginTableEntry small;
    small.moDbServer = u"S";
    small.moVaultName = u"x";
    small.moUserName = u"u";
    Store({small});
    OpenObjects();
    EXPECT_FALSE(ReadLogin(u"x").found);
}

TEST_F(LoginListTest, WithoutTheMutexNothingIsRead) {
    MakeTable();
    Store({Entry(u"Vault1", u"bob", u"secret", 42)});
    OpenObjects();
    CloseHandle(objects_.mutex);
    objects_.mutex = nullptr;
    EXPECT_FALSE(ReadLogin(u"Vault1").found);
}

TEST_F(LoginListTest, AMutexWhoseHolderDiedIsTakenAndTheTableRead) {
    MakeTable();
    Store({Entry(u"Vault1", u"bob", u"secret", 42)});
    OpenObjects();
    testsupport::ChildProcess holder(testsupport::SiblingProgram("explorer_session_child"), {"hold-login-mutex"});
    ASSERT_TRUE(holder.WaitForLine("held"));
    holder.Kill();
    holder.Wait();

    const Read read = ReadLogin(u"Vault1");
    EXPECT_TRUE(read.found);
    EXPECT_EQ(read.user, u"bob");
    // Released again: the mutex is free for the next one.
    EXPECT_EQ(WaitForSingleObject(objects_.mutex, 0), WAIT_OBJECT_0);
    ReleaseMutex(objects_.mutex);
}

}  // namespace
