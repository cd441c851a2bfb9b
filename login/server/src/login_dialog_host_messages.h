// What the login dialog host tells the user, and under which caption.
#pragma once

#include "winapi/types.h"

#include <string>

namespace login_dialog_host {

// The product's caption: the default value of the product key of the
// machine when not empty, else the user's, else "ZENTRAVIKO Vyl".
std::u16string ProductCaption();

// Shows `text` in a message box owned by `parent` with an OK button, the
// product caption as its title and `icon` (MB_ICONERROR, MB_ICONWARNING).
void ShowMessage(HWND parent, const std::u16string& text, UINT icon);

}  // namespace login_dialog_host
