// StrWnd: the string manager's side of the system's windows. Here its help:
// a topic of the product's help file, shown by the shared help viewer.
#pragma once

#include "winapi/types.h"

class StrWnd {
public:
    // Starts the shared help viewer (SettingsLight kind 15) on the topic
    // `topic` of `section` in the product's help file (kind 9):
    //     "<viewer>" "<help file>::/<section>/<topic>.htm"
    // The viewer runs on its own; nothing waits for it. False when the
    // viewer is not installed, the help file is missing or the viewer
    // cannot be started. `owner` and `flags` (0 from every caller) change
    // nothing.
    static bool mzbShowHelp(HWND owner, const WCHAR* topic, const WCHAR* section, int flags);
};
