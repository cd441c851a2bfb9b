// What a key handle names and how a key reaches the hives: the predefined
// roots, the table of open keys, access rights, the 32-bit view and the
// merged classes view.
#pragma once

#include "registry_hive.h"
#include "registry_store.h"

#include "winapi/registry.h"
#include "winapi/types.h"

#include <memory>
#include <type_traits>
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
    // The hive files the key lives in, bound when the handle it descends
    // from was found: a predefined key binds the environment's files at each
    // call, an opened key keeps those it was opened in.
    HiveFile* machineFile = nullptr;
    HiveFile* userFile = nullptr;

    HiveFile& File(Hive hive) const { return *(hive == Hive::Machine ? machineFile : userFile); }
};

// Rights that change a key (DELETE, WRITE_DAC and WRITE_OWNER among them).
inline constexpr REGSAM kDeleteRight = 0x00010000u;
inline constexpr REGSAM kWriteRights =
    KEY_SET_VALUE | KEY_CREATE_SUB_KEY | KEY_CREATE_LINK | kDeleteRight | 0x00040000u | 0x00080000u;

struct KeyView;

// The open key a handle names; ERROR_INVALID_HANDLE for anything else.
LSTATUS FindOpenKey(HKEY handle, OpenKey& key);
// A handle for `key`; `view`, when given, is what it names now, which its
// first read reuses while the hives are unchanged.
HKEY AddOpenKey(OpenKey key, std::shared_ptr<const KeyView> view = nullptr);
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
    HiveFile* file;
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
    HiveFile* file;
    KeyPath path;
    const Key* key;
};
struct KeyView {
    std::vector<std::shared_ptr<const Key>> roots;  // keep the layers alive
    std::vector<KeyLayer> layers;
    bool exists = false;  // a root key always exists, even with no layer
    FILETIME lastWrite{};
    // The hives consulted and the generations they were read at.
    struct Source {
        const HiveGeneration* word;
        uint64_t generation;
    };
    Source sources[2] = {};
    size_t sourceCount = 0;

    // Whether no hive it was read from changed since: a load from memory per
    // hive, no system call. False when it cannot tell.
    bool IsCurrent() const {
        if (sourceCount == 0) return false;
        for (size_t i = 0; i < sourceCount; ++i)
            if (!registry::IsCurrent(*sources[i].word, sources[i].generation)) return false;
        return true;
    }

    const Value* FindValue(std::u16string_view name) const;
    const KeyLayer* LayerWithValue(std::u16string_view name) const;
    // Merged over the layers in case-insensitive name order, the first layer
    // winning a name clash.
    std::vector<const Value*> Values() const;
    std::vector<const Key*> SubKeys() const;
};
LSTATUS ReadKey(const OpenKey& key, KeyView& view);

// Calls `use` with the view of the key `handle` names, after checking that
// the handle holds `rights`; ERROR_KEY_DELETED for a key that is gone. For an
// opened key whose hives are unchanged since its last read this takes no
// system call and allocates nothing: the view is the handle's own, and
// `use` runs under the table's shared lock, so it must not call the
// registry itself.
using KeyViewUse = LSTATUS (*)(const KeyView& view, void* context);
LSTATUS ReadHandle(HKEY handle, REGSAM rights, KeyViewUse use, void* context);
template <class Use>
LSTATUS ReadHandle(HKEY handle, REGSAM rights, Use&& use) {
    return ReadHandle(
        handle, rights,
        [](const KeyView& view, void* context) -> LSTATUS {
            return (*static_cast<std::remove_reference_t<Use>*>(context))(view);
        },
        &use);
}

}  // namespace winapi::registry
