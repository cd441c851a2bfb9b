// Dialog resources: the program's dialog templates registered by id, as a
// resource script would hold them, for the classes that name their
// template by id (CDialog(100)).
#pragma once

#include "ui/dialog_template.h"

namespace ui {

// Registers (or replaces) `dialogTemplate` under its `id` (nonzero). The
// table keeps a copy. Call on the GUI thread, before the dialog is made;
// a dialog made from the previous entry keeps using that one until it
// ends only if no one replaces it meanwhile (replacing frees the old copy).
void RegisterDialogTemplate(const DialogTemplate& dialogTemplate);
// Removes the entry; true when there was one.
bool UnregisterDialogTemplate(int id);
// The template registered under `id`, or null. Valid until it is replaced
// or removed. Cost: one map lookup.
const DialogTemplate* FindDialogTemplate(int id);

}  // namespace ui
