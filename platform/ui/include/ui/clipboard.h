// The clipboard: formats, data blocks and change notification.
//
// Format ids are the platform's: CF_UNICODETEXT (text/plain), CF_HDROP (a
// file list: text/uri-list of local files) and formats registered by name,
// which other programs see as the MIME type "application/x-ui-format.<name>".
// Data travels in HGLOBAL blocks of winapi/memory.h; the layer converts them
// to and from the clipboard's MIME data when they cross it.
//
// There is no viewer chain: every window registered with SetClipboardViewer
// is sent WM_DRAWCLIPBOARD when the clipboard changes, and a destroyed window
// leaves the list by itself, so one window that never unregisters cannot
// break the notification of the others.
#pragma once

#include "ui/window_types.h"
#include "winapi/memory.h"
#include "winapi/types.h"

#define CF_UNICODETEXT 13
#define CF_HDROP 15

#define WM_DROPFILES 0x0233
#define WM_DRAWCLIPBOARD 0x0308
#define WM_CHANGECBCHAIN 0x030D

// Not in winapi/errors.h: only the clipboard reports it.
#define ERROR_CLIPBOARD_NOT_OPEN 1418L

// Registered formats lie in this range; equal names without case give the
// same id.
#define UI_FIRST_REGISTERED_FORMAT 0xC000
#define UI_LAST_REGISTERED_FORMAT 0xFFFF

typedef WORD CLIPFORMAT;

struct HDROP__;
typedef HDROP__* HDROP;

// The head of a CF_HDROP block: the paths follow at pFiles bytes from the
// block's start, each null-terminated, the list ended by one more null
// (UTF-16 when fWide, which is what the layer writes).
struct DROPFILES {
    DWORD pFiles;
    POINT pt;
    BOOL fNC;
    BOOL fWide;
};
typedef DROPFILES* LPDROPFILES;

// An id in 0xC000-0xFFFF for `name` (case-insensitive); 0 with
// ERROR_INVALID_PARAMETER for a null or empty name.
UINT WINAPI RegisterClipboardFormatW(LPCWSTR name);
// The registered name of `format` into `buffer` (cut to `size` - 1 units);
// the length copied, 0 for a format that is not registered.
int WINAPI GetClipboardFormatNameW(UINT format, LPWSTR buffer, int size);

// One caller at a time holds the clipboard between OpenClipboard and
// CloseClipboard (a second open fails with ERROR_ACCESS_DENIED).
BOOL WINAPI OpenClipboard(HWND owner);
// Publishes what SetClipboardData gave since EmptyClipboard, frees the blocks
// GetClipboardData handed out.
BOOL WINAPI CloseClipboard();
// Starts new clipboard contents (published at CloseClipboard).
BOOL WINAPI EmptyClipboard();
// Takes ownership of `data` (a block of GlobalAlloc) and returns it; null
// without an open clipboard (ERROR_CLIPBOARD_NOT_OPEN) or for a format the
// layer cannot carry. CF_UNICODETEXT: null-terminated UTF-16; CF_HDROP: a
// DROPFILES block; registered formats: the bytes as they are.
HANDLE WINAPI SetClipboardData(UINT format, HANDLE data);
// A block the clipboard owns, valid until CloseClipboard; null when the
// format is not on the clipboard or the clipboard is not open.
HANDLE WINAPI GetClipboardData(UINT format);
BOOL WINAPI IsClipboardFormatAvailable(UINT format);

// With index 0xFFFFFFFF the number of files; else the length of the path at
// `index` (without its null), and with a buffer the path copied, cut to
// `size` - 1 units. 0 for an invalid block or index.
UINT WINAPI DragQueryFileW(HDROP drop, UINT index, LPWSTR buffer, UINT size);
// Frees a block that WM_DROPFILES handed to the window.
void WINAPI DragFinish(HDROP drop);
// Whether the window takes files dropped from a file manager (WM_DROPFILES).
void WINAPI DragAcceptFiles(HWND window, BOOL accept);

// Registers `window` for WM_DRAWCLIPBOARD (sent on every change). Returns
// null: there is no next viewer to pass the message to.
HWND WINAPI SetClipboardViewer(HWND window);
// Unregisters `remove`; `next` is ignored.
BOOL WINAPI ChangeClipboardChain(HWND remove, HWND next);
