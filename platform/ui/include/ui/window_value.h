// A window handle carried as a 32-bit value, as callers of the system's
// components pass owner windows (`long` arguments). The layer's handles fit
// in one (ui/window.h: below 2^31), so the value is the handle itself.
#pragma once

#include "ui/window_types.h"
#include "winapi/types.h"

#include <cstdint>

namespace ui {

inline HWND WindowFromValue(LONG value) {
    return reinterpret_cast<HWND>(static_cast<uintptr_t>(static_cast<ULONG>(value)));
}

inline LONG WindowValue(HWND window) {
    return static_cast<LONG>(static_cast<ULONG>(reinterpret_cast<uintptr_t>(window)));
}

}  // namespace ui
