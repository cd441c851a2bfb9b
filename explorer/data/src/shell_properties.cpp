#include "explorer/data/shell_properties.h"

#include "explorer/data/shell_namespace.h"

#include "ui/framework/wait_cursor.h"

void ShowShellProperties(LPCWSTR path) {
    CWaitCursor wait;
    // The desktop folder parses the path into an item id list, and the item
    // is bound below it. Binding the desktop folder fails on this platform,
    // and a failure shows nothing.
    static_cast<void>(path);
    ShellFolder desktop;
    desktop.mbBindToFolder(nullptr, nullptr);
}
