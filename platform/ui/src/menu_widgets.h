// The widgets built from menus (ui/menus.h), shared by the framework (a
// frame's menu bar), the toolkit (its menu bar and popup buttons) and the
// default prompter (TrackPopupMenu).
//
// A bound QMenu or QMenuBar shows an HMENU's items and stays in step with
// them: every change of a bound menu's data refreshes its widget when Qt's
// loop next runs, and a (sub)menu is refreshed at once just before it shows,
// right after WM_INITMENUPOPUP was SENT to the target (wParam the HMENU,
// lParam MAKELPARAM(index, 0): its position in the parent, 0 for the menu a
// QMenu was bound to), so the target's update-UI pass over the data
// (EnableMenuItem, CheckMenuItem, ModifyMenuW, ...) shows. Actions are
// updated in place where an item keeps its kind, so an action (and its
// window-wide shortcut) lives as long as its item.
//
// Items become: a command - a QAction carrying the id whose `triggered`
// POSTS WM_COMMAND (MAKEWPARAM(id, 0), 0) to the target (CommandDelivery::
// Post; the id is read when it triggers, so a menu emptied as it closes
// loses nothing); the text after "\t" is the action's QKeySequence (Qt's
// portable text: "Ctrl+N", "Del") and "&" marks the mnemonic, as in Qt;
// MF_GRAYED disables, MF_CHECKED checks, MF_DEFAULT shows bold. A separator
// - a separator. A popup item - a child QMenu bound to the submenu. An
// owner-drawn item (MF_OWNERDRAW) - a QWidgetAction whose widget asks its
// size with WM_MEASUREITEM (once, and again after the item's id or data
// changed) and paints by sending WM_DRAWITEM (ODT_MENU, CtlID 0,
// ODS_SELECTED while it is the active item) to the target with a DC over
// its painter; a click triggers it and closes its menus. A QMenuBar shows
// no widget actions, so an owner-drawn entry of a bar itself is not drawn.
#pragma once

#include "ui/window_types.h"

class QAction;
class QMenu;
class QMenuBar;

namespace ui::detail {

enum class CommandDelivery {
    Post,    // a triggered command posts WM_COMMAND to the target
    Return,  // nothing is posted: the caller reads CommandOf(action)
};

// Binds `menu` (empty; the binding is its child and lives as long as it)
// to `hmenu` and fills it now. `target` gets the messages above.
void BindMenu(QMenu* menu, HMENU hmenu, HWND target, CommandDelivery delivery = CommandDelivery::Post);
// Binds a menu bar: its entries are the menu's popups (a title each) and
// commands. The bar's titles follow changes of the menu (e.g. a renamed or
// inserted popup) when Qt's loop next runs.
void BindMenuBar(QMenuBar* bar, HMENU hmenu, HWND target);

// Refreshes `menu` (or a bar) from its menu's data now, without sending
// WM_INITMENUPOPUP; for code that changed the data and shows the widget at
// once.
void RefreshMenuWidget(QMenu* menu);
void RefreshMenuWidget(QMenuBar* bar);

// The command id an action of a bound menu carries; 0 for another action
// (a separator, a submenu's action, an action not made from a menu).
UINT CommandOf(const QAction* action);

}  // namespace ui::detail
