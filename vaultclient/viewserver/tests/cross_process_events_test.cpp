// Vault events between real processes: what another process posts reaches
// this process's handler and the views that watch the changed folder, on
// this thread, from the message queue; and what this process posts reaches
// a handler in another process.
#include "view_server_fixture.h"

#include "event_channel.h"

#include "com/bstr_t.h"
#include "ui/message_queue.h"

#include <filesystem>

namespace {

using viewserver_testing::RecordingHandler;
using viewserver_testing::ViewServerTest;

using CrossProcessEventsTest = ViewServerTest;

std::string Text(LONG value) { return std::to_string(value); }

int SocketsInChannel() {
    int count = 0;
    for (const auto& entry : std::filesystem::directory_iterator(viewserver::ChannelFolder()))
        if (entry.path().extension() == ".sock") ++count;
    return count;
}

TEST_F(CrossProcessEventsTest, AChangeInAnotherProcessReachesTheHandlerAndTheViewsOfItsFolder) {
    RecordingHandler handler;
    LONG cookie = 0;
    ASSERT_EQ(servers_.notifications->Register(handler.View(), &cookie), S_OK);
    LONG watching = 0;
    LONG otherFolder = 0;
    LONG otherVault = 0;
    ASSERT_EQ(servers_.views->RegisterView(_bstr_t(u"Demo Vault|7"), handler.Callback(), &watching), S_OK);
    ASSERT_EQ(servers_.views->RegisterView(_bstr_t(u"Demo Vault|8"), handler.Callback(), &otherFolder), S_OK);
    ASSERT_EQ(servers_.views->RegisterView(_bstr_t(u"Other|7"), handler.Callback(), &otherVault), S_OK);
    EXPECT_NE(cookie, 0);
    EXPECT_NE(watching, cookie) << "ids are unique in the session";

    ASSERT_TRUE(PostFromAnotherProcess({"view", "demo vault", "7", "99", "3"}));
    ASSERT_TRUE(PostFromAnotherProcess({"reset", "end"}));
    ASSERT_TRUE(RunUntilRecorded(handler, 3));
    // The vault name as the sender wrote it; views match it in any case.
    EXPECT_EQ(handler.events,
              (std::vector<std::string>{"view demo vault 7 99 3", "notify " + Text(watching), "reset end"}));

    for (LONG view : {watching, otherFolder, otherVault}) EXPECT_EQ(servers_.views->UnregisterView(view), S_OK);
    EXPECT_EQ(servers_.notifications->Unregister(cookie), S_OK);
    EXPECT_EQ(handler.References(), 0u) << "every registration let go of its callback";
    EXPECT_EQ(SocketsInChannel(), 0) << "a process without registrations does not listen";
}

TEST_F(CrossProcessEventsTest, PathChangesAndResetsReachEveryHandlerOfTheProcess) {
    RecordingHandler first;
    RecordingHandler second;
    LONG cookies[2] = {};
    ASSERT_EQ(servers_.notifications->Register(first.View(), &cookies[0]), S_OK);
    ASSERT_EQ(servers_.notifications->Register(second.View(), &cookies[1]), S_OK);

    ASSERT_TRUE(PostFromAnotherProcess({"path", "C:\\Views\\Demo\\Parts", "4", "0"}));
    ASSERT_TRUE(PostFromAnotherProcess({"reset", "Demo Vault"}));
    ASSERT_TRUE(RunUntil([&] { return first.events.size() == 2 && second.events.size() == 2; }));
    for (const RecordingHandler* handler : {&first, &second})
        EXPECT_EQ(handler->events, (std::vector<std::string>{"path C:\\Views\\Demo\\Parts 4", "reset Demo Vault"}));

    for (LONG cookie : cookies) EXPECT_EQ(servers_.notifications->Unregister(cookie), S_OK);
}

// The sender's own process learns of its change only through the handler,
// which knows the sender id as its own; its views and path changes are not
// told again.
TEST_F(CrossProcessEventsTest, TheSendersOwnProcessGetsItsViewEventButNoNotificationOrPathChange) {
    RecordingHandler handler;
    LONG cookie = 0;
    LONG view = 0;
    ASSERT_EQ(servers_.notifications->Register(handler.View(), &cookie), S_OK);
    ASSERT_EQ(servers_.views->RegisterView(_bstr_t(u"Demo Vault|7"), handler.Callback(), &view), S_OK);

    ASSERT_TRUE(PostFromAnotherProcess({"view", "Demo Vault", "7", Text(cookie), "3"}));
    ASSERT_TRUE(PostFromAnotherProcess({"path", "C:\\Views\\Demo", "4", Text(cookie)}));
    ASSERT_TRUE(PostFromAnotherProcess({"view", "Demo Vault", "7", "0", "3"}));
    ASSERT_TRUE(PostFromAnotherProcess({"path", "C:\\Views\\Demo", "4", "0"}));
    ASSERT_TRUE(RunUntilRecorded(handler, 4));
    EXPECT_EQ(handler.events,
              (std::vector<std::string>{"view Demo Vault 7 " + Text(cookie) + " 3", "view Demo Vault 7 0 3",
                                        "notify " + Text(view), "path C:\\Views\\Demo 4"}));

    EXPECT_EQ(servers_.views->UnregisterView(view), S_OK);
    EXPECT_EQ(servers_.notifications->Unregister(cookie), S_OK);
}

// Events wait in the message queue: they arrive in the order they were
// posted, from any loop that takes messages - here one that runs inside a
// callback, as a modal loop's does - and never inside the call that posts
// them.
TEST_F(CrossProcessEventsTest, EventsComeFromTheMessageQueueInOrderAlsoInsideAModalLoop) {
    RecordingHandler handler;
    LONG cookie = 0;
    ASSERT_EQ(servers_.notifications->Register(handler.View(), &cookie), S_OK);
    bool nested = false;
    handler.onEvent = [&](const std::string& line) {
        if (line != "reset first") return;
        // A modal loop of the first event's handling brings the second one.
        nested = RunUntil([&] {
            ui::PumpWaitingMessages();
            return handler.events.size() == 2;
        });
    };

    EXPECT_EQ(servers_.notifications->PostVaultReset(_bstr_t(u"first")), S_OK);
    EXPECT_EQ(servers_.notifications->PostVaultReset(_bstr_t(u"second")), S_OK);
    EXPECT_TRUE(handler.events.empty()) << "posting calls nobody";
    ASSERT_TRUE(RunUntilRecorded(handler, 2));
    EXPECT_TRUE(nested);
    EXPECT_EQ(handler.events, (std::vector<std::string>{"reset first", "reset second"}));

    EXPECT_EQ(servers_.notifications->Unregister(cookie), S_OK);
}

// A callback may end registrations, its own and others: an ended one is not
// called any more, also for the event under way.
TEST_F(CrossProcessEventsTest, ACallbackMayEndRegistrationsWhileAnEventIsDelivered) {
    RecordingHandler first;
    RecordingHandler second;
    LONG cookies[2] = {};
    ASSERT_EQ(servers_.notifications->Register(first.View(), &cookies[0]), S_OK);
    ASSERT_EQ(servers_.notifications->Register(second.View(), &cookies[1]), S_OK);
    first.onEvent = [&](const std::string&) {
        EXPECT_EQ(servers_.notifications->Unregister(cookies[1]), S_OK);
        EXPECT_EQ(servers_.notifications->Unregister(cookies[0]), S_OK);
    };

    EXPECT_EQ(servers_.notifications->PostVaultReset(_bstr_t(u"Demo Vault")), S_OK);
    ASSERT_TRUE(RunUntilRecorded(first, 1));
    ui_testing::ProcessEventsFor(50);
    EXPECT_EQ(first.events.size(), 1u);
    EXPECT_TRUE(second.events.empty());
    EXPECT_EQ(first.References() + second.References(), 0u);
}

// The explorer's side in another process: it registers, gets what this
// process posts, and stops listening when it ends its registrations. A
// process killed while it listens leaves its socket, which the next post
// clears away.
TEST_F(CrossProcessEventsTest, AnotherProcessGetsWhatThisOnePostsUntilItEnds) {
    testsupport::ChildProcess listener(testsupport::SiblingProgram("event_listener_child"), {"Demo Vault", "12"});
    ASSERT_TRUE(listener.WaitForLine("ready"));
    EXPECT_EQ(SocketsInChannel(), 1);

    EXPECT_EQ(servers_.notifications->PostViewEvent(_bstr_t(u"DEMO VAULT"), 12, 0, 3), S_OK);
    EXPECT_TRUE(listener.WaitForLine("view DEMO VAULT 12 0 3"));
    EXPECT_TRUE(listener.WaitForLine("notify own view"));
    EXPECT_EQ(servers_.notifications->PostVaultReset(_bstr_t(u"stop")), S_OK);
    EXPECT_TRUE(listener.WaitForLine("stopped"));
    EXPECT_EQ(listener.Wait(), 0);
    EXPECT_EQ(SocketsInChannel(), 0);

    testsupport::ChildProcess killed(testsupport::SiblingProgram("event_listener_child"), {"Demo Vault", "12"});
    ASSERT_TRUE(killed.WaitForLine("ready"));
    killed.Kill();
    killed.Wait();
    EXPECT_EQ(SocketsInChannel(), 1) << "nobody removed the killed process's socket";
    EXPECT_EQ(servers_.notifications->PostVaultReset(_bstr_t(u"Demo Vault")), S_OK);
    EXPECT_EQ(SocketsInChannel(), 0);
}

}  // namespace
