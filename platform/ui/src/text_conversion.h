// UTF-16 text of the system <-> QString.
#pragma once

#include "winapi/types.h"

#include <QString>

#include <string>
#include <string_view>

namespace ui::detail {

inline QString ToQString(std::u16string_view text) {
    return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}
inline QString ToQString(LPCWSTR text) { return text ? QString::fromUtf16(text) : QString(); }
inline std::u16string FromQString(const QString& text) { return text.toStdU16String(); }

// Copies `text` into a caller's buffer of `size` units as the system's
// text getters do: at most size - 1 units and a terminator; returns the
// units copied.
int CopyToBuffer(const std::u16string& text, LPWSTR buffer, int size);

// True when a QApplication exists, so widgets can be made; else false with
// the last error set.
bool WidgetsAvailable();

}  // namespace ui::detail
