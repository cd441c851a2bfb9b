// Holding keys down in a test: an offscreen display has no keyboard, so
// GetKeyState and GetAsyncKeyState read the held keys instead while a
// HoldKeys lives (and no other key is down).
#pragma once

#include "ui/input.h"

#include <initializer_list>
#include <set>

namespace ui_testing {

class HoldKeys {
public:
    // Virtual keys: VK_SHIFT, VK_CONTROL, VK_LBUTTON, 'A', ...
    HoldKeys(std::initializer_list<int> keys);
    ~HoldKeys();
    HoldKeys(const HoldKeys&) = delete;
    HoldKeys& operator=(const HoldKeys&) = delete;

private:
    std::set<int> keys_;
    ui::KeyStateSource previous_;
};

}  // namespace ui_testing
