#include "common/registry.h"

#include "winapi/environment.h"
#include "winapi/errors.h"
#include "winapi/text.h"

#include <vector>

Registry::~Registry() { mvClose(); }

void Registry::mvClose() noexcept {
    if (!mhKey) return;
    mlStatus = RegCloseKey(mhKey);
    mhKey = nullptr;
}

bool Registry::mbOpen(HKEY parent, LPCWSTR subKey, REGSAM access, LONG create) {
    mvClose();
    HKEY opened = nullptr;
    if (create != 0 && subKey) {
        DWORD disposition = 0;
        mlStatus = RegCreateKeyExW(parent, subKey, 0, u"", 0, access, nullptr, &opened, &disposition);
    } else {
        mlStatus = RegOpenKeyExW(parent, subKey, 0, access, &opened);
    }
    if (mlStatus == ERROR_SUCCESS) mhKey = opened;
    return mlStatus == ERROR_SUCCESS;
}

bool Registry::mbOpenSubKey(LPCWSTR name, REGSAM access, LONG create) {
    // The sub-key is opened below the held key before that key is let go.
    Registry subKey;
    bool opened = subKey.mbOpen(mhKey, name, access, create);
    if (!opened) {
        mlStatus = subKey.mlStatus;
        return false;
    }
    mvClose();
    mhKey = subKey.mhKey;
    subKey.mhKey = nullptr;
    mlStatus = ERROR_SUCCESS;
    return true;
}

bool Registry::mbGetString(LPCWSTR name, std::u16string& text) {
    text.clear();
    DWORD type = 0;
    DWORD size = 0;
    mlStatus = RegQueryValueExW(mhKey, name, nullptr, &type, nullptr, &size);
    if (mlStatus != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return false;

    // size + (size mod 2) + 2 zeroed bytes: the text ends in a zero even when
    // it was stored without one or with an odd byte count.
    std::vector<WCHAR> data((size + size % 2 + 2) / sizeof(WCHAR), 0);
    mlStatus = RegQueryValueExW(mhKey, name, nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size);
    if (mlStatus != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return false;

    if (type == REG_SZ) {
        text = data.data();
        return true;
    }
    DWORD needed = ExpandEnvironmentStringsW(data.data(), nullptr, 0);
    if (needed == 0) return false;
    std::vector<WCHAR> expanded(needed, 0);
    if (ExpandEnvironmentStringsW(data.data(), expanded.data(), needed) == 0) return false;
    text = expanded.data();
    return true;
}

bool Registry::mbGetDWORD(LPCWSTR name, DWORD& value) {
    DWORD type = 0;
    DWORD size = 0;
    mlStatus = RegQueryValueExW(mhKey, name, nullptr, &type, nullptr, &size);
    if (mlStatus != ERROR_SUCCESS || size != 4 || (type != REG_DWORD && type != REG_DWORD_BIG_ENDIAN)) return false;

    BYTE bytes[4] = {};
    mlStatus = RegQueryValueExW(mhKey, name, nullptr, &type, bytes, &size);
    if (mlStatus != ERROR_SUCCESS || size != 4) return false;
    if (type == REG_DWORD) {
        value = DWORD(bytes[0]) | DWORD(bytes[1]) << 8 | DWORD(bytes[2]) << 16 | DWORD(bytes[3]) << 24;
    } else if (type == REG_DWORD_BIG_ENDIAN) {
        value = DWORD(bytes[0]) << 24 | DWORD(bytes[1]) << 16 | DWORD(bytes[2]) << 8 | DWORD(bytes[3]);
    } else {
        return false;  // the value changed its type between the two reads
    }
    return true;
}

bool Registry::mbSetString(LPCWSTR name, LPCWSTR text) {
    if (!text) text = u"";
    DWORD bytes = static_cast<DWORD>(2 * wcslen(text) + 2);
    mlStatus = RegSetValueExW(mhKey, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text), bytes);
    return mlStatus == ERROR_SUCCESS;
}

bool Registry::mbHasShellRoot() {
    mlStatus = RegQueryValueExW(mhKey, u"ShellRoot", nullptr, nullptr, nullptr, nullptr);
    return mlStatus == ERROR_SUCCESS;
}
