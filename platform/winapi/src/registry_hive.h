// The content of one hive in memory: a tree of keys holding typed values,
// and its text form on disk (registry_hive_format.cpp).
#pragma once

#include "winapi/types.h"

#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace winapi::registry {

// Limits of the platform, kept so that every hive stays within them.
inline constexpr size_t kMaxKeyNameLength = 255;
inline constexpr size_t kMaxKeyDepth = 512;
inline constexpr size_t kMaxValueNameLength = 16383;

// Our own limits, chosen so that a writer can never make a hive its reader
// refuses. A hive's text larger than kMaxHiveTextSize is taken as damaged
// when read, and never written. One value holds at most kMaxValueSize
// bytes: its text (at most three characters a byte, "xx," or "\uXXXX" for
// two bytes) then stays far below the hive's limit, and a value meant to
// be larger belongs in a file beside the hive.
inline constexpr size_t kMaxValueSize = size_t(16) << 20;
inline constexpr size_t kMaxHiveTextSize = size_t(1) << 30;

// The form in which names compare: each UTF-16 unit upper-cased.
std::u16string FoldName(std::u16string_view name);

// A name's folded form for one lookup, kept on the stack when the name is of
// usual length, so that a lookup allocates nothing.
class FoldedName {
public:
    explicit FoldedName(std::u16string_view name);
    FoldedName(const FoldedName&) = delete;
    FoldedName& operator=(const FoldedName&) = delete;

    std::u16string_view view() const { return {data_, size_}; }

private:
    static constexpr size_t kInline = 64;
    char16_t inline_[kInline];
    std::u16string long_;  // names longer than kInline
    const char16_t* data_;
    size_t size_;
};

struct Value {
    std::u16string name;  // as first stored
    DWORD type = 0;
    std::vector<BYTE> data;
};

struct Key {
    std::u16string name;  // as created; empty for the root of a hive
    // Both keyed by the folded name, so enumeration is in case-insensitive
    // order; found by a folded view as well (std::less<>).
    std::map<std::u16string, Value, std::less<>> values;
    std::map<std::u16string, std::unique_ptr<Key>, std::less<>> subKeys;

    // Cost: the fold of the name (no allocation for names up to 64 units)
    // and a map lookup.
    const Value* FindValue(std::u16string_view valueName) const;
    const Value* FindFoldedValue(std::u16string_view folded) const {
        auto it = values.find(folded);
        return it == values.end() ? nullptr : &it->second;
    }
    const Key* FindSubKey(std::u16string_view keyName) const;
    Key* FindSubKey(std::u16string_view keyName);
    // The sub-key of that name; created (with the name as given) when missing.
    Key& SubKey(std::u16string_view keyName, bool* created = nullptr);
};

// A key's names from the root of its hive down.
using KeyPath = std::vector<std::u16string>;

const Key* FindKey(const Key& root, const KeyPath& path);
Key* FindKey(Key& root, const KeyPath& path);
std::unique_ptr<Key> CloneTree(const Key& key);

// The text file of a hive. ParseHive gives null for any text that is not a
// well-formed hive, so that a damaged file is reported, never half-read.
std::string SerializeHive(const Key& root);
std::unique_ptr<Key> ParseHive(std::string_view text);

}  // namespace winapi::registry
