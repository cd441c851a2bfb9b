// Image lists: an HIMAGELIST names a list of ARGB images of one size.
// Icons put into a list are scaled to its size and copied, so the caller
// keeps (and destroys) its own icon. Colour depth is always 32 bits with
// alpha; the ILC_ colour flag is accepted and kept. Unknown or destroyed
// lists give FALSE, -1 or null.
#pragma once

#include "ui/window_types.h"

#define ILC_MASK 0x00000001
#define ILC_COLOR 0x00000000
#define ILC_COLORDDB 0x000000FE
#define ILC_COLOR4 0x00000004
#define ILC_COLOR8 0x00000008
#define ILC_COLOR16 0x00000010
#define ILC_COLOR24 0x00000018
#define ILC_COLOR32 0x00000020

#define ILD_NORMAL 0x00000000
#define ILD_TRANSPARENT 0x00000001
#define ILD_BLEND25 0x00000002
#define ILD_FOCUS ILD_BLEND25
#define ILD_BLEND50 0x00000004
#define ILD_SELECTED ILD_BLEND50
#define ILD_MASK 0x00000010
#define ILD_IMAGE 0x00000020

// A list of cx x cy images; `initial` and `grow` are capacity hints.
HIMAGELIST ImageList_Create(int cx, int cy, UINT flags, int initial, int grow);
BOOL ImageList_Destroy(HIMAGELIST list);
int ImageList_GetImageCount(HIMAGELIST list);
BOOL ImageList_GetIconSize(HIMAGELIST list, int* cx, int* cy);
// Appends the icon's image; its index, or -1.
int ImageList_AddIcon(HIMAGELIST list, HICON icon);
// Replaces image `index` (-1 appends); the image's index, or -1.
int ImageList_ReplaceIcon(HIMAGELIST list, int index, HICON icon);
// Removes image `index` (later ones move down); -1 removes all.
BOOL ImageList_Remove(HIMAGELIST list, int index);
// A new icon of image `index`, which the caller destroys. `flags` (ILD_) are
// not used.
HICON ImageList_GetIcon(HIMAGELIST list, int index, UINT flags);
// A new list of one image: image i1 of list1 with image i2 of list2 drawn
// over it (source over) at the offset (dx, dy); the list is as large as
// both images together.
HIMAGELIST ImageList_Merge(HIMAGELIST list1, int i1, HIMAGELIST list2, int i2, int dx, int dy);
// Where image `index` lives: hbmImage, a bitmap of the list's images in a
// row (32 bits a pixel with alpha, as GetObjectW tells), rcImage the image
// within it, and for an ILC_MASK list hbmMask, its mask (opaque black where
// an image is opaque, white where it is clear; else null). Both bitmaps
// belong to the list (the same handles for its life, freed with it) and
// are copies brought up to date by each call: drawing into them does not
// change the list. Cost: copies every image when the list changed since
// the last call.
struct IMAGEINFO {
    HBITMAP hbmImage;
    HBITMAP hbmMask;
    int Unused1;
    int Unused2;
    RECT rcImage;
};
BOOL ImageList_GetImageInfo(HIMAGELIST list, int index, IMAGEINFO* info);
// Draws image `index` at (x, y) with its alpha (ILD_NORMAL and
// ILD_TRANSPARENT alike) into a DC that can draw now.
BOOL ImageList_Draw(HIMAGELIST list, int index, HDC hdc, int x, int y, UINT style);
