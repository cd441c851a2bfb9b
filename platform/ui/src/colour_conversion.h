// COLORREF (0x00BBGGRR) <-> QColor.
#pragma once

#include "ui/handle_types.h"

#include <QColor>

namespace ui::detail {

inline QColor ToQColor(COLORREF colour) { return QColor(GetRValue(colour), GetGValue(colour), GetBValue(colour)); }
// The colour's alpha is dropped: a COLORREF is always opaque.
inline COLORREF ToColorRef(const QColor& colour) { return RGB(colour.red(), colour.green(), colour.blue()); }

}  // namespace ui::detail
