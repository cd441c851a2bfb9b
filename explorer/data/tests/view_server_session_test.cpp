// The view-server event handler connected to the vault client's servers as
// the application connects it, while another program of the session changes
// the vault: its changes reach the handler on this thread from the message
// queue; a frame watching the changed folder is refreshed at most once in
// 20,000 ms and not while a command runs; this process's own changes are
// recognised; a reset arriving during a command is applied after it.
#include "vault_list_fixture.h"

#include "explorer/data/command_in_progress.h"
#include "explorer/data/view_server_event_handler.h"

#include "fake_application.h"

#include "com/bstr_t.h"
#include "testsupport/child_process.h"
#include "ui_testing/ui_test.h"
#include "viewserver/ids.h"
#include "viewserver/interfaces.h"
#include "viewserver/local_server.h"

#include <chrono>
#include <functional>

namespace {

using namespace TavroskViewLib;
using explorer_testing::FakeApplication;
using explorer_testing::FakeFrame;

DWORD gClock = 0;
DWORD TestClock() { return gClock; }

constexpr LONG kFolder = 5;

class ViewServerSessionTest : public VaultListTest {
protected:
    void SetUp() override {
        VaultListTest::SetUp();
        ui_testing::EnsureApplication();
        ASSERT_EQ(com_testing::RegisterServerLibrary(u"ViewServer.dll"), S_OK);
        RegisterNotificationServerStandIn();
        Create(u"Demo");
        app_ = std::make_unique<FakeApplication>();
        app_->vaults = Load();

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

        // A frame shows the folder: its view is registered through the handler.
        ASSERT_EQ(handler_->mpoViewServer->RegisterView(_bstr_t(MakeViewName(u"Demo", kFolder).c_str()), handler_.get(),
                                                        &viewId_),
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
        VaultListTest::TearDown();
    }

    // Another program changes items of the folder, as the sender given.
    static bool ChangeFromAnotherProgram(const std::vector<std::string>& args) {
        testsupport::ChildProcess other(testsupport::SiblingProgram("vault_change_child"), args);
        return other.Wait() == 0;
    }
    bool ChangeItems(LONG sender) {
        return ChangeFromAnotherProgram({"view", "Demo", std::to_string(kFolder), std::to_string(sender), "3"});
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

    std::unique_ptr<FakeApplication> app_;
    RefPtr<CViewServerEventHandler> handler_;
    FakeFrame frame_{gClock};
    LONG viewId_ = 0;
};

TEST_F(ViewServerSessionTest, AnotherProgramsChangeIsPostedAndRefreshesTheFrameOnceIn20Seconds) {
    ASSERT_TRUE(ChangeItems(99));
    ASSERT_TRUE(RunUntil([&] { return app_->postedEvents.size() == 1 && frame_.refreshes.size() == 1; }));
    EXPECT_EQ(app_->postedEvents, std::vector<std::string>{"Demo 5"});

    // Five seconds later: the vault event again, but the frame's refresh is
    // too recent.
    gClock += 5000;
    ASSERT_TRUE(ChangeItems(99));
    ASSERT_TRUE(RunUntil([&] { return app_->postedEvents.size() == 2; }));
    RunAWhile();
    EXPECT_EQ(frame_.refreshes.size(), 1u);

    // While a command runs nothing refreshes, however late.
    gClock += 30000;
    {
        CommandInProgressScope command;
        ASSERT_TRUE(ChangeItems(99));
        ASSERT_TRUE(RunUntil([&] { return app_->postedEvents.size() == 3; }));
        RunAWhile();
        EXPECT_EQ(frame_.refreshes.size(), 1u);
    }
    ASSERT_TRUE(ChangeItems(99));
    ASSERT_TRUE(RunUntil([&] { return frame_.refreshes.size() == 2; }));
}

TEST_F(ViewServerSessionTest, ThisProcesssOwnChangeIsRecognised) {
    ASSERT_TRUE(ChangeItems(handler_->mlRegistrationID));
    ASSERT_TRUE(ChangeItems(99));  // a marker that the first had its turn
    ASSERT_TRUE(RunUntil([&] { return app_->postedEvents.size() == 1; }));
    RunAWhile();
    EXPECT_EQ(app_->postedEvents, std::vector<std::string>{"Demo 5"});
    EXPECT_EQ(frame_.refreshes.size(), 1u) << "only the other sender's change notifies the view";
}

TEST_F(ViewServerSessionTest, AResetDuringACommandIsAppliedWhenTheCommandEnds) {
    RefPtr<CVaultNode> node = app_->vaults->FindVaultNodeByName(u"Demo");
    ASSERT_TRUE(node);
    node->mbLoggedIn = 1;
    {
        CommandInProgressScope command;
        ASSERT_TRUE(ChangeFromAnotherProgram({"reset", "Demo"}));
        ASSERT_TRUE(ChangeItems(99));  // a marker that the reset had its turn
        ASSERT_TRUE(RunUntil([&] { return app_->postedEvents.size() == 1; }));
        RunAWhile();
        EXPECT_EQ(node->mbLoggedIn, 1) << "the command goes on with its vault";
        EXPECT_TRUE(app_->log.empty());
    }
    EXPECT_EQ(node->mbLoggedIn, 0);
    EXPECT_EQ(app_->log, (std::vector<std::string>{"refresh 0 cache", "app reset Demo", "app finish"}));
}

}  // namespace
