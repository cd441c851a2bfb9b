#include "menu_resource_table.h"

#include <map>

namespace ui {
namespace {

std::map<ResourceId, MenuResource>& Tables() {
    static std::map<ResourceId, MenuResource> tables;
    return tables;
}

}  // namespace

void RegisterMenuResource(MenuResource resource) {
    ResourceId id = resource.id;
    Tables().insert_or_assign(std::move(id), std::move(resource));
}

bool UnregisterMenuResource(const ResourceId& id) { return Tables().erase(id) != 0; }

namespace detail {

const MenuResource* FindMenuResource(const ResourceId& id) {
    auto found = Tables().find(id);
    return found == Tables().end() ? nullptr : &found->second;
}

}  // namespace detail
}  // namespace ui
