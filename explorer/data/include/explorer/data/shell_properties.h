// The shell's Properties of a file, for the explorer's Properties command.
#pragma once

#include "winapi/types.h"

// Shows the Properties of the file at `path` through the vault client's
// shell extension, owned by the last active popup of the main window, under
// the wait cursor; failures show nothing. The file reaches the extension
// through the shell namespace (ShellItem), which this platform does not
// have, so here it shows nothing at all.
void ShowShellProperties(LPCWSTR path);
