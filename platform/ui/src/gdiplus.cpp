#include "gdiplus_state.h"

#include "gdi_object_internal.h"
#include "icon_internal.h"
#include "text_conversion.h"

#include <QFontMetricsF>

#include <cstring>

namespace Gdiplus {
namespace detail {

QImage::Format QtFormatOf(PixelFormat format) {
    switch (format) {
    case PixelFormat32bppARGB:
        return QImage::Format_ARGB32;
    case PixelFormat32bppPARGB:
        return QImage::Format_ARGB32_Premultiplied;
    case PixelFormat32bppRGB:
        return QImage::Format_RGB32;
    case PixelFormat24bppRGB:
        return QImage::Format_BGR888;  // B, G, R in memory, as the platform's
    default:
        return QImage::Format_Invalid;
    }
}

}  // namespace detail

namespace {

int startups = 0;
ULONG_PTR nextToken = 1;

PixelFormat PixelFormatOf(QImage::Format format) {
    switch (format) {
    case QImage::Format_ARGB32:
        return PixelFormat32bppARGB;
    case QImage::Format_ARGB32_Premultiplied:
        return PixelFormat32bppPARGB;
    case QImage::Format_RGB32:
        return PixelFormat32bppRGB;
    case QImage::Format_BGR888:
        return PixelFormat24bppRGB;
    default:
        return 0;
    }
}

QString TextOf(const WCHAR* text, INT length) {
    if (!text) return {};
    return length < 0 ? ui::detail::ToQString(text)
                      : ui::detail::ToQString(std::u16string_view(text, static_cast<std::size_t>(length)));
}

int AlignmentOf(const StringFormat* format) {
    int flags = Qt::AlignLeft | Qt::AlignTop;
    if (!format) return flags | Qt::TextWordWrap;
    if (format->GetAlignment() == StringAlignmentCenter) flags = (flags & ~Qt::AlignLeft) | Qt::AlignHCenter;
    if (format->GetAlignment() == StringAlignmentFar) flags = (flags & ~Qt::AlignLeft) | Qt::AlignRight;
    if (format->GetLineAlignment() == StringAlignmentCenter) flags = (flags & ~Qt::AlignTop) | Qt::AlignVCenter;
    if (format->GetLineAlignment() == StringAlignmentFar) flags = (flags & ~Qt::AlignTop) | Qt::AlignBottom;
    flags |= (format->GetFormatFlags() & StringFormatFlagsNoWrap) ? Qt::TextSingleLine : Qt::TextWordWrap;
    return flags;
}

// The rectangle a text is laid out in: an empty extent is unbounded.
QRectF LayoutOf(const RectF& layout) {
    constexpr qreal kUnbounded = 1e6;
    return QRectF(layout.X, layout.Y, layout.Width > 0 ? layout.Width : kUnbounded,
                  layout.Height > 0 ? layout.Height : kUnbounded);
}

}  // namespace

Status GdiplusStartup(ULONG_PTR* token, const GdiplusStartupInput*, GdiplusStartupOutput*) {
    if (!token) return InvalidParameter;
    *token = nextToken++;
    ++startups;
    return Ok;
}

void GdiplusShutdown(ULONG_PTR token) {
    if (token && startups > 0) --startups;
}

int GdiplusStartupCount() { return startups; }

// Image

Image::Image() : state_(std::make_unique<detail::ImageState>()) {}

Image::~Image() = default;

UINT Image::GetWidth() { return static_cast<UINT>(state_->image.width()); }

UINT Image::GetHeight() { return static_cast<UINT>(state_->image.height()); }

PixelFormat Image::GetPixelFormat() { return PixelFormatOf(state_->image.format()); }

Status Image::GetLastStatus() { return state_->status; }

// Bitmap

Bitmap::Bitmap(INT width, INT height, PixelFormat format) {
    QImage::Format qtFormat = detail::QtFormatOf(format);
    if (width <= 0 || height <= 0 || qtFormat == QImage::Format_Invalid) {
        state_->status = InvalidParameter;
        return;
    }
    state_->image = QImage(width, height, qtFormat);
    if (state_->image.isNull()) {
        state_->status = OutOfMemory;
        return;
    }
    state_->image.fill(0);
}

Bitmap::Bitmap(INT width, INT height, INT stride, PixelFormat format, BYTE* scan0) {
    QImage::Format qtFormat = detail::QtFormatOf(format);
    if (width <= 0 || height <= 0 || !scan0 || qtFormat == QImage::Format_Invalid ||
        stride < width * (QImage::toPixelFormat(qtFormat).bitsPerPixel() / 8)) {
        state_->status = InvalidParameter;
        return;
    }
    // No copy: QImage works on the caller's buffer for as long as nothing
    // shares this QImage (drawing and locking use it in place).
    state_->image = QImage(scan0, width, height, stride, qtFormat);
}

Bitmap::Bitmap(HICON icon) {
    state_->image = ui::detail::IconImage(icon);
    if (state_->image.isNull()) state_->status = InvalidParameter;
}

Bitmap::Bitmap(HINSTANCE, const WCHAR* name) {
    state_->image = ui::detail::ResourceImage(ui::ResourceId::FromPointer(name));
    if (state_->image.isNull()) state_->status = InvalidParameter;
}

Bitmap::Bitmap(HBITMAP bitmap, HPALETTE) {
    ui::detail::GdiObject* object = ui::detail::GdiObjectOf(bitmap);
    if (!object || object->kind != ui::detail::GdiKind::Bitmap || object->image.isNull()) {
        state_->status = InvalidParameter;
        return;
    }
    state_->image = object->image.convertToFormat(QImage::Format_ARGB32);
}

Bitmap* Bitmap::FromHICON(HICON icon) { return new Bitmap(icon); }

Bitmap* Bitmap::FromHBITMAP(HBITMAP bitmap, HPALETTE palette) { return new Bitmap(bitmap, palette); }

Bitmap* Bitmap::FromResource(HINSTANCE instance, const WCHAR* name) { return new Bitmap(instance, name); }

Status Bitmap::LockBits(const Rect* rect, UINT flags, PixelFormat format, BitmapData* data) {
    detail::ImageState& state = *state_;
    QImage::Format qtFormat = detail::QtFormatOf(format);
    if (!data || state.image.isNull() || qtFormat == QImage::Format_Invalid) return state.status = InvalidParameter;
    if (state.locked) return state.status = WrongState;
    QRect area = rect ? QRect(rect->X, rect->Y, rect->Width, rect->Height) : state.image.rect();
    if (area.isEmpty() || !state.image.rect().contains(area)) return state.status = InvalidParameter;
    bool userBuffer = (flags & ImageLockModeUserInputBuf) != 0;
    if (userBuffer && !data->Scan0) return state.status = InvalidParameter;

    state.lockCopy.reset();
    if (!userBuffer && qtFormat == state.image.format()) {
        // The image's own bits; bits() on an image over a caller's buffer
        // is that buffer.
        uchar* bits = state.image.bits();
        int bytesPerPixel = state.image.depth() / 8;
        data->Scan0 = bits + area.y() * state.image.bytesPerLine() + area.x() * bytesPerPixel;
        data->Stride = static_cast<INT>(state.image.bytesPerLine());
    } else {
        QImage converted = state.image.copy(area).convertToFormat(qtFormat);
        if (userBuffer) {
            QImage user(static_cast<uchar*>(data->Scan0), area.width(), area.height(), data->Stride, qtFormat);
            if (flags & ImageLockModeRead)
                for (int y = 0; y < area.height(); ++y)
                    std::memcpy(user.scanLine(y), converted.constScanLine(y),
                                static_cast<size_t>(area.width() * (user.depth() / 8)));
            state.lockCopy = user;
        } else {
            state.lockCopy = converted;
            data->Scan0 = state.lockCopy->bits();
            data->Stride = static_cast<INT>(state.lockCopy->bytesPerLine());
        }
    }
    data->Width = static_cast<UINT>(area.width());
    data->Height = static_cast<UINT>(area.height());
    data->PixelFormat = format;
    state.locked = true;
    state.lockRect = area;
    state.lockFlags = flags;
    return state.status = Ok;
}

Status Bitmap::UnlockBits(BitmapData* data) {
    detail::ImageState& state = *state_;
    if (!data || !state.locked) return state.status = WrongState;
    if (state.lockCopy && (state.lockFlags & ImageLockModeWrite)) {
        QImage back = state.lockCopy->convertToFormat(state.image.format());
        QPainter painter(&state.image);
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.drawImage(state.lockRect.topLeft(), back);
    }
    state.lockCopy.reset();
    state.locked = false;
    return state.status = Ok;
}

Status Bitmap::GetPixel(INT x, INT y, Color* color) {
    if (!color || !state_->image.valid(x, y)) return state_->status = InvalidParameter;
    *color = Color(static_cast<ARGB>(state_->image.pixel(x, y)));
    return state_->status = Ok;
}

Status Bitmap::SetPixel(INT x, INT y, const Color& color) {
    if (!state_->image.valid(x, y)) return state_->status = InvalidParameter;
    state_->image.setPixel(x, y, color.GetValue());
    return state_->status = Ok;
}

Status Bitmap::GetHICON(HICON* icon) { return state_->status = GdipCreateHICONFromBitmap(this, icon); }

Status GdipCreateHICONFromBitmap(GpBitmap* bitmap, HICON* icon) {
    if (!bitmap || !icon || bitmap->State()->image.isNull()) return InvalidParameter;
    *icon = ui::detail::MakeIcon(bitmap->State()->image);
    return *icon ? Ok : OutOfMemory;
}

// Font

Font::Font(const WCHAR* family, REAL emSize, INT style, Unit unit) : state_(std::make_unique<State>()) {
    if (!family || emSize <= 0) {
        status_ = InvalidParameter;
        return;
    }
    QFont& font = state_->font;
    font.setFamilies({ui::detail::ToQString(family)});
    if (unit == UnitPoint)
        font.setPointSizeF(emSize);
    else
        font.setPixelSize(qMax(1, qRound(emSize)));
    font.setBold((style & FontStyleBold) != 0);
    font.setItalic((style & FontStyleItalic) != 0);
    font.setUnderline((style & FontStyleUnderline) != 0);
    font.setStrikeOut((style & FontStyleStrikeout) != 0);
}

Font::Font(HDC hdc) : state_(std::make_unique<State>()) {
    std::optional<QFont> font = ui::detail::FontOfDc(hdc);
    if (!font) {
        status_ = InvalidParameter;
        return;
    }
    state_->font = *font;
}

Font::Font(HDC, HFONT font) : state_(std::make_unique<State>()) {
    ui::detail::GdiObject* object = ui::detail::GdiObjectOf(font);
    if (!object || object->kind != ui::detail::GdiKind::Font) {
        status_ = InvalidParameter;
        return;
    }
    state_->font = object->font;
}

Font::Font(HDC, const LOGFONTW* logFont) : state_(std::make_unique<State>()) {
    if (!logFont) {
        status_ = InvalidParameter;
        return;
    }
    state_->font = ui::detail::FontFromLogFont(*logFont);
}

Font::~Font() = default;

INT Font::GetStyle() const {
    const QFont& font = state_->font;
    return (font.bold() ? FontStyleBold : 0) | (font.italic() ? FontStyleItalic : 0) |
           (font.underline() ? FontStyleUnderline : 0) | (font.strikeOut() ? FontStyleStrikeout : 0);
}

REAL Font::GetSize() const {
    const QFont& font = state_->font;
    return static_cast<REAL>(font.pointSizeF() > 0 ? font.pointSizeF() : font.pixelSize());
}

// Graphics

Graphics::Graphics(Image* image) : state_(std::make_unique<detail::GraphicsState>()) {
    if (!image || image->State()->image.isNull() || image->State()->locked) {
        status_ = InvalidParameter;
        return;
    }
    state_->ownPainter.emplace(&image->State()->image);
    state_->painter = &*state_->ownPainter;
}

Graphics* Graphics::FromImage(Image* image) { return new Graphics(image); }

Graphics::Graphics(HDC hdc) : state_(std::make_unique<detail::GraphicsState>()) {
    state_->painter = ui::detail::PainterOf(hdc);
    if (!state_->painter) status_ = InvalidParameter;
}

Graphics* Graphics::FromHDC(HDC hdc) { return new Graphics(hdc); }

Graphics::~Graphics() = default;

HDC Graphics::GetHDC() {
    if (!state_->painter || state_->dc) {
        Record(WrongState);
        return nullptr;
    }
    state_->dc = std::make_unique<ui::detail::PainterDC>(state_->painter);
    return state_->dc->Handle();
}

void Graphics::ReleaseHDC(HDC hdc) {
    if (state_->dc && state_->dc->Handle() == hdc) state_->dc.reset();
}

Status Graphics::DrawImage(Image* image, INT x, INT y) {
    if (!image) return Record(InvalidParameter);
    return DrawImage(image, static_cast<REAL>(x), static_cast<REAL>(y), static_cast<REAL>(image->GetWidth()),
                     static_cast<REAL>(image->GetHeight()));
}

Status Graphics::DrawImage(Image* image, INT x, INT y, INT width, INT height) {
    return DrawImage(image, static_cast<REAL>(x), static_cast<REAL>(y), static_cast<REAL>(width),
                     static_cast<REAL>(height));
}

Status Graphics::DrawImage(Image* image, const Rect& rect) {
    return DrawImage(image, rect.X, rect.Y, rect.Width, rect.Height);
}

Status Graphics::DrawImage(Image* image, REAL x, REAL y, REAL width, REAL height) {
    if (!state_->painter) return Record(WrongState);
    if (!image || image->State()->image.isNull()) return Record(InvalidParameter);
    QPainter& painter = *state_->painter;
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(QRectF(x, y, width, height), image->State()->image);
    painter.restore();
    return Record(Ok);
}

Status Graphics::FillRectangle(const Brush* brush, INT x, INT y, INT width, INT height) {
    return FillRectangle(brush, static_cast<REAL>(x), static_cast<REAL>(y), static_cast<REAL>(width),
                         static_cast<REAL>(height));
}

Status Graphics::FillRectangle(const Brush* brush, const Rect& rect) {
    return FillRectangle(brush, rect.X, rect.Y, rect.Width, rect.Height);
}

Status Graphics::FillRectangle(const Brush* brush, REAL x, REAL y, REAL width, REAL height) {
    if (!state_->painter) return Record(WrongState);
    if (!brush) return Record(InvalidParameter);
    // Source over, as the platform blends a translucent brush.
    state_->painter->fillRect(QRectF(x, y, width, height), QColor::fromRgba(brush->Argb()));
    return Record(Ok);
}

Status Graphics::DrawLine(const Pen* pen, INT x1, INT y1, INT x2, INT y2) {
    return DrawLine(pen, static_cast<REAL>(x1), static_cast<REAL>(y1), static_cast<REAL>(x2), static_cast<REAL>(y2));
}

Status Graphics::DrawLine(const Pen* pen, REAL x1, REAL y1, REAL x2, REAL y2) {
    if (!state_->painter) return Record(WrongState);
    if (!pen) return Record(InvalidParameter);
    QPainter& painter = *state_->painter;
    painter.save();
    QPen qpen(QColor::fromRgba(pen->GetColor().GetValue()));
    qpen.setWidthF(pen->GetWidth());
    qpen.setCapStyle(Qt::FlatCap);
    painter.setPen(qpen);
    painter.drawLine(QPointF(x1, y1), QPointF(x2, y2));
    painter.restore();
    return Record(Ok);
}

Status Graphics::DrawString(const WCHAR* text, INT length, const Font* font, const PointF& origin, const Brush* brush) {
    return DrawString(text, length, font, RectF(origin.X, origin.Y, 0, 0), nullptr, brush);
}

Status Graphics::DrawString(const WCHAR* text, INT length, const Font* font, const PointF& origin,
                            const StringFormat* format, const Brush* brush) {
    return DrawString(text, length, font, RectF(origin.X, origin.Y, 0, 0), format, brush);
}

Status Graphics::DrawString(const WCHAR* text, INT length, const Font* font, const RectF& layout,
                            const StringFormat* format, const Brush* brush) {
    if (!state_->painter) return Record(WrongState);
    if (!text || !font || !brush) return Record(InvalidParameter);
    QPainter& painter = *state_->painter;
    painter.save();
    painter.setFont(font->FontState()->font);
    painter.setPen(QColor::fromRgba(brush->Argb()));
    painter.setRenderHint(QPainter::TextAntialiasing,
                          hint_ == TextRenderingHintSystemDefault || hint_ >= TextRenderingHintAntiAliasGridFit);
    painter.drawText(LayoutOf(layout), AlignmentOf(format), TextOf(text, length));
    painter.restore();
    return Record(Ok);
}

Status Graphics::MeasureString(const WCHAR* text, INT length, const Font* font, const RectF& layout,
                               const StringFormat* format, RectF* bounds, INT* codepointsFitted, INT* linesFilled) {
    if (!text || !font || !bounds) return Record(InvalidParameter);
    QString string = TextOf(text, length);
    QPaintDevice* device = state_->painter ? state_->painter->device() : nullptr;
    QFontMetricsF metrics =
        device ? QFontMetricsF(font->FontState()->font, device) : QFontMetricsF(font->FontState()->font);
    QRectF box = metrics.boundingRect(LayoutOf(layout), AlignmentOf(format), string);
    *bounds = RectF(static_cast<REAL>(box.x()), static_cast<REAL>(box.y()), static_cast<REAL>(box.width()),
                    static_cast<REAL>(box.height()));
    if (codepointsFitted) *codepointsFitted = static_cast<INT>(string.size());
    if (linesFilled) *linesFilled = qMax(1, qRound(box.height() / metrics.lineSpacing()));
    return Record(Ok);
}

Status Graphics::MeasureString(const WCHAR* text, INT length, const Font* font, const PointF& origin,
                               const StringFormat* format, RectF* bounds) {
    return MeasureString(text, length, font, RectF(origin.X, origin.Y, 0, 0), format, bounds);
}

Status Graphics::SetTextRenderingHint(TextRenderingHint hint) {
    if (hint < TextRenderingHintSystemDefault || hint > TextRenderingHintClearTypeGridFit)
        return Record(InvalidParameter);
    hint_ = hint;
    return Record(Ok);
}

}  // namespace Gdiplus
