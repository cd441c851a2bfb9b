// The vault object as a program creates it by class id and opens on a
// registered vault by name: it works as the user whose login the session's
// login table holds for that vault, from the moment there is one.
#include "brevanne/interfaces.h"
#include "com/ccom_ptr.h"
#include "com/runtime.h"
#include "com_testing/leak_checked_test.h"
#include "com_testing/register_server.h"
#include "common/error_codes.h"
#include "common/login_sync_objects.h"
#include "common/login_table_codec.h"
#include "oxnvault/ids.h"
#include "oxnvault/interfaces.h"
#include "testsupport/fresh_machine.h"
#include "vaultadmin/user_admin.h"
#include "vaultadmin/vault_creation.h"
#include "vaultadmin/vault_opening.h"
#include "winapi/file_mapping.h"
#include "winapi/handles.h"

#include <gtest/gtest.h>

namespace {

using namespace OxnVaultLib;

constexpr char16_t kVault[] = u"Demo";
constexpr char16_t kUser[] = u"Alice";
constexpr char16_t kPassword[] = u"wonderland";

class VaultObjectOpenTest : public com_testing::LeakChecked<testsupport::FreshMachineTest> {
protected:
    void SetUp() override {
        LeakChecked::SetUp();
        ASSERT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
        ASSERT_EQ(com_testing::RegisterServerLibrary(u"OxnVault.dll"), S_OK);
        vaultadmin::VaultCreation request;
        request.name = kVault;
        request.serverFolder = machine_.root() / "server";
        request.viewFolder = machine_.root() / "view";
        vaultadmin::CreateVault(request);
        userId_ = vaultadmin::AddUser(*vaultadmin::OpenRegisteredVault(kVault), kUser, kPassword, {});
    }
    void TearDown() override {
        vault_ = nullptr;
        if (table_) {
            UnmapViewOfFile(tableBytes_);
            CloseHandle(table_);
        }
        CoFreeUnusedLibraries();
        CoUninitialize();
        LeakChecked::TearDown();
    }

    // The vault object made by class id as the explorer makes it.
    void Create() {
        ASSERT_EQ(CoCreateInstance(CLSID_OxnVault, nullptr, 0x17, IOxnVault5::kIid, reinterpret_cast<void**>(&vault_)),
                  S_OK);
    }
    HRESULT Open(const char16_t* name) {
        BSTR text = SysAllocString(name);
        const HRESULT hr = vault_->Open(text, 0);
        SysFreeString(text);
        return hr;
    }
    // The session's login table (as its server program makes it) with the
    // login of `user` to `vault`, as the login server writes it.
    void LogInElsewhere(const char16_t* vault, const char16_t* user, const char16_t* password) {
        table_ = CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, kLoginTableBytes,
                                    kLoginTableMappingName);
        ASSERT_NE(table_, nullptr);
        tableBytes_ = MapViewOfFile(table_, FILE_MAP_ALL_ACCESS, 0, 0, kLoginTableBytes);
        ASSERT_NE(tableBytes_, nullptr);
        LoginTableView view{static_cast<BYTE*>(tableBytes_), kLoginTableBytes, 0};
        LoginTableEntry entry;
        entry.moDbServer = u"server";
        entry.moVaultName = vault;
        entry.moUserName = user;
        entry.moPassword = password;
        entry.mlUserID = userId_;
        entry.mlProgramType = kLoginProgramType;
        ASSERT_TRUE(LoginTable::mbAppend(view, entry));
    }
    HRESULT MakeUtility() {
        CComQIPtr<IOxnVault11> factory(vault_);
        if (!factory) return E_NOINTERFACE;
        CComPtr<IDispatch> utility;
        return factory->CreateUtility(kUtilityBatchGet, &utility);
    }

    // The user the object works as (0: none).
    LONG UserOf() {
        CComQIPtr<BrevanneLib::IVaultRapper> account(vault_);
        if (!account) return 0;
        LONG user = 0, dateFormat = 0, type = 0, version = 0, rights = 0;
        BSTR name = nullptr;
        const HRESULT hr = account->GetUserInfo(&user, &dateFormat, &name, &type, &version, &rights);
        SysFreeString(name);
        return SUCCEEDED(hr) ? user : 0;
    }

    CComPtr<IOxnVault5> vault_;
    LONG userId_ = 0;
    HANDLE table_ = nullptr;
    void* tableBytes_ = nullptr;
};

TEST_F(VaultObjectOpenTest, OpensOnlyARegisteredVaultAndOnlyOnce) {
    ASSERT_NO_FATAL_FAILURE(Create());
    EXPECT_EQ(vault_->Open(nullptr, 0), E_POINTER);
    EXPECT_EQ(Open(u"Nowhere"), E_OXN_MISSING_VIEW_INFO);
    EXPECT_EQ(Open(u""), E_OXN_MISSING_VIEW_INFO);
    EXPECT_EQ(Open(kVault), S_OK);
    EXPECT_EQ(Open(kVault), E_UNEXPECTED);
}

TEST_F(VaultObjectOpenTest, WorksAsTheSessionsLoginOnceThereIsOne) {
    ASSERT_NO_FATAL_FAILURE(Create());
    ASSERT_EQ(Open(kVault), S_OK);
    // Opened before the login (the explorer connects the vault object before
    // its item manager logs in): nothing to work as yet.
    EXPECT_EQ(MakeUtility(), E_OXN_NOT_INITIALIZED);

    ASSERT_NO_FATAL_FAILURE(LogInElsewhere(kVault, kUser, kPassword));
    EXPECT_EQ(MakeUtility(), S_OK);
    EXPECT_EQ(UserOf(), userId_);
}

TEST_F(VaultObjectOpenTest, ALoginPresentAtTheOpenIsTakenAtOnce) {
    ASSERT_NO_FATAL_FAILURE(LogInElsewhere(u"DEMO", kUser, kPassword));  // the table's names match in any case
    ASSERT_NO_FATAL_FAILURE(Create());
    ASSERT_EQ(Open(kVault), S_OK);
    EXPECT_EQ(UserOf(), userId_);
}

TEST_F(VaultObjectOpenTest, ALoginTheVaultRefusesGivesNoSession) {
    ASSERT_NO_FATAL_FAILURE(LogInElsewhere(kVault, kUser, u"guess"));
    ASSERT_NO_FATAL_FAILURE(Create());
    ASSERT_EQ(Open(kVault), S_OK);
    EXPECT_EQ(MakeUtility(), E_OXN_NOT_INITIALIZED);
}

}  // namespace
