// Device contexts inside the layer: the painter behind a DC, DCs over a
// painter that someone else owns (a menu item or a toolkit widget painting),
// and the paint of a window in progress.
#pragma once

#include "colour_conversion.h"
#include "ui/device_context.h"

#include <QFont>
#include <QPointer>
#include <QRect>

#include <memory>
#include <optional>
#include <vector>

class QPainter;
class QWidget;

namespace ui::detail {

// The painter behind a DC that can draw now: a paint DC's (begun when first
// asked), a memory DC's with a bitmap selected, a PainterDC's, a window DC's
// while its window paints; else null (a window DC outside painting, the
// screen DC, a memory DC without bitmap, no DC).
QPainter* PainterOf(HDC hdc);

// The font a DC draws text with now (the selected one, or its window's or
// the widget's it started with); nothing for no DC.
std::optional<QFont> FontOfDc(HDC hdc);

// A DC over a painter someone else owns, for as long as this object lives
// (the painter must outlive it). The DC's font starts as `widget`'s (the
// painter's when null); its colours and objects are the defaults. Drawing
// through the DC leaves the painter's state as it found it.
class PainterDC {
public:
    explicit PainterDC(QPainter* painter, const QWidget* widget = nullptr);
    ~PainterDC();
    PainterDC(const PainterDC&) = delete;
    PainterDC& operator=(const PainterDC&) = delete;

    HDC Handle() const { return hdc_; }

private:
    HDC hdc_;
};

// One paint event of a window being turned into WM_ERASEBKGND and WM_PAINT.
// Its painter begins only when something draws, and ends before Qt paints
// the widget itself (EndPainter) or when the session ends.
class PaintSession {
public:
    PaintSession(HWND hwnd, QWidget* widget, const QRect& rect);
    ~PaintSession();
    PaintSession(const PaintSession&) = delete;
    PaintSession& operator=(const PaintSession&) = delete;

    HDC Dc() const { return hdc_; }
    const QRect& Rect() const { return rect_; }
    QPainter* Painter();
    void EndPainter();
    // WM_ERASEBKGND was answered nonzero (the background is done).
    bool erased = false;

private:
    HWND hwnd_;
    QPointer<QWidget> widget_;
    QRect rect_;
    std::unique_ptr<QPainter> painter_;
    HDC hdc_;
    PaintSession* outer_;  // a paint of the same window further out, if any
};

// The paint in progress of a window, or null.
PaintSession* ActivePaint(HWND hwnd);

// Called with each DC as it is freed (one listener: the framework's CDC,
// whose temporary wrappers live as long as their DC).
void SetDcFreedListener(void (*listener)(HDC hdc));

// The focus rectangles DrawFocusRect left on a window outside painting, in
// the order drawn.
std::vector<QRect> FocusRectsOf(HWND hwnd);

}  // namespace ui::detail
