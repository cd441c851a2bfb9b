// The records behind drawing-object handles (ui/gdi_objects.h), for the
// device contexts and the other drawing code of the layer.
#pragma once

#include "ui/gdi_objects.h"

#include <QBrush>
#include <QFont>
#include <QImage>
#include <QPen>

namespace ui::detail {

enum class GdiKind { Pen, Brush, Font, Bitmap };

struct GdiObject {
    GdiKind kind;
    bool stock = false;
    int selections = 0;  // device contexts it is selected into now
    // The one that applies to `kind`:
    QPen pen;
    LOGPEN logPen{};
    QBrush brush;
    LOGBRUSH logBrush{};
    QFont font;
    LOGFONTW logFont{};
    QImage image;  // ARGB32 premultiplied
};

// The object a handle names; null for a null or unknown handle. Cost: one
// hash lookup.
GdiObject* GdiObjectOf(HGDIOBJ handle);
// A new object of the layer (the caller fills it); its handle.
HGDIOBJ AddGdiObject(GdiObject object);

// The font behind a font handle; the application's font for null or a
// handle that is no font.
QFont FontOf(HFONT font);
// The font a description asks for (see CreateFontIndirectW).
QFont FontFromLogFont(const LOGFONTW& logFont);
// The description of a font: the pixel height as a negative lfHeight, the
// weight, italic, underline, strike-out and the first family as the face.
LOGFONTW LogFontFromFont(const QFont& font);

}  // namespace ui::detail
