// The login dialog host: its callback slots and the credential check, over a
// created vault and a vault server object (a fake one where the real one
// cannot fail the way a case needs).
#include "com_testing/register_server.h"
#include "login/login_dialog_host.h"

#include "com/bstr.h"
#include "com/class_factory.h"
#include "com/runtime.h"
#include "com_testing/counting_class_factory.h"
#include "common/settings_light.h"
#include "common/error_catalogue.h"
#include "testsupport/fresh_machine.h"
#include "testsupport/registry_values.h"
#include "ui/message_box.h"
#include "ui_testing/scripted_prompter.h"
#include "vaultadmin/vault_creation.h"
#include "vaultserver/vault_server_component.h"
#include "vennacle/sp_mgr.h"
#include "winapi/modules.h"

#include <gtest/gtest.h>

#include <atomic>
#include <optional>
#include <string>

namespace {

constexpr HRESULT kLoginFailed = static_cast<HRESULT>(0x80040200);

// What the fake vault server object answers, and how many are alive.
struct FakeVaultServerScript {
    HRESULT credentials = S_OK;
    HRESULT verify = S_OK;
    LONG verification = 77;
    int alive = 0;
};
FakeVaultServerScript gFake;

class FakeVaultServer final : public IVaultServer {
public:
    FakeVaultServer() { ++gFake.alive; }

    static IUnknown* Make() { return new FakeVaultServer; }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (iid != IID_IUnknown && iid != IVaultServer::kIid) return E_NOINTERFACE;
        *out = static_cast<IVaultServer*>(this);
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --references_;
        if (left == 0) {
            --gFake.alive;
            delete this;
        }
        return left;
    }
    HRESULT STDMETHODCALLTYPE UnusedSlot3() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE UnusedSlot4() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE UnusedSlot5() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetDatabaseCredentials(BSTR, USHORT, BSTR, BSTR, BSTR, BSTR* dbUser,
                                                     BSTR* dbPassword) override {
        if (FAILED(gFake.credentials)) return gFake.credentials;
        *dbUser = SysAllocString(u"dbu");
        *dbPassword = SysAllocString(u"dbp");
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE UnusedSlot7() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE UnusedSlot8() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE UnusedSlot9() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE UnusedSlot10() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE UnusedSlot11() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE UnusedSlot12() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Verify(LONG* verification) override {
        *verification = gFake.verification;
        return gFake.verify;
    }

private:
    ~FakeVaultServer() = default;
    std::atomic<ULONG> references_{1};
};

// A machine with a created vault "Demo" (user Admin, password "admin"); the
// host is filled with the vault's connection settings.
class LoginDialogHostTest : public testsupport::FreshMachineTest {
protected:
    void SetUp() override {
        ASSERT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
        vaultadmin::VaultCreation request;
        request.name = u"Demo";
        request.serverFolder = machine_.root() / "server";
        request.viewFolder = machine_.root() / "view";
        vaultadmin::CreateVault(request);
        SettingsLight settings;
        ASSERT_TRUE(settings.mbGetVaultConnectionSettings(u"Demo", settings_));
        gFake = {};
    }
    void TearDown() override {
        if (cookie_) CoRevokeClassObject(*cookie_);
        CoUninitialize();
        EXPECT_EQ(gFake.alive, 0) << "the host keeps no vault server object";
    }

    void UseFakeVaultServer() {
        DWORD cookie = 0;
        ASSERT_EQ(
            CoRegisterClassObject(CLSID_VaultServer, &factory_, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &cookie),
            S_OK);
        cookie_ = cookie;
    }
    void RegisterRealVaultServer() { ASSERT_EQ(com_testing::RegisterServerLibrary(u"VaultServer.dll"), S_OK); }

    VaultConnectionSettings settings_;
    com_testing::CountingClassFactory factory_{&FakeVaultServer::Make};
    std::optional<DWORD> cookie_;
};

TEST_F(LoginDialogHostTest, CheckResults) {
    struct Case {
        const char* name;
        bool serverCreatable;
        HRESULT credentials;
        HRESULT verify;
        LONG verification;
        const char16_t* dbName;  // null: the vault's
        int expected;
    } const cases[] = {
        {"server object not creatable", false, S_OK, S_OK, 77, nullptr, kLoginCheckFailed},
        {"wrong user name or password", true, kLoginFailed, S_OK, 77, nullptr, kLoginCheckWrongCredentials},
        {"database cannot be opened", true, S_OK, S_OK, 77, u"Missing", kLoginCheckDatabaseFailure},
        {"verification fails", true, S_OK, E_FAIL, 77, nullptr, kLoginCheckDatabaseFailure},
        {"verification gives 0", true, S_OK, S_OK, 0, nullptr, kLoginCheckDatabaseFailure},
        {"all good", true, S_OK, S_OK, 77, nullptr, kLoginCheckAccepted},
    };
    ui_testing::ScriptedPrompter prompter;  // no answers: none of these shows a message
    UseFakeVaultServer();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (!c.serverCreatable) {
            CoRevokeClassObject(*cookie_);
            cookie_.reset();
        } else if (!cookie_) {
            UseFakeVaultServer();
        }
        gFake.credentials = c.credentials;
        gFake.verify = c.verify;
        gFake.verification = c.verification;
        VaultConnectionSettings settings = settings_;
        if (c.dbName) settings.DbName = c.dbName;

        Pruvane host;
        host.Fill(u"Demo", settings, nullptr);
        LoginDialog& dialog = host;  // as the dialog library calls it
        EXPECT_EQ(dialog.ConnectAndVerify(0, u"Admin", u"admin"), c.expected);
        EXPECT_EQ(gFake.alive, 0) << "the vault server interface is released";
        EXPECT_EQ(host.UserName(), u"Admin");
        EXPECT_EQ(host.Password(), u"admin");
        if (c.expected == kLoginCheckAccepted) {
            ASSERT_NE(host.Connection(), nullptr);
            EXPECT_NE(host.Connection()->mpoGetUser(), nullptr) << "an open connection";
            EXPECT_EQ(host.DbUser(), u"dbu");
            EXPECT_EQ(host.DbPassword(), u"dbp");
            EXPECT_EQ(host.VerificationValue(), 77);
        } else {
            EXPECT_EQ(host.Connection(), nullptr);
            EXPECT_EQ(host.DbUser(), u"");
            EXPECT_EQ(host.DbPassword(), u"");
        }
    }
}

TEST_F(LoginDialogHostTest, AnyOtherCredentialsFailureIsShownWithItsCatalogueText) {
    struct Case {
        const char16_t* machineCaption;  // the product key's default value; null: none
        const char16_t* userCaption;
        std::u16string expectedCaption;
    } const cases[] = {
        {nullptr, nullptr, u"ZENTRAVIKO Vyl"},
        {nullptr, u"User Product", u"User Product"},
        {u"Machine Product", u"User Product", u"Machine Product"},
    };
    UseFakeVaultServer();
    gFake.credentials = static_cast<HRESULT>(0x80040207);
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.expectedCaption.size());
        if (c.machineCaption) testsupport::WriteText(HKEY_LOCAL_MACHINE, kProductKeyPath, nullptr, c.machineCaption);
        if (c.userCaption) testsupport::WriteText(HKEY_CURRENT_USER, kProductKeyPath, nullptr, c.userCaption);
        ui_testing::ScriptedPrompter prompter;
        prompter.AnswerMessageBox(IDOK, [&](const ui::MessageBoxQuestion& question) {
            EXPECT_EQ(question.text, ErrorText(static_cast<HRESULT>(0x80040207)));
            EXPECT_EQ(question.caption, c.expectedCaption);
            EXPECT_EQ(question.style & MB_ICONMASK, static_cast<UINT>(MB_ICONWARNING));
        });
        Pruvane host;
        host.Fill(u"Demo", settings_, nullptr);
        EXPECT_EQ(host.ConnectAndVerify(0, u"Admin", u"admin"), kLoginCheckFailed);
        EXPECT_EQ(host.Connection(), nullptr);
    }
}

TEST_F(LoginDialogHostTest, ChecksAgainstTheRealVaultServer) {
    RegisterRealVaultServer();
    Pruvane host;
    host.Fill(u"Demo", settings_, nullptr);
    EXPECT_EQ(host.ConnectAndVerify(0, u"Admin", u"wrong"), kLoginCheckWrongCredentials);
    EXPECT_EQ(host.Connection(), nullptr);
    // Slot 10 is slot 7 again.
    EXPECT_EQ(host.ConnectAndVerifyAgain(0, u"admin", u"admin"), kLoginCheckAccepted);
    ASSERT_NE(host.Connection(), nullptr);
    EXPECT_NE(host.Connection()->mpoGetLoginInfo(), nullptr);
    EXPECT_NE(host.VerificationValue(), 0);
    EXPECT_EQ(host.UserName(), u"admin");
}

TEST_F(LoginDialogHostTest, AFailedCheckAfterASuccessfulOneDropsTheFirstConnection) {
    UseFakeVaultServer();
    Pruvane host;
    host.Fill(u"Demo", settings_, nullptr);
    ASSERT_EQ(host.ConnectAndVerify(0, u"Admin", u"admin"), kLoginCheckAccepted);
    SpMgr* first = host.Connection();
    first->AddRef();  // the test's own, to see the host's go
    gFake.verify = E_FAIL;
    EXPECT_EQ(host.ConnectAndVerify(0, u"Admin", u"admin"), kLoginCheckDatabaseFailure);
    EXPECT_EQ(host.Connection(), nullptr);
    EXPECT_EQ(first->Release(), 0u) << "the host dropped its reference";
}

TEST_F(LoginDialogHostTest, TakeConnectionPassesTheHostsReference) {
    UseFakeVaultServer();
    SpMgr* taken = nullptr;
    {
        Pruvane host;
        host.Fill(u"Demo", settings_, nullptr);
        ASSERT_EQ(host.ConnectAndVerify(0, u"Admin", u"admin"), kLoginCheckAccepted);
        taken = host.TakeConnection();
        EXPECT_EQ(host.Connection(), nullptr);
    }
    ASSERT_NE(taken, nullptr);
    EXPECT_NE(taken->mpoGetUser(), nullptr) << "still open after the host went";
    EXPECT_EQ(taken->Release(), 0u);
}

TEST(LoginDialogHostSlots, GetVaultNameCopiesWhatFits) {
    struct Case {
        int length;
        std::u16string expected;
    } const cases[] = {
        {0, std::u16string(u"######")},  // nothing written (the text would write before the buffer)
        {-3, std::u16string(u"######")},    {1, std::u16string(u"\0#####", 6)},
        {5, std::u16string(u"Vaul\0#", 6)}, {6, std::u16string(u"Vault\0", 6)},
    };
    Pruvane host;
    host.Fill(u"Vault", VaultConnectionSettings{}, nullptr);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.length);
        WCHAR buffer[6];
        std::u16string(u"######").copy(buffer, 6);
        LoginDialog& dialog = host;
        EXPECT_EQ(dialog.GetVaultName(buffer, c.length), 0);
        EXPECT_EQ(std::u16string(buffer, 6), std::u16string(c.expected.data(), 6));
    }
}

TEST(LoginDialogHostSlots, TheOtherSlotsAnswerAsTheLibraryExpects) {
    Pruvane host;
    LoginDialog& dialog = host;
    EXPECT_EQ(dialog.Reserved0(), 0);
    for (auto slot : {&LoginDialog::GetOptionA, &LoginDialog::GetOptionB, &LoginDialog::GetOptionC}) {
        USHORT value = 0xBEEF;
        EXPECT_EQ((dialog.*slot)(&value), 0);
        EXPECT_EQ(value, 0);
        EXPECT_EQ((dialog.*slot)(nullptr), 0);  // ignored, not written through
    }
    EXPECT_TRUE(dialog.IsAvailable());
    EXPECT_EQ(host.Connection(), nullptr);
    EXPECT_EQ(host.VerificationValue(), 0);
}

}  // namespace
