// Key handles, rights, views and the layers of a key.
#include "registry_keys.h"

#include "winapi/errors.h"
#include "winapi/state_root.h"

#include <atomic>
#include <map>
#include <mutex>
#include <shared_mutex>

namespace winapi::registry {

namespace {

// Open keys get handle values of their own range, apart from kernel handles
// (small multiples of four) and the predefined keys, so that a key handle
// given to CloseHandle, or a kernel handle given to RegCloseKey, is refused.
constexpr uintptr_t kFirstHandle = 0x40000000u;
constexpr uintptr_t kLastHandle = 0x7FFFFFFCu;

struct OpenKeyEntry {
    OpenKey key;
    // What the key named at its last read, kept for the next read while the
    // hives it came from are unchanged. Replaced under the exclusive lock.
    std::shared_ptr<const KeyView> view;
};

struct HandleTable {
    std::shared_mutex lock;  // shared for reads through a handle
    std::map<uintptr_t, OpenKeyEntry> keys;
    uintptr_t next = kFirstHandle;
    // Raised, under the exclusive lock, whenever a handle goes or an entry's
    // view is replaced: what a thread remembers of an earlier epoch is void.
    std::atomic<uint64_t> epoch{0};
};

// The handle a thread read through last, so that reading through it again
// takes neither the table's lock nor its lookup: a server reads one key
// again and again.
struct LastRead {
    uint64_t epoch = 0;
    uintptr_t handle = 0;
    REGSAM access = 0;
    std::shared_ptr<const KeyView> view;
};
thread_local LastRead tLastRead;

HandleTable& Table() {
    static HandleTable* table = new HandleTable;  // never destroyed: keys may be closed from static destructors
    return *table;
}

// The predefined key a handle value stands for. The platform's values are
// sign-extended 32-bit numbers; the same number carried through an unsigned
// 32-bit field is accepted too.
bool PredefinedRoot(HKEY handle, Root& root) {
    uint64_t value = reinterpret_cast<uintptr_t>(handle);
    uint64_t high = value >> 32;
    if (high != 0 && high != 0xFFFFFFFFu) return false;
    switch (value & 0xFFFFFFFFu) {
    case 0x80000000u:
        root = Root::Classes;
        return true;
    case 0x80000001u:
        root = Root::User;
        return true;
    case 0x80000002u:
        root = Root::Machine;
        return true;
    default:
        return false;
    }
}

constexpr REGSAM kGenericRead = 0x80000000u;
constexpr REGSAM kGenericWrite = 0x40000000u;
constexpr REGSAM kGenericExecute = 0x20000000u;
constexpr REGSAM kGenericAll = 0x10000000u;
constexpr REGSAM kMaximumAllowed = 0x02000000u;

const KeyPath& ClassesPath() {
    static const KeyPath path{u"Software", u"Classes"};
    return path;
}

bool IsLater(const FILETIME& a, const FILETIME& b) {
    return a.dwHighDateTime != b.dwHighDateTime ? a.dwHighDateTime > b.dwHighDateTime
                                                : a.dwLowDateTime > b.dwLowDateTime;
}

}  // namespace

LSTATUS FindOpenKey(HKEY handle, OpenKey& key) {
    Root root;
    if (PredefinedRoot(handle, root)) {
        key = OpenKey{root, {}, GrantedAccess(root, kMaximumAllowed)};
        key.machineFile = &CurrentHiveFile(Hive::Machine);
        key.userFile = &CurrentHiveFile(Hive::User);
        return ERROR_SUCCESS;
    }
    HandleTable& table = Table();
    std::shared_lock guard(table.lock);
    auto it = table.keys.find(reinterpret_cast<uintptr_t>(handle));
    if (it == table.keys.end()) return ERROR_INVALID_HANDLE;
    key = it->second.key;
    return ERROR_SUCCESS;
}

HKEY AddOpenKey(OpenKey key, std::shared_ptr<const KeyView> view) {
    HandleTable& table = Table();
    std::unique_lock guard(table.lock);
    // Values are not reused while open; after the last one the range starts over.
    while (table.keys.count(table.next)) table.next = table.next >= kLastHandle ? kFirstHandle : table.next + 4;
    uintptr_t value = table.next;
    table.next = value >= kLastHandle ? kFirstHandle : value + 4;
    table.keys.emplace(value, OpenKeyEntry{std::move(key), std::move(view)});
    return reinterpret_cast<HKEY>(value);
}

bool RemoveOpenKey(HKEY handle) {
    std::shared_ptr<const KeyView> view;  // let go outside the lock
    HandleTable& table = Table();
    std::unique_lock guard(table.lock);
    auto it = table.keys.find(reinterpret_cast<uintptr_t>(handle));
    if (it == table.keys.end()) return false;
    view = std::move(it->second.view);
    table.keys.erase(it);
    table.epoch.fetch_add(1, std::memory_order_release);
    return true;
}

LSTATUS ReadHandle(HKEY handle, REGSAM rights, KeyViewUse use, void* context) {
    const uintptr_t value = reinterpret_cast<uintptr_t>(handle);
    HandleTable& table = Table();
    // A batch's own changes are in no handle's view.
    const bool batch = InBatch();
    LastRead& last = tLastRead;
    if (last.handle == value && last.view && !batch && last.epoch == table.epoch.load(std::memory_order_acquire) &&
        last.view->IsCurrent()) {
        if ((last.access & rights) != rights) return ERROR_ACCESS_DENIED;
        return last.view->exists ? use(*last.view, context) : ERROR_KEY_DELETED;
    }
    OpenKey key;
    if (!IsPredefinedKey(handle)) {
        std::shared_lock guard(table.lock);
        auto it = table.keys.find(value);
        if (it == table.keys.end()) return ERROR_INVALID_HANDLE;
        const OpenKeyEntry& entry = it->second;
        if ((entry.key.access & rights) != rights) return ERROR_ACCESS_DENIED;
        if (entry.view && !batch && entry.view->IsCurrent()) {
            last = LastRead{table.epoch.load(std::memory_order_relaxed), value, entry.key.access, entry.view};
            return entry.view->exists ? use(*entry.view, context) : ERROR_KEY_DELETED;
        }
        key = entry.key;
    } else if (LSTATUS status = FindOpenKey(handle, key)) {
        return status;
    } else if ((key.access & rights) != rights) {
        return ERROR_ACCESS_DENIED;
    }

    auto view = std::make_shared<KeyView>();
    if (LSTATUS status = ReadKey(key, *view)) return status;
    if (!IsPredefinedKey(handle) && view->IsCurrent()) {
        std::shared_ptr<const KeyView> replaced = view;  // the old one goes outside the lock
        std::unique_lock guard(table.lock);
        auto it = table.keys.find(value);
        if (it != table.keys.end()) {
            std::swap(it->second.view, replaced);
            table.epoch.fetch_add(1, std::memory_order_release);
        }
    }
    return view->exists ? use(*view, context) : ERROR_KEY_DELETED;
}

bool IsPredefinedKey(HKEY handle) {
    Root root;
    return PredefinedRoot(handle, root);
}

bool MayWrite(Root root) { return root != Root::Machine || !IsStandardUser(); }

REGSAM GrantedAccess(Root root, REGSAM desired) {
    REGSAM access = desired & ~(KEY_WOW64_32KEY | KEY_WOW64_64KEY);
    if (access & kGenericRead) access |= KEY_READ;
    if (access & kGenericWrite) access |= KEY_WRITE;
    if (access & kGenericExecute) access |= KEY_EXECUTE;
    if (access & kGenericAll) access |= KEY_ALL_ACCESS;
    if (access & kMaximumAllowed) access |= MayWrite(root) ? KEY_ALL_ACCESS : KEY_READ;
    return access & ~(kGenericRead | kGenericWrite | kGenericExecute | kGenericAll | kMaximumAllowed);
}

LSTATUS SplitSubKey(std::u16string_view subKey, KeyPath& names) {
    names.clear();
    if (subKey.empty()) return ERROR_SUCCESS;
    if (subKey.front() == u'\\') return ERROR_BAD_PATHNAME;
    if (subKey.back() == u'\\') subKey.remove_suffix(1);  // "Key\" names "Key"
    for (size_t start = 0;;) {
        size_t end = subKey.find(u'\\', start);
        std::u16string_view name = subKey.substr(start, end == std::u16string_view::npos ? end : end - start);
        if (name.empty()) return ERROR_BAD_PATHNAME;
        if (name.size() > kMaxKeyNameLength) return ERROR_INVALID_PARAMETER;
        names.emplace_back(name);
        if (end == std::u16string_view::npos) return ERROR_SUCCESS;
        start = end + 1;
    }
}

OpenKey Descend(const OpenKey& parent, const KeyPath& names, REGSAM desired) {
    OpenKey child{parent.root, parent.path, 0, parent.machineFile, parent.userFile};
    child.path.insert(child.path.end(), names.begin(), names.end());
    // The 32-bit view keeps its own copy of the machine's software keys. A
    // handle already in that copy stays there.
    bool redirect = !names.empty() && child.root == Root::Machine && (desired & KEY_WOW64_32KEY) &&
                    FoldName(child.path[0]) == u"SOFTWARE" &&
                    (child.path.size() < 2 || FoldName(child.path[1]) != u"WOW6432NODE");
    if (redirect) child.path.insert(child.path.begin() + 1, u"WOW6432Node");
    return child;
}

std::vector<HiveLocation> Locations(const OpenKey& key) {
    switch (key.root) {
    case Root::Machine:
        return {{Hive::Machine, key.machineFile, key.path}};
    case Root::User:
        return {{Hive::User, key.userFile, key.path}};
    case Root::Classes:
        break;
    }
    KeyPath path = ClassesPath();
    path.insert(path.end(), key.path.begin(), key.path.end());
    return {{Hive::User, key.userFile, path}, {Hive::Machine, key.machineFile, path}};
}

LSTATUS WriteLocation(const OpenKey& key, HiveLocation& location) {
    std::vector<HiveLocation> locations = Locations(key);
    location = locations.front();
    if (key.root != Root::Classes || !MayWrite(Root::Machine)) return ERROR_SUCCESS;
    // An administrator's change goes to the user's copy when there is one
    // (so that it is what reads see), else to the machine's classes.
    HiveSnapshot user;
    if (LSTATUS status = ReadHive(*key.userFile, user)) return status;
    if (!FindKey(*user.root, location.path)) location = locations.back();
    return ERROR_SUCCESS;
}

LSTATUS ReadKey(const OpenKey& key, KeyView& view) {
    view = KeyView{};
    view.exists = key.path.empty();
    for (auto& location : Locations(key)) {
        HiveSnapshot snapshot;
        if (LSTATUS status = ReadHive(*location.file, snapshot)) return status;
        view.sources[view.sourceCount++] = {&GenerationOf(*location.file), snapshot.generation};
        if (IsLater(snapshot.lastWrite, view.lastWrite)) view.lastWrite = snapshot.lastWrite;
        if (const Key* found = FindKey(*snapshot.root, location.path)) {
            view.layers.push_back({location.hive, location.file, std::move(location.path), found});
            view.roots.push_back(std::move(snapshot.root));
            view.exists = true;
        }
    }
    return ERROR_SUCCESS;
}

const KeyLayer* KeyView::LayerWithValue(std::u16string_view name) const {
    FoldedName folded(name);
    for (const auto& layer : layers)
        if (layer.key->FindFoldedValue(folded.view())) return &layer;
    return nullptr;
}

const Value* KeyView::FindValue(std::u16string_view name) const {
    FoldedName folded(name);
    for (const auto& layer : layers)
        if (const Value* value = layer.key->FindFoldedValue(folded.view())) return value;
    return nullptr;
}

std::vector<const Value*> KeyView::Values() const {
    std::vector<const Value*> result;
    if (layers.size() == 1) {
        for (const auto& [folded, value] : layers[0].key->values) result.push_back(&value);
        return result;
    }
    std::map<std::u16string_view, const Value*> merged;
    for (const auto& layer : layers)
        for (const auto& [folded, value] : layer.key->values) merged.try_emplace(folded, &value);
    for (const auto& [folded, value] : merged) result.push_back(value);
    return result;
}

std::vector<const Key*> KeyView::SubKeys() const {
    std::vector<const Key*> result;
    if (layers.size() == 1) {
        for (const auto& [folded, sub] : layers[0].key->subKeys) result.push_back(sub.get());
        return result;
    }
    std::map<std::u16string_view, const Key*> merged;
    for (const auto& layer : layers)
        for (const auto& [folded, sub] : layer.key->subKeys) merged.try_emplace(folded, sub.get());
    for (const auto& [folded, sub] : merged) result.push_back(sub);
    return result;
}

}  // namespace winapi::registry
