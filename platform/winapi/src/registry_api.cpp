// The registry functions the system calls.
#include "winapi/registry.h"

#include "registry_keys.h"
#include "registry_store.h"

#include "winapi/environment.h"
#include "winapi/errors.h"

#include <algorithm>
#include <cstring>

using namespace winapi::registry;

namespace {

std::u16string_view NameOf(LPCWSTR text) { return text ? std::u16string_view(text) : std::u16string_view(); }

// Hands out a value's type and data as RegQueryValueExW does.
LSTATUS CopyValueOut(const Value& value, LPDWORD type, LPBYTE data, LPDWORD size) {
    if (type) *type = value.type;
    DWORD needed = static_cast<DWORD>(value.data.size());
    if (data) {
        if (*size < needed) {
            *size = needed;
            return ERROR_MORE_DATA;
        }
        if (needed) std::memcpy(data, value.data.data(), needed);
    }
    if (size) *size = needed;
    return ERROR_SUCCESS;
}

// Copies a name and its terminator into a buffer of *length characters;
// *length then holds the name's length without the terminator.
LSTATUS CopyNameOut(std::u16string_view name, LPWSTR buffer, LPDWORD length) {
    if (name.size() + 1 > *length) return ERROR_MORE_DATA;
    std::memcpy(buffer, name.data(), name.size() * sizeof(WCHAR));
    buffer[name.size()] = 0;
    *length = static_cast<DWORD>(name.size());
    return ERROR_SUCCESS;
}

// The empty class every key has.
LSTATUS CopyClassOut(LPWSTR buffer, LPDWORD length) {
    if (buffer) {
        if (*length == 0) return ERROR_MORE_DATA;
        buffer[0] = 0;
    }
    if (length) *length = 0;
    return ERROR_SUCCESS;
}

// The key at path below root, creating the names that are missing.
Key& CreatePath(Key& root, const KeyPath& path, bool& created) {
    Key* key = &root;
    for (const auto& name : path) {
        bool made = false;
        key = &key->SubKey(name, &made);
        created = created || made;
    }
    return *key;
}

bool HasBothViews(REGSAM desired) { return (desired & KEY_WOW64_32KEY) && (desired & KEY_WOW64_64KEY); }

}  // namespace

LSTATUS WINAPI RegOpenKeyExW(HKEY hKey, LPCWSTR lpSubKey, DWORD, REGSAM samDesired, PHKEY phkResult) {
    if (!phkResult) return ERROR_INVALID_PARAMETER;
    *phkResult = nullptr;
    OpenKey parent;
    if (LSTATUS status = FindOpenKey(hKey, parent)) return status;
    KeyPath names;
    if (LSTATUS status = SplitSubKey(NameOf(lpSubKey), names)) return status;
    if (HasBothViews(samDesired)) return ERROR_INVALID_PARAMETER;

    OpenKey key = Descend(parent, names, samDesired);
    auto view = std::make_shared<KeyView>();
    if (LSTATUS status = ReadKey(key, *view)) return status;
    if (!view->exists) return names.empty() ? ERROR_KEY_DELETED : ERROR_FILE_NOT_FOUND;
    key.access = GrantedAccess(key.root, samDesired);
    if ((key.access & kWriteRights) && !MayWrite(key.root)) return ERROR_ACCESS_DENIED;
    // What was read is the handle's first view, unless it is a batch's own.
    *phkResult = AddOpenKey(std::move(key), view->IsCurrent() ? std::move(view) : nullptr);
    return ERROR_SUCCESS;
}

LSTATUS WINAPI RegCreateKeyExW(HKEY hKey, LPCWSTR lpSubKey, DWORD, LPCWSTR, DWORD, REGSAM samDesired,
                               const SECURITY_ATTRIBUTES*, PHKEY phkResult, LPDWORD lpdwDisposition) {
    if (!phkResult) return ERROR_INVALID_PARAMETER;
    *phkResult = nullptr;
    if (!lpSubKey) return ERROR_INVALID_PARAMETER;
    OpenKey parent;
    if (LSTATUS status = FindOpenKey(hKey, parent)) return status;
    KeyPath names;
    if (LSTATUS status = SplitSubKey(lpSubKey, names)) return status;
    if (HasBothViews(samDesired)) return ERROR_INVALID_PARAMETER;

    OpenKey key = Descend(parent, names, samDesired);
    key.access = GrantedAccess(key.root, samDesired);
    if ((key.access & kWriteRights) && !MayWrite(key.root)) return ERROR_ACCESS_DENIED;
    KeyView view;
    if (LSTATUS status = ReadKey(key, view)) return status;

    DWORD disposition = REG_OPENED_EXISTING_KEY;
    if (!view.exists) {
        KeyView parentView;
        if (LSTATUS status = ReadKey(parent, parentView)) return status;
        if (!parentView.exists) return ERROR_KEY_DELETED;
        if (!MayWrite(key.root)) return ERROR_ACCESS_DENIED;  // creating is a change, whatever the rights asked
        HiveLocation location;
        if (LSTATUS status = WriteLocation(key, location)) return status;
        if (location.path.size() > kMaxKeyDepth) return ERROR_INVALID_PARAMETER;
        bool created = false;
        LSTATUS status = UpdateHive(*location.file, [&](Key& root, bool& changed) {
            CreatePath(root, location.path, created);
            changed = created;
            return ERROR_SUCCESS;
        });
        if (status != ERROR_SUCCESS) return status;
        if (created) disposition = REG_CREATED_NEW_KEY;
    }
    *phkResult = AddOpenKey(std::move(key));
    if (lpdwDisposition) *lpdwDisposition = disposition;
    return ERROR_SUCCESS;
}

LSTATUS WINAPI RegCloseKey(HKEY hKey) {
    if (IsPredefinedKey(hKey)) return ERROR_SUCCESS;
    return RemoveOpenKey(hKey) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

LSTATUS WINAPI RegQueryValueExW(HKEY hKey, LPCWSTR lpValueName, LPDWORD lpReserved, LPDWORD lpType, LPBYTE lpData,
                                LPDWORD lpcbData) {
    if (lpReserved || (lpData && !lpcbData)) return ERROR_INVALID_PARAMETER;
    return ReadHandle(hKey, KEY_QUERY_VALUE, [&](const KeyView& view) -> LSTATUS {
        const Value* value = view.FindValue(NameOf(lpValueName));
        if (!value) return ERROR_FILE_NOT_FOUND;
        return CopyValueOut(*value, lpType, lpData, lpcbData);
    });
}

LSTATUS WINAPI RegSetValueExW(HKEY hKey, LPCWSTR lpValueName, DWORD, DWORD dwType, const BYTE* lpData, DWORD cbData) {
    if (!lpData && cbData) return ERROR_NOACCESS;
    // Refused before anything is read or written, so that no hive ever holds
    // what it could not hold again.
    if (NameOf(lpValueName).size() > kMaxValueNameLength) return ERROR_INVALID_PARAMETER;
    if (cbData > kMaxValueSize) return ERROR_NO_SYSTEM_RESOURCES;
    OpenKey key;
    if (LSTATUS status = FindOpenKey(hKey, key)) return status;
    if (!(key.access & KEY_SET_VALUE)) return ERROR_ACCESS_DENIED;
    KeyView view;
    if (LSTATUS status = ReadKey(key, view)) return status;
    if (!view.exists) return ERROR_KEY_DELETED;
    HiveLocation location;
    if (LSTATUS status = WriteLocation(key, location)) return status;

    std::u16string_view name = NameOf(lpValueName);
    std::vector<BYTE> data(lpData, lpData + cbData);
    return UpdateHive(*location.file, [&](Key& root, bool& changed) -> LSTATUS {
        Key* target = FindKey(root, location.path);
        if (!target) {
            if (key.root != Root::Classes) return ERROR_KEY_DELETED;
            target = &CreatePath(root, location.path, changed);  // a machine class key gets a user copy
        }
        auto [it, inserted] = target->values.try_emplace(FoldName(name));
        Value& value = it->second;
        if (inserted) value.name = name;
        if (!inserted && value.type == dwType && value.data == data) return ERROR_SUCCESS;  // nothing to write
        value.type = dwType;
        value.data = data;
        changed = true;
        return ERROR_SUCCESS;
    });
}

LSTATUS WINAPI RegDeleteValueW(HKEY hKey, LPCWSTR lpValueName) {
    OpenKey key;
    if (LSTATUS status = FindOpenKey(hKey, key)) return status;
    if (!(key.access & KEY_SET_VALUE)) return ERROR_ACCESS_DENIED;
    KeyView view;
    if (LSTATUS status = ReadKey(key, view)) return status;
    if (!view.exists) return ERROR_KEY_DELETED;
    std::u16string_view name = NameOf(lpValueName);
    const KeyLayer* layer = view.LayerWithValue(name);  // the copy that reads see
    if (!layer) return ERROR_FILE_NOT_FOUND;
    if (layer->hive == Hive::Machine && !MayWrite(Root::Machine)) return ERROR_ACCESS_DENIED;
    return UpdateHive(*layer->file, [&](Key& root, bool& changed) -> LSTATUS {
        Key* target = FindKey(root, layer->path);
        if (!target || target->values.erase(FoldName(name)) == 0) return ERROR_FILE_NOT_FOUND;
        changed = true;
        return ERROR_SUCCESS;
    });
}

LSTATUS WINAPI RegDeleteKeyW(HKEY hKey, LPCWSTR lpSubKey) {
    if (!lpSubKey) return ERROR_INVALID_PARAMETER;
    OpenKey parent;
    if (LSTATUS status = FindOpenKey(hKey, parent)) return status;
    KeyPath names;
    if (LSTATUS status = SplitSubKey(lpSubKey, names)) return status;
    OpenKey key = Descend(parent, names, 0);
    if (key.path.empty()) return ERROR_ACCESS_DENIED;  // a predefined key cannot go
    KeyView view;
    if (LSTATUS status = ReadKey(key, view)) return status;
    if (!view.exists) return names.empty() ? ERROR_KEY_DELETED : ERROR_FILE_NOT_FOUND;
    const KeyLayer& layer = view.layers.front();  // the copy that reads see
    if (layer.hive == Hive::Machine && !MayWrite(Root::Machine)) return ERROR_ACCESS_DENIED;
    return UpdateHive(*layer.file, [&](Key& root, bool& changed) -> LSTATUS {
        Key* owner = FindKey(root, KeyPath(layer.path.begin(), layer.path.end() - 1));
        Key* target = owner ? owner->FindSubKey(layer.path.back()) : nullptr;
        if (!target) return ERROR_FILE_NOT_FOUND;
        if (!target->subKeys.empty()) return ERROR_ACCESS_DENIED;
        owner->subKeys.erase(FoldName(layer.path.back()));
        changed = true;
        return ERROR_SUCCESS;
    });
}

LSTATUS WINAPI RegDeleteTreeW(HKEY hKey, LPCWSTR lpSubKey) {
    OpenKey parent;
    if (LSTATUS status = FindOpenKey(hKey, parent)) return status;
    bool ownKey = !lpSubKey || !*lpSubKey;  // empty the key itself, keep it
    KeyPath names;
    if (!ownKey) {
        if (LSTATUS status = SplitSubKey(lpSubKey, names)) return status;
    } else {
        constexpr REGSAM kNeeded = kDeleteRight | KEY_ENUMERATE_SUB_KEYS | KEY_QUERY_VALUE | KEY_SET_VALUE;
        if ((parent.access & kNeeded) != kNeeded) return ERROR_ACCESS_DENIED;
    }
    OpenKey key = Descend(parent, names, 0);
    KeyView view;
    if (LSTATUS status = ReadKey(key, view)) return status;
    if (!view.exists) return ownKey ? ERROR_KEY_DELETED : ERROR_FILE_NOT_FOUND;
    // Check every copy first, so that a refusal changes nothing.
    for (const auto& layer : view.layers)
        if (layer.hive == Hive::Machine && !MayWrite(Root::Machine)) return ERROR_ACCESS_DENIED;
    for (const auto& layer : view.layers) {
        LSTATUS status = UpdateHive(*layer.file, [&](Key& root, bool& changed) -> LSTATUS {
            if (ownKey) {
                Key* target = FindKey(root, layer.path);
                if (target && (!target->values.empty() || !target->subKeys.empty())) {
                    target->values.clear();
                    target->subKeys.clear();
                    changed = true;
                }
                return ERROR_SUCCESS;
            }
            Key* owner = FindKey(root, KeyPath(layer.path.begin(), layer.path.end() - 1));
            changed = owner && owner->subKeys.erase(FoldName(layer.path.back())) == 1;
            return ERROR_SUCCESS;
        });
        if (status != ERROR_SUCCESS) return status;
    }
    return ERROR_SUCCESS;
}

namespace {

// What RegQueryInfoKeyW reports of a key.
LSTATUS QueryInfo(const KeyView& view, LPWSTR lpClass, LPDWORD lpcchClass, LPDWORD lpcSubKeys, LPDWORD lpcbMaxSubKeyLen,
                  LPDWORD lpcbMaxClassLen, LPDWORD lpcValues, LPDWORD lpcbMaxValueNameLen, LPDWORD lpcbMaxValueLen,
                  LPDWORD lpcbSecurityDescriptor, PFILETIME lpftLastWriteTime) {
    if (LSTATUS status = CopyClassOut(lpClass, lpcchClass)) return status;

    std::vector<const Key*> subKeys = view.SubKeys();
    std::vector<const Value*> values = view.Values();
    size_t longestSubKey = 0, longestValueName = 0, largestData = 0;
    for (const Key* sub : subKeys) longestSubKey = std::max(longestSubKey, sub->name.size());
    for (const Value* value : values) {
        longestValueName = std::max(longestValueName, value->name.size());
        largestData = std::max(largestData, value->data.size());
    }
    if (lpcSubKeys) *lpcSubKeys = static_cast<DWORD>(subKeys.size());
    if (lpcbMaxSubKeyLen) *lpcbMaxSubKeyLen = static_cast<DWORD>(longestSubKey);
    if (lpcbMaxClassLen) *lpcbMaxClassLen = 0;
    if (lpcValues) *lpcValues = static_cast<DWORD>(values.size());
    if (lpcbMaxValueNameLen) *lpcbMaxValueNameLen = static_cast<DWORD>(longestValueName);
    if (lpcbMaxValueLen) *lpcbMaxValueLen = static_cast<DWORD>(largestData);
    if (lpcbSecurityDescriptor) *lpcbSecurityDescriptor = 0;
    if (lpftLastWriteTime) *lpftLastWriteTime = view.lastWrite;
    return ERROR_SUCCESS;
}
}  // namespace

LSTATUS WINAPI RegQueryInfoKeyW(HKEY hKey, LPWSTR lpClass, LPDWORD lpcchClass, LPDWORD lpReserved, LPDWORD lpcSubKeys,
                                LPDWORD lpcbMaxSubKeyLen, LPDWORD lpcbMaxClassLen, LPDWORD lpcValues,
                                LPDWORD lpcbMaxValueNameLen, LPDWORD lpcbMaxValueLen, LPDWORD lpcbSecurityDescriptor,
                                PFILETIME lpftLastWriteTime) {
    if (lpReserved || (lpClass && !lpcchClass)) return ERROR_INVALID_PARAMETER;
    return ReadHandle(hKey, KEY_QUERY_VALUE, [&](const KeyView& view) -> LSTATUS {
        return QueryInfo(view, lpClass, lpcchClass, lpcSubKeys, lpcbMaxSubKeyLen, lpcbMaxClassLen, lpcValues,
                         lpcbMaxValueNameLen, lpcbMaxValueLen, lpcbSecurityDescriptor, lpftLastWriteTime);
    });
}

LSTATUS WINAPI RegEnumKeyExW(HKEY hKey, DWORD dwIndex, LPWSTR lpName, LPDWORD lpcchName, LPDWORD lpReserved,
                             LPWSTR lpClass, LPDWORD lpcchClass, PFILETIME lpftLastWriteTime) {
    if (!lpName || !lpcchName || lpReserved || (lpClass && !lpcchClass)) return ERROR_INVALID_PARAMETER;
    return ReadHandle(hKey, KEY_ENUMERATE_SUB_KEYS, [&](const KeyView& view) -> LSTATUS {
        std::vector<const Key*> subKeys = view.SubKeys();
        if (dwIndex >= subKeys.size()) return ERROR_NO_MORE_ITEMS;
        if (LSTATUS status = CopyNameOut(subKeys[dwIndex]->name, lpName, lpcchName)) return status;
        if (LSTATUS status = CopyClassOut(lpClass, lpcchClass)) return status;
        if (lpftLastWriteTime) *lpftLastWriteTime = view.lastWrite;
        return ERROR_SUCCESS;
    });
}

LSTATUS WINAPI RegEnumValueW(HKEY hKey, DWORD dwIndex, LPWSTR lpValueName, LPDWORD lpcchValueName, LPDWORD lpReserved,
                             LPDWORD lpType, LPBYTE lpData, LPDWORD lpcbData) {
    if (!lpValueName || !lpcchValueName || lpReserved || (lpData && !lpcbData)) return ERROR_INVALID_PARAMETER;
    return ReadHandle(hKey, KEY_QUERY_VALUE, [&](const KeyView& view) -> LSTATUS {
        std::vector<const Value*> values = view.Values();
        if (dwIndex >= values.size()) return ERROR_NO_MORE_ITEMS;
        if (LSTATUS status = CopyNameOut(values[dwIndex]->name, lpValueName, lpcchValueName)) return status;
        return CopyValueOut(*values[dwIndex], lpType, lpData, lpcbData);
    });
}

LSTATUS WINAPI RegFlushKey(HKEY hKey) {
    OpenKey key;
    return FindOpenKey(hKey, key);
}

LSTATUS WINAPI SHGetValueW(HKEY hkey, LPCWSTR pszSubKey, LPCWSTR pszValue, DWORD* pdwType, void* pvData,
                           DWORD* pcbData) {
    if (pvData && !pcbData) return ERROR_INVALID_PARAMETER;
    // The key is found and its value read in one reading of the hives, where
    // opening a handle and reading through it would read them twice. The
    // results are those of RegOpenKeyExW with KEY_QUERY_VALUE, which every
    // key grants for reading.
    OpenKey parent;
    if (LSTATUS status = FindOpenKey(hkey, parent)) return status;
    KeyPath names;
    if (LSTATUS status = SplitSubKey(NameOf(pszSubKey), names)) return status;
    KeyView view;
    if (LSTATUS status = ReadKey(Descend(parent, names, KEY_QUERY_VALUE), view)) return status;
    if (!view.exists) return names.empty() ? ERROR_KEY_DELETED : ERROR_FILE_NOT_FOUND;
    const Value* value = view.FindValue(NameOf(pszValue));
    if (!value) return ERROR_FILE_NOT_FOUND;
    if (value->type != REG_EXPAND_SZ) return CopyValueOut(*value, pdwType, static_cast<LPBYTE>(pvData), pcbData);

    // An expandable string comes back expanded, as REG_SZ. Without a buffer
    // the size covers both the stored and the expanded text.
    Value expanded{value->name, REG_SZ, {}};
    std::u16string text(value->data.size() / 2, u'\0');
    std::memcpy(text.data(), value->data.data(), text.size() * sizeof(WCHAR));
    text.resize(std::min(text.find(u'\0'), text.size()));  // stored with or without its terminator
    std::u16string result(ExpandEnvironmentStringsW(text.c_str(), nullptr, 0), u'\0');
    if (result.empty()) return static_cast<LSTATUS>(GetLastError());
    ExpandEnvironmentStringsW(text.c_str(), result.data(), static_cast<DWORD>(result.size()));
    expanded.data.resize(result.size() * sizeof(WCHAR));
    std::memcpy(expanded.data.data(), result.data(), expanded.data.size());
    if (!pvData && pcbData) {
        if (pdwType) *pdwType = REG_SZ;
        *pcbData = static_cast<DWORD>(std::max(value->data.size(), expanded.data.size()));
        return ERROR_SUCCESS;
    }
    return CopyValueOut(expanded, pdwType, static_cast<LPBYTE>(pvData), pcbData);
}
