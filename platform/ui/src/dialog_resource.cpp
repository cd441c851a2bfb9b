#include "ui/dialog_resource.h"

#include <map>
#include <memory>

namespace ui {
namespace {

// Entries are held by pointer so a lookup stays valid while others are
// added.
std::map<int, std::unique_ptr<DialogTemplate>>& Table() {
    static std::map<int, std::unique_ptr<DialogTemplate>> table;
    return table;
}

}  // namespace

void RegisterDialogTemplate(const DialogTemplate& dialogTemplate) {
    if (dialogTemplate.id == 0) return;
    Table()[dialogTemplate.id] = std::make_unique<DialogTemplate>(dialogTemplate);
}

bool UnregisterDialogTemplate(int id) { return Table().erase(id) != 0; }

const DialogTemplate* FindDialogTemplate(int id) {
    auto found = Table().find(id);
    return found == Table().end() ? nullptr : found->second.get();
}

}  // namespace ui
