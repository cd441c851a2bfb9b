// Work that waits for a descriptor: called from the loop when data waits,
// until the watch ends - also when it ends inside its own work.
#include "ui/descriptor_watch.h"
#include "ui_testing/ui_test.h"

#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

class DescriptorWatchTest : public ui_testing::UiTest {
protected:
    void SetUp() override {
        UiTest::SetUp();
        ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, ends_), 0);
    }
    void TearDown() override {
        ::close(ends_[0]);
        ::close(ends_[1]);
        UiTest::TearDown();
    }
    void Write(const std::string& bytes) {
        ASSERT_EQ(::write(ends_[1], bytes.data(), bytes.size()), ssize_t(bytes.size()));
    }
    std::string ReadWaiting() {
        char buffer[64];
        ssize_t got = ::recv(ends_[0], buffer, sizeof buffer, MSG_DONTWAIT);
        return got > 0 ? std::string(buffer, size_t(got)) : std::string();
    }

    int ends_[2] = {-1, -1};
};

TEST_F(DescriptorWatchTest, TheWorkRunsFromTheLoopEachTimeDataWaits) {
    std::string read;
    ui::DescriptorWatch watch(ends_[0], [&] { read += ReadWaiting(); });
    ui_testing::ProcessEventsFor(20);
    EXPECT_EQ(read, "") << "nothing waits yet";
    Write("one");
    EXPECT_EQ(read, "") << "only the loop runs the work";
    ui_testing::ProcessEventsFor(50);
    EXPECT_EQ(read, "one");
    Write("two");
    ui_testing::ProcessEventsFor(50);
    EXPECT_EQ(read, "onetwo");
}

TEST_F(DescriptorWatchTest, AWatchEndedInsideItsWorkIsNotCalledAgain) {
    int calls = 0;
    std::unique_ptr<ui::DescriptorWatch> watch;
    watch = std::make_unique<ui::DescriptorWatch>(ends_[0], [&] {
        ++calls;
        watch.reset();  // leaves the data unread: a live watch would be called again
    });
    Write("data");
    ui_testing::ProcessEventsFor(50);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(watch, nullptr);
}

TEST_F(DescriptorWatchTest, AnEndedWatchCallsNothing) {
    int calls = 0;
    auto watch = std::make_unique<ui::DescriptorWatch>(ends_[0], [&] { ++calls; });
    watch.reset();
    Write("data");
    ui_testing::ProcessEventsFor(50);
    EXPECT_EQ(calls, 0);
}

}  // namespace
