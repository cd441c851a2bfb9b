// Icons: an HICON names one 32-bit ARGB image of one size (its mask is its
// alpha). Icons come from the program's registered icon resources (image
// bytes or a Qt resource path, registered by number or name) or from PNG
// bytes, and are drawn scaled smoothly. An unknown or destroyed HICON fails
// with ERROR_INVALID_ICON_HANDLE; handles are never reused.
#pragma once

#include "ui/resource_id.h"
#include "ui/window_types.h"

#include <span>
#include <string_view>

// LoadImageW / CreateIconFromResourceEx.
#define IMAGE_BITMAP 0
#define IMAGE_ICON 1
#define IMAGE_CURSOR 2
#define LR_DEFAULTCOLOR 0x00000000
#define LR_LOADFROMFILE 0x00000010
#define LR_DEFAULTSIZE 0x00000040
#define LR_SHARED 0x00008000

// DrawIconEx.
#define DI_MASK 0x0001
#define DI_IMAGE 0x0002
#define DI_NORMAL 0x0003
#define DI_COMPAT 0x0004
#define DI_DEFAULTSIZE 0x0008

// The system's own icons (LoadIconW with a null instance).
#define IDI_APPLICATION MAKEINTRESOURCEW(32512)
#define IDI_HAND MAKEINTRESOURCEW(32513)
#define IDI_ERROR IDI_HAND
#define IDI_QUESTION MAKEINTRESOURCEW(32514)
#define IDI_EXCLAMATION MAKEINTRESOURCEW(32515)
#define IDI_WARNING IDI_EXCLAMATION
#define IDI_ASTERISK MAKEINTRESOURCEW(32516)
#define IDI_INFORMATION IDI_ASTERISK

// WM_SETICON's wParam.
#define ICON_SMALL 0
#define ICON_BIG 1

// The program's icon resource `name` at its own size: one shared icon per
// resource, which DestroyIcon leaves alone. `instance` is not used (every
// module's icons are the program's); the system's icons IDI_* are there
// unless the program registers those ids itself. Null with ERROR_RESOURCE_NAME_NOT_FOUND when none is
// registered.
HICON LoadIconW(HINSTANCE instance, LPCWSTR name);
// IMAGE_ICON only: the resource at cx x cy (0: its own size, or the system's
// icon size with LR_DEFAULTSIZE); a new icon the caller destroys, or the
// shared one with LR_SHARED. LR_LOADFROMFILE reads `name` as a file path.
HANDLE LoadImageW(HINSTANCE instance, LPCWSTR name, UINT type, int cx, int cy, UINT flags);
// An icon from image bytes (PNG, or any format Qt reads; `version` and
// `icon` are not used), scaled to cx x cy when they are not 0. A new icon
// the caller destroys; null when the bytes are no image.
HICON CreateIconFromResourceEx(PBYTE bits, DWORD size, BOOL icon, DWORD version, int cx, int cy, UINT flags);
// A new icon with the same image.
HICON CopyIcon(HICON icon);
// Frees the icon (a shared one stays).
BOOL DestroyIcon(HICON icon);

namespace ui {

// Registers the program's icon resource `id` from image bytes (PNG, or any
// format Qt reads) or from a file or Qt resource path (":/icons/x.png").
// False (and nothing registered) when they are no image. A later
// registration of the same id replaces the image for later loads.
bool RegisterIconResource(const ResourceId& id, std::span<const BYTE> bytes);
bool RegisterIconResourceFile(const ResourceId& id, std::u16string_view path);

// The icon's size; {0, 0} for no icon.
SIZE IconSize(HICON icon);

}  // namespace ui
