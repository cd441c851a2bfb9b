#include "explorer/data/web_help.h"

#include "common/registry.h"

#include "winapi/errors.h"
#include "winapi/registry.h"

bool gbUseWebHelp() {
    Registry key;
    DWORD value = 1;
    if (!key.mbOpen(HKEY_CURRENT_USER, kWebHelpKeyPath, KEY_READ, 1) || !key.mbGetDWORD(kWebHelpValueName, value))
        return true;
    return value != 0;
}

void gvToggleWebHelp() {
    const DWORD value = gbUseWebHelp() ? 0 : 1;
    Registry key;
    if (!key.mbOpen(HKEY_CURRENT_USER, kWebHelpKeyPath, KEY_WRITE, 1)) return;
    RegSetValueExW(key.Key(), kWebHelpValueName, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof(value));
}
