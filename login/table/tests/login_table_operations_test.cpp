#include "login/table/login_table.h"

#include "login_table_test_support.h"
#include "pulse_watcher.h"

#include "testsupport/fresh_machine.h"

#include <gtest/gtest.h>

namespace {

using tabletest::MakeEntry;
using tabletest::PulseWatcher;
using tabletest::TableContents;
using tabletest::TableMapping;
using tabletest::VaultNames;

using Names = std::vector<std::u16string>;

// A machine whose server program made the table; the sync objects and the
// mapping opened as the login server opens them.
class LoginTableOperationsTest : public testsupport::FreshMachineTest {
protected:
    void SetUp() override {
        ASSERT_TRUE(table_.ok());
        objects_ = OpenLoginSyncObjects();
        ASSERT_NE(objects_.mutex, nullptr);
        ASSERT_NE(objects_.addEvent, nullptr);
        ASSERT_NE(objects_.removeEvent, nullptr);
        ASSERT_TRUE(OpenLoginTableMapping(objects_));
    }
    void TearDown() override { CloseLoginSyncObjects(objects_); }

    bool Add(const LoginTableEntry& e, bool* stored = nullptr) {
        return AddLoginTableEntry(objects_, e.moDbServer.c_str(), e.moVaultName.c_str(), e.moUserName.c_str(),
                                  e.moPassword.c_str(), e.mlLoginValue, e.mlUserID, e.moDbUser.c_str(),
                                  e.moDbPassword.c_str(), e.mlVerification, e.mlProgramType, e.moShellRoot.c_str(),
                                  stored);
    }

    TableMapping table_;
    LoginSyncObjects objects_;
};

TEST_F(LoginTableOperationsTest, AddsToAnEmptyTableAndReadsTheLoginBack) {
    const LoginTableEntry added = MakeEntry(u"Vault", u"ann");
    bool stored = false;
    EXPECT_TRUE(Add(added, &stored));
    EXPECT_TRUE(stored);

    const TableContents contents = table_.Read();
    EXPECT_EQ(VaultNames(contents), Names{u"Vault"});
    EXPECT_EQ(contents.end, added.mlEncodedSize()) << "the entry at offset 0";

    LoginTableEntry read;
    ASSERT_TRUE(ReadLoginTableEntry(objects_, u"vault", read));
    EXPECT_EQ(read.moUserName, u"ann");
    EXPECT_EQ(read.moDbPassword, u"dbpass");
    EXPECT_EQ(read.mlVerification, 0x1234);
    EXPECT_EQ(read.mlProgramType, kLoginProgramType);
    EXPECT_FALSE(ReadLoginTableEntry(objects_, u"Other", read));
}

TEST_F(LoginTableOperationsTest, ReplacingAVaultLeavesOneEntryPlacedLast) {
    ASSERT_TRUE(Add(MakeEntry(u"Vault", u"ann")));
    ASSERT_TRUE(Add(MakeEntry(u"Other")));
    PulseWatcher added(kLoginAddEventName);
    PulseWatcher removed(kLoginRemoveEventName);
    ASSERT_TRUE(added.ok() && removed.ok());

    bool stored = false;
    EXPECT_TRUE(Add(MakeEntry(u"VAULT", u"bob"), &stored));
    EXPECT_TRUE(stored);

    const TableContents contents = table_.Read();
    EXPECT_EQ(VaultNames(contents), (Names{u"Other", u"VAULT"}));
    EXPECT_EQ(contents.entries.back().moUserName, u"bob");
    EXPECT_EQ(removed.Pulses(), 1);
    EXPECT_EQ(added.Pulses(), 1);
}

struct NotStoredCase {
    const char* name;
    LoginTableEntry entry;
};

void PrintTo(const NotStoredCase& c, std::ostream* out) { *out << c.name; }

LoginTableEntry WithoutDbServer() {
    LoginTableEntry entry = MakeEntry(u"vault", u"bob");
    entry.moDbServer.clear();
    return entry;
}

LoginTableEntry TooLarge() {
    LoginTableEntry entry = MakeEntry(u"vault", u"bob");
    entry.moShellRoot.assign(1000, u'x');  // fits alone, not beside the other vault's entry
    return entry;
}

class LoginTableNotStoredTest : public LoginTableOperationsTest, public ::testing::WithParamInterface<NotStoredCase> {};

// The add is done (the login succeeds), but the table keeps what it had: the
// vault's old login included.
TEST_P(LoginTableNotStoredTest, KeepsTheOldEntryAndReportsNotStored) {
    ASSERT_TRUE(Add(MakeEntry(u"Vault", u"ann")));
    LoginTableEntry big = MakeEntry(u"Big");
    big.moDbPassword.assign(1000, u'p');
    ASSERT_TRUE(Add(big));
    const TableContents before = table_.Read();
    PulseWatcher added(kLoginAddEventName);
    PulseWatcher removed(kLoginRemoveEventName);

    bool stored = true;
    EXPECT_TRUE(Add(GetParam().entry, &stored));
    EXPECT_FALSE(stored);

    const TableContents after = table_.Read();
    EXPECT_EQ(VaultNames(after), VaultNames(before));
    EXPECT_EQ(after.entries.front().moUserName, u"ann");
    EXPECT_EQ(added.Pulses(), 1);
    EXPECT_EQ(removed.Pulses(), 0) << "nothing was removed";
}

INSTANTIATE_TEST_SUITE_P(Cases, LoginTableNotStoredTest,
                         ::testing::Values(NotStoredCase{"EmptyDbServer", WithoutDbServer()},
                                           NotStoredCase{"DoesNotFit", TooLarge()}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(LoginTableOperationsTest, RemovesTheVaultWhateverItsCaseAndPulsesEvenWithoutAMatch) {
    ASSERT_TRUE(Add(MakeEntry(u"A")));
    ASSERT_TRUE(Add(MakeEntry(u"Vault")));
    ASSERT_TRUE(Add(MakeEntry(u"C")));
    PulseWatcher removed(kLoginRemoveEventName);

    EXPECT_TRUE(RemoveLoginTableEntry(objects_, u"vAULT"));
    EXPECT_EQ(VaultNames(table_.Read()), (Names{u"A", u"C"}));
    EXPECT_EQ(removed.Pulses(), 1);

    EXPECT_TRUE(RemoveLoginTableEntry(objects_, u"Missing"));
    EXPECT_EQ(VaultNames(table_.Read()), (Names{u"A", u"C"}));
    EXPECT_EQ(removed.Pulses(), 2);
}

TEST_F(LoginTableOperationsTest, WithoutTheMappingNothingIsDoneOrPulsed) {
    LoginSyncObjects noTable = OpenLoginSyncObjects();
    PulseWatcher added(kLoginAddEventName);
    PulseWatcher removed(kLoginRemoveEventName);
    const LoginTableEntry e = MakeEntry(u"Vault");
    bool stored = true;
    EXPECT_FALSE(AddLoginTableEntry(noTable, e.moDbServer.c_str(), e.moVaultName.c_str(), u"u", u"p", 1, 2, u"d", u"q",
                                    3, 2, u"R\\", &stored));
    EXPECT_FALSE(RemoveLoginTableEntry(noTable, u"Vault"));
    LoginTableEntry read;
    EXPECT_FALSE(ReadLoginTableEntry(noTable, u"Vault", read));
    EXPECT_EQ(added.Pulses(), 0);
    EXPECT_EQ(removed.Pulses(), 0);
    EXPECT_TRUE(table_.Read().entries.empty());
    CloseLoginSyncObjects(noTable);
    EXPECT_EQ(noTable.mutex, nullptr);
    EXPECT_EQ(noTable.addEvent, nullptr);
}

using LoginTableMappingTest = testsupport::FreshMachineTest;

TEST_F(LoginTableMappingTest, AMappingTooSmallForTheTableIsNotRead) {
    TableMapping small(100);
    ASSERT_TRUE(small.ok());
    LoginSyncObjects objects = OpenLoginSyncObjects();
    ASSERT_TRUE(OpenLoginTableMapping(objects));
    const LoginTableEntry e = MakeEntry(u"Vault");
    EXPECT_FALSE(AddLoginTableEntry(objects, e.moDbServer.c_str(), e.moVaultName.c_str(), u"u", u"p", 1, 2, u"d", u"q",
                                    3, 2, u"R\\"));
    LoginTableEntry read;
    EXPECT_FALSE(ReadLoginTableEntry(objects, u"Vault", read));
    CloseLoginSyncObjects(objects);
}

TEST_F(LoginTableMappingTest, WithoutTheServerProgramThereIsNoMapping) {
    LoginSyncObjects objects = OpenLoginSyncObjects();
    EXPECT_FALSE(OpenLoginTableMapping(objects));
    EXPECT_EQ(objects.mapping, nullptr);
    CloseLoginSyncObjects(objects);
}

}  // namespace
