#include "itemstore/item_object.h"

#include <algorithm>

ItemObject::ItemObject() = default;

ChildWithLink::ChildWithLink() {
    meLinkType = -1;
    meLinkOperation = -1;
    meInitialLinkType = -1;
    meInitialLinkOperation = -1;
}

void ItemObject::mvSetFileName(std::u16string_view name) {
    if (name.size() >= static_cast<size_t>(kItemFileNameCapacity)) name = {};
    std::copy(name.begin(), name.end(), mszFileName);
    mszFileName[name.size()] = u'\0';
}

void ItemObject::mvSetPath(std::u16string_view path) {
    path = path.substr(0, kItemPathCapacity - 1);
    std::copy(path.begin(), path.end(), mszPath);
    mszPath[path.size()] = u'\0';
}

// A record filled by hand may lack its terminator: the field's last code
// unit is taken as one, so a text never exceeds what a record can store.
static std::u16string_view TextOf(const char16_t* text, size_t capacity) {
    return {text, static_cast<size_t>(std::find(text, text + capacity - 1, u'\0') - text)};
}

std::u16string_view ItemObject::moFileName() const { return TextOf(mszFileName, kItemFileNameCapacity); }

std::u16string_view ItemObject::moPath() const { return TextOf(mszPath, kItemPathCapacity); }

bool gbIsFolderType(int32_t objectType, bool includeRoots) {
    if (objectType == kObjectTypeItemFolder) return true;
    return includeRoots && (objectType == kObjectTypeRootItemFolder || objectType == kObjectTypeVault);
}
