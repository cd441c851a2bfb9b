// The in-memory tree of a hive and the case fold of its names.
#include "registry_hive.h"

#include "winapi/text.h"

namespace winapi::registry {

// The platform folds names to upper case one UTF-16 unit at a time; the
// simple Unicode upper-case mapping does the same for the names in use. This
// differs from the text layer's FoldCase (lower case through upper case) on
// purpose: the hive's keys and their order are the registry's, not ours.
namespace {

// Names are ASCII nearly always: those units are folded here, the others by
// the Unicode table; the result is ToUpper's either way.
char16_t FoldUnit(char16_t unit) {
    if (unit >= 0x80) return ToUpper(unit);
    return unit >= u'a' && unit <= u'z' ? static_cast<char16_t>(unit - 0x20) : unit;
}

}  // namespace

std::u16string FoldName(std::u16string_view name) {
    std::u16string folded(name);
    for (char16_t& unit : folded) unit = FoldUnit(unit);
    return folded;
}

FoldedName::FoldedName(std::u16string_view name) : size_(name.size()) {
    char16_t* out = inline_;
    if (name.size() > kInline) {
        long_.resize(name.size());
        out = long_.data();
    }
    // Names are ASCII nearly always: those units are folded here, the others
    // by the Unicode table.
    for (size_t i = 0; i < name.size(); ++i) {
        char16_t unit = name[i];
        out[i] =
            unit < 0x80 ? (unit >= u'a' && unit <= u'z' ? static_cast<char16_t>(unit - 0x20) : unit) : ToUpper(unit);
    }
    data_ = out;
}

const Value* Key::FindValue(std::u16string_view valueName) const {
    return FindFoldedValue(FoldedName(valueName).view());
}

const Key* Key::FindSubKey(std::u16string_view keyName) const {
    auto it = subKeys.find(FoldedName(keyName).view());
    return it == subKeys.end() ? nullptr : it->second.get();
}

Key* Key::FindSubKey(std::u16string_view keyName) {
    auto it = subKeys.find(FoldedName(keyName).view());
    return it == subKeys.end() ? nullptr : it->second.get();
}

Key& Key::SubKey(std::u16string_view keyName, bool* created) {
    auto [it, inserted] = subKeys.try_emplace(FoldName(keyName));
    if (inserted) {
        it->second = std::make_unique<Key>();
        it->second->name = keyName;
    }
    if (created) *created = inserted;
    return *it->second;
}

const Key* FindKey(const Key& root, const KeyPath& path) {
    const Key* key = &root;
    for (const auto& name : path) {
        key = key->FindSubKey(name);
        if (!key) return nullptr;
    }
    return key;
}

Key* FindKey(Key& root, const KeyPath& path) { return const_cast<Key*>(FindKey(static_cast<const Key&>(root), path)); }

std::unique_ptr<Key> CloneTree(const Key& key) {
    // Recursion is bounded: no hive is deeper than kMaxKeyDepth.
    auto copy = std::make_unique<Key>();
    copy->name = key.name;
    copy->values = key.values;
    for (const auto& [folded, sub] : key.subKeys) copy->subKeys.emplace(folded, CloneTree(*sub));
    return copy;
}

}  // namespace winapi::registry
