#include "ui_testing/fire_timer.h"

#include "message_queue_internal.h"

#include <gtest/gtest.h>

namespace ui_testing {

void FireTimer(HWND hwnd, UINT_PTR id) {
    EXPECT_TRUE(ui::detail::FireTimerNow(hwnd, id)) << "timer " << id << " is not running";
}

}  // namespace ui_testing
