#include "product_name.h"

#include "common/settings_light.h"
#include "winapi/errors.h"
#include "winapi/registry.h"

#include <algorithm>
#include <array>

namespace coravent {

std::u16string goProductName(const WCHAR* defaultName) {
    for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
        std::u16string name;
        if (gbReadRegString(root, kProductKeyPath, nullptr, name) && !name.empty()) return name;
    }
    return defaultName ? std::u16string(defaultName) : std::u16string();
}

bool gbReadRegString(HKEY root, const WCHAR* subKey, const WCHAR* valueName, std::u16string& text) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, subKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    std::array<WCHAR, 512> buffer{};
    DWORD type = REG_NONE;
    DWORD size = sizeof(buffer);
    const LSTATUS status =
        RegQueryValueExW(key, valueName, nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()), &size);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS || type != REG_SZ) return false;
    // A value stored without its terminating zero that fills the buffer has
    // no room left for one.
    const auto end = std::find(buffer.begin(), buffer.end(), u'\0');
    if (end == buffer.end()) return false;
    text.assign(buffer.begin(), end);
    return true;
}

}  // namespace coravent
