// The images behind an HIMAGELIST, for the layer's own code (drawing into
// device contexts, the report control's icons).
#pragma once

#include "ui/image_list.h"

#include <QImage>

namespace ui::detail {

// Image `index` of the list (Format_ARGB32, the list's size); a null image
// when the list or the index names none.
QImage ImageListImage(HIMAGELIST list, int index);

}  // namespace ui::detail
