#include "device_context_internal.h"
#include "gdi_object_internal.h"
#include "handle_table.h"
#include "text_conversion.h"
#include "ui/system_metrics.h"
#include "ui/window.h"
#include "ui/window_functions.h"
#include "winapi/errors.h"

#include <QApplication>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QPaintEvent>
#include <QPaintEngine>
#include <QPainter>
#include <QPointer>
#include <QRegularExpression>
#include <QScreen>
#include <QWidget>

#include <algorithm>
#include <map>
#include <memory>
#include <optional>
#include <unordered_map>
#include <vector>

namespace ui::detail {
namespace {

enum class DcKind { Window, Screen, Memory, Paint, Painter };

struct DeviceContext {
    DcKind kind;
    HWND hwnd = nullptr;
    QPointer<QWidget> widget;
    PaintSession* session = nullptr;  // a paint DC's session
    QPainter* external = nullptr;     // a PainterDC's painter; not owned
    std::unique_ptr<QPainter> own;    // a memory DC's painter on its bitmap
    HGDIOBJ pen = nullptr;
    HGDIOBJ brush = nullptr;
    HGDIOBJ font = nullptr;
    HGDIOBJ bitmap = nullptr;
    QFont defaultFont;  // while no font is selected
    COLORREF bkColor = RGB(255, 255, 255);
    COLORREF textColor = RGB(0, 0, 0);
    int bkMode = OPAQUE;
    QPoint position;
};

std::unordered_map<HDC, std::unique_ptr<DeviceContext>>& Dcs() {
    static std::unordered_map<HDC, std::unique_ptr<DeviceContext>> dcs;
    return dcs;
}

std::map<HWND, PaintSession*>& Sessions() {
    static std::map<HWND, PaintSession*> sessions;
    return sessions;
}

DeviceContext* DcOf(HDC hdc) {
    auto found = Dcs().find(hdc);
    if (found != Dcs().end()) return found->second.get();
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
}

QFont ApplicationFont() {
    return qobject_cast<QApplication*>(QCoreApplication::instance()) ? QApplication::font() : QFont();
}

void Select(HGDIOBJ& slot, HGDIOBJ object) {
    if (GdiObject* old = GdiObjectOf(slot)) --old->selections;
    slot = object;
    if (GdiObject* now = GdiObjectOf(slot)) ++now->selections;
}

HDC AddDc(std::unique_ptr<DeviceContext> dc) {
    Select(dc->pen, GetStockObject(BLACK_PEN));
    Select(dc->brush, GetStockObject(WHITE_BRUSH));
    auto hdc = reinterpret_cast<HDC>(dc.get());
    Dcs().emplace(hdc, std::move(dc));
    return hdc;
}

void (*dcFreedListener)(HDC) = nullptr;

void RemoveDc(HDC hdc) {
    auto found = Dcs().find(hdc);
    if (found == Dcs().end()) return;
    if (dcFreedListener) dcFreedListener(hdc);
    DeviceContext& dc = *found->second;
    dc.own.reset();
    Select(dc.pen, nullptr);
    Select(dc.brush, nullptr);
    Select(dc.font, nullptr);
    Select(dc.bitmap, nullptr);
    Dcs().erase(found);
}

HDC MakeWindowDc(HWND hwnd, DcKind kind) {
    auto dc = std::make_unique<DeviceContext>();
    dc->kind = kind;
    dc->hwnd = hwnd;
    Window* window = LookupWindow(hwnd);
    dc->widget = window ? window->Widget() : nullptr;
    dc->defaultFont = dc->widget ? dc->widget->font() : ApplicationFont();
    return AddDc(std::move(dc));
}

QPainter* PainterOf(DeviceContext& dc) {
    switch (dc.kind) {
    case DcKind::Paint:
        return dc.session ? dc.session->Painter() : nullptr;
    case DcKind::Window:
        if (PaintSession* session = ActivePaint(dc.hwnd)) return session->Painter();
        return nullptr;
    case DcKind::Memory:
        return dc.own.get();
    case DcKind::Painter:
        return dc.external;
    case DcKind::Screen:
        return nullptr;
    }
    return nullptr;
}

QFont FontOfDc(const DeviceContext& dc) { return dc.font ? FontOf(static_cast<HFONT>(dc.font)) : dc.defaultFont; }

QPen PenOfDc(const DeviceContext& dc) {
    GdiObject* pen = GdiObjectOf(dc.pen);
    return pen ? pen->pen : QPen(Qt::black);
}

QBrush BrushOfDc(const DeviceContext& dc) {
    GdiObject* brush = GdiObjectOf(dc.brush);
    return brush ? brush->brush : QBrush(Qt::white);
}

// Runs `draw` with the DC's painter, its state restored after; FALSE when
// the DC cannot draw now.
template <typename Draw>
BOOL WithPainter(HDC hdc, Draw draw) {
    DeviceContext* dc = DcOf(hdc);
    if (!dc) return FALSE;
    QPainter* painter = PainterOf(*dc);
    if (!painter) return FALSE;
    painter->save();
    draw(*dc, *painter);
    painter->restore();
    return TRUE;
}

QRect ToQRect(const RECT& rect) { return QRect(QPoint(rect.left, rect.top), QPoint(rect.right - 1, rect.bottom - 1)); }

// Brushes given as a system colour index + 1.
QBrush BrushFrom(HBRUSH handle) {
    auto value = reinterpret_cast<uintptr_t>(handle);
    if (value > 0 && value <= 31) return QBrush(ToQColor(GetSysColor(static_cast<int>(value - 1))));
    GdiObject* brush = GdiObjectOf(handle);
    return brush && brush->kind == GdiKind::Brush ? brush->brush : QBrush();
}

bool IsBrush(HBRUSH handle) {
    auto value = reinterpret_cast<uintptr_t>(handle);
    if (value > 0 && value <= 31) return true;
    GdiObject* brush = GdiObjectOf(handle);
    return brush && brush->kind == GdiKind::Brush;
}

void DrawDottedRect(QPainter& painter, const QRect& rect) {
    // The platform's focus rectangle inverts the pixels, so drawing it again
    // removes it; a dotted line in the difference mode does the same where
    // the painter supports it.
    QPen pen(Qt::white, 1, Qt::DotLine);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    if (painter.paintEngine() && painter.paintEngine()->hasFeature(QPaintEngine::BlendModes))
        painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    painter.drawRect(rect.adjusted(0, 0, -1, -1));
}

// The focus rectangles drawn on a window outside painting, over its
// children; each rectangle drawn again goes away.
class FocusRectOverlay : public QWidget {
public:
    explicit FocusRectOverlay(QWidget* parent) : QWidget(parent) {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setAttribute(Qt::WA_NoSystemBackground);
        setFocusPolicy(Qt::NoFocus);
        setObjectName(QStringLiteral("ui-focus-rect-overlay"));
    }

    void Toggle(const QRect& rect) {
        auto found = std::find(rects_.begin(), rects_.end(), rect);
        if (found != rects_.end())
            rects_.erase(found);
        else
            rects_.push_back(rect);
        setGeometry(parentWidget()->rect());
        raise();
        setVisible(!rects_.empty());
        update();
    }
    const std::vector<QRect>& Rects() const { return rects_; }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        for (const QRect& rect : rects_) {
            // Two-tone, so it shows on light and dark backgrounds alike.
            painter.setPen(QPen(Qt::white, 1));
            painter.drawRect(rect.adjusted(0, 0, -1, -1));
            painter.setPen(QPen(Qt::black, 1, Qt::DotLine));
            painter.drawRect(rect.adjusted(0, 0, -1, -1));
        }
    }

private:
    std::vector<QRect> rects_;
};

FocusRectOverlay* OverlayOf(QWidget* widget, bool make) {
    auto* overlay = widget->findChild<FocusRectOverlay*>(QString(), Qt::FindDirectChildrenOnly);
    if (!overlay && make) overlay = new FocusRectOverlay(widget);
    return overlay;
}

QScreen* ScreenOf(const DeviceContext* dc) {
    if (dc && dc->widget && dc->widget->screen()) return dc->widget->screen();
    return QGuiApplication::primaryScreen();
}

QString TextOf(LPCWSTR text, int count) {
    if (!text) return QString();
    if (count < 0) return ToQString(text);
    return ToQString(std::u16string_view(text, static_cast<size_t>(count)));
}

void DrawTextAt(DeviceContext& dc, QPainter& painter, int x, int y, const QString& text) {
    QFont font = FontOfDc(dc);
    QFontMetrics metrics(font);
    painter.setFont(font);
    if (dc.bkMode == OPAQUE)
        painter.fillRect(QRect(x, y, metrics.horizontalAdvance(text), metrics.height()), ToQColor(dc.bkColor));
    painter.setPen(ToQColor(dc.textColor));
    painter.drawText(QPoint(x, y + metrics.ascent()), text);
}

}  // namespace

QPainter* PainterOf(HDC hdc) {
    auto found = Dcs().find(hdc);
    return found == Dcs().end() ? nullptr : PainterOf(*found->second);
}

PainterDC::PainterDC(QPainter* painter, const QWidget* widget) {
    auto dc = std::make_unique<DeviceContext>();
    dc->kind = DcKind::Painter;
    dc->external = painter;
    dc->defaultFont = widget ? widget->font() : painter ? painter->font() : ApplicationFont();
    hdc_ = AddDc(std::move(dc));
}

PainterDC::~PainterDC() { RemoveDc(hdc_); }

PaintSession::PaintSession(HWND hwnd, QWidget* widget, const QRect& rect) : hwnd_(hwnd), widget_(widget), rect_(rect) {
    auto dc = std::make_unique<DeviceContext>();
    dc->kind = DcKind::Paint;
    dc->hwnd = hwnd;
    dc->widget = widget;
    dc->session = this;
    dc->defaultFont = widget->font();
    hdc_ = AddDc(std::move(dc));
    auto& sessions = Sessions();
    auto found = sessions.find(hwnd);
    outer_ = found == sessions.end() ? nullptr : found->second;
    sessions[hwnd] = this;
}

PaintSession::~PaintSession() {
    EndPainter();
    RemoveDc(hdc_);
    if (outer_)
        Sessions()[hwnd_] = outer_;
    else
        Sessions().erase(hwnd_);
}

QPainter* PaintSession::Painter() {
    if (!painter_ && widget_) {
        painter_ = std::make_unique<QPainter>(widget_.data());
        if (!painter_->isActive()) {
            painter_.reset();
            return nullptr;
        }
        painter_->setClipRect(rect_);
    }
    return painter_.get();
}

void PaintSession::EndPainter() { painter_.reset(); }

void SetDcFreedListener(void (*listener)(HDC hdc)) { dcFreedListener = listener; }

PaintSession* ActivePaint(HWND hwnd) {
    auto found = Sessions().find(hwnd);
    return found == Sessions().end() ? nullptr : found->second;
}

std::optional<QFont> FontOfDc(HDC hdc) {
    DeviceContext* dc = DcOf(hdc);
    if (!dc) return std::nullopt;
    return FontOfDc(*dc);
}

// For tests: the focus rectangles toggled on a window outside painting.
std::vector<QRect> FocusRectsOf(HWND hwnd) {
    Window* window = LookupWindow(hwnd);
    if (!window || !window->Widget()) return {};
    FocusRectOverlay* overlay = OverlayOf(window->Widget(), false);
    return overlay ? overlay->Rects() : std::vector<QRect>{};
}

}  // namespace ui::detail

using namespace ui::detail;

HDC BeginPaint(HWND hwnd, LPPAINTSTRUCT paint) {
    if (!paint || !WindowOrError(hwnd)) return nullptr;
    *paint = PAINTSTRUCT{};
    if (PaintSession* session = ActivePaint(hwnd)) {
        paint->hdc = session->Dc();
        paint->fErase = session->erased ? FALSE : TRUE;
        const QRect& rect = session->Rect();
        paint->rcPaint = RECT{rect.left(), rect.top(), rect.left() + rect.width(), rect.top() + rect.height()};
        return paint->hdc;
    }
    paint->hdc = MakeWindowDc(hwnd, DcKind::Window);
    return paint->hdc;
}

BOOL EndPaint(HWND hwnd, const PAINTSTRUCT* paint) {
    if (!paint || !WindowOrError(hwnd)) return FALSE;
    DeviceContext* dc = DcOf(paint->hdc);
    if (!dc) return FALSE;
    if (dc->kind == DcKind::Paint) {
        // The session's DC lives on to the end of the paint; its objects go
        // back to the defaults so the code's objects can be deleted.
        Select(dc->pen, GetStockObject(BLACK_PEN));
        Select(dc->brush, GetStockObject(WHITE_BRUSH));
        Select(dc->font, nullptr);
        return TRUE;
    }
    RemoveDc(paint->hdc);
    return TRUE;
}

HDC GetDC(HWND hwnd) {
    if (!hwnd) return MakeWindowDc(nullptr, DcKind::Screen);
    if (!WindowOrError(hwnd)) return nullptr;
    return MakeWindowDc(hwnd, DcKind::Window);
}

int ReleaseDC(HWND, HDC hdc) {
    DeviceContext* dc = DcOf(hdc);
    if (!dc || (dc->kind != DcKind::Window && dc->kind != DcKind::Screen)) return 0;
    RemoveDc(hdc);
    return 1;
}

HDC CreateCompatibleDC(HDC) {
    auto dc = std::make_unique<DeviceContext>();
    dc->kind = DcKind::Memory;
    dc->defaultFont = ApplicationFont();
    Select(dc->bitmap, DefaultBitmap());
    return AddDc(std::move(dc));
}

BOOL DeleteDC(HDC hdc) {
    DeviceContext* dc = DcOf(hdc);
    if (!dc || dc->kind != DcKind::Memory) return FALSE;
    RemoveDc(hdc);
    return TRUE;
}

HBITMAP CreateCompatibleBitmap(HDC, int width, int height) { return CreateBitmap(width, height, 1, 32, nullptr); }

HGDIOBJ SelectObject(HDC hdc, HGDIOBJ handle) {
    DeviceContext* dc = DcOf(hdc);
    GdiObject* object = GdiObjectOf(handle);
    if (!dc || !object) return nullptr;
    HGDIOBJ* slot = nullptr;
    switch (object->kind) {
    case GdiKind::Pen:
        slot = &dc->pen;
        break;
    case GdiKind::Brush:
        slot = &dc->brush;
        break;
    case GdiKind::Font:
        slot = &dc->font;
        break;
    case GdiKind::Bitmap:
        if (dc->kind != DcKind::Memory) return nullptr;
        // A bitmap is drawn into by one memory DC at a time.
        if (object->selections > 0 && dc->bitmap != handle && !object->stock) return nullptr;
        slot = &dc->bitmap;
        break;
    }
    HGDIOBJ previous = *slot;
    if (object->kind == GdiKind::Bitmap) dc->own.reset();
    Select(*slot, handle);
    if (object->kind == GdiKind::Bitmap && !object->stock) dc->own = std::make_unique<QPainter>(&object->image);
    // The DC's default font is no object: callers restore it by selecting
    // the stock GUI font.
    if (!previous && object->kind == GdiKind::Font) previous = GetStockObject(DEFAULT_GUI_FONT);
    return previous;
}

HGDIOBJ GetCurrentObject(HDC hdc, UINT kind) {
    DeviceContext* dc = DcOf(hdc);
    if (!dc) return nullptr;
    switch (kind) {
    case OBJ_PEN:
        return dc->pen;
    case OBJ_BRUSH:
        return dc->brush;
    case OBJ_FONT:
        return dc->font ? dc->font : GetStockObject(DEFAULT_GUI_FONT);
    case OBJ_BITMAP:
        return dc->bitmap;
    default:
        return nullptr;
    }
}

COLORREF SetBkColor(HDC hdc, COLORREF colour) {
    DeviceContext* dc = DcOf(hdc);
    if (!dc) return CLR_INVALID;
    return std::exchange(dc->bkColor, colour & 0x00FFFFFF);
}

COLORREF GetBkColor(HDC hdc) {
    DeviceContext* dc = DcOf(hdc);
    return dc ? dc->bkColor : CLR_INVALID;
}

COLORREF SetTextColor(HDC hdc, COLORREF colour) {
    DeviceContext* dc = DcOf(hdc);
    if (!dc) return CLR_INVALID;
    return std::exchange(dc->textColor, colour & 0x00FFFFFF);
}

COLORREF GetTextColor(HDC hdc) {
    DeviceContext* dc = DcOf(hdc);
    return dc ? dc->textColor : CLR_INVALID;
}

int SetBkMode(HDC hdc, int mode) {
    DeviceContext* dc = DcOf(hdc);
    if (!dc || (mode != TRANSPARENT && mode != OPAQUE)) return 0;
    return std::exchange(dc->bkMode, mode);
}

int GetBkMode(HDC hdc) {
    DeviceContext* dc = DcOf(hdc);
    return dc ? dc->bkMode : 0;
}

int GetDeviceCaps(HDC hdc, int index) {
    DeviceContext* dc = DcOf(hdc);
    if (!dc) return 0;
    QScreen* screen = ScreenOf(dc);
    switch (index) {
    case BITSPIXEL:
        return 32;
    case PLANES:
        return 1;
    case LOGPIXELSX:
        return screen ? qRound(screen->logicalDotsPerInchX()) : 96;
    case LOGPIXELSY:
        return screen ? qRound(screen->logicalDotsPerInchY()) : 96;
    case HORZRES:
        return screen ? screen->geometry().width() : 0;
    case VERTRES:
        return screen ? screen->geometry().height() : 0;
    default:
        return 0;
    }
}

int FillRect(HDC hdc, const RECT* rect, HBRUSH brush) {
    if (!rect || !IsBrush(brush)) return 0;
    // An empty or inverted rectangle fills nothing.
    if (rect->right <= rect->left || rect->bottom <= rect->top) return DcOf(hdc) ? 1 : 0;
    return WithPainter(hdc,
                       [&](DeviceContext&, QPainter& painter) { painter.fillRect(ToQRect(*rect), BrushFrom(brush)); });
}

int FrameRect(HDC hdc, const RECT* rect, HBRUSH brush) {
    if (!rect || !IsBrush(brush)) return 0;
    return WithPainter(hdc, [&](DeviceContext&, QPainter& painter) {
        QRect area = ToQRect(*rect);
        QBrush fill = BrushFrom(brush);
        painter.fillRect(QRect(area.left(), area.top(), area.width(), 1), fill);
        painter.fillRect(QRect(area.left(), area.bottom(), area.width(), 1), fill);
        painter.fillRect(QRect(area.left(), area.top(), 1, area.height()), fill);
        painter.fillRect(QRect(area.right(), area.top(), 1, area.height()), fill);
    });
}

BOOL DrawFocusRect(HDC hdc, const RECT* rect) {
    DeviceContext* dc = DcOf(hdc);
    if (!dc || !rect) return FALSE;
    if (dc->kind == DcKind::Window && !ActivePaint(dc->hwnd)) {
        if (!dc->widget || !IsWindow(dc->hwnd)) return FALSE;
        OverlayOf(dc->widget, true)->Toggle(ToQRect(*rect));
        return TRUE;
    }
    return WithPainter(hdc, [&](DeviceContext&, QPainter& painter) { DrawDottedRect(painter, ToQRect(*rect)); });
}

BOOL Rectangle(HDC hdc, int left, int top, int right, int bottom) {
    return WithPainter(hdc, [&](DeviceContext& dc, QPainter& painter) {
        painter.setPen(PenOfDc(dc));
        painter.setBrush(BrushOfDc(dc));
        painter.drawRect(QRect(QPoint(left, top), QPoint(right - 2, bottom - 2)));
    });
}

BOOL Polyline(HDC hdc, const POINT* points, int count) {
    if (!points || count < 2) return FALSE;
    return WithPainter(hdc, [&](DeviceContext& dc, QPainter& painter) {
        std::vector<QPoint> line;
        line.reserve(static_cast<size_t>(count));
        for (int i = 0; i < count; ++i) line.emplace_back(points[i].x, points[i].y);
        painter.setPen(PenOfDc(dc));
        painter.drawPolyline(line.data(), count);
    });
}

BOOL MoveToEx(HDC hdc, int x, int y, POINT* previous) {
    DeviceContext* dc = DcOf(hdc);
    if (!dc) return FALSE;
    if (previous) *previous = POINT{dc->position.x(), dc->position.y()};
    dc->position = QPoint(x, y);
    return TRUE;
}

BOOL LineTo(HDC hdc, int x, int y) {
    DeviceContext* dc = DcOf(hdc);
    if (!dc) return FALSE;
    QPoint from = dc->position;
    dc->position = QPoint(x, y);
    return WithPainter(hdc, [&](DeviceContext& context, QPainter& painter) {
        painter.setPen(PenOfDc(context));
        // The end point itself is not drawn.
        QLineF line(from, QPoint(x, y));
        if (line.length() >= 1) line.setLength(line.length() - 1);
        painter.drawLine(line);
    });
}

BOOL TextOutW(HDC hdc, int x, int y, LPCWSTR text, int count) {
    if (!text || count < 0) return FALSE;
    QString value = TextOf(text, count);
    return WithPainter(hdc, [&](DeviceContext& dc, QPainter& painter) { DrawTextAt(dc, painter, x, y, value); });
}

BOOL ExtTextOutW(HDC hdc, int x, int y, UINT options, const RECT* rect, LPCWSTR text, UINT count, const INT*) {
    QString value = TextOf(text, text ? static_cast<int>(count) : 0);
    return WithPainter(hdc, [&](DeviceContext& dc, QPainter& painter) {
        if (rect && (options & ETO_OPAQUE)) painter.fillRect(ToQRect(*rect), ToQColor(dc.bkColor));
        if (rect && (options & ETO_CLIPPED)) painter.setClipRect(ToQRect(*rect), Qt::IntersectClip);
        if (!value.isEmpty()) {
            int mode = std::exchange(dc.bkMode, (options & ETO_OPAQUE) ? TRANSPARENT : dc.bkMode);
            DrawTextAt(dc, painter, x, y, value);
            dc.bkMode = mode;
        }
    });
}

int DrawTextW(HDC hdc, LPCWSTR text, int count, LPRECT rect, UINT format) {
    DeviceContext* dc = DcOf(hdc);
    if (!dc || !rect) return 0;
    QString value = TextOf(text, count);
    QFont font = FontOfDc(*dc);
    QFontMetrics metrics(font);
    int flags = (format & DT_NOPREFIX) ? 0 : Qt::TextShowMnemonic;
    flags |= (format & DT_CENTER) ? Qt::AlignHCenter : (format & DT_RIGHT) ? Qt::AlignRight : Qt::AlignLeft;
    if (format & DT_SINGLELINE) {
        flags |= Qt::TextSingleLine;
        flags |= (format & DT_VCENTER) ? Qt::AlignVCenter : (format & DT_BOTTOM) ? Qt::AlignBottom : Qt::AlignTop;
    } else {
        flags |= Qt::AlignTop;
        if (format & DT_WORDBREAK) flags |= Qt::TextWordWrap;
    }
    if (format & DT_EXPANDTABS) flags |= Qt::TextExpandTabs;
    QRect area = ToQRect(*rect);
    if (format & DT_CALCRECT) {
        // The rectangle grows to the text: one line as wide as its advance,
        // or wrapped lines within the rectangle's width.
        QSize needed;
        if ((format & DT_WORDBREAK) && !(format & DT_SINGLELINE)) {
            needed =
                metrics.boundingRect(QRect(rect->left, rect->top, std::max(area.width(), 1), 1 << 20), flags, value)
                    .size();
        } else {
            QString shown = value;
            if (flags & Qt::TextShowMnemonic)
                shown.remove(QRegularExpression(QStringLiteral("&(?!&)")))
                    .replace(QStringLiteral("&&"), QStringLiteral("&"));
            int lines = (format & DT_SINGLELINE) ? 1 : static_cast<int>(shown.count(QLatin1Char('\n'))) + 1;
            int width = 0;
            for (const QString& line : shown.split(QLatin1Char('\n')))
                width = std::max(width, metrics.horizontalAdvance(line));
            needed = QSize(width, lines * metrics.height());
        }
        rect->right = rect->left + needed.width();
        rect->bottom = rect->top + needed.height();
        return needed.height();
    }
    if ((format & DT_END_ELLIPSIS) && (format & DT_SINGLELINE))
        value = metrics.elidedText(value, Qt::ElideRight, area.width(), flags & Qt::TextShowMnemonic);
    int height = 0;
    BOOL drawn = WithPainter(hdc, [&](DeviceContext& context, QPainter& painter) {
        painter.setFont(font);
        if (!(format & DT_NOCLIP)) painter.setClipRect(area, Qt::IntersectClip);
        QRect bounds = metrics.boundingRect(area, flags, value);
        if (context.bkMode == OPAQUE) painter.fillRect(bounds, ToQColor(context.bkColor));
        painter.setPen(ToQColor(context.textColor));
        painter.drawText(area, flags, value);
        height = bounds.height();
    });
    return drawn ? std::max(height, 1) : 0;
}

BOOL GetTextExtentPoint32W(HDC hdc, LPCWSTR text, int count, LPSIZE size) {
    DeviceContext* dc = DcOf(hdc);
    if (!dc || !size || count < 0 || (!text && count > 0)) return FALSE;
    QFontMetrics metrics(FontOfDc(*dc));
    *size = SIZE{metrics.horizontalAdvance(TextOf(text, count)), metrics.height()};
    return TRUE;
}

BOOL GetTextMetricsW(HDC hdc, TEXTMETRICW* result) {
    DeviceContext* dc = DcOf(hdc);
    if (!dc || !result) return FALSE;
    QFont font = FontOfDc(*dc);
    QFontMetrics metrics(font);
    *result = TEXTMETRICW{metrics.height(),   metrics.ascent(),
                          metrics.descent(),  std::max(0, metrics.height() - font.pixelSize()),
                          metrics.leading(),  metrics.averageCharWidth(),
                          metrics.maxWidth(), static_cast<LONG>(font.weight())};
    return TRUE;
}

BOOL BitBlt(HDC dest, int x, int y, int width, int height, HDC source, int sx, int sy, DWORD rop) {
    DeviceContext* from = DcOf(source);
    if (!from || rop != SRCCOPY) return FALSE;
    GdiObject* bitmap = GdiObjectOf(from->bitmap);
    if (!bitmap) return FALSE;
    return WithPainter(dest, [&](DeviceContext&, QPainter& painter) {
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.drawImage(QRect(x, y, width, height), bitmap->image, QRect(sx, sy, width, height));
    });
}
