// The client library's main object as the item server reaches it: created by
// its class id from the registered library, and called by vtable slot.
#include "client_fixture.h"

#include "testsupport/child_process.h"
#include "common/error_codes.h"
#include "winapi/guid_text.h"
#include "winapi/path_mapping.h"
#include "winapi/registry.h"

#include <chrono>

namespace {

using namespace tavrosk_test;
using TavroskClientLib::LoginRecord;

// Slot `slot` of the interface's vtable (QueryInterface is slot 0).
template <class Fn>
Fn Slot(void* itf, int slot) {
    return reinterpret_cast<Fn>((*reinterpret_cast<void***>(itf))[slot]);
}

class CreationTest : public ClientTest {};

TEST_F(CreationTest, TheObjectAnswersItsInterfacesWithOneIdentity) {
    auto client = CreateClient();
    ASSERT_TRUE(client);
    com::ComPtr<IUnknown> identity;
    ASSERT_EQ(client->QueryInterface(IID_PPV_ARGS(&identity)), S_OK);
    const IID interfaces[] = {TavroskClientLib::ITavroskServices::kIid, TavroskClientLib::ITavroskFolders::kIid,
                              TavroskClientLib::ITavroskFileInfo::kIid, IDispatch::kIid};
    for (const IID& iid : interfaces) {
        SCOPED_TRACE(testing::Message() << std::hex << iid.Data1);
        com::ComPtr<IUnknown> itf;
        ASSERT_EQ(client->QueryInterface(iid, reinterpret_cast<void**>(&itf)), S_OK);
        com::ComPtr<IUnknown> back;
        ASSERT_EQ(itf->QueryInterface(IID_PPV_ARGS(&back)), S_OK);
        EXPECT_EQ(back, identity);
    }
}

// Login (service slot 3), connection information (service slot 8) and
// logout (main slot 12) at the slots the item server calls.
TEST_F(CreationTest, LoginConnectionInformationAndLogoutSitAtTheirSlots) {
    auto client = CreateClient();
    auto services = Services(client);
    using RecordSlot = HRESULT (*)(void*, LoginRecord*);
    using NoArgumentSlot = HRESULT (*)(void*);

    LoginStrings strings;
    LoginRecord login = AliceLogin(strings);
    ASSERT_EQ(Slot<RecordSlot>(services, 3)(services, &login), S_OK);
    LoginRecord info{};
    ASSERT_EQ(Slot<RecordSlot>(services, 8)(services, &info), S_OK);
    EXPECT_EQ(info.mlUserID, vault_.alice);
    SysFreeString(info.moViewPath);
    EXPECT_EQ(Slot<NoArgumentSlot>(static_cast<TavroskClientLib::ITavroskClient*>(client), 12)(client), S_OK);
    EXPECT_EQ(services->GetConnectionInformation(&info), E_OXN_NOT_LOGGED_IN);
}

TEST_F(CreationTest, TheRegistrationToolRegistersAndUnregistersTheClass) {
    const std::u16string classKey = u"CLSID\\" + winapi::GuidToString(TavroskClientLib::CLSID_TavroskClient);
    const std::u16string library = winapi::FromPosixPath(testsupport::SiblingProgram("libTavroskClient.so").string());

    testsupport::ChildProcess unregister(testsupport::SiblingProgram("regsvr"), {"/s", "/u", "TavroskClient.dll"});
    ASSERT_EQ(unregister.Wait(std::chrono::minutes(2)), 0);
    com::ComPtr<IUnknown> object;
    EXPECT_EQ(CoCreateInstance(TavroskClientLib::CLSID_TavroskClient, nullptr, 23, IID_IUnknown,
                               reinterpret_cast<void**>(&object)),
              REGDB_E_CLASSNOTREG);

    testsupport::ChildProcess reg(testsupport::SiblingProgram("regsvr"), {"/s", "TavroskClient.dll"});
    ASSERT_EQ(reg.Wait(std::chrono::minutes(2)), 0);
    char16_t value[1024] = {};
    DWORD size = sizeof(value) - sizeof(char16_t);
    ASSERT_EQ(SHGetValueW(HKEY_CLASSES_ROOT, (classKey + u"\\InprocServer32").c_str(), nullptr, nullptr, value, &size),
              ERROR_SUCCESS);
    EXPECT_EQ(std::u16string(value), library);
    EXPECT_TRUE(CreateClient());
}

}  // namespace
