// The test program's application, and a fixture base for tests of UI code:
// each test starts with an empty message queue and no quit request, and
// the widgets of windows it destroyed are deleted when it ends.
#pragma once

#include <gtest/gtest.h>

namespace ui_testing {

// Makes the program's ui::Application once (offscreen when no display is
// chosen) and keeps it to the end of the program.
void EnsureApplication();

// Lets Qt deliver what waits, for about `milliseconds`, without taking a
// quit request.
void ProcessEventsFor(int milliseconds);

class UiTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
};

}  // namespace ui_testing
