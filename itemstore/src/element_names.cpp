#include "itemstore/element_names.h"

#include "common/error_codes.h"
#include "winapi/errors.h"

#include <new>

namespace {

// The characters a compound-file element name cannot hold, or that the
// format reserves; each becomes "%" + its index as two digits.
constexpr std::u16string_view kEscapedCharacters = u"/%*:|!\n\r\t?\"";
static_assert(kEscapedCharacters.size() == 11);

HRESULT ElementName(std::u16string_view fileName, char16_t suffix, std::u16string& name) {
    try {
        std::u16string key;
        HRESULT hr = ghItemKey(fileName, key);
        if (FAILED(hr)) return hr;
        key += suffix;
        return ghEscapeElementName(key, name);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

}  // namespace

HRESULT ghItemKey(std::u16string_view fileName, std::u16string& key) {
    try {
        key.assign(
            fileName.substr(0, fileName.size() > kItemExtensionLength ? fileName.size() - kItemExtensionLength : 0));
        return S_OK;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

HRESULT ghItemElementName(std::u16string_view fileName, std::u16string& name) {
    return ElementName(fileName, u'I', name);
}

HRESULT ghChildrenElementName(std::u16string_view fileName, std::u16string& name) {
    return ElementName(fileName, u'C', name);
}

HRESULT ghCheckWritableItemKey(std::u16string_view fileName) {
    return fileName.size() > kItemExtensionLength ? S_OK : E_OXN_INVALID_NAME;
}

HRESULT ghEscapeElementName(std::u16string_view text, std::u16string& escaped) {
    try {
        std::u16string result;
        result.reserve(text.size());
        for (char16_t c : text) {
            size_t index = kEscapedCharacters.find(c);
            if (index == std::u16string_view::npos) {
                result += c;
            } else {
                result += u'%';
                result += static_cast<char16_t>(u'0' + index / 10);
                result += static_cast<char16_t>(u'0' + index % 10);
            }
        }
        escaped = std::move(result);
        return S_OK;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

void gvSplitElementName(std::u16string_view escapedName, SplitElementName& split) {
    split.storages.clear();
    const size_t pieces = escapedName.empty() ? 0 : (escapedName.size() - 1) / kElementPieceLength;
    for (size_t k = 0; k < pieces; ++k) {
        split.storages.emplace_back(escapedName.substr(k * kElementPieceLength, kElementPieceLength));
        split.storages.back() += u'F';
    }
    split.stream.assign(escapedName.substr(pieces * kElementPieceLength));
    split.stream += u'S';
}
