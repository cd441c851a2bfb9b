// The library's export, with C linkage: the login server looks it up by name.
#include "pruvane_login_dialog.h"

#include <type_traits>

extern "C" __attribute__((visibility("default"))) int geShowPruvane(HWND parent, LoginDialog* host, WCHAR*, int, WCHAR*,
                                                                    int) {
    return pruvane::RunLoginDialog(parent, host);
}

// The export must keep the type the server calls it through.
static_assert(std::is_same_v<decltype(&geShowPruvane), ShowPruvaneFunction>);
