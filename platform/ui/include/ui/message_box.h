// Message boxes. Every one is a question to the prompter (ui/prompter.h):
// the default prompter shows it, tests answer it from their script.
#pragma once

#include "ui/window_messages.h"  // IDOK, IDCANCEL, ...
#include "ui/window_types.h"

// Button sets.
#define MB_OK 0x00000000L
#define MB_OKCANCEL 0x00000001L
#define MB_ABORTRETRYIGNORE 0x00000002L
#define MB_YESNOCANCEL 0x00000003L
#define MB_YESNO 0x00000004L
#define MB_RETRYCANCEL 0x00000005L
#define MB_TYPEMASK 0x0000000FL
// Icons.
#define MB_ICONHAND 0x00000010L
#define MB_ICONERROR MB_ICONHAND
#define MB_ICONSTOP MB_ICONHAND
#define MB_ICONQUESTION 0x00000020L
#define MB_ICONEXCLAMATION 0x00000030L
#define MB_ICONWARNING MB_ICONEXCLAMATION
#define MB_ICONASTERISK 0x00000040L
#define MB_ICONINFORMATION MB_ICONASTERISK
#define MB_ICONMASK 0x000000F0L
// The default button: first, second or third.
#define MB_DEFBUTTON1 0x00000000L
#define MB_DEFBUTTON2 0x00000100L
#define MB_DEFBUTTON3 0x00000200L
#define MB_DEFMASK 0x00000F00L

// Asks the prompter and returns the pressed button (IDOK, IDCANCEL,
// IDRETRY, IDYES, IDNO, ...). A null caption shows "Error", a null text an
// empty one. 0 (last error ERROR_INVALID_WINDOW_HANDLE) when `owner` is
// neither null nor a window; 0 (ERROR_INVALID_PARAMETER) for an unknown
// button set.
int MessageBoxW(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type);

namespace ui {

// The buttons of a button set, as their ids in showing order; empty for an
// unknown set.
struct MessageBoxButtons {
    int ids[3];
    int count;
};
MessageBoxButtons ButtonsOf(UINT type);

}  // namespace ui
