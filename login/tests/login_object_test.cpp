// The login object over a created vault: the three ways of a login and how
// each ends, what a login hands to the caller, the wait for the server
// program, and logout.
#include "login_fixture.h"

#include "com/error_info.h"
#include "com/server/com_object.h"
#include "common/error_codes.h"
#include "login/login_class.h"
#include "login/login_errors.h"
#include "winapi/sync.h"

#include <atomic>
#include <thread>

using namespace login_test;
using namespace DunmorrowLib;

namespace {

constexpr HRESULT kWrongUser = static_cast<HRESULT>(0x80040200);

// A login object of the test, on the test's counting system.
class LoginObject {
public:
    explicit LoginObject(login::LoginSystem& system) {
        EXPECT_EQ(CComObject<CLogin>::CreateInstance(&object_), S_OK);
        object_->AddRef();
        object_->SetSystem(system);
    }
    ~LoginObject() { object_->Release(); }
    LoginObject(const LoginObject&) = delete;
    LoginObject& operator=(const LoginObject&) = delete;

    CLogin* operator->() const { return object_; }

private:
    CComObject<CLogin>* object_ = nullptr;
};

// Counts the pulses of a named event while it lives.
class PulseWatcher {
public:
    explicit PulseWatcher(const WCHAR* name) : event_(CreateEventW(nullptr, TRUE, FALSE, name)) {
        thread_ = std::thread([this] {
            while (!stop_)
                if (WaitForSingleObject(event_, 10) == WAIT_OBJECT_0) ++pulses_;
        });
    }
    ~PulseWatcher() {
        stop_ = true;
        thread_.join();
        CloseHandle(event_);
    }
    PulseWatcher(const PulseWatcher&) = delete;
    PulseWatcher& operator=(const PulseWatcher&) = delete;

    int Pulses() const { return pulses_; }

private:
    HANDLE event_;
    std::atomic<bool> stop_{false};
    std::atomic<int> pulses_{0};
    std::thread thread_;
};

// The description of the error info the last call left, taken.
std::u16string TakeErrorDescription() {
    IErrorInfo* info = nullptr;
    if (GetErrorInfo(0, &info) != S_OK || !info) return {};
    BSTR description = nullptr;
    info->GetDescription(&description);
    std::u16string text = Text(description);
    SysFreeString(description);
    info->Release();
    return text;
}

class LoginObjectTest : public LoginFixture {};

// Every way a login can take and end: its code, whether the dialog was
// shown, whether the login table changed, and - on failure - that the
// caller got no connection and none stayed open.
TEST_F(LoginObjectTest, EachWayEndsWithItsCodeAndLeavesNoConnectionOnFailure) {
    vaultadmin::VaultRegistration gone = created_.registration;
    gone.name = u"Gone";
    gone.dbName = u"Gone";  // no such database
    vaultadmin::RegisterVault(vaultadmin::RegistryScope::Machine, gone);

    enum Table { kNoTable, kEmptyTable, kStoredLogin, kStoredUnknownUser };
    struct Case {
        const char* what;
        const char16_t* vault;
        bool direct;
        const char16_t* user;  // the request's (direct) or typed into the dialog (none: no check)
        const char16_t* password;
        std::optional<int> dialogResult;
        Table table;
        HRESULT expected;
        bool dialogShown;
        bool tableChanged;
        int databaseVersion = 2801;
        bool serverStartable = true;
    };
    using login::E_LOGIN_TABLE_MISSING;
    const Case cases[] = {
        {"direct", kVault, true, kUser, kPassword, {}, kEmptyTable, S_OK, false, false},
        {"direct, unknown user", kVault, true, u"Nobody", kPassword, {}, kEmptyTable, kWrongUser, false, false},
        {"direct, database gone",
         u"Gone",
         true,
         kUser,
         kPassword,
         {},
         kEmptyTable,
         E_OXN_CANT_OPEN_DATABASE,
         false,
         false},
        {"direct, vault not registered",
         u"Nowhere",
         true,
         kUser,
         kPassword,
         {},
         kEmptyTable,
         E_OXN_MISSING_VIEW_INFO,
         false,
         false},
        {"stored login", kVault, false, nullptr, nullptr, {}, kStoredLogin, S_OK, false, false},
        {"stored login of a removed user",
         kVault,
         false,
         nullptr,
         nullptr,
         {},
         kStoredUnknownUser,
         kWrongUser,
         false,
         false},
        {"stored login, vault not registered",
         u"Nowhere",
         false,
         nullptr,
         nullptr,
         {},
         kStoredLogin,
         E_OXN_MISSING_VIEW_INFO,
         false,
         false},
        {"dialog accepted", kVault, false, kUser, kPassword, {}, kEmptyTable, S_OK, true, true},
        {"dialog with another success result", kVault, false, kUser, kPassword, 7, kEmptyTable, S_OK, true, true},
        {"dialog not shown", kVault, false, nullptr, nullptr, 0, kEmptyTable, E_OXN_MISSING_TAVROSK_MODULE, true,
         false},
        {"dialog cancelled after a wrong password",
         kVault,
         false,
         kUser,
         u"guess",
         {},
         kEmptyTable,
         E_OXN_CANCELLED_BY_USER,
         true,
         false},
        {"dialog cancelled after a good check", kVault, false, kUser, kPassword, 2, kEmptyTable,
         E_OXN_CANCELLED_BY_USER, true, false},
        {"dialog database failure", kVault, false, kUser, kPassword, 3, kEmptyTable, E_OXN_CANT_OPEN_DATABASE, true,
         false},
        {"dialog accepted without a check", kVault, false, nullptr, nullptr, 1, kEmptyTable, E_OXN_CANT_OPEN_DATABASE,
         true, false},
        {"dialog with another result without a check", kVault, false, nullptr, nullptr, 7, kEmptyTable,
         E_OXN_CANT_OPEN_DATABASE, true, false},
        {"database version 28.00",
         kVault,
         false,
         kUser,
         kPassword,
         {},
         kEmptyTable,
         E_OXN_SQLSERVER_UNSUPPORTED_VERSION,
         true,
         false,
         2800},
        {"database version 29.01",
         kVault,
         false,
         kUser,
         kPassword,
         {},
         kEmptyTable,
         E_OXN_SQLSERVER_UNSUPPORTED_VERSION,
         true,
         false,
         2901},
        {"no table, server program not startable",
         kVault,
         false,
         kUser,
         kPassword,
         {},
         kNoTable,
         E_LOGIN_TABLE_MISSING,
         false,
         false,
         2801,
         false},
        {"no table, server program never makes it",
         kVault,
         false,
         kUser,
         kPassword,
         {},
         kNoTable,
         E_LOGIN_TABLE_MISSING,
         false,
         false},
    };
    const int baseline = OpenConnections();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        DropLoginTable();
        if (c.table != kNoTable) MakeLoginTable();
        if (c.table == kStoredLogin) StoreLogin(c.vault, kUser);
        if (c.table == kStoredUnknownUser) StoreLogin(c.vault, u"Nobody");
        SetDatabaseVersion(c.databaseVersion);
        const std::vector<BYTE> before = TableBytes();

        CountingSystem system;
        system.serverStartable = c.serverStartable;
        system.dialogUser = {c.user && !c.direct ? c.user : u"", c.password ? c.password : u"", c.dialogResult};
        Request request(c.vault, c.direct, c.user ? c.user : u"", c.password ? c.password : u"");
        HeldResult result;
        {
            LoginObject login(system);
            EXPECT_EQ(login->Login(request.info, &result.r), c.expected);
        }
        com_testing::ClearPendingErrorInfo();
        EXPECT_EQ(system.dialogsShown > 0, c.dialogShown);
        EXPECT_EQ(TableBytes() != before, c.tableChanged);
        if (SUCCEEDED(c.expected)) {
            EXPECT_NE(result.Connection(), nullptr);
            EXPECT_EQ(OpenConnections(), baseline + 1);
        } else {
            EXPECT_EQ(result.r.mpoSpMgr, 0u);
            EXPECT_EQ(OpenConnections(), baseline);
        }
        result.Clear();
        EXPECT_EQ(OpenConnections(), baseline);
    }
    SetDatabaseVersion(2801);
}

// What a login hands over is the same whichever way it went: the user, the
// user's system rights, the vault's facts and its root item folder.
TEST_F(LoginObjectTest, EveryWayHandsOverTheUserAndTheVault) {
    const LONG dateFormat = static_cast<LONG>(Scalar("SELECT date_format FROM vault"));
    ASSERT_NE(rootItemFolder_, 0);
    struct Way {
        const char* what;
        bool direct;
        bool stored;
    } const ways[] = {{"direct", true, false}, {"stored", false, true}, {"dialog", false, false}};
    for (const Way& way : ways) {
        SCOPED_TRACE(way.what);
        DropLoginTable();
        MakeLoginTable();
        if (way.stored) StoreLogin(kVault, kUser);
        CountingSystem system;
        system.dialogUser = {kUser, kPassword};
        Request request(kVault, way.direct);
        HeldResult result;
        result.r.mlSystemRights = -1;  // written on every way
        LoginObject login(system);
        ASSERT_EQ(login->Login(request.info, &result.r), S_OK);

        EXPECT_EQ(result.r.mlUserID, userId_);
        EXPECT_EQ(result.r.mlSystemRights, kUserSystemRights);
        EXPECT_EQ(Text(result.r.moUsername), kUser);
        EXPECT_EQ(Text(result.r.moUserPwd), kPassword);
        EXPECT_EQ(result.r.musPort, static_cast<LONG>(created_.registration.serverPort));
        EXPECT_EQ(result.r.mlArchiveServerID, 0);
        EXPECT_EQ(result.r.mlDateFmt, dateFormat);
        EXPECT_EQ(Text(result.r.mbsAServer), created_.registration.serverLoc);
        EXPECT_EQ(result.r.mlRootItemFolderID, rootItemFolder_);
        EXPECT_EQ(result.r.moVaultGUID, created_.vaultId);
        // The connection is open on the vault and logged in as the user.
        ASSERT_NE(result.Connection(), nullptr);
        EXPECT_NE(result.Connection()->mpoGetUser(), nullptr);
    }
}

// A dialog login stores what the dialog accepted for the session's other
// processes, after the entries there; the next login of the vault, in any
// letter case, then goes without a dialog.
TEST_F(LoginObjectTest, DialogLoginIsStoredAndServesTheNextLogin) {
    StoreLogin(kAlias, kUser);
    CountingSystem system;
    {
        system.dialogUser = {kUser, kPassword};
        Request request(u"demo", false);  // the registry finds the vault in any letter case
        HeldResult result;
        LoginObject login(system);
        ASSERT_EQ(login->Login(request.info, &result.r), S_OK);
        EXPECT_EQ(system.dialogsShown, 1);
    }
    const std::vector<std::pair<std::u16string, std::u16string>> expected = {{kAlias, kUser}, {u"demo", kUser}};
    EXPECT_EQ(Entries(), expected);

    LoginTableView view{view_, kLoginTableBytes, 0};
    ASSERT_TRUE(FindLoginTableEntry(view, kVault));
    LoginTableEntry entry;
    ASSERT_TRUE(ParseLoginTableEntry(view, entry));
    EXPECT_EQ(entry.moDbServer, created_.registration.dbServer);
    EXPECT_EQ(entry.moPassword, kPassword);
    EXPECT_EQ(entry.moShellRoot, created_.registration.shellRoot);
    EXPECT_EQ(entry.mlUserID, userId_);
    EXPECT_GT(entry.mlLoginValue, 0);    // the login's session in the vault
    EXPECT_NE(entry.mlVerification, 0);  // the vault server's token
    EXPECT_EQ(entry.mlProgramType, kLoginProgramType);

    system.dialogUser = {u"", u"", 2};  // a dialog now would be cancelled
    Request again(kVault, false);
    HeldResult result;
    LoginObject login(system);
    EXPECT_EQ(login->Login(again.info, &result.r), S_OK);
    EXPECT_EQ(system.dialogsShown, 1);
}

// A direct login needs no login table: it neither opens nor makes one, and
// starts no server program.
TEST_F(LoginObjectTest, DirectLoginLeavesTheTableAndTheServerProgramAlone) {
    CountingSystem system;
    Request request(kVault, true);
    {
        HeldResult result;
        LoginObject login(system);
        ASSERT_EQ(login->Login(request.info, &result.r), S_OK);
        EXPECT_EQ(Text(result.r.moUsername), kUser);
    }
    EXPECT_EQ(system.serverStarts, 0);
    EXPECT_TRUE(system.pauses.empty());
    EXPECT_EQ(system.dialogsShown, 0);
    EXPECT_FALSE(LoginTableExists());

    // With a stored login of another user, the request's credentials count.
    StoreLogin(kVault, u"Admin");
    const std::vector<BYTE> before = TableBytes();
    PulseWatcher added(kLoginAddEventName);
    HeldResult result;
    LoginObject login(system);
    ASSERT_EQ(login->Login(request.info, &result.r), S_OK);
    EXPECT_EQ(Text(result.r.moUsername), kUser);
    EXPECT_EQ(TableBytes(), before);
    EXPECT_EQ(added.Pulses(), 0);
}

// A direct login takes its password from the caller, so the vault checks
// it against the user's salted hash, whatever database credentials come
// with it; a failed check leaves no connection. A stored login was checked
// when the dialog stored it: the session's own table is trusted as it
// stands.
TEST_F(LoginObjectTest, DirectLoginChecksThePasswordStoredLoginTrustsTheTable) {
    vaultadmin::AddUser(*vaultadmin::OpenRegisteredVault(kVault), u"Bob", u"builder", {});
    Scalar("UPDATE users SET deleted = 1 WHERE name = 'Bob'");

    struct Case {
        const char16_t* user;
        const char16_t* password;
        const char16_t* sqlUser;
        HRESULT expected;
    };
    const Case cases[] = {
        {kUser, kPassword, u"", S_OK},
        {u"ALICE", kPassword, u"", S_OK},  // names compare without case, passwords with
        {kUser, u"Wonderland", u"", kWrongUser},
        {kUser, u"wonderland ", u"", kWrongUser},
        {kUser, u"", u"", kWrongUser},
        {kUser, u"guess", u"sa", kWrongUser},  // database credentials say nothing of the user
        {u"Admin", u"guess", u"", kWrongUser},
        {u"Admin", vaultadmin::kDefaultAdminPassword, u"", S_OK},
        {u"Bob", u"builder", u"", kWrongUser},  // deleted
    };
    const int baseline = OpenConnections();
    for (const Case& c : cases) {
        SCOPED_TRACE(winapi::ToUtf8(std::u16string(c.user) + u"/" + c.password));
        CountingSystem system;
        Request request(kVault, true, c.user, c.password);
        SysFreeString(request.info.moSqlUsername);
        request.info.moSqlUsername = SysAllocString(c.sqlUser);
        HeldResult result;
        LoginObject login(system);
        EXPECT_EQ(login->Login(request.info, &result.r), c.expected);
        com_testing::ClearPendingErrorInfo();
        EXPECT_EQ(result.r.mpoSpMgr != 0, SUCCEEDED(c.expected));
        result.Clear();
        EXPECT_EQ(OpenConnections(), baseline);
    }

    // The table's entry holds a password the vault does not know: the stored
    // login still stands, with the table's password handed on.
    StoreLogin(kVault, kUser, u"remembered");
    CountingSystem system;
    Request stored(kVault, false, u"", u"");
    HeldResult result;
    LoginObject login(system);
    ASSERT_EQ(login->Login(stored.info, &result.r), S_OK);
    EXPECT_EQ(Text(result.r.moUserPwd), u"remembered");
    EXPECT_EQ(system.dialogsShown, 0);
}

// Without a login table the server program is started and the table looked
// for five times, a second apart, before the login gives up.
TEST_F(LoginObjectTest, WaitsFiveSecondsAtMostForTheServerProgramsTable) {
    {
        CountingSystem system;
        Request request(kVault, false);
        HeldResult result;
        LoginObject login(system);
        EXPECT_EQ(login->Login(request.info, &result.r), login::E_LOGIN_TABLE_MISSING);
        EXPECT_EQ(system.serverStarts, 1);
        EXPECT_EQ(system.pauses, std::vector<DWORD>(5, 1000));
    }
    {
        // The table appears during the third second: the login goes on to
        // the dialog.
        CountingSystem system;
        system.onPause = [this](size_t pauses) {
            if (pauses == 3) MakeLoginTable();
        };
        system.dialogUser = {kUser, kPassword};
        Request request(kVault, false);
        HeldResult result;
        LoginObject login(system);
        EXPECT_EQ(login->Login(request.info, &result.r), S_OK);
        EXPECT_EQ(system.pauses, std::vector<DWORD>(3, 1000));
        EXPECT_EQ(system.dialogsShown, 1);
        EXPECT_EQ(Entries().size(), 1u);
    }
}

// The system's own way of starting the server program fails when the
// shared location holds no server program. The build puts the server
// program beside every program, where the system finds it too, so the login
// runs in a copy of a child program in a folder of its own.
TEST_F(LoginObjectTest, MissingServerProgramFailsTheLoginAtOnce) {
    const std::filesystem::path folder = machine_.root() / "program";
    std::filesystem::create_directories(folder);
    std::filesystem::copy_file(testsupport::SiblingProgram("login_object_child"), folder / "login_object_child");
    testsupport::ChildProcess child(folder / "login_object_child", {});
    EXPECT_TRUE(child.WaitForLine("result 0x8004025b, no connection"));
    EXPECT_EQ(child.Wait(), 0);
    EXPECT_FALSE(LoginTableExists()) << "no server program was started";
}

// A database of another version is refused, and the error info tells the
// caller which version it has.
TEST_F(LoginObjectTest, UnsupportedDatabaseVersionIsNamedInTheErrorInfo) {
    MakeLoginTable();
    SetDatabaseVersion(2901);
    CountingSystem system;
    system.dialogUser = {kUser, kPassword};
    Request request(kVault, false);
    HeldResult result;
    LoginObject login(system);
    EXPECT_EQ(login->Login(request.info, &result.r), E_OXN_SQLSERVER_UNSUPPORTED_VERSION);
    EXPECT_EQ(TakeErrorDescription(),
              u"The version of the database \"Demo\" is 29.1, and the software version is 28.1.");
    EXPECT_TRUE(Entries().empty());
}

TEST_F(LoginObjectTest, LogoutWithoutATableDoesNothing) {
    CountingSystem system;
    PulseWatcher removed(kLoginRemoveEventName);
    LoginObject login(system);
    for (int i = 0; i < 20; ++i) {
        EXPECT_EQ(login->Logout(), S_OK);
        Sleep(5);
    }
    EXPECT_FALSE(LoginTableExists());
    EXPECT_EQ(system.serverStarts, 0);
    EXPECT_EQ(removed.Pulses(), 0);
}

// Logout removes the entry its dialog login added - the one of the vault's
// name, also when the vault's database has another name - and no other.
TEST_F(LoginObjectTest, LogoutRemovesTheEntryOfTheLoggedInVault) {
    for (const char16_t* vault : {kVault, kAlias}) {
        SCOPED_TRACE(winapi::ToUtf8(vault));
        DropLoginTable();
        MakeLoginTable();
        const char16_t* other = vault == kVault ? kAlias : kVault;
        StoreLogin(other, u"Admin");
        CountingSystem system;
        LoginObject login(system);
        {
            system.dialogUser = {kUser, kPassword};
            Request request(vault, false);
            HeldResult result;
            ASSERT_EQ(login->Login(request.info, &result.r), S_OK);
        }
        ASSERT_EQ(Entries().size(), 2u);

        PulseWatcher removed(kLoginRemoveEventName);
        // The watcher may not be waiting yet at the first pulse; a logout
        // again removes nothing more and pulses again.
        for (int i = 0; i < 200 && removed.Pulses() == 0; ++i) {
            EXPECT_EQ(login->Logout(), S_OK);
            Sleep(5);
        }
        EXPECT_GT(removed.Pulses(), 0);
        const std::vector<std::pair<std::u16string, std::u16string>> left = {{other, u"Admin"}};
        EXPECT_EQ(Entries(), left);
    }
}

// A login object that never logged in removes nothing.
TEST_F(LoginObjectTest, LogoutBeforeAnyLoginRemovesNothing) {
    StoreLogin(kVault, kUser);
    const std::vector<BYTE> before = TableBytes();
    CountingSystem system;
    LoginObject login(system);
    EXPECT_EQ(login->Logout(), S_OK);
    EXPECT_EQ(TableBytes(), before);
}

}  // namespace
