// The item manager's login as the explorer asks for it: through the login
// server, which shows the login dialog library of the build (the user at the
// dialog is played through the prompter) and keeps the accepted login in the
// session's login table until the logout. The test holds the table itself,
// as the server program would: no program is started.

#include "server_session_fixture.h"

#include "bellquist/ids.h"
#include "bellquist/manager_interfaces.h"
#include "com/bstr.h"
#include "com/runtime.h"
#include "com_testing/bstr_text.h"
#include "com_testing/leak_checked_test.h"
#include "common/error_codes.h"
#include "login/login_errors.h"
#include "login/table/login_table.h"
#include "pruvane_login_dialog.h"
#include "testsupport/fresh_machine.h"
#include "ui/window_messages.h"
#include "ui_testing/scripted_prompter.h"
#include "ui_testing/ui_test.h"
#include "vaultadmin/user_admin.h"
#include "vaultadmin/vault_creation.h"
#include "vaultadmin/vault_opening.h"
#include "vaultdb/database.h"
#include "vaultdb/statement.h"
#include "vennacle/sp_mgr.h"
#include "winapi/file_mapping.h"
#include "winapi/modules.h"
#include "winapi/path_mapping.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

using namespace BellquistLib;
using com_testing::Text;

namespace {

constexpr char16_t kUser[] = u"Alice";
constexpr char16_t kPassword[] = u"wonderland";

// The data a successful login hands out: the receiver frees the name and
// gives back the connection's reference.
struct HeldLoginData {
    LoginDataOut out{};

    ~HeldLoginData() {
        SysFreeString(out.moUsername);
        if (SpMgr* spMgr = Connection()) spMgr->Release();
    }
    SpMgr* Connection() const { return reinterpret_cast<SpMgr*>(static_cast<uintptr_t>(out.mpoSpMgr)); }
    // Gives the reference back now; returns the references left.
    ULONG ReleaseConnection() {
        SpMgr* spMgr = Connection();
        out.mpoSpMgr = 0;
        return spMgr->Release();
    }
};

class ManagerDialogLoginTest : public ServerSessionTest {
protected:
    void SetUp() override {
        ServerSessionTest::SetUp();
        if (HasFatalFailure()) return;
        ui_testing::EnsureApplication();
        userId_ = vaultadmin::AddUser(*vaultadmin::OpenRegisteredVault(kVault), kUser, kPassword, {4});
        rootItemFolder_ = RootItemFolder();
        MakeLoginTable();
        InitManager();
    }
    void TearDown() override {
        if (manager_) {
            EXPECT_EQ(manager_->Release(), 0u);
        }
        for (BSTR text : {vault_, init_.moDomainName, init_.moComputerName, init_.moViewPath}) SysFreeString(text);
        DropLoginTable();
        ServerSessionTest::TearDown();
    }

    // The vault's root item folder, read on a connection the test closes again.
    static LONG RootItemFolder() {
        std::unique_ptr<vaultdb::Database> database = vaultadmin::OpenRegisteredVault(kVault);
        std::unique_ptr<vaultdb::Statement> statement;
        EXPECT_EQ(database->Prepare("SELECT root_item_folder_id FROM vault", statement), S_OK);
        return statement && statement->Step() == S_OK ? static_cast<LONG>(statement->ColumnInt64(0)) : -1;
    }

    // The session's login table, empty, as the server program makes it.
    void MakeLoginTable() {
        table_ = CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                    static_cast<DWORD>(kLoginTableBytes), kLoginTableMappingName);
        ASSERT_NE(table_, nullptr);
        view_ = static_cast<BYTE*>(MapViewOfFile(table_, FILE_MAP_ALL_ACCESS, 0, 0, 0));
        ASSERT_NE(view_, nullptr);
    }
    void DropLoginTable() {
        if (view_) UnmapViewOfFile(view_);
        if (table_) CloseHandle(table_);
    }
    std::vector<BYTE> TableBytes() const { return std::vector<BYTE>(view_, view_ + kLoginTableBytes); }
    // The table's entry of the vault, read as every process of the session reads it.
    static std::optional<LoginTableEntry> StoredLogin() {
        LoginSyncObjects objects = OpenLoginSyncObjects();
        std::optional<LoginTableEntry> stored;
        if (LoginTableEntry entry; OpenLoginTableMapping(objects) && ReadLoginTableEntry(objects, kVault, entry))
            stored = entry;
        CloseLoginSyncObjects(objects);
        return stored;
    }

    void InitManager() {
        ASSERT_EQ(CoCreateInstance(CLSID_ItmManager, nullptr, CLSCTX_INPROC_SERVER, IItmManager2::kIid,
                                   reinterpret_cast<void**>(&manager_)),
                  S_OK);
        vault_ = SysAllocString(kVault);
        init_.meClientType = ClientType_Local_Client;
        init_.moDomainName = SysAllocString(u"WORK");
        init_.moComputerName = SysAllocString(u"PC-7");
        init_.moViewPath = SysAllocString(winapi::FromPosixPath((machine_.root() / "view").string()).c_str());
        init_.moViewGUID = created_.viewId;
        init_.moVaultGUID = created_.vaultId;
        ASSERT_EQ(manager_->Init(init_), S_OK);
    }

    // The user at the login dialog of the vault: types the credentials and
    // presses OK, or presses Cancel.
    void UserLogsIn() {
        prompter_.DriveDialog(pruvane::kLoginDialogId, [](ui::PromptedDialog& dialog) {
            EXPECT_EQ(dialog.ControlText(pruvane::kVaultNameControl), kVault);
            EXPECT_TRUE(dialog.SetControlText(pruvane::kUserNameControl, kUser));
            EXPECT_TRUE(dialog.SetControlText(pruvane::kPasswordControl, kPassword));
            EXPECT_TRUE(dialog.PressButton(IDOK));
            EXPECT_TRUE(dialog.IsEnded());
        });
    }
    void UserCancels() {
        prompter_.DriveDialog(pruvane::kLoginDialogId,
                              [](ui::PromptedDialog& dialog) { EXPECT_TRUE(dialog.PressButton(IDCANCEL)); });
    }

    LONG userId_ = 0;
    LONG rootItemFolder_ = 0;
    HANDLE table_ = nullptr;
    BYTE* view_ = nullptr;
    IItmManager2* manager_ = nullptr;
    InitData init_{};
    BSTR vault_ = nullptr;
    ui_testing::ScriptedPrompter prompter_;
};

TEST_F(ManagerDialogLoginTest, DialogLoginIsStoredForTheSessionUntilLogOut) {
    UserLogsIn();
    {
        HeldLoginData login;
        ASSERT_EQ(manager_->Login(vault_, &login.out), S_OK);
        EXPECT_EQ(prompter_.RunDialogs().size(), 1u);
        EXPECT_EQ(login.out.mlUserID, userId_);
        EXPECT_EQ(Text(login.out.moUsername), kUser);
        EXPECT_EQ(login.out.moVaultGUID, created_.vaultId);
        EXPECT_EQ(login.out.mlRootItemFolderID, rootItemFolder_);
        ASSERT_NE(login.Connection(), nullptr);
        EXPECT_NE(login.Connection()->mpoGetUser(), nullptr);  // open and logged in
        // The manager and the client library keep their references.
        EXPECT_EQ(login.ReleaseConnection(), 2u);
    }
    const std::optional<LoginTableEntry> stored = StoredLogin();
    ASSERT_TRUE(stored.has_value());
    EXPECT_EQ(stored->moVaultName, kVault);
    EXPECT_EQ(stored->moUserName, kUser);
    EXPECT_EQ(stored->moPassword, kPassword);
    EXPECT_EQ(stored->mlUserID, userId_);
    EXPECT_EQ(stored->moDbServer, created_.registration.dbServer);

    // The session knows the vault now: no dialog again.
    {
        HeldLoginData again;
        ASSERT_EQ(manager_->Login(vault_, &again.out), S_OK);
        EXPECT_EQ(prompter_.RunDialogs().size(), 1u);
        EXPECT_EQ(again.out.mlUserID, userId_);
        EXPECT_EQ(Text(again.out.moUsername), kUser);
        EXPECT_EQ(again.out.moVaultGUID, created_.vaultId);
        EXPECT_EQ(again.out.mlRootItemFolderID, rootItemFolder_);
        ASSERT_NE(again.Connection(), nullptr);
        EXPECT_EQ(again.ReleaseConnection(), 2u);
    }

    EXPECT_EQ(manager_->LogOut(), S_OK);
    EXPECT_FALSE(StoredLogin().has_value());
}

TEST_F(ManagerDialogLoginTest, CancelledDialogFailsTheLoginAndStoresNothing) {
    const std::vector<BYTE> before = TableBytes();
    UserCancels();
    HeldLoginData login;
    EXPECT_EQ(manager_->Login(vault_, &login.out), E_OXN_CANCELLED_BY_USER);
    EXPECT_EQ(prompter_.RunDialogs().size(), 1u);
    EXPECT_EQ(login.out.mpoSpMgr, 0u);
    EXPECT_EQ(login.out.moUsername, nullptr);
    EXPECT_FALSE(StoredLogin().has_value());
    EXPECT_EQ(TableBytes(), before);
}

}  // namespace
