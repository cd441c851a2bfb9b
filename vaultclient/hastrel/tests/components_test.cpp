// The component as its callers reach it: every method at the slot its
// callers call, its classes created by class id through the registered
// server, its records found by GUID.
#include "castavy/records.h"
#include "com/ccom_ptr.h"
#include "com/record_info.h"
#include "com/runnable.h"
#include "com/runtime.h"
#include "com_testing/leak_checked_test.h"
#include "com_testing/register_server.h"
#include "com_testing/vtable_slot.h"
#include "hastrel/ids.h"
#include "hastrel/interfaces.h"
#include "hastrel/records.h"
#include "testsupport/fresh_machine.h"
#include "vennacle/sp_mgr.h"

#include <gtest/gtest.h>

namespace hastrel_tests {
namespace {

using namespace HastrelLib;
using com_testing::SlotOf;

TEST(HastrelSlotsTest, EveryMethodSitsAtTheSlotItsCallersCall) {
    EXPECT_EQ(SlotOf(&IXRefTreeManager::Start), 3);
    EXPECT_EQ(SlotOf(&IXRefTreeManagerSerials::ReuseSerials), 9);
    EXPECT_EQ(SlotOf(&IXRefFunction::Visit), 3);
    EXPECT_EQ(SlotOf(&IXRefTree::Build), 8);
    EXPECT_EQ(SlotOf(&IXRefTree::Iterate), 11);
    EXPECT_EQ(SlotOf(&IXRefTree::GetRoots), 12);
    EXPECT_EQ(SlotOf(&IXRefTree::SetOptions), 17);
    EXPECT_EQ(SlotOf(&IXRefTree::SetManager), 20);
    EXPECT_EQ(SlotOf(&IXRefTreeSerials::GetReservedSerials), 4);
    EXPECT_EQ(SlotOf(&IXRefTreeItems::GetExistingItemSwitch), 3);
    EXPECT_EQ(SlotOf(&IXRefTreeItems::GetItemList), 4);
    EXPECT_EQ(SlotOf(&IXRefColumnState::SetColumnState), 3);
    EXPECT_EQ(SlotOf(&IXRefColumnState::SetColumnsState), 4);
    EXPECT_EQ(SlotOf(&IXRefItemControl::SetOwner), 28);
    EXPECT_EQ(SlotOf(&IXRefNode::GetDocumentID), 3);
    EXPECT_EQ(SlotOf(&IXRefNode::GetFlags), 5);
    EXPECT_EQ(SlotOf(&IXRefNode::GetFolderID), 7);
    EXPECT_EQ(SlotOf(&IXRefNode::GetVersion), 9);
    EXPECT_EQ(SlotOf(&IXRefNode::GetCount), 22);
    EXPECT_EQ(SlotOf(&IXRefNodeReferences::GetReferences), 3);
    EXPECT_EQ(SlotOf(&IXRefNodeChildren::StartChildren), 3);
    EXPECT_EQ(SlotOf(&IXRefNodeChildren::NextChild), 4);
    EXPECT_EQ(SlotOf(&IXRefTreeItem::SetMark), 11);
    EXPECT_EQ(SlotOf(&IXRefColumns::GetChecked), 3);
    EXPECT_EQ(SlotOf(&IXRefColumns::GetValue), 4);
    EXPECT_EQ(SlotOf(&IXRefColumns::SetValue), 5);
    EXPECT_EQ(SlotOf(&IXRefColumns::SetEnabled), 6);
    EXPECT_EQ(SlotOf(&IXRefItmItem::GetObjectData), 3);
    EXPECT_EQ(SlotOf(&IXRefItmItem::GetNodeRecord), 4);
    EXPECT_EQ(SlotOf(&IXRefItmItem::GetRowRecord), 5);
    EXPECT_EQ(SlotOf(&IXRefItmItem::GetNames), 6);
}

class RegisteredServerTest : public com_testing::LeakChecked<testsupport::FreshMachineTest> {
protected:
    void SetUp() override {
        LeakChecked::SetUp();
        ASSERT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
        ASSERT_EQ(com_testing::RegisterServerLibrary(u"Hastrel.dll"), S_OK);
    }
    void TearDown() override {
        CoUninitialize();
        LeakChecked::TearDown();
    }

    // An object of `clsid` created, run and asked for IUnknown, as callers do.
    static CComPtr<IUnknown> Create(const CLSID& clsid) {
        CComPtr<IUnknown> object;
        EXPECT_EQ(CoCreateInstance(clsid, nullptr, 23, IUnknown::kIid, reinterpret_cast<void**>(&object)), S_OK);
        if (object) {
            EXPECT_EQ(OleRun(object), S_OK);
        }
        return object;
    }
};

TEST_F(RegisteredServerTest, TheClassesAnswerTheInterfacesTheirCallersAskFor) {
    struct Case {
        const CLSID* clsid;
        IID iid;
    } const cases[] = {
        {&CLSID_XRefTreeManager, IXRefTreeManager::kIid},
        {&CLSID_XRefTreeManager, IXRefTreeManagerSerials::kIid},
        {&CLSID_XRefTree, IXRefTree::kIid},
        {&CLSID_XRefTree, IXRefTreeSerials::kIid},
        {&CLSID_XRefTree, IXRefTreeItems::kIid},
        {&CLSID_XRefTree, IXRefColumnState::kIid},
    };
    for (const Case& c : cases) {
        CComPtr<IUnknown> object = Create(*c.clsid);
        ASSERT_TRUE(object);
        CComPtr<IUnknown> asked;
        EXPECT_EQ(object->QueryInterface(c.iid, reinterpret_cast<void**>(&asked)), S_OK);
    }

    // The server's manager reads the vault: a connection that is not open
    // cannot start it. A tree takes it all the same.
    CComQIPtr<IXRefTreeManager> manager(Create(CLSID_XRefTreeManager));
    SpMgr* connection = new SpMgr();
    EXPECT_EQ(manager->Start(connection, 1, GUID{}), E_INVALIDARG);
    connection->Release();
    CComQIPtr<IXRefTree> tree(Create(CLSID_XRefTree));
    EXPECT_EQ(tree->SetManager(manager), S_OK);
    SelectionEntry entry{};
    EXPECT_EQ(tree->Build(0, 1, &entry, nullptr), E_UNEXPECTED);

    // The records of the arrays are found by GUID once the server is loaded.
    const GUID records[][2] = {{LIBID_HastrelLib, kSerialNoInfoRecordGuid},
                               {LIBID_HastrelLib, XRefReference::kRecordGuid},
                               {CASTAVYLib::LIBID_CASTAVYLib, CASTAVYLib::ItemListEntry::kRecordGuid},
                               {CASTAVYLib::LIBID_CASTAVYLib, CASTAVYLib::FileRefConfiguration::kRecordGuid}};
    for (const auto& record : records) {
        CComPtr<IRecordInfo> info;
        EXPECT_EQ(GetRecordInfoFromGuids(record[0], 1, 0, 9, record[1], &info), S_OK);
    }
}

}  // namespace
}  // namespace hastrel_tests
