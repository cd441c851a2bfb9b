// Element names as the format defines them: what a valid name is, and the
// order of names in a storage's directory tree.
#pragma once

#include "winapi/types.h"

#include <string>
#include <string_view>

namespace storage::format {

// S_OK for a name an element may be created or renamed with: 1 to 31 UTF-16
// code units, none of them the terminator (0) or '/', '\\', ':', '!'.
// STG_E_INVALIDNAME otherwise. Names beginning with a control character
// (0x01-0x1F) are valid: property sets are stored under such names.
// Cost: O(length).
HRESULT ValidateElementName(std::u16string_view name);

// The form in which names compare: each code unit mapped to its simple
// Unicode upper case (winapi::ToUpper). Two names are the same element name
// exactly when their keys are equal, so lookup is without regard to case.
// Cost: O(length).
std::u16string ElementNameKey(std::u16string_view name);

// The format's order of keys: a shorter key sorts first; keys of equal
// length compare code unit by code unit as unsigned 16-bit numbers.
struct ElementKeyLess {
    bool operator()(const std::u16string& a, const std::u16string& b) const {
        return a.size() != b.size() ? a.size() < b.size() : a < b;
    }
};

// The format's order of sibling names: that of their keys. Returns <0, 0 or
// >0. Cost: O(length).
int CompareElementNames(std::u16string_view a, std::u16string_view b);

}  // namespace storage::format
