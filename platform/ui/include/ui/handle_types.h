// The handles of the window layer's objects besides windows: device
// contexts and what is selected into them, icons, image lists and menus;
// and the colour and size records that go with them.
//
// Each handle is a pointer to its own incomplete type, so the compiler keeps
// them apart as the system's code expects (an HFONT is no HBRUSH), while
// HGDIOBJ takes any object that can be selected into a device context.
#pragma once

#include "winapi/types.h"

struct HDC__;
typedef HDC__* HDC;

// Objects selected into a device context: pens, brushes, fonts, bitmaps.
// Complete (and empty) only so the kinds below can derive from it; no
// object of these types ever exists, the handles are tokens.
struct HGDIOBJ__ {};
typedef HGDIOBJ__* HGDIOBJ;
struct HPEN__ : HGDIOBJ__ {};
typedef HPEN__* HPEN;
struct HBRUSH__ : HGDIOBJ__ {};
typedef HBRUSH__* HBRUSH;
struct HFONT__ : HGDIOBJ__ {};
typedef HFONT__* HFONT;
struct HBITMAP__ : HGDIOBJ__ {};
typedef HBITMAP__* HBITMAP;

struct HICON__;
typedef HICON__* HICON;
typedef HICON HCURSOR;

struct _IMAGELIST;
typedef _IMAGELIST* HIMAGELIST;

struct HMENU__;
typedef HMENU__* HMENU;

// 0x00BBGGRR.
typedef DWORD COLORREF;
#define RGB(r, g, b) \
    (static_cast<COLORREF>(static_cast<BYTE>(r) | (static_cast<WORD>(static_cast<BYTE>(g)) << 8) | \
                           (static_cast<DWORD>(static_cast<BYTE>(b)) << 16)))
#define GetRValue(rgb) (static_cast<BYTE>(rgb))
#define GetGValue(rgb) (static_cast<BYTE>(static_cast<WORD>(rgb) >> 8))
#define GetBValue(rgb) (static_cast<BYTE>((rgb) >> 16))

struct SIZE {
    LONG cx;
    LONG cy;
};
typedef SIZE* LPSIZE;
