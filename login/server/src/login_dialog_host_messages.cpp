#include "login_dialog_host_messages.h"

#include "common/registry.h"
#include "common/settings_light.h"
#include "ui/message_box.h"

namespace login_dialog_host {

namespace {

std::u16string DefaultValueOfProductKey(HKEY root) {
    Registry key;
    std::u16string caption;
    if (key.mbOpen(root, kProductKeyPath, KEY_READ, 0)) key.mbGetString(nullptr, caption);
    return caption;
}

}  // namespace

std::u16string ProductCaption() {
    for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER})
        if (std::u16string caption = DefaultValueOfProductKey(root); !caption.empty()) return caption;
    return u"ZENTRAVIKO Vyl";
}

void ShowMessage(HWND parent, const std::u16string& text, UINT icon) {
    const std::u16string caption = ProductCaption();
    MessageBoxW(parent, text.c_str(), caption.c_str(), MB_OK | icon);
}

}  // namespace login_dialog_host
