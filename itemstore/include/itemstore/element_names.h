// Names of an item's elements in the item cache file: the key (file name
// less its extension), the suffix, the escape of characters the compound
// file cannot hold, and the split of long names into nested storages.
//
// Element names are compared without regard to case by the compound file,
// so keys that differ only in letter case address the same elements.
#pragma once

#include "bellquist/item_names.h"
#include "winapi/types.h"

#include <string>
#include <string_view>
#include <vector>

// Length of the item extension ".<item>" that every item file name ends in.
inline constexpr size_t kItemExtensionLength = BellquistLib::kItemExtension.size();
// Characters of one piece of a split name (a piece storage or the stream).
inline constexpr size_t kElementPieceLength = 30;
// The root stream holding the header text, before the split's "S".
inline constexpr const char16_t* kHeaderStreamName = u"headerstream";

// The file name less its last 7 characters, unchecked; empty for a name of
// 7 characters or fewer. S_OK, or E_OUTOFMEMORY.
HRESULT ghItemKey(std::u16string_view fileName, std::u16string& key);
// The escaped element name of an item's record: key + "I", escaped.
HRESULT ghItemElementName(std::u16string_view fileName, std::u16string& name);
// The escaped element name of an item's children list: key + "C", escaped.
HRESULT ghChildrenElementName(std::u16string_view fileName, std::u16string& name);
// Writers refuse an item whose key is empty (a file name of 7 characters
// or fewer): all such items would share the elements "IS" and "CS" and
// overwrite each other. E_OXN_INVALID_NAME for those, else
// S_OK. Readers and deleters do not ask.
HRESULT ghCheckWritableItemKey(std::u16string_view fileName);
// Replaces each of / % * : | ! LF CR TAB ? " by "%" and its two-digit index
// (00 to 10), left to right; every other character (the backslash too) is
// kept.
HRESULT ghEscapeElementName(std::u16string_view text, std::u16string& escaped);

// An escaped element name as it lies in the file: storage names outermost
// first, each 30 characters + "F", then the stream name in the innermost
// storage, the last 1 to 30 characters + "S". An empty name gives no
// storages and the stream "S".
struct SplitElementName {
    std::vector<std::u16string> storages;
    std::u16string stream;
};
void gvSplitElementName(std::u16string_view escapedName, SplitElementName& split);
