#include "ui/image_list.h"

#include "device_context_internal.h"
#include "gdi_object_internal.h"
#include "icon_internal.h"
#include "image_list_internal.h"
#include "object_table.h"

#include <QPainter>

#include <algorithm>
#include <vector>

namespace ui::detail {
namespace {

struct ImageListData {
    int cx = 0;
    int cy = 0;
    UINT flags = 0;
    std::vector<QImage> images;  // each Format_ARGB32, cx x cy
    // ImageList_GetImageInfo's bitmaps (null until asked), freed by
    // ImageList_Destroy; `stale` when the images changed since they were
    // drawn.
    HBITMAP strip = nullptr;
    HBITMAP mask = nullptr;
    bool stale = true;
};

ObjectTable<HIMAGELIST, ImageListData>& Lists() {
    static ObjectTable<HIMAGELIST, ImageListData> table(0x00050000u, 4);
    return table;
}

ImageListData* FindList(HIMAGELIST list) { return Lists().Find(list); }

bool ValidIndex(const ImageListData& data, int index) {
    return index >= 0 && static_cast<std::size_t>(index) < data.images.size();
}

}  // namespace

QImage ImageListImage(HIMAGELIST list, int index) {
    ImageListData* data = FindList(list);
    return data && ValidIndex(*data, index) ? data->images[static_cast<std::size_t>(index)] : QImage();
}

}  // namespace ui::detail

using namespace ui::detail;

HIMAGELIST ImageList_Create(int cx, int cy, UINT flags, int initial, int) {
    if (cx <= 0 || cy <= 0) return nullptr;
    auto data = std::make_unique<ImageListData>();
    data->cx = cx;
    data->cy = cy;
    data->flags = flags;
    data->images.reserve(static_cast<std::size_t>(std::max(initial, 0)));
    return Lists().Add(std::move(data));
}

BOOL ImageList_Destroy(HIMAGELIST list) {
    std::unique_ptr<ImageListData> data = Lists().Remove(list);
    if (!data) return FALSE;
    if (data->strip) DeleteObject(data->strip);
    if (data->mask) DeleteObject(data->mask);
    return TRUE;
}

int ImageList_GetImageCount(HIMAGELIST list) {
    ImageListData* data = FindList(list);
    return data ? static_cast<int>(data->images.size()) : 0;
}

BOOL ImageList_GetIconSize(HIMAGELIST list, int* cx, int* cy) {
    ImageListData* data = FindList(list);
    if (!data || !cx || !cy) return FALSE;
    *cx = data->cx;
    *cy = data->cy;
    return TRUE;
}

int ImageList_AddIcon(HIMAGELIST list, HICON icon) { return ImageList_ReplaceIcon(list, -1, icon); }

int ImageList_ReplaceIcon(HIMAGELIST list, int index, HICON icon) {
    ImageListData* data = FindList(list);
    QImage image = IconImage(icon);
    if (!data || image.isNull()) return -1;
    image = ScaledIconImage(image, data->cx, data->cy);
    data->stale = true;
    if (index == -1) {
        data->images.push_back(std::move(image));
        return static_cast<int>(data->images.size()) - 1;
    }
    if (!ValidIndex(*data, index)) return -1;
    data->images[static_cast<std::size_t>(index)] = std::move(image);
    return index;
}

BOOL ImageList_Remove(HIMAGELIST list, int index) {
    ImageListData* data = FindList(list);
    if (!data) return FALSE;
    data->stale = true;
    if (index == -1) {
        data->images.clear();
        return TRUE;
    }
    if (!ValidIndex(*data, index)) return FALSE;
    data->images.erase(data->images.begin() + index);
    return TRUE;
}

HICON ImageList_GetIcon(HIMAGELIST list, int index, UINT) { return MakeIcon(ImageListImage(list, index)); }

HIMAGELIST ImageList_Merge(HIMAGELIST list1, int i1, HIMAGELIST list2, int i2, int dx, int dy) {
    QImage first = ImageListImage(list1, i1);
    QImage second = ImageListImage(list2, i2);
    if (first.isNull() || second.isNull()) return nullptr;
    // The merged image covers both: the first image's origin moves right or
    // down when the offset is negative.
    int left = std::min(0, dx);
    int top = std::min(0, dy);
    int width = std::max(first.width(), dx + second.width()) - left;
    int height = std::max(first.height(), dy + second.height()) - top;
    QImage merged(width, height, QImage::Format_ARGB32_Premultiplied);
    merged.fill(Qt::transparent);
    {
        QPainter painter(&merged);
        painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
        painter.drawImage(-left, -top, first);
        painter.drawImage(dx - left, dy - top, second);
    }
    HIMAGELIST result = ImageList_Create(width, height, FindList(list1)->flags, 1, 0);
    FindList(result)->images.push_back(merged.convertToFormat(QImage::Format_ARGB32));
    return result;
}

namespace {

// The bitmap `handle` (made when null) now showing `image`.
HBITMAP ShowInBitmap(HBITMAP handle, QImage image) {
    if (!handle) {
        GdiObject object{};
        object.kind = GdiKind::Bitmap;
        object.image = std::move(image);
        return static_cast<HBITMAP>(AddGdiObject(std::move(object)));
    }
    GdiObjectOf(handle)->image = std::move(image);
    return handle;
}

// Draws the list's images in a row into its bitmaps.
void DrawStrip(ImageListData& data) {
    int count = std::max<int>(1, static_cast<int>(data.images.size()));
    QImage strip(data.cx * count, data.cy, QImage::Format_ARGB32_Premultiplied);
    strip.fill(Qt::transparent);
    QImage mask(strip.size(), QImage::Format_ARGB32_Premultiplied);
    mask.fill(Qt::white);
    {
        QPainter painter(&strip);
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        for (std::size_t i = 0; i < data.images.size(); ++i) {
            const QImage& image = data.images[i];
            int left = static_cast<int>(i) * data.cx;
            painter.drawImage(left, 0, image);
            for (int y = 0; y < image.height(); ++y) {
                const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
                auto* out = reinterpret_cast<QRgb*>(mask.scanLine(y)) + left;
                for (int x = 0; x < image.width(); ++x)
                    if (qAlpha(line[x])) out[x] = qRgb(0, 0, 0);
            }
        }
    }
    data.strip = ShowInBitmap(data.strip, std::move(strip));
    if (data.flags & ILC_MASK) data.mask = ShowInBitmap(data.mask, std::move(mask));
    data.stale = false;
}

}  // namespace

BOOL ImageList_GetImageInfo(HIMAGELIST list, int index, IMAGEINFO* info) {
    ImageListData* data = FindList(list);
    if (!data || !info || !ValidIndex(*data, index)) return FALSE;
    if (data->stale || !data->strip) DrawStrip(*data);
    *info = IMAGEINFO{};
    info->hbmImage = data->strip;
    info->hbmMask = data->mask;
    info->rcImage = RECT{index * data->cx, 0, (index + 1) * data->cx, data->cy};
    return TRUE;
}

BOOL ImageList_Draw(HIMAGELIST list, int index, HDC hdc, int x, int y, UINT) {
    QImage image = ImageListImage(list, index);
    QPainter* painter = PainterOf(hdc);
    if (image.isNull() || !painter) return FALSE;
    painter->save();
    painter->setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter->drawImage(x, y, image);
    painter->restore();
    return TRUE;
}
