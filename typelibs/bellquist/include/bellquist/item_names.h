// The names of items: every item's file name ends in the item extension
// (a new item's is its item number followed by it), and the item cache
// addresses items by such names.
#pragma once

#include "winapi/text.h"

#include <string_view>

namespace BellquistLib {

inline constexpr std::u16string_view kItemExtension = u".<item>";

// Whether `name` ends in the item extension, in any case (vault file names
// compare without regard to case).
inline bool HasItemExtension(std::u16string_view name) {
    return name.size() >= kItemExtension.size() &&
           winapi::EqualsIgnoreCase(name.substr(name.size() - kItemExtension.size()), kItemExtension);
}

// `name` without its item extension (as it is when it has none).
inline std::u16string_view WithoutItemExtension(std::u16string_view name) {
    if (HasItemExtension(name)) name.remove_suffix(kItemExtension.size());
    return name;
}

}  // namespace BellquistLib
