// The framework's message boxes: a question to the prompter, owned by the
// active window (else the main window), captioned with the application's
// title.
#pragma once

#include "ui/framework/cmd_target.h"
#include "ui/message_box.h"

// Returns the pressed button (IDOK, IDCANCEL, ...).
int AfxMessageBox(LPCTSTR lpszText, UINT nType = MB_OK, UINT nIDHelp = 0);
// The text is the string `nIDPrompt` of the string table (empty when none).
int AfxMessageBox(UINT nIDPrompt, UINT nType = MB_OK, UINT nIDHelp = static_cast<UINT>(-1));
