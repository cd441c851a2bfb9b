// The image manager's images for the toolkit's own code.
#pragma once

#include "ui/window_types.h"

#include <QImage>

namespace ui::detail {

// The image kept for command `id`; a null image when none.
QImage ManagedImage(UINT id);

}  // namespace ui::detail
