// What the login object's tests share: a fresh machine with a created vault
// (registered as "Demo", and once more as "Demo Alias" for the same
// database), the session's login table standing in for the server program's,
// and a system whose waits and program starts are counted instead of done
// and whose dialog is a scripted user at the login server's own host.
#pragma once

#include "com/bstr.h"
#include "com/runtime.h"
#include "com_testing/leak_checked_test.h"
#include "com_testing/register_server.h"
#include "common/settings_light.h"
#include "dunmorrow/records.h"
#include "login/login_dialog_host.h"
#include "login/login_system.h"
#include "login/table/login_table.h"
#include "testsupport/child_process.h"
#include "testsupport/fresh_machine.h"
#include "testsupport/registry_values.h"
#include "vaultadmin/user_admin.h"
#include "vaultadmin/vault_creation.h"
#include "vaultadmin/vault_opening.h"
#include "vaultadmin/vault_registration.h"
#include "vaultdb/database.h"
#include "vaultdb/statement.h"
#include "vennacle/sp_mgr.h"
#include "winapi/file_mapping.h"
#include "winapi/modules.h"
#include "winapi/path_mapping.h"
#include "winapi/text.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace login_test {

inline constexpr char16_t kVault[] = u"Demo";
inline constexpr char16_t kAlias[] = u"Demo Alias";  // the same database under another name
inline constexpr char16_t kUser[] = u"Alice";
inline constexpr char16_t kPassword[] = u"wonderland";
inline const std::vector<DWORD> kUserRights = {4, 5, 8};
inline constexpr LONG kUserSystemRights = 12;  // 5 has its lowest bit set: not a system right

// What the user at the login dialog does: types `user` and `password` (no
// user: checks nothing) and ends the dialog with `result` (none: accepted
// when the check was, else cancelled). Like the dialog library, the user
// sees the vault name the host gives and has the credentials checked
// through the host's slots.
struct DialogUser {
    std::u16string user;
    std::u16string password;
    std::optional<int> result = {};

    int Play(LoginDialog& host) const {
        WCHAR vaultName[120] = {};
        host.GetVaultName(vaultName, 120);
        int checked = kLoginCheckFailed;
        if (!user.empty()) checked = host.ConnectAndVerify(0, user.c_str(), password.c_str());
        if (result) return *result;
        return checked == kLoginCheckAccepted ? kLoginDialogAccepted : kLoginDialogCancelled;
    }
};

// A system that counts instead of waiting and starting programs, and whose
// dialog is `dialogUser` at the host the login object made (counted too).
class CountingSystem : public login::LoginSystem {
public:
    void Pause(DWORD milliseconds) override {
        pauses.push_back(milliseconds);
        if (onPause) onPause(pauses.size());
    }
    bool StartServerProgram() override {
        ++serverStarts;
        return serverStartable;
    }
    int ShowDialog(Pruvane& host, LPCWSTR vaultName, const VaultConnectionSettings& settings,
                   const DunmorrowLib::LoginInfo& loginInfo) override {
        ++dialogsShown;
        // As ShowLoginDialog fills it: the request's window handle is 32 bits wide.
        host.Fill(vaultName, settings,
                  reinterpret_cast<HWND>(static_cast<UINT_PTR>(static_cast<DWORD>(loginInfo.mlParentWnd))));
        return dialogUser.Play(host);
    }

    std::vector<DWORD> pauses;
    std::function<void(size_t pausesSoFar)> onPause;
    int serverStarts = 0;
    bool serverStartable = true;
    int dialogsShown = 0;
    DialogUser dialogUser;
};

// A login result as the caller holds it: frees its strings and drops its
// connection reference when done.
struct HeldResult {
    DunmorrowLib::LoginResult r{};

    ~HeldResult() { Clear(); }
    void Clear() {
        SysFreeString(r.moUsername);
        SysFreeString(r.moUserPwd);
        SysFreeString(r.mbsAServer);
        if (r.mpoSpMgr) reinterpret_cast<SpMgr*>(r.mpoSpMgr)->Release();
        r = {};
    }
    SpMgr* Connection() const { return reinterpret_cast<SpMgr*>(r.mpoSpMgr); }
};

// A login request whose strings the test frees.
struct Request {
    DunmorrowLib::LoginInfo info{};

    Request(const std::u16string& vault, bool direct, const std::u16string& user = kUser,
            const std::u16string& password = kPassword) {
        info.moVaultName = SysAllocString(vault.c_str());
        info.moUsername = SysAllocString(user.c_str());
        info.moPassword = SysAllocString(password.c_str());
        info.moSqlUsername = SysAllocString(u"");
        info.moSqlPassword = SysAllocString(u"");
        info.mbDirectLogin = direct ? VARIANT_TRUE : VARIANT_FALSE;
    }
    ~Request() {
        for (BSTR text : {info.moVaultName, info.moUsername, info.moPassword, info.moSqlUsername, info.moSqlPassword})
            SysFreeString(text);
    }
    Request(const Request&) = delete;
    Request& operator=(const Request&) = delete;
};

inline std::u16string Text(BSTR text) { return com::BstrText(text); }

class LoginFixture : public com_testing::LeakChecked<testsupport::FreshMachineTest> {
protected:
    void SetUp() override {
        LeakChecked::SetUp();
        ASSERT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
        ASSERT_EQ(com_testing::RegisterServerLibrary(u"VaultServer.dll"), S_OK);

        vaultadmin::VaultCreation request;
        request.name = kVault;
        request.serverFolder = machine_.root() / "server";
        request.viewFolder = machine_.root() / "view";
        created_ = vaultadmin::CreateVault(request);
        vaultadmin::VaultRegistration alias = created_.registration;
        alias.name = kAlias;
        vaultadmin::RegisterVault(vaultadmin::RegistryScope::Machine, alias);
        userId_ = vaultadmin::AddUser(*vaultadmin::OpenRegisteredVault(kVault), kUser, kPassword, kUserRights);
        rootItemFolder_ = static_cast<LONG>(Scalar("SELECT root_item_folder_id FROM vault"));

        // An empty shared location: it holds no server program.
        const std::filesystem::path shared = machine_.root() / "shared";
        std::filesystem::create_directories(shared);
        testsupport::WriteText(HKEY_LOCAL_MACHINE, kProductKeyPath, u"SharedLocation",
                               winapi::FromPosixPath(shared.string()) + u"\\");
    }
    void TearDown() override {
        DropLoginTable();
        CoUninitialize();
        LeakChecked::TearDown();
    }

    // The first column of the first row of `sql`, on a connection of its
    // own: the test keeps none open, so that every open one is the login's.
    static int64_t Scalar(const char* sql) {
        std::unique_ptr<vaultdb::Database> database = vaultadmin::OpenRegisteredVault(kVault);
        std::unique_ptr<vaultdb::Statement> statement;
        EXPECT_EQ(database->Prepare(sql, statement), S_OK) << sql;
        return statement && statement->Step() == S_OK ? statement->ColumnInt64(0) : -1;
    }
    void SetDatabaseVersion(int version) {
        Scalar(("UPDATE vault SET database_version = " + std::to_string(version)).c_str());
    }

    // The login table of the session, as the server program makes it: an
    // empty table while this test holds it.
    void MakeLoginTable() {
        if (table_) return;
        table_ = CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                    static_cast<DWORD>(kLoginTableBytes), kLoginTableMappingName);
        ASSERT_NE(table_, nullptr);
        view_ = static_cast<BYTE*>(MapViewOfFile(table_, FILE_MAP_ALL_ACCESS, 0, 0, 0));
        ASSERT_NE(view_, nullptr);
    }
    void DropLoginTable() {
        if (view_) UnmapViewOfFile(view_);
        if (table_) CloseHandle(table_);
        view_ = nullptr;
        table_ = nullptr;
    }
    static bool LoginTableExists() {
        HANDLE mapping = OpenFileMappingW(FILE_MAP_READ, FALSE, kLoginTableMappingName);
        if (mapping) CloseHandle(mapping);
        return mapping != nullptr;
    }
    std::vector<BYTE> TableBytes() const {
        return view_ ? std::vector<BYTE>(view_, view_ + kLoginTableBytes) : std::vector<BYTE>();
    }
    // The login table's entries, in order: vault name and user name.
    std::vector<std::pair<std::u16string, std::u16string>> Entries() const {
        std::vector<std::pair<std::u16string, std::u16string>> entries;
        LoginTableView view{view_, kLoginTableBytes, 0};
        LoginTableEntry entry;
        while (ParseLoginTableEntry(view, entry)) {
            entries.emplace_back(entry.moVaultName, entry.moUserName);
            view.cursor += LoginTableEntry::mlEntrySize(view);
        }
        return entries;
    }
    // Stores a login of `vault` in the table, as an earlier dialog login of
    // the session did.
    void StoreLogin(const std::u16string& vault, const std::u16string& user,
                    const std::u16string& password = kPassword) {
        MakeLoginTable();
        LoginSyncObjects objects = OpenLoginSyncObjects();
        ASSERT_TRUE(OpenLoginTableMapping(objects));
        bool stored = false;
        EXPECT_TRUE(AddLoginTableEntry(objects, created_.registration.dbServer.c_str(), vault.c_str(), user.c_str(),
                                       password.c_str(), 1, userId_, u"", u"", 99, kLoginProgramType,
                                       created_.registration.shellRoot.c_str(), &stored));
        EXPECT_TRUE(stored);
        CloseLoginSyncObjects(objects);
    }

    // How many connections to the vault's database this process has open:
    // the descriptors of the database file. A connection reference that
    // nobody drops keeps its database open. (While another connection of
    // the process holds a lock on the file, the database library keeps a
    // closed connection's descriptor for reuse; the tests keep no
    // connection of their own open, so the count is exact.)
    int OpenConnections() const {
        const auto database = std::filesystem::weakly_canonical(created_.databaseFile);
        int open = 0;
        for (const auto& fd : std::filesystem::directory_iterator("/proc/self/fd")) {
            std::error_code error;
            if (std::filesystem::read_symlink(fd.path(), error) == database) ++open;
        }
        return open;
    }

    vaultadmin::CreatedVault created_;
    LONG userId_ = 0;
    LONG rootItemFolder_ = 0;
    HANDLE table_ = nullptr;
    BYTE* view_ = nullptr;
};

}  // namespace login_test
