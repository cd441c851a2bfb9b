// The client library's login, connection information and logout, as the
// item server's client back end and item manager call them.
#include "client_fixture.h"

#include "com_testing/bstr_text.h"
#include "common/error_codes.h"

#include <cstring>

namespace {

using namespace tavrosk_test;
using TavroskClientLib::LoginRecord;

constexpr HRESULT kNotLoggedIn = E_OXN_NOT_LOGGED_IN;

// The record as the item manager reads it: by byte offset.
struct ConnectionBytes {
    explicit ConnectionBytes(const LoginRecord& record) { std::memcpy(bytes, &record, sizeof bytes); }
    GUID Guid(size_t offset) const {
        GUID guid;
        std::memcpy(&guid, bytes + offset, sizeof guid);
        return guid;
    }
    template <class T>
    T At(size_t offset) const {
        T value;
        std::memcpy(&value, bytes + offset, sizeof value);
        return value;
    }
    unsigned char bytes[120];
};

class LoginTest : public ClientTest {};

TEST_F(LoginTest, ConnectionInformationGivesBackTheSessionAtItsOffsetsAfterTheCallerFreedItsStrings) {
    auto client = CreateClient();
    auto services = Services(client);
    {
        LoginStrings strings;  // freed before the information is asked for: the library keeps copies
        LoginRecord login = AliceLogin(strings);
        ASSERT_EQ(services->Login(&login), S_OK);
    }
    EXPECT_EQ(OtherReferences(connection_), 1u);  // the session's own

    LoginRecord info{};
    ASSERT_EQ(services->GetConnectionInformation(&info), S_OK);
    const ConnectionBytes read(info);
    EXPECT_EQ(read.Guid(8), vaultGuid_);
    EXPECT_EQ(read.Guid(24), kViewGuid);
    EXPECT_EQ(com_testing::Text(read.At<BSTR>(40)), u"C:\\Views\\Demo\\");
    EXPECT_EQ(read.At<int32_t>(100), vault_.alice);
    EXPECT_EQ(read.At<int32_t>(112), kAliceRights);
    // Only what the caller reads is filled: everything else stays 0, so the
    // caller frees exactly the view path.
    for (size_t offset : {0, 48, 56, 64, 72, 80, 88, 96, 104, 108, 116})
        EXPECT_EQ(read.At<int32_t>(offset), 0) << "offset " << offset;
    EXPECT_EQ(read.At<uint64_t>(0), 0u);
    SysFreeString(info.moViewPath);

    // Asked again, a fresh copy each time.
    LoginRecord again{};
    ASSERT_EQ(services->GetConnectionInformation(&again), S_OK);
    EXPECT_EQ(com_testing::Text(again.moViewPath), u"C:\\Views\\Demo\\");
    SysFreeString(again.moViewPath);
}

TEST_F(LoginTest, AViewPathTheLoginDidNotHaveComesBackNullAndAnEmptyOneEmpty) {
    auto services = Services(CreateClient());
    LoginStrings strings;
    for (BSTR viewPath : {static_cast<BSTR>(nullptr), SysAllocString(u"")}) {
        LoginRecord login = AliceLogin(strings);
        login.moViewPath = viewPath;
        ASSERT_EQ(services->Login(&login), S_OK);
        LoginRecord info{};
        ASSERT_EQ(services->GetConnectionInformation(&info), S_OK);
        EXPECT_EQ(info.moViewPath == nullptr, viewPath == nullptr);
        EXPECT_EQ(SysStringLen(info.moViewPath), 0u);
        SysFreeString(info.moViewPath);
        SysFreeString(viewPath);
    }
}

TEST_F(LoginTest, ARecordThatIsNotALoginToThisVaultIsRefusedAndLeavesNoSession) {
    // What the cases put into the record instead of Alice's login.
    struct Substitutes {
        SpMgr* unopened;
        BSTR stranger;
        BSTR empty;
    } const substitutes{new SpMgr(false), SysAllocString(u"Mallory"), SysAllocString(u"")};
    struct Case {
        const char* what;
        void (*change)(LoginRecord&, const Substitutes&);
        HRESULT expected;
    } const cases[] = {
        {"no connection", [](LoginRecord& r, const Substitutes&) { r.mpoSpMgr = nullptr; }, E_INVALIDARG},
        {"a connection never opened", [](LoginRecord& r, const Substitutes& s) { r.mpoSpMgr = s.unopened; },
         E_INVALIDARG},
        {"no user name", [](LoginRecord& r, const Substitutes&) { r.moUsername = nullptr; }, E_INVALIDARG},
        {"an empty user name", [](LoginRecord& r, const Substitutes& s) { r.moUsername = s.empty; }, E_INVALIDARG},
        {"a user the vault does not know", [](LoginRecord& r, const Substitutes& s) { r.moUsername = s.stranger; },
         E_OXN_LOGIN_FAILED},
        {"another user's id", [](LoginRecord& r, const Substitutes&) { r.mlUserID += 1000; }, E_OXN_LOGIN_FAILED},
        {"another vault's GUID", [](LoginRecord& r, const Substitutes&) { r.moVaultGUID.Data1 ^= 1; },
         E_OXN_CANT_OPEN_DATABASE},
    };
    auto services = Services(CreateClient());
    LoginStrings strings;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        LoginRecord login = AliceLogin(strings);
        c.change(login, substitutes);
        EXPECT_EQ(services->Login(&login), c.expected);
        LoginRecord info{};
        EXPECT_EQ(services->GetConnectionInformation(&info), kNotLoggedIn);
        EXPECT_EQ(OtherReferences(connection_), 0u);
    }
    EXPECT_EQ(services->Login(nullptr), E_POINTER);
    EXPECT_EQ(substitutes.unopened->Release(), 0u);
    SysFreeString(substitutes.stranger);
    SysFreeString(substitutes.empty);
}

TEST_F(LoginTest, ASecondLoginReplacesTheSessionOnlyWhenItSucceeds) {
    auto services = Services(CreateClient());
    LoginStrings strings;
    LoginRecord alice = AliceLogin(strings);
    ASSERT_EQ(services->Login(&alice), S_OK);

    // Bob under Alice's id: refused, Alice's session stands.
    SpMgr* second = OpenConnection();
    LoginStrings bobStrings;
    bobStrings.user = u"Bob";
    bobStrings.viewPath = u"C:\\Views\\Bob\\";
    LoginRecord bob = AliceLogin(bobStrings, second);
    bob.mlSystemRights = 0;
    EXPECT_EQ(services->Login(&bob), E_OXN_LOGIN_FAILED);
    EXPECT_EQ(OtherReferences(second), 0u);
    LoginRecord info{};
    ASSERT_EQ(services->GetConnectionInformation(&info), S_OK);
    EXPECT_EQ(info.mlUserID, vault_.alice);
    SysFreeString(info.moViewPath);

    // Bob with his own id: his session, on his connection; Alice's is let go.
    bob.mlUserID = vault_.bob;
    ASSERT_EQ(services->Login(&bob), S_OK);
    EXPECT_EQ(OtherReferences(second), 1u);
    EXPECT_EQ(OtherReferences(connection_), 0u);
    info = {};
    ASSERT_EQ(services->GetConnectionInformation(&info), S_OK);
    EXPECT_EQ(info.mlUserID, vault_.bob);
    EXPECT_EQ(info.mlSystemRights, 0);
    EXPECT_EQ(com_testing::Text(info.moViewPath), u"C:\\Views\\Bob\\");
    SysFreeString(info.moViewPath);

    services = nullptr;  // the object goes with its last reference, and its session with it
    EXPECT_EQ(second->Release(), 0u);
}

TEST_F(LoginTest, LogoutEndsTheSessionAndLetsTheConnectionGo) {
    auto client = CreateClient();
    auto services = Services(client);
    EXPECT_EQ(client->Logout(), kNotLoggedIn);

    LoginStrings strings;
    LoginRecord login = AliceLogin(strings);
    ASSERT_EQ(services->Login(&login), S_OK);
    EXPECT_EQ(client->Logout(), S_OK);
    EXPECT_EQ(OtherReferences(connection_), 0u);

    LoginRecord info{};
    info.mlUserID = 77;  // untouched without a session
    EXPECT_EQ(services->GetConnectionInformation(&info), kNotLoggedIn);
    EXPECT_EQ(info.mlUserID, 77);
    EXPECT_EQ(client->Logout(), kNotLoggedIn);
    EXPECT_EQ(services->GetConnectionInformation(nullptr), E_POINTER);

    // A new login after the logout.
    ASSERT_EQ(services->Login(&login), S_OK);
    info = {};
    ASSERT_EQ(services->GetConnectionInformation(&info), S_OK);
    EXPECT_EQ(info.mlUserID, vault_.alice);
    SysFreeString(info.moViewPath);
}

}  // namespace
