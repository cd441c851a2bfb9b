// Mouse capture bookkeeping for windows being destroyed.
#pragma once

#include "ui/window_types.h"

namespace ui::detail {

// Ends the capture when the destroyed window has it.
void ForgetCapture(HWND hwnd);

}  // namespace ui::detail
