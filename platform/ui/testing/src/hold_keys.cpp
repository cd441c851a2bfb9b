#include "ui_testing/hold_keys.h"

namespace ui_testing {

HoldKeys::HoldKeys(std::initializer_list<int> keys) : keys_(keys) {
    previous_ = ui::SetKeyStateSource([this](int key) { return keys_.contains(key); });
}

HoldKeys::~HoldKeys() { ui::SetKeyStateSource(std::move(previous_)); }

}  // namespace ui_testing
