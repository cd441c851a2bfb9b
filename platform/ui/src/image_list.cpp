#include "ui/image_list.h"

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

BOOL ImageList_Destroy(HIMAGELIST list) { return Lists().Remove(list) ? TRUE : FALSE; }

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
