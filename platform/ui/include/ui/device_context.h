// Device contexts: what the system's code draws and measures text with.
//
// An HDC names one of these targets:
// - the paint DC of a window's WM_PAINT (BeginPaint/EndPaint), which draws
//   with the painter of the widget's paint event; the layer sends
//   WM_ERASEBKGND with the same DC just before WM_PAINT;
// - a window DC (GetDC(hwnd)) or the screen DC (GetDC(NULL)) outside
//   painting: they measure (text extents, device caps, the selected font),
//   and DrawFocusRect on a window DC toggles a focus rectangle drawn over the
//   window (drawing the same rectangle twice removes it); other drawing
//   through them gives FALSE, as the window cannot be drawn on now. A window
//   DC taken while its window paints draws with the paint's painter;
// - a memory DC (CreateCompatibleDC), which draws into the bitmap selected
//   into it (CreateCompatibleBitmap), for BitBlt to another DC.
//
// Each DC has its selected pen, brush, font and bitmap (SelectObject
// returns the previous one of the kind), background colour and mode and
// text colour; a new DC has the black pen, the white brush and its window's
// font (the application's font for the screen and memory DCs).
// Coordinates are Qt's device-independent pixels, in the window's client
// coordinates.
#pragma once

#include "ui/gdi_objects.h"
#include "ui/window_types.h"

struct PAINTSTRUCT {
    HDC hdc;
    BOOL fErase;  // the background still needs erasing (WM_ERASEBKGND answered 0)
    RECT rcPaint;
    BOOL fRestore;
    BOOL fIncUpdate;
    BYTE rgbReserved[32];
};
typedef PAINTSTRUCT* LPPAINTSTRUCT;

// In WM_PAINT from the layer: the DC over the paint event's painter, with
// rcPaint the rectangle to paint. Elsewhere: a window DC that measures and
// an empty rcPaint. Null for no window or a null record.
HDC BeginPaint(HWND hwnd, LPPAINTSTRUCT paint);
// Ends BeginPaint's DC; the selected objects go back to the DC's defaults.
BOOL EndPaint(HWND hwnd, const PAINTSTRUCT* paint);
// A window's DC (see above), or the screen's for a null hwnd. Give it back
// with ReleaseDC.
HDC GetDC(HWND hwnd);
// Frees a DC from GetDC; 1 when freed, 0 for no such DC.
int ReleaseDC(HWND hwnd, HDC hdc);
// A memory DC with no bitmap: it measures until a bitmap is selected into
// it, then draws into that bitmap. Free it with DeleteDC.
HDC CreateCompatibleDC(HDC hdc);
// Frees a memory DC (a bitmap selected into it is selected out, not freed).
BOOL DeleteDC(HDC hdc);
// A 32-bit bitmap of width x height, opaque black.
HBITMAP CreateCompatibleBitmap(HDC hdc, int width, int height);

// Selects a pen, brush, font or bitmap (bitmaps into memory DCs only);
// returns the object it replaces, null on failure.
HGDIOBJ SelectObject(HDC hdc, HGDIOBJ object);
// The object of a kind (OBJ_PEN, OBJ_BRUSH, OBJ_FONT, OBJ_BITMAP) selected
// now.
HGDIOBJ GetCurrentObject(HDC hdc, UINT kind);

#define TRANSPARENT 1
#define OPAQUE 2
#define CLR_INVALID 0xFFFFFFFF

// Each returns the previous value (CLR_INVALID or 0 for no DC).
COLORREF SetBkColor(HDC hdc, COLORREF colour);
COLORREF GetBkColor(HDC hdc);
COLORREF SetTextColor(HDC hdc, COLORREF colour);
COLORREF GetTextColor(HDC hdc);
int SetBkMode(HDC hdc, int mode);
int GetBkMode(HDC hdc);

// GetDeviceCaps indexes.
#define HORZRES 8
#define VERTRES 10
#define BITSPIXEL 12
#define PLANES 14
#define LOGPIXELSX 88
#define LOGPIXELSY 90

// The screen's (or the window's screen's) figures: 32 bits per pixel, one
// plane, the logical DPI, the size in pixels.
int GetDeviceCaps(HDC hdc, int index);

// A system colour index + 1 passed as an HBRUSH (COLOR_WINDOW + 1) is
// filled with that system colour, as the platform allows.
int FillRect(HDC hdc, const RECT* rect, HBRUSH brush);
// Frames the rectangle with the brush, one pixel wide.
int FrameRect(HDC hdc, const RECT* rect, HBRUSH brush);
// A dotted focus rectangle. On a window DC outside painting it toggles the
// window's focus rectangle: the same call twice leaves none.
BOOL DrawFocusRect(HDC hdc, const RECT* rect);
// Outlines with the pen and fills with the brush.
BOOL Rectangle(HDC hdc, int left, int top, int right, int bottom);
// Lines through `count` points with the pen.
BOOL Polyline(HDC hdc, const POINT* points, int count);
BOOL MoveToEx(HDC hdc, int x, int y, POINT* previous);
// A line with the pen from the current position to x, y (not drawing that
// last pixel), which becomes the current position.
BOOL LineTo(HDC hdc, int x, int y);

// Text with the DC's font and text colour, the top-left of the text at x, y;
// in OPAQUE mode its cell is filled with the background colour first.
// `count` units of `text` (-1 is not allowed here: count them).
BOOL TextOutW(HDC hdc, int x, int y, LPCWSTR text, int count);

#define ETO_OPAQUE 0x0002
#define ETO_CLIPPED 0x0004
// TextOutW with ETO_OPAQUE (fill `rect` with the background colour) and
// ETO_CLIPPED (clip to `rect`); `dx` (character advances) is not used.
BOOL ExtTextOutW(HDC hdc, int x, int y, UINT options, const RECT* rect, LPCWSTR text, UINT count, const INT* dx);

#define DT_TOP 0x0000
#define DT_LEFT 0x0000
#define DT_CENTER 0x0001
#define DT_RIGHT 0x0002
#define DT_VCENTER 0x0004
#define DT_BOTTOM 0x0008
#define DT_WORDBREAK 0x0010
#define DT_SINGLELINE 0x0020
#define DT_EXPANDTABS 0x0040
#define DT_NOCLIP 0x0100
#define DT_CALCRECT 0x0400
#define DT_NOPREFIX 0x0800
#define DT_END_ELLIPSIS 0x8000
// Text formatted in `rect`: alignment, one line or word-wrapped, '&' marking
// the mnemonic unless DT_NOPREFIX, "..." at the end when it does not fit
// (DT_END_ELLIPSIS). DT_CALCRECT draws nothing and sets the rectangle's
// right and bottom to what the text needs. Returns the text's height; 0 on
// failure. `count` -1 means the text is null-terminated.
int DrawTextW(HDC hdc, LPCWSTR text, int count, LPRECT rect, UINT format);
// The width and height of `count` units of text in the DC's font (any DC,
// also one that cannot draw).
BOOL GetTextExtentPoint32W(HDC hdc, LPCWSTR text, int count, LPSIZE size);

struct TEXTMETRICW {
    LONG tmHeight;
    LONG tmAscent;
    LONG tmDescent;
    LONG tmInternalLeading;
    LONG tmExternalLeading;
    LONG tmAveCharWidth;
    LONG tmMaxCharWidth;
    LONG tmWeight;
};
// The DC font's metrics (the fields above).
BOOL GetTextMetricsW(HDC hdc, TEXTMETRICW* metrics);

#define SRCCOPY 0x00CC0020
// Copies a rectangle of a memory DC's bitmap (at sx, sy) to x, y of `dest`.
// SRCCOPY only; FALSE when `dest` cannot draw now or `source` has no bitmap.
BOOL BitBlt(HDC dest, int x, int y, int width, int height, HDC source, int sx, int sy, DWORD rop);
