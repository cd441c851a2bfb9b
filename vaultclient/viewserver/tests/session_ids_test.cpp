// Ids of the session: unique across the processes that take them at the
// same time, never 0, and round again after the last.
#include "event_channel.h"

#include "testsupport/child_process.h"
#include "testsupport/fresh_machine.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <memory>
#include <vector>

namespace {

using SessionIdsTest = testsupport::FreshMachineTest;

TEST_F(SessionIdsTest, ProcessesTakingIdsAtOnceNeverGetTheSameOne) {
    constexpr int kProcesses = 4;
    constexpr int kIdsEach = 300;
    std::vector<std::unique_ptr<testsupport::ChildProcess>> children;
    for (int i = 0; i < kProcesses; ++i)
        children.push_back(std::make_unique<testsupport::ChildProcess>(
            testsupport::SiblingProgram("session_ids_child"), std::vector<std::string>{std::to_string(kIdsEach)}));
    for (auto& child : children) ASSERT_EQ(child->Wait(), 0);
    // Each id taken counts once: two processes that got the same id would
    // leave the counter short.
    EXPECT_EQ(viewserver::NewSessionId(), kProcesses * kIdsEach + 1);
}

TEST_F(SessionIdsTest, TheIdsGoRoundAfterTheLastAndNeverGiveZero) {
    ASSERT_EQ(viewserver::NewSessionId(), 1);
    const int fd = ::open((viewserver::ChannelFolder() / "last-id").c_str(), O_WRONLY);
    ASSERT_GE(fd, 0);
    const int32_t last = 0x7FFFFFFE;
    ASSERT_EQ(::pwrite(fd, &last, sizeof last, 0), static_cast<ssize_t>(sizeof last));
    ::close(fd);
    EXPECT_EQ(viewserver::NewSessionId(), 0x7FFFFFFF);
    EXPECT_EQ(viewserver::NewSessionId(), 1);
}

}  // namespace
