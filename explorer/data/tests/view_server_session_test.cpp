// The view-server event handler connected to the vault client's servers as
// the application connects it, on the demo vault, while another program of
// the session changes the vault through its own item manager
// (vault_change_child): the item server's events reach the handler on this
// thread from the message queue and are handed on to the application; the
// frame watching the changed folder is refreshed at most once in 20,000 ms
// and not while a command runs; a change this process's own item manager
// made is recognised as its own; a reset arriving during a command is
// applied after it.
#include "demo_vault_fixture.h"

#include "explorer/data/command_in_progress.h"
#include "explorer/data/vault_manager.h"
#include "explorer/data/view_server_event_handler.h"

#include "fake_application.h"

#include "com/bstr_t.h"
#include "testsupport/child_process.h"
#include "ui_testing/ui_test.h"
#include "viewserver/ids.h"
#include "viewserver/interfaces.h"
#include "viewserver/local_server.h"
#include "winapi/guid_text.h"

#include <chrono>
#include <functional>

namespace {

using namespace TavroskViewLib;
using explorer_testing::FakeApplication;
using explorer_testing::FakeFrame;

DWORD gClock = 0;
DWORD TestClock() { return gClock; }

class ViewServerSessionTest : public explorer_testing::DemoVaultTest {
protected:
    void SetUp() override {
        DemoVaultTest::SetUp();
        if (HasFatalFailure()) return;
        ASSERT_EQ(com_testing::RegisterServerLibrary(u"ViewServer.dll"), S_OK);
        RegisterNotificationServerStandIn();
        app_ = std::make_unique<FakeApplication>();
        app_->vaults = new CVaultManager;
        app_->vaults->LoadVaults();

        // As the application starts: the handler connects to the view server,
        // then registers with the notification server, whose cookie is this
        // process's view-server id.
        handler_ = new CViewServerEventHandler();
        ASSERT_TRUE(handler_->mpoViewServer);
        handler_->mpfnTickCount = &TestClock;
        app_->handler = handler_.get();
        ASSERT_EQ(CoCreateInstance(CLSID_NotificationServer, nullptr, CLSCTX_LOCAL_SERVER, INotificationServer::kIid,
                                   reinterpret_cast<void**>(&handler_->mpoNotificationServer)),
                  S_OK);
        ASSERT_EQ(handler_->mpoNotificationServer->Register(handler_.get(), &handler_->mlRegistrationID), S_OK);

        // This process logs in with that id, as the attach does; a frame
        // shows the vault's root item folder: its view is registered through
        // the handler.
        manager_ = LogIn(kDesigner, kDesignerPassword, handler_->mlRegistrationID);
        ASSERT_TRUE(manager_);
        ASSERT_EQ(handler_->mpoViewServer->RegisterView(_bstr_t(MakeViewName(kVault, rootFolderId_).c_str()),
                                                        handler_.get(), &viewId_),
                  S_OK);
        handler_->moViews.insert(viewId_);
        app_->frames[viewId_] = &frame_;
        gClock = 1000000;
    }
    void TearDown() override {
        if (handler_) {
            EXPECT_EQ(handler_->UnregisterView(viewId_), S_OK);
            if (handler_->mpoNotificationServer) {
                EXPECT_EQ(handler_->mpoNotificationServer->Unregister(handler_->mlRegistrationID), S_OK);
            }
        }
        handler_ = nullptr;
        app_.reset();
        manager_ = nullptr;
        DemoVaultTest::TearDown();
    }

    // Another program logs in to the vault with an item manager of its own
    // and creates an item folder `name` in the root item folder.
    bool CreateFolderElsewhere(const std::string& name) {
        const explorer_testing::VaultLogin login = Login();
        return RunChild({"folder", winapi::ToUtf8(login.vault), winapi::ToUtf8(login.viewPath),
                         winapi::ToUtf8(winapi::GuidToString(login.viewId)),
                         winapi::ToUtf8(winapi::GuidToString(login.vaultId)), winapi::ToUtf8(login.computer),
                         winapi::ToUtf8(login.user), winapi::ToUtf8(login.password), name});
    }
    static bool RunChild(const std::vector<std::string>& args) {
        testsupport::ChildProcess other(testsupport::SiblingProgram("vault_change_child"), args);
        return other.Wait(std::chrono::seconds(60)) == 0;
    }
    // Lets the message loop run until `done` holds, at most 10 s.
    static bool RunUntil(const std::function<bool()>& done) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (!done()) {
            if (std::chrono::steady_clock::now() > deadline) return false;
            ui_testing::ProcessEventsFor(10);
        }
        return true;
    }
    // Lets what is on its way arrive (events are never delivered inside the
    // posting call, so a short run shows what did not come).
    static void RunAWhile() { ui_testing::ProcessEventsFor(300); }

    // The event the application gets of a change in the root item folder.
    std::string RootFolderChanged() const { return "Demo " + std::to_string(rootFolderId_); }

    CComPtr<BellquistLib::IItmManager2> manager_;  // this process's, logged in with the handler's id
    std::unique_ptr<FakeApplication> app_;
    RefPtr<CViewServerEventHandler> handler_;
    FakeFrame frame_{gClock};
    LONG viewId_ = 0;
};

TEST_F(ViewServerSessionTest, AnotherProgramsNewFolderIsPostedAndRefreshesTheFrameOnceIn20Seconds) {
    ASSERT_TRUE(CreateFolderElsewhere("Events 1"));
    ASSERT_TRUE(RunUntil([&] { return app_->postedEvents.size() == 1 && frame_.refreshes.size() == 1; }));
    EXPECT_EQ(app_->postedEvents, std::vector<std::string>{RootFolderChanged()});
    EXPECT_EQ(frame_.refreshes, std::vector<bool>{true}) << "with the folder the frame shows";

    // Five seconds later, and exactly 20 seconds after the refresh: the
    // vault event again, but the frame's refresh is too recent.
    for (DWORD later : {5000u, 15000u}) {
        gClock += later;
        ASSERT_TRUE(CreateFolderElsewhere("Events " + std::to_string(gClock)));
        ASSERT_TRUE(RunUntil([&] { return app_->postedEvents.size() == (later == 5000u ? 2u : 3u); }));
        RunAWhile();
        EXPECT_EQ(frame_.refreshes.size(), 1u) << later;
    }

    // While a command runs nothing refreshes, however late; the vault event
    // reaches the application during the command, which drops it.
    gClock += 30000;
    {
        CommandInProgressScope command;
        ASSERT_TRUE(CreateFolderElsewhere("During a command"));
        ASSERT_TRUE(RunUntil([&] { return app_->postedEvents.size() == 4; }));
        RunAWhile();
        EXPECT_EQ(frame_.refreshes.size(), 1u);
    }
    ASSERT_TRUE(CreateFolderElsewhere("After the command"));
    ASSERT_TRUE(RunUntil([&] { return frame_.refreshes.size() == 2; }));
    EXPECT_EQ(app_->postedEvents, std::vector<std::string>(5, RootFolderChanged()));
}

TEST_F(ViewServerSessionTest, AChangeOfThisProcesssItemManagerIsRecognisedAsItsOwn) {
    RefPtr<CVaultNode> node = app_->vaults->FindVaultNodeByName(kVault);
    ASSERT_TRUE(node);
    CComPtr<BellquistLib::IItmObject> root;
    root.Attach(node->CreateItemsRootFolder(rootFolderId_));
    ASSERT_TRUE(root);
    BellquistLib::IItmFolder* created = nullptr;
    ASSERT_EQ(manager_->CreateNewItemFolder(root, _bstr_t(u"Mine"), &created), S_OK);
    CComPtr<BellquistLib::IItmFolder> folder(created, false);

    ASSERT_TRUE(CreateFolderElsewhere("Theirs"));  // a marker that the first had its turn
    ASSERT_TRUE(RunUntil([&] { return app_->postedEvents.size() == 1; }));
    RunAWhile();
    EXPECT_EQ(app_->postedEvents, std::vector<std::string>{RootFolderChanged()});
    EXPECT_EQ(frame_.refreshes.size(), 1u) << "only the other program's change notifies the view";
}

TEST_F(ViewServerSessionTest, AResetDuringACommandIsAppliedWhenTheCommandEnds) {
    RefPtr<CVaultNode> node = app_->vaults->FindVaultNodeByName(kVault);
    ASSERT_TRUE(node);
    node->mpoItmManager = manager_.GetInterfacePtr();
    node->mbLoggedIn = 1;
    {
        CommandInProgressScope command;
        ASSERT_TRUE(RunChild({"reset", winapi::ToUtf8(kVault)}));
        ASSERT_TRUE(CreateFolderElsewhere("Marker"));  // a marker that the reset had its turn
        ASSERT_TRUE(RunUntil([&] { return app_->postedEvents.size() == 1; }));
        RunAWhile();
        EXPECT_EQ(node->mbLoggedIn, 1) << "the command goes on with its vault";
        EXPECT_TRUE(node->mpoItmManager);
        EXPECT_TRUE(app_->log.empty());
    }
    EXPECT_EQ(node->mbLoggedIn, 0);
    EXPECT_FALSE(node->mpoItmManager);
    EXPECT_EQ(app_->log, (std::vector<std::string>{"refresh 0 cache", "app reset Demo", "app finish"}));
}

}  // namespace
