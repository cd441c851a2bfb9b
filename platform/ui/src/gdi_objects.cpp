#include "colour_conversion.h"
#include "gdi_object_internal.h"
#include "text_conversion.h"
#include "winapi/errors.h"

#include <QApplication>
#include <QFontMetrics>

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <unordered_map>

namespace ui::detail {
namespace {

// Handles are the records' addresses; the table says which are alive.
std::unordered_map<HGDIOBJ, std::unique_ptr<GdiObject>>& Objects() {
    static std::unordered_map<HGDIOBJ, std::unique_ptr<GdiObject>> objects;
    return objects;
}

Qt::PenStyle PenStyleOf(int style) {
    switch (style) {
    case PS_DASH:
        return Qt::DashLine;
    case PS_DOT:
        return Qt::DotLine;
    case PS_DASHDOT:
        return Qt::DashDotLine;
    case PS_NULL:
        return Qt::NoPen;
    default:
        return Qt::SolidLine;
    }
}

HGDIOBJ MakePen(int style, int width, COLORREF colour) {
    GdiObject object{GdiKind::Pen};
    object.logPen = LOGPEN{static_cast<UINT>(style), POINT{width, 0}, colour};
    // Width 0 is the thinnest line; Qt's cosmetic pen of width 1 is that.
    object.pen = QPen(ToQColor(colour), std::max(width, 1), PenStyleOf(style), Qt::FlatCap, Qt::MiterJoin);
    return AddGdiObject(std::move(object));
}

HGDIOBJ MakeBrush(UINT style, COLORREF colour) {
    GdiObject object{GdiKind::Brush};
    object.logBrush = LOGBRUSH{style, colour, 0};
    object.brush = style == BS_NULL ? QBrush(Qt::NoBrush) : QBrush(ToQColor(colour));
    return AddGdiObject(std::move(object));
}

HGDIOBJ MakeFont(const LOGFONTW& logFont) {
    GdiObject object{GdiKind::Font};
    object.logFont = logFont;
    object.font = FontFromLogFont(logFont);
    return AddGdiObject(std::move(object));
}

HGDIOBJ MakeStock(int index) {
    HGDIOBJ made = nullptr;
    switch (index) {
    case WHITE_BRUSH:
        made = MakeBrush(BS_SOLID, RGB(255, 255, 255));
        break;
    case LTGRAY_BRUSH:
        made = MakeBrush(BS_SOLID, RGB(192, 192, 192));
        break;
    case GRAY_BRUSH:
        made = MakeBrush(BS_SOLID, RGB(128, 128, 128));
        break;
    case DKGRAY_BRUSH:
        made = MakeBrush(BS_SOLID, RGB(64, 64, 64));
        break;
    case BLACK_BRUSH:
        made = MakeBrush(BS_SOLID, RGB(0, 0, 0));
        break;
    case NULL_BRUSH:
        made = MakeBrush(BS_NULL, 0);
        break;
    case WHITE_PEN:
        made = MakePen(PS_SOLID, 0, RGB(255, 255, 255));
        break;
    case BLACK_PEN:
        made = MakePen(PS_SOLID, 0, RGB(0, 0, 0));
        break;
    case NULL_PEN:
        made = MakePen(PS_NULL, 0, 0);
        break;
    case SYSTEM_FONT:
    case DEFAULT_GUI_FONT: {
        // The desktop's UI font, as the application has it.
        QFont font = qobject_cast<QApplication*>(QCoreApplication::instance()) ? QApplication::font() : QFont();
        made = MakeFont(LogFontFromFont(font));
        GdiObjectOf(made)->font = font;
        break;
    }
    default:
        return nullptr;
    }
    GdiObjectOf(made)->stock = true;
    return made;
}

template <typename T>
int CopyOut(const T& description, int size, LPVOID buffer) {
    if (!buffer) return static_cast<int>(sizeof(T));
    int count = std::clamp(size, 0, static_cast<int>(sizeof(T)));
    std::memcpy(buffer, &description, static_cast<size_t>(count));
    return count;
}

// Faces the system names that are not on this machine, and the families
// that stand in for them.
QStringList FamiliesFor(const QString& face, BYTE pitchAndFamily) {
    QStringList families;
    if (!face.isEmpty()) families << face;
    bool fixed = (pitchAndFamily & 3) == FIXED_PITCH || (pitchAndFamily & 0xF0) == FF_MODERN;
    if (fixed) {
        families << QStringLiteral("monospace");
    } else {
        if (qobject_cast<QApplication*>(QCoreApplication::instance())) families << QApplication::font().family();
        families << QStringLiteral("sans-serif");
    }
    families.removeDuplicates();
    return families;
}

}  // namespace

GdiObject* GdiObjectOf(HGDIOBJ handle) {
    if (!handle) return nullptr;
    auto found = Objects().find(handle);
    return found == Objects().end() ? nullptr : found->second.get();
}

HGDIOBJ AddGdiObject(GdiObject object) {
    auto record = std::make_unique<GdiObject>(std::move(object));
    auto handle = reinterpret_cast<HGDIOBJ>(record.get());
    Objects().emplace(handle, std::move(record));
    return handle;
}

QFont FontOf(HFONT font) {
    if (GdiObject* object = GdiObjectOf(font); object && object->kind == GdiKind::Font) return object->font;
    return qobject_cast<QApplication*>(QCoreApplication::instance()) ? QApplication::font() : QFont();
}

QFont FontFromLogFont(const LOGFONTW& logFont) {
    QFont font = qobject_cast<QApplication*>(QCoreApplication::instance()) ? QApplication::font() : QFont();
    size_t faceLength = std::find(logFont.lfFaceName, logFont.lfFaceName + LF_FACESIZE, u'\0') - logFont.lfFaceName;
    font.setFamilies(
        FamiliesFor(ToQString(std::u16string_view(logFont.lfFaceName, faceLength)), logFont.lfPitchAndFamily));
    if (logFont.lfHeight < 0) {
        font.setPixelSize(-logFont.lfHeight);
    } else if (logFont.lfHeight > 0) {
        // A positive height is the whole cell (ascent and descent): find
        // the character size whose cell is that high.
        font.setPixelSize(logFont.lfHeight);
        int cell = QFontMetrics(font).height();
        if (cell > logFont.lfHeight)
            font.setPixelSize(
                std::max(1, static_cast<int>(logFont.lfHeight * static_cast<long long>(logFont.lfHeight) / cell)));
    }
    if (logFont.lfWeight > 0) font.setWeight(static_cast<QFont::Weight>(std::clamp<LONG>(logFont.lfWeight, 1, 1000)));
    font.setItalic(logFont.lfItalic != 0);
    font.setUnderline(logFont.lfUnderline != 0);
    font.setStrikeOut(logFont.lfStrikeOut != 0);
    if (logFont.lfQuality == CLEARTYPE_QUALITY || logFont.lfQuality == ANTIALIASED_QUALITY)
        font.setStyleStrategy(QFont::PreferAntialias);
    else if (logFont.lfQuality == NONANTIALIASED_QUALITY)
        font.setStyleStrategy(QFont::NoAntialias);
    return font;
}

LOGFONTW LogFontFromFont(const QFont& font) {
    LOGFONTW logFont{};
    int pixels = font.pixelSize();
    if (pixels <= 0) pixels = QFontMetrics(font).ascent() + QFontMetrics(font).descent() - QFontMetrics(font).leading();
    logFont.lfHeight = -std::max(pixels, 1);
    logFont.lfWeight = font.weight();
    logFont.lfItalic = font.italic() ? 1 : 0;
    logFont.lfUnderline = font.underline() ? 1 : 0;
    logFont.lfStrikeOut = font.strikeOut() ? 1 : 0;
    logFont.lfCharSet = DEFAULT_CHARSET;
    logFont.lfQuality = font.styleStrategy() & QFont::NoAntialias ? NONANTIALIASED_QUALITY : DEFAULT_QUALITY;
    std::u16string face = FromQString(font.families().value(0, font.family()));
    face.resize(std::min<size_t>(face.size(), LF_FACESIZE - 1));
    std::copy(face.begin(), face.end(), logFont.lfFaceName);
    return logFont;
}

}  // namespace ui::detail

using namespace ui::detail;

HPEN CreatePen(int style, int width, COLORREF colour) { return static_cast<HPEN>(MakePen(style, width, colour)); }

HBRUSH CreateSolidBrush(COLORREF colour) { return static_cast<HBRUSH>(MakeBrush(BS_SOLID, colour)); }

HBRUSH CreateBrushIndirect(const LOGBRUSH* brush) {
    if (!brush || (brush->lbStyle != BS_SOLID && brush->lbStyle != BS_NULL)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return static_cast<HBRUSH>(MakeBrush(brush->lbStyle, brush->lbColor));
}

HFONT CreateFontIndirectW(const LOGFONTW* font) {
    if (!font) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return static_cast<HFONT>(MakeFont(*font));
}

HBITMAP CreateBitmap(int width, int height, UINT, UINT bitsPerPixel, const void* bits) {
    if (width <= 0 || height <= 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    GdiObject object{GdiKind::Bitmap};
    object.image = QImage(width, height, QImage::Format_ARGB32_Premultiplied);
    if (object.image.isNull()) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    object.image.fill(Qt::black);
    if (bits && bitsPerPixel == 32) {
        const auto* pixels = static_cast<const uint32_t*>(bits);
        for (int y = 0; y < height; ++y) {
            auto* line = reinterpret_cast<uint32_t*>(object.image.scanLine(y));
            for (int x = 0; x < width; ++x) line[x] = 0xFF000000u | (pixels[y * width + x] & 0x00FFFFFFu);
        }
    }
    return static_cast<HBITMAP>(AddGdiObject(std::move(object)));
}

HGDIOBJ GetStockObject(int index) {
    static std::array<HGDIOBJ, DEFAULT_GUI_FONT + 1> stock{};
    if (index < 0 || index > DEFAULT_GUI_FONT) return nullptr;
    if (!stock[static_cast<size_t>(index)]) stock[static_cast<size_t>(index)] = MakeStock(index);
    return stock[static_cast<size_t>(index)];
}

BOOL DeleteObject(HGDIOBJ handle) {
    GdiObject* object = GdiObjectOf(handle);
    if (!object) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (object->stock) return TRUE;
    if (object->selections > 0) return FALSE;
    Objects().erase(handle);
    return TRUE;
}

int GetObjectW(HGDIOBJ handle, int size, LPVOID buffer) {
    GdiObject* object = GdiObjectOf(handle);
    if (!object) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    switch (object->kind) {
    case GdiKind::Pen:
        return CopyOut(object->logPen, size, buffer);
    case GdiKind::Brush:
        return CopyOut(object->logBrush, size, buffer);
    case GdiKind::Font:
        return CopyOut(object->logFont, size, buffer);
    case GdiKind::Bitmap: {
        BITMAP bitmap{0,
                      object->image.width(),
                      object->image.height(),
                      static_cast<LONG>(object->image.bytesPerLine()),
                      1,
                      32,
                      nullptr};
        return CopyOut(bitmap, size, buffer);
    }
    }
    return 0;
}

DWORD GetObjectType(HGDIOBJ handle) {
    GdiObject* object = GdiObjectOf(handle);
    if (!object) return 0;
    switch (object->kind) {
    case GdiKind::Pen:
        return OBJ_PEN;
    case GdiKind::Brush:
        return OBJ_BRUSH;
    case GdiKind::Font:
        return OBJ_FONT;
    case GdiKind::Bitmap:
        return OBJ_BITMAP;
    }
    return 0;
}
