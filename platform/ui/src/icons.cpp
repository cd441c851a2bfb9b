#include "ui/icons.h"

#include "icon_internal.h"
#include "object_table.h"
#include "text_conversion.h"
#include "winapi/errors.h"

#include <QApplication>
#include <QIcon>
#include <QPixmap>
#include <QStyle>
#include <QVariant>
#include <QWidget>

#include <map>

namespace ui::detail {
namespace {

struct IconData {
    QImage image;  // Format_ARGB32
    bool shared = false;
};

ObjectTable<HICON, IconData>& Icons() {
    static ObjectTable<HICON, IconData> table(0x00040000u, 4);
    return table;
}

struct IconResource {
    QImage image;
    HICON shared = nullptr;  // made at the first LoadIconW
};

std::map<ResourceId, IconResource>& Resources() {
    static std::map<ResourceId, IconResource> resources;
    return resources;
}

HICON AddIcon(QImage image, bool shared) {
    auto data = std::make_unique<IconData>();
    data->image = std::move(image);
    data->shared = shared;
    return Icons().Add(std::move(data));
}

IconData* IconOrError(HICON icon) {
    IconData* data = Icons().Find(icon);
    if (!data) SetLastError(ERROR_INVALID_ICON_HANDLE);
    return data;
}

// The system's own icons (IDI_*) from the style; a null image for other ids.
QImage SystemIcon(int id) {
    if (!qobject_cast<QApplication*>(QCoreApplication::instance())) return {};
    QStyle* style = QApplication::style();
    QIcon icon;
    switch (id) {
    case 32512:
        icon = QApplication::windowIcon().isNull() ? style->standardIcon(QStyle::SP_ComputerIcon)
                                                   : QApplication::windowIcon();
        break;
    case 32513:
        icon = style->standardIcon(QStyle::SP_MessageBoxCritical);
        break;
    case 32514:
        icon = style->standardIcon(QStyle::SP_MessageBoxQuestion);
        break;
    case 32515:
        icon = style->standardIcon(QStyle::SP_MessageBoxWarning);
        break;
    case 32516:
        icon = style->standardIcon(QStyle::SP_MessageBoxInformation);
        break;
    default:
        return {};
    }
    int size = SystemIconSize();
    return icon.pixmap(size, size).toImage().convertToFormat(QImage::Format_ARGB32);
}

}  // namespace

QImage IconImage(HICON icon) {
    IconData* data = Icons().Find(icon);
    return data ? data->image : QImage();
}

HICON MakeIcon(const QImage& image) {
    if (image.isNull()) return nullptr;
    return AddIcon(image.convertToFormat(QImage::Format_ARGB32), false);
}

QImage ScaledIconImage(const QImage& image, int cx, int cy) {
    QImage result = image.convertToFormat(QImage::Format_ARGB32);
    if (cx <= 0) cx = result.width();
    if (cy <= 0) cy = result.height();
    if (cx != result.width() || cy != result.height())
        result = result.scaled(cx, cy, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                     .convertToFormat(QImage::Format_ARGB32);
    return result;
}

QImage ResourceImage(const ResourceId& id) {
    auto found = Resources().find(id);
    return found == Resources().end() ? QImage() : found->second.image;
}

HICON SetWindowIcon(QWidget* widget, WPARAM kind, HICON icon) {
    const char* property = kind == ICON_SMALL ? "ui.iconSmall" : "ui.iconBig";
    auto previous = reinterpret_cast<HICON>(widget->property(property).value<quintptr>());
    widget->setProperty(property, QVariant::fromValue(reinterpret_cast<quintptr>(icon)));
    QIcon combined;
    for (const char* name : {"ui.iconSmall", "ui.iconBig"}) {
        QImage image = IconImage(reinterpret_cast<HICON>(widget->property(name).value<quintptr>()));
        if (!image.isNull()) combined.addPixmap(QPixmap::fromImage(image));
    }
    widget->setWindowIcon(combined);
    return previous;
}

int SystemIconSize() {
    if (!qobject_cast<QApplication*>(QCoreApplication::instance())) return 32;
    return QApplication::style()->pixelMetric(QStyle::PM_LargeIconSize);
}

}  // namespace ui::detail

using namespace ui::detail;

namespace ui {

bool RegisterIconResource(const ResourceId& id, std::span<const BYTE> bytes) {
    QImage image;
    if (!image.loadFromData(bytes.data(), static_cast<int>(bytes.size()))) return false;
    Resources()[id] = IconResource{image.convertToFormat(QImage::Format_ARGB32), nullptr};
    return true;
}

bool RegisterIconResourceFile(const ResourceId& id, std::u16string_view path) {
    QImage image;
    if (!image.load(ToQString(path))) return false;
    Resources()[id] = IconResource{image.convertToFormat(QImage::Format_ARGB32), nullptr};
    return true;
}

SIZE IconSize(HICON icon) {
    IconData* data = Icons().Find(icon);
    if (!data) return SIZE{0, 0};
    return SIZE{data->image.width(), data->image.height()};
}

}  // namespace ui

HICON LoadIconW(HINSTANCE instance, LPCWSTR name) {
    return static_cast<HICON>(LoadImageW(instance, name, IMAGE_ICON, 0, 0, LR_SHARED));
}

HANDLE LoadImageW(HINSTANCE, LPCWSTR name, UINT type, int cx, int cy, UINT flags) {
    if (type != IMAGE_ICON || !name) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if ((flags & LR_DEFAULTSIZE) && cx == 0) cx = SystemIconSize();
    if ((flags & LR_DEFAULTSIZE) && cy == 0) cy = SystemIconSize();
    if (flags & LR_LOADFROMFILE) {
        QImage image;
        if (!image.load(ToQString(name))) {
            SetLastError(ERROR_FILE_NOT_FOUND);
            return nullptr;
        }
        return AddIcon(ScaledIconImage(image, cx, cy), false);
    }
    ui::ResourceId id = ui::ResourceId::FromPointer(name);
    auto found = Resources().find(id);
    if (found == Resources().end()) {
        QImage image = id.IsNumber() ? SystemIcon(id.Number()) : QImage();
        if (image.isNull()) {
            SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
            return nullptr;
        }
        return AddIcon(ScaledIconImage(image, cx, cy), (flags & LR_SHARED) != 0);
    }
    IconResource& resource = found->second;
    QImage image = ScaledIconImage(resource.image, cx, cy);
    if (!(flags & LR_SHARED)) return AddIcon(std::move(image), false);
    // One shared icon per resource at its own size, as the platform's
    // LoadIconW gives; other sizes are shared icons of their own.
    if (image.size() != resource.image.size()) return AddIcon(std::move(image), true);
    if (!Icons().Find(resource.shared)) resource.shared = AddIcon(std::move(image), true);
    return resource.shared;
}

HICON CreateIconFromResourceEx(PBYTE bits, DWORD size, BOOL, DWORD, int cx, int cy, UINT flags) {
    QImage image;
    if (!bits || !image.loadFromData(bits, static_cast<int>(size))) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if ((flags & LR_DEFAULTSIZE) && cx == 0) cx = SystemIconSize();
    if ((flags & LR_DEFAULTSIZE) && cy == 0) cy = SystemIconSize();
    return AddIcon(ScaledIconImage(image, cx, cy), false);
}

HICON CopyIcon(HICON icon) {
    IconData* data = IconOrError(icon);
    return data ? AddIcon(data->image, false) : nullptr;
}

BOOL DestroyIcon(HICON icon) {
    IconData* data = IconOrError(icon);
    if (!data) return FALSE;
    if (!data->shared) Icons().Remove(icon);
    return TRUE;
}
