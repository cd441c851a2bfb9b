// The sample application's resources: its ids, menu, strings and command
// icons, registered as tables as a resource script would hold them.
#pragma once

#include "ui/framework/framework_ids.h"
#include "ui/window_types.h"

// The document type: menu, document string and frame title.
#define IDR_SAMPLETYPE 128
// The docking pane that shows the document's outline.
#define IDP_OUTLINE_PANE 101

// The application's own commands.
#define ID_ITEM_ADD 32771      // the document adds an item
#define ID_ITEM_CLEAR 32772    // the document removes every item
#define ID_VIEW_GRID 32773     // the active view shows or hides its grid
#define ID_VIEW_OUTLINE 32774  // the frame shows or hides the outline pane

// UpdateAllViews hints.
#define HINT_ITEMS_CHANGED 1
#define HINT_SELECTION_CHANGED 2

// Registers the menu, the strings and the command icons (once per process
// is enough; registering again replaces them).
void RegisterSampleResources();
// Removes the menu again (the strings stay: the table has no removal).
void UnregisterSampleResources();

// A new 16x16 icon for command `nID` of the tool bar, drawn with GDI+;
// null for a command without one. The caller destroys it.
HICON CreateCommandIcon(UINT nID);
