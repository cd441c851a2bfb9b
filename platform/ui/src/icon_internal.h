// The image behind an HICON, for the layer's own code: window icons, the
// toolkit's custom icons, image lists, GDI+ bitmaps.
#pragma once

#include "ui/resource_id.h"
#include "ui/window_types.h"

#include <QImage>

class QWidget;

namespace ui::detail {

// A copy of the icon's image (QImage shares its data until written), in
// QImage::Format_ARGB32; a null image for no icon.
QImage IconImage(HICON icon);
// A new icon of `image` (converted to Format_ARGB32), which the caller
// destroys with DestroyIcon; null for a null image.
HICON MakeIcon(const QImage& image);

// The image of the program's icon resource `id` at its own size; a null
// image when none is registered.
QImage ResourceImage(const ResourceId& id);

// `image` scaled smoothly to cx x cy (a size of 0 keeps the image's own),
// as Format_ARGB32.
QImage ScaledIconImage(const QImage& image, int cx, int cy);

// WM_SETICON on a window's widget: `kind` ICON_SMALL or ICON_BIG, `icon` the
// new icon of that kind (null removes it). The widget's window icon becomes
// one QIcon with both images (copies: the caller keeps its icons). Returns
// the icon of that kind set before, or null.
HICON SetWindowIcon(QWidget* widget, WPARAM kind, HICON icon);

// The system's icon size (SM_CXICON): the style's large icon size, 32 when
// there is no application.
int SystemIconSize();

}  // namespace ui::detail
