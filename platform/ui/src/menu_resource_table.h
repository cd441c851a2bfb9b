// The program's registered menu tables, for LoadMenuW.
#pragma once

#include "ui/menu_resource.h"

namespace ui::detail {

// The table registered under `id`, or null. Valid until it is registered
// again or unregistered.
const MenuResource* FindMenuResource(const ResourceId& id);

}  // namespace ui::detail
