// The drawing objects a device context selects: pens, brushes, fonts and
// bitmaps, and the stock objects.
//
// Each object is the layer's own record behind its handle (a QPen, QBrush,
// QFont or QImage inside the layer); it lives until DeleteObject. Stock
// objects (GetStockObject) are never freed: deleting one does nothing and
// succeeds, as the system expects. An object selected into a device context
// cannot be deleted (DeleteObject gives FALSE) until it is selected out.
#pragma once

#include "ui/handle_types.h"
#include "ui/window_types.h"

#define LF_FACESIZE 32

// The font's description: the record CreateFontIndirectW takes and
// GetObjectW gives back (92 bytes, as the system stores it).
struct LOGFONTW {
    LONG lfHeight;  // < 0: the characters' pixel height; > 0: the cell height; 0: default
    LONG lfWidth;
    LONG lfEscapement;
    LONG lfOrientation;
    LONG lfWeight;  // 0 default, 400 normal, 700 bold (1-1000)
    BYTE lfItalic;
    BYTE lfUnderline;
    BYTE lfStrikeOut;
    BYTE lfCharSet;
    BYTE lfOutPrecision;
    BYTE lfClipPrecision;
    BYTE lfQuality;
    BYTE lfPitchAndFamily;
    WCHAR lfFaceName[LF_FACESIZE];
};
typedef LOGFONTW* LPLOGFONTW;
static_assert(sizeof(LOGFONTW) == 92);

#define FW_DONTCARE 0
#define FW_THIN 100
#define FW_LIGHT 300
#define FW_NORMAL 400
#define FW_MEDIUM 500
#define FW_SEMIBOLD 600
#define FW_BOLD 700
#define FW_HEAVY 900

#define DEFAULT_CHARSET 1
#define DEFAULT_QUALITY 0
#define NONANTIALIASED_QUALITY 3
#define ANTIALIASED_QUALITY 4
#define CLEARTYPE_QUALITY 5
#define DEFAULT_PITCH 0
#define FIXED_PITCH 1
#define VARIABLE_PITCH 2
#define FF_MODERN 0x30

struct LOGPEN {
    UINT lopnStyle;
    POINT lopnWidth;  // x is the width
    COLORREF lopnColor;
};

struct LOGBRUSH {
    UINT lbStyle;
    COLORREF lbColor;
    ULONG_PTR lbHatch;
};

struct BITMAP {
    LONG bmType;
    LONG bmWidth;
    LONG bmHeight;
    LONG bmWidthBytes;
    WORD bmPlanes;
    WORD bmBitsPixel;
    LPVOID bmBits;  // always null: the bits stay the layer's
};

// Pen styles.
#define PS_SOLID 0
#define PS_DASH 1
#define PS_DOT 2
#define PS_DASHDOT 3
#define PS_NULL 5

// Brush styles.
#define BS_SOLID 0
#define BS_NULL 1
#define BS_HOLLOW BS_NULL

// Stock objects.
#define WHITE_BRUSH 0
#define LTGRAY_BRUSH 1
#define GRAY_BRUSH 2
#define DKGRAY_BRUSH 3
#define BLACK_BRUSH 4
#define NULL_BRUSH 5
#define HOLLOW_BRUSH NULL_BRUSH
#define WHITE_PEN 6
#define BLACK_PEN 7
#define NULL_PEN 8
#define SYSTEM_FONT 13
#define DEFAULT_GUI_FONT 17

// Object kinds (GetObjectType).
#define OBJ_PEN 1
#define OBJ_BRUSH 2
#define OBJ_FONT 6
#define OBJ_BITMAP 7

// A pen of `style` (PS_SOLID, PS_DASH, PS_DOT, PS_DASHDOT, PS_NULL),
// `width` pixels (0 draws one pixel) and `colour`.
HPEN CreatePen(int style, int width, COLORREF colour);
HBRUSH CreateSolidBrush(COLORREF colour);
// A solid or hollow brush from its description; null for other styles.
HBRUSH CreateBrushIndirect(const LOGBRUSH* brush);
// A font as described (see LOGFONTW); null for a null record. The face is
// tried first; faces this machine lacks fall back to the desktop's UI font,
// then to the generic sans-serif (or monospace for fixed-pitch) family.
HFONT CreateFontIndirectW(const LOGFONTW* font);
// A bitmap of width x height 32-bit pixels, opaque black. `bits`, when
// given, holds rows of 0x00RRGGBB pixels (top row first) to copy in.
HBITMAP CreateBitmap(int width, int height, UINT planes, UINT bitsPerPixel, const void* bits);

// A stock object (the constants above); null for another index.
HGDIOBJ GetStockObject(int index);
// Frees the object. FALSE for a null or unknown handle and for an object
// selected into a device context; TRUE (nothing freed) for a stock object.
BOOL DeleteObject(HGDIOBJ object);
// Copies the object's description (LOGPEN, LOGBRUSH, LOGFONTW or BITMAP)
// into `buffer` of `size` bytes, cut to the size; returns the bytes
// written, or the description's size for a null buffer; 0 for no object.
int GetObjectW(HGDIOBJ object, int size, LPVOID buffer);
// OBJ_PEN, OBJ_BRUSH, OBJ_FONT, OBJ_BITMAP; 0 for no object.
DWORD GetObjectType(HGDIOBJ object);
