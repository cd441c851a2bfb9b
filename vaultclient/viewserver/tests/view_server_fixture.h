// The fixture of the servers' tests: a fresh machine with the server
// library registered, this process connected to both servers as a program
// is, and the UI layer's application whose loop brings the events.
#pragma once

#include "recording_handler.h"
#include "server_connection.h"

#include "com/runtime.h"
#include "com_testing/register_server.h"
#include "testsupport/child_process.h"
#include "testsupport/fresh_machine.h"
#include "ui_testing/ui_test.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace viewserver_testing {

class ViewServerTest : public ui_testing::UiTest {
protected:
    void SetUp() override {
        UiTest::SetUp();
        ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
        ASSERT_EQ(com_testing::RegisterServerLibrary(u"ViewServer.dll"), S_OK);
        ASSERT_EQ(servers_.Connect(), S_OK);
    }
    void TearDown() override {
        servers_ = {};
        CoUninitialize();
        UiTest::TearDown();
    }

    // Lets this process's loops run until `done` holds, for at most 10 s.
    static bool RunUntil(const std::function<bool()>& done) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (!done()) {
            if (std::chrono::steady_clock::now() > deadline) return false;
            ui_testing::ProcessEventsFor(10);
        }
        return true;
    }
    // Runs until `handler` has recorded `count` events.
    static bool RunUntilRecorded(const RecordingHandler& handler, size_t count) {
        return RunUntil([&] { return handler.events.size() >= count; });
    }

    // Posts one event from another process (event_poster_child); true when
    // it posted.
    static bool PostFromAnotherProcess(const std::vector<std::string>& args) {
        testsupport::ChildProcess poster(testsupport::SiblingProgram("event_poster_child"), args);
        return poster.Wait() == 0;
    }

    testsupport::FreshMachine machine_;
    ServerConnection servers_;
};

}  // namespace viewserver_testing
