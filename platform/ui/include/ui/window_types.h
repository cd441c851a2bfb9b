// The window layer's integer types and records, beside the ones
// winapi/types.h already gives (HWND, UINT, LONG, ...).
#pragma once

#include "ui/handle_types.h"
#include "winapi/types.h"

// A message's two parameters and a window procedure's result: pointer-sized,
// as the system passes pointers and handles through them.
typedef UINT_PTR WPARAM;
typedef LONG_PTR LPARAM;
typedef LONG_PTR LRESULT;

#define MAKEWPARAM(low, high) (static_cast<WPARAM>(static_cast<DWORD>(MAKELONG(low, high))))
#define MAKELPARAM(low, high) (static_cast<LPARAM>(static_cast<DWORD>(MAKELONG(low, high))))
#define MAKELRESULT(low, high) (static_cast<LRESULT>(static_cast<DWORD>(MAKELONG(low, high))))

struct POINT {
    LONG x;
    LONG y;
};

struct RECT {
    LONG left;
    LONG top;
    LONG right;
    LONG bottom;
};
typedef RECT* LPRECT;
typedef const RECT* LPCRECT;

inline bool operator==(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

// One message of the thread's queue, as PeekMessageW hands it out.
struct MSG {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    DWORD time;  // milliseconds since the layer started
    POINT pt;    // not tracked: always 0, 0
};
typedef MSG* LPMSG;

typedef void (*TIMERPROC)(HWND hwnd, UINT message, UINT_PTR idEvent, DWORD time);
