// WM_NOTIFY: a child control tells its parent what happened. lParam points
// to an NMHDR (or to a larger record that begins with one); wParam is the
// control's id. The answer is the message's result.
#pragma once

#include "ui/window_types.h"

struct NMHDR {
    HWND hwndFrom;
    UINT_PTR idFrom;
    UINT code;
};
typedef NMHDR* LPNMHDR;

// Common notification codes (negative, as UINT).
#define NM_CLICK (static_cast<UINT>(-2))
#define NM_DBLCLK (static_cast<UINT>(-3))
#define NM_RETURN (static_cast<UINT>(-4))
#define NM_RCLICK (static_cast<UINT>(-5))
#define NM_SETFOCUS (static_cast<UINT>(-7))
#define NM_KILLFOCUS (static_cast<UINT>(-8))
