#include "format/element_name.h"

#include "format/constants.h"
#include "winapi/errors.h"
#include "winapi/text.h"

namespace storage::format {

HRESULT ValidateElementName(std::u16string_view name) {
    if (name.empty() || name.size() > kMaxNameLength) {
        return STG_E_INVALIDNAME;
    }
    for (char16_t unit : name) {
        if (unit == 0 || unit == u'/' || unit == u'\\' || unit == u':' || unit == u'!') {
            return STG_E_INVALIDNAME;
        }
    }
    return S_OK;
}

// The format's own rule, not the text layer's FoldCase: compound files compare
// names by upper case (and by length first, see below), and other readers
// order a storage's siblings by exactly this key.
std::u16string ElementNameKey(std::u16string_view name) {
    std::u16string key(name);
    for (char16_t& unit : key) {
        // ASCII directly: nearly every name is ASCII, and this runs on every lookup.
        if (unit < 0x80) {
            if (unit >= u'a' && unit <= u'z') {
                unit = static_cast<char16_t>(unit - (u'a' - u'A'));
            }
        } else {
            unit = winapi::ToUpper(unit);
        }
    }
    return key;
}

int CompareElementNames(std::u16string_view a, std::u16string_view b) {
    if (a.size() != b.size()) {
        return a.size() < b.size() ? -1 : 1;
    }
    const std::u16string keyA = ElementNameKey(a);
    const std::u16string keyB = ElementNameKey(b);
    return keyA < keyB ? -1 : (keyA == keyB ? 0 : 1);
}

}  // namespace storage::format
