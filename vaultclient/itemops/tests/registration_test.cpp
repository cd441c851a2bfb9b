// The server as the set-up registers it and the item server reaches it: its
// classes by CLSID alone, the revision object's methods at the slots the
// item server calls, the client library's access to its session's
// connection.
#include "item_operations_fixture.h"

#include "com/error_info.h"
#include "com_testing/vtable_slot.h"
#include "common/error_codes.h"
#include "itemops/revision_interface.h"
#include "tavrosk/connection_access.h"

namespace itemops_test {
namespace {

using com_testing::SlotOf;

TEST(ItemOperationsSlotsTest, TheRevisionObjectsMethodsSitAtTheSlotsTheItemServerCalls) {
    using ItemOperationsLib::IItmRevision;
    EXPECT_EQ(SlotOf(&IItmRevision::Start), 7);
    EXPECT_EQ(SlotOf(&IItmRevision::SetItems), 8);
    EXPECT_EQ(SlotOf(&IItmRevision::Ask), 9);
    EXPECT_EQ(SlotOf(&IItmRevision::Run), 10);
    EXPECT_EQ(sizeof(CoraventLib::InitData), 56u);
}

TEST_F(ItemOperationsTest, EachClassIsCreatedByItsClassIdWithTheInterfacesItsCallersAskFor) {
    struct Case {
        const CLSID* clsid;
        IID iid;
    } const cases[] = {
        {&ItemOperationsLib::CLSID_ItmGetOperation, BellquistLib::IItmOperation::kIid},
        {&ItemOperationsLib::CLSID_ItmDeleteOperation, BellquistLib::IItmOperation::kIid},
        {&ItemOperationsLib::CLSID_ItmRevision, ItemOperationsLib::IItmRevision::kIid},
        {&ItemOperationsLib::CLSID_ItmRevision, IID_IDispatch},
    };
    for (const Case& c : cases) {
        com::ComPtr<IUnknown> object;
        ASSERT_EQ(CoCreateInstance(*c.clsid, nullptr, 23, c.iid, reinterpret_cast<void**>(&object)), S_OK);
        com::ComPtr<ISupportErrorInfo> errors;
        ASSERT_EQ(object->QueryInterface(ISupportErrorInfo::kIid, reinterpret_cast<void**>(&errors)), S_OK);
        if (c.iid != IID_IDispatch) {
            EXPECT_EQ(errors->InterfaceSupportsErrorInfo(c.iid), S_OK);
        }
    }
}

// The outside operations reach the vault through the session of the client
// library they are handed: its connection, with a reference for them.
TEST_F(ItemOperationsTest, TheClientLibraryHandsOutItsSessionsConnectionWithAReference) {
    com::ComPtr<TavroskClientLib::ITavroskConnection> access;
    ASSERT_EQ(client_->QueryInterface(TavroskClientLib::ITavroskConnection::kIid, reinterpret_cast<void**>(&access)),
              S_OK);
    EXPECT_EQ(access->GetConnection(nullptr), E_POINTER);
    const ULONG before = OtherReferences(connection_);
    SpMgr* connection = nullptr;
    ASSERT_EQ(access->GetConnection(&connection), S_OK);
    EXPECT_EQ(connection, connection_);
    EXPECT_EQ(OtherReferences(connection_), before + 1);
    connection->Release();

    ASSERT_EQ(client_->Logout(), S_OK);
    connection = reinterpret_cast<SpMgr*>(1);
    EXPECT_EQ(access->GetConnection(&connection), E_OXN_NOT_LOGGED_IN);
    EXPECT_EQ(connection, nullptr);
}

}  // namespace
}  // namespace itemops_test
