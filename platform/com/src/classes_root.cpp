#include "classes_root.h"

#include "winapi/errors.h"
#include "winapi/guid_text.h"
#include "winapi/registry.h"

namespace com::detail {

bool ReadClassesRootText(const std::u16string& subKey, std::u16string* text) {
    // Read at once into a buffer most values fit: every read goes to the
    // hives, and creating an object asks here first. A longer value is read
    // again at the size reported, which may change between the calls.
    std::u16string value(MAX_PATH, u'\0');
    for (int attempt = 0; attempt < 4; ++attempt) {
        DWORD type = 0;
        DWORD bytes = static_cast<DWORD>(value.size() * sizeof(WCHAR));
        LSTATUS status = SHGetValueW(HKEY_CLASSES_ROOT, subKey.c_str(), nullptr, &type, value.data(), &bytes);
        if (status == ERROR_MORE_DATA) {
            if (type != REG_SZ && type != REG_EXPAND_SZ) return false;
            value.assign(bytes / sizeof(WCHAR) + 1, u'\0');
            continue;
        }
        if (status != ERROR_SUCCESS || type != REG_SZ) return false;  // an expandable text comes back expanded
        value.resize(bytes / sizeof(WCHAR));
        value.resize(value.find(u'\0') == std::u16string::npos ? value.size() : value.find(u'\0'));
        if (value.empty()) return false;
        *text = std::move(value);
        return true;
    }
    return false;
}

std::u16string ClassKey(REFCLSID clsid) { return u"CLSID\\" + winapi::GuidToString(clsid); }

}  // namespace com::detail
