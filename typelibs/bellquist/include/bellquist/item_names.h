// The names of items: every item's file name ends in the item extension
// (a new item's is its item number followed by it), and the item cache
// addresses items by such names.
#pragma once

#include <string_view>

namespace BellquistLib {

inline constexpr std::u16string_view kItemExtension = u".<item>";

}  // namespace BellquistLib
