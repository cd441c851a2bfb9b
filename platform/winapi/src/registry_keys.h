// What a key handle names and how a key reaches the hives: the predefined
// roots, the table of open keys, access rights, the 32-bit view and the
// merged classes view.
#pragma once

#include "registry_hive.h"
#include "registry_store.h"

#include "winapi/registry.h"
#include "winapi/types.h"

#include <memory>
#include <string_view>
#include <vector>

namespace winapi::registry {

enum class Root { Machine, User, Classes };

// The key a handle names: a path below its root and the rights it holds.
// Keys are named by path, so a handle whose key was deleted reports
// ERROR_KEY_DELETED until a key of that path is made again.
struct OpenKey {
    Root root = Root::Machine;
    KeyPath path;  // for Classes: below "Software\Classes"
    REGSAM access = 0;
};

// Rights that change a key (DELETE, WRITE_DAC and WRITE_OWNER among them).
inline constexpr REGSAM kDeleteRight = 0x00010000u;
inline constexpr REGSAM kWriteRights =
    KEY_SET_VALUE | KEY_CREATE_SUB_KEY | KEY_CREATE_LINK | kDeleteRight | 0x00040000u | 0x00080000u;

// The open key a handle names; ERROR_INVALID_HANDLE for anything else.
LSTATUS FindOpenKey(HKEY handle, OpenKey& key);
HKEY AddOpenKey(OpenKey key);
bool RemoveOpenKey(HKEY handle);
bool IsPredefinedKey(HKEY handle);

// Whether this process may change keys of the root: a standard user may not
// change the machine hive.
bool MayWrite(Root root);
// The rights a handle opened with `desired` holds: generic rights and
// MAXIMUM_ALLOWED mapped to key rights, the view flags dropped.
REGSAM GrantedAccess(Root root, REGSAM desired);

// Splits a sub-key argument into its names.
LSTATUS SplitSubKey(std::u16string_view subKey, KeyPath& names);
// The key `names` below `parent`, in the registry view `desired` selects.
// Its access is left to the caller.
OpenKey Descend(const OpenKey& parent, const KeyPath& names, REGSAM desired);

struct HiveLocation {
    Hive hive;
    KeyPath path;  // from the hive's root
};
// Where a key may live: one place, or for a classes key the user's and then
// the machine's.
std::vector<HiveLocation> Locations(const OpenKey& key);
// Where a change of the key goes.
LSTATUS WriteLocation(const OpenKey& key, HiveLocation& location);

// The copies of a key that exist now, in the order reads consult them.
struct KeyLayer {
    Hive hive;
    KeyPath path;
    const Key* key;
};
struct KeyView {
    std::vector<std::shared_ptr<const Key>> roots;  // keep the layers alive
    std::vector<KeyLayer> layers;
    bool exists = false;  // a root key always exists, even with no layer
    FILETIME lastWrite{};

    const Value* FindValue(std::u16string_view name) const;
    const KeyLayer* LayerWithValue(std::u16string_view name) const;
    // Merged over the layers in case-insensitive name order, the first layer
    // winning a name clash.
    std::vector<const Value*> Values() const;
    std::vector<const Key*> SubKeys() const;
};
LSTATUS ReadKey(const OpenKey& key, KeyView& view);

}  // namespace winapi::registry
