#include "ui/toolkit/image_manager.h"

#include "icon_internal.h"
#include "image_manager_internal.h"

#include <map>

namespace {

std::map<UINT, QImage>& Images() {
    static std::map<UINT, QImage> images;
    return images;
}

}  // namespace

BOOL CXTPImageManager::SetIcon(HICON icon, UINT id) {
    QImage image = ui::detail::IconImage(icon);
    if (image.isNull()) return FALSE;
    Images()[id] = image;
    return TRUE;
}

BOOL CXTPImageManager::HasIcon(UINT id) const { return Images().count(id) != 0; }

int CXTPImageManager::GetCount() const { return static_cast<int>(Images().size()); }

void CXTPImageManager::RemoveAll() { Images().clear(); }

CXTPImageManager* XTPImageManager() {
    static CXTPImageManager manager;
    return &manager;
}

namespace ui::detail {

QImage ManagedImage(UINT id) {
    auto found = Images().find(id);
    return found == Images().end() ? QImage() : found->second;
}

}  // namespace ui::detail
