// The view events of the item manager's operations, end to end: an explorer
// of another process that watches a folder hears of a change this process
// made there, and every operation that changed items tells the folders it
// changed, once it succeeded, with this program's view-server id as the
// sender.
#include "server_session_fixture.h"

#include "item_objects_support.h"

#include "bellquist/enums.h"
#include "bellquist/item_interfaces.h"
#include "bellquist/manager_interfaces.h"
#include "com/bstr_t.h"
#include "com/ccom_ptr.h"
#include "common/error_codes.h"
#include "testsupport/child_process.h"
#include "ui_testing/ui_test.h"
#include "vaultadmin/demo_seeding.h"
#include "viewserver_testing/recording_handler.h"
#include "viewserver_testing/server_connection.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

using namespace BellquistLib;
using conversion_test::ObjectList;

namespace {

class ViewEventsSessionTest : public DemoSessionTest {
protected:
    void SetUp() override {
        DemoSessionTest::SetUp();
        if (HasFatalFailure()) return;
        ASSERT_EQ(com_testing::RegisterServerLibrary(u"ViewServer.dll"), S_OK);
        ASSERT_EQ(servers_.Connect(), S_OK);
        // This program's handler: its cookie is the view-server id the
        // explorer hands to Init.
        ASSERT_EQ(servers_.notifications->Register(handler_.View(), &viewServerId_), S_OK);
        LogInWithVaultObject();
    }
    void TearDown() override {
        if (servers_.notifications) {
            EXPECT_EQ(servers_.notifications->Unregister(viewServerId_), S_OK);
        }
        servers_ = {};
        DemoSessionTest::TearDown();
    }

    // The events of this process's handler up to a reset posted as a mark
    // now, the mark left out: everything posted before it has come.
    std::vector<std::string> EventsSoFar() {
        EXPECT_EQ(servers_.notifications->PostVaultReset(_bstr_t(u"mark")), S_OK);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while ((handler_.events.empty() || handler_.events.back() != "reset mark") &&
               std::chrono::steady_clock::now() < deadline)
            ui_testing::ProcessEventsFor(10);
        std::vector<std::string> events;
        events.swap(handler_.events);
        if (!events.empty() && events.back() == "reset mark") events.pop_back();
        return events;
    }
    std::string ChangeOf(LONG folderId) const {
        return "view Demo " + std::to_string(folderId) + " " + std::to_string(viewServerId_) + " 3";
    }

    viewserver_testing::ServerConnection servers_;
    viewserver_testing::RecordingHandler handler_;
};

TEST_F(ViewEventsSessionTest, AnExplorerOfAnotherProcessHearsOfANewFolderInTheFolderItWatches) {
    testsupport::ChildProcess explorer(testsupport::SiblingProgram("event_listener_child"),
                                       {"Demo", std::to_string(rootFolderId_)});
    ASSERT_TRUE(explorer.WaitForLine("ready"));

    CComPtr<IItmObject> root = RootFolder();
    IItmFolder* created = nullptr;
    ASSERT_EQ(manager_->CreateNewItemFolder(root, _bstr_t(u"Events"), &created), S_OK);
    CComPtr<IItmFolder> folder(created, false);

    EXPECT_TRUE(explorer.WaitForLine(ChangeOf(rootFolderId_)));
    EXPECT_TRUE(explorer.WaitForLine("notify own view"));
    EXPECT_EQ(EventsSoFar(), std::vector<std::string>{ChangeOf(rootFolderId_)})
        << "this program hears of it too, as its own";
}

TEST_F(ViewEventsSessionTest, EachChangeTellsTheFoldersItChangedOnceItSucceeded) {
    CComPtr<IItmObject> root = RootFolder();
    auto newFolder = [&](const char16_t* name, LONG& id) {
        IItmFolder* created = nullptr;
        EXPECT_EQ(manager_->CreateNewItemFolder(root, _bstr_t(name), &created), S_OK);
        CComQIPtr<IItmObject> folder(created);
        if (created) created->Release();
        if (folder) folder->get_ID(&id);
        return folder;
    };
    LONG eventsId = 0;
    LONG arrivalsId = 0;
    CComPtr<IItmObject> events = newFolder(u"Events", eventsId);
    CComPtr<IItmObject> arrivals = newFolder(u"Arrivals", arrivalsId);
    ASSERT_TRUE(events != nullptr && arrivals != nullptr);
    EXPECT_EQ(EventsSoFar(), (std::vector<std::string>{ChangeOf(rootFolderId_), ChangeOf(rootFolderId_)}))
        << "new folders";

    IItmItem* newItem = nullptr;
    ASSERT_EQ(manager_->CreateNewItem(events, &newItem), S_OK);
    CComPtr<IItmItem> item(newItem, false);
    EXPECT_EQ(EventsSoFar(), std::vector<std::string>{ChangeOf(eventsId)}) << "a new item";

    {
        ObjectList moved({item});
        CComQIPtr<IItmFolder> destination(arrivals);
        ASSERT_EQ(manager_->Move(moved.get(), destination), S_OK);
    }
    EXPECT_EQ(EventsSoFar(), (std::vector<std::string>{ChangeOf(eventsId), ChangeOf(arrivalsId)}))
        << "a move: where it was and where it went";

    ASSERT_EQ(manager_->Rename(item, _bstr_t(u"Spindle")), S_OK);
    EXPECT_EQ(EventsSoFar(), std::vector<std::string>{ChangeOf(arrivalsId)}) << "a rename";

    // The vault-interface back end's operations too.
    const LONG six = DocumentId(demo::SeededItem(6));
    {
        ObjectList items({VaultItemObject(six)});
        ASSERT_EQ(manager_->CheckOut(items.get(), VARIANT_TRUE), S_OK);
    }
    EXPECT_EQ(EventsSoFar(), std::vector<std::string>{ChangeOf(FolderOf(six))}) << "a check-out";

    // Failures change nothing and tell nobody.
    IItmFolder* created = nullptr;
    EXPECT_NE(manager_->CreateNewItemFolder(root, _bstr_t(u"a/b"), &created), S_OK);
    {
        ObjectList items({VaultItemObject(DocumentId(demo::SeededItem(vaultadmin::kDemoCheckedOutEvery)))});
        EXPECT_EQ(manager_->CheckOut(items.get(), VARIANT_TRUE), E_OXN_LOCK_ERRORS);
    }
    EXPECT_EQ(manager_->Rename(item, _bstr_t(u" Spindle")), E_INVALIDARG);
    EXPECT_EQ(EventsSoFar(), std::vector<std::string>{});
}

}  // namespace
