// What stands behind the graphics-plus objects: a Bitmap's QImage, a
// Graphics' QPainter, a Font's QFont.
#pragma once

#include "ui/gdiplus.h"

#include <QFont>
#include <QImage>
#include <QPainter>

#include <optional>

namespace Gdiplus {

struct Font::State {
    QFont font;
};

namespace detail {

struct ImageState {
    QImage image;  // over the caller's buffer for a Bitmap made over one
    Status status = Ok;
    // The lock in force: the rectangle, its mode, and the converted or
    // user-buffer copy handed out instead of the image's own bits.
    bool locked = false;
    QRect lockRect;
    UINT lockFlags = 0;
    std::optional<QImage> lockCopy;
};

struct GraphicsState {
    std::optional<QPainter> ownPainter;  // over an image
    QPainter* painter = nullptr;         // the one drawing: the own one or a device context's
};

// The QImage format of a pixel format; Format_Invalid for one the layer
// does not handle.
QImage::Format QtFormatOf(PixelFormat format);

}  // namespace detail
}  // namespace Gdiplus
