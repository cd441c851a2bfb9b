// Registry: the owner of one open registry key, through which every
// deliverable reads and writes its settings. It closes its key when destroyed
// or reopened and keeps the status of its last registry call. Nothing here
// throws: a failure gives false, and a failed registry call leaves its Win32
// error code in Status().
#pragma once

#include "winapi/registry.h"
#include "winapi/types.h"

#include <string>

class Registry {
public:
    Registry() noexcept = default;
    virtual ~Registry();
    Registry(const Registry&) = delete;
    Registry& operator=(const Registry&) = delete;

    // Closes a held key, then opens `subKey` (null: a new handle to `parent`
    // itself) below `parent` with `access`. With a non-zero `create` and a
    // sub-key name, the key is created when missing. A failed open leaves
    // the object without a key.
    bool mbOpen(HKEY parent, LPCWSTR subKey, REGSAM access, LONG create);
    // Opens (or creates) `name` below the held key and holds it in place of
    // that key; on failure the held key stays.
    bool mbOpenSubKey(LPCWSTR name, REGSAM access, LONG create);

    // A REG_SZ or REG_EXPAND_SZ value (the latter with its %VARIABLES%
    // expanded). Values stored without their terminating zero or with an
    // odd byte count read correctly; an empty value gives "" and true. Any
    // other type or a failed read gives false and an empty `text`.
    bool mbGetString(LPCWSTR name, std::u16string& text);
    // A 4-byte REG_DWORD, or a REG_DWORD_BIG_ENDIAN read as the big-endian
    // number it holds (bytes 00 00 00 01 are 1). Any other type or size, or a
    // failed read, gives false and leaves `value` as it was.
    bool mbGetDWORD(LPCWSTR name, DWORD& value);
    // Writes `text` (null: empty) as REG_SZ with its terminating zero.
    bool mbSetString(LPCWSTR name, LPCWSTR text);
    // Whether the key has a value named "ShellRoot", of any type; its data
    // are not read.
    bool mbHasShellRoot();

    // The key held (null when none) and the result of the last call.
    HKEY Key() const noexcept { return mhKey; }
    LONG Status() const noexcept { return mlStatus; }

private:
    void mvClose() noexcept;

    HKEY mhKey = nullptr;
    LONG mlStatus = 0;  // ERROR_SUCCESS
};
