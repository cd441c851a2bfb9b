// The registry: keys holding typed values, in two hives - the machine's and
// the current user's - that live as readable text files under the state root
// and are shared safely by every process of the machine.
//
// The functions behave as the system's code expects of them: the same
// arguments, results and Win32 error codes. Where this layer departs from
// the platform it says so beside the function.
//
// Roots: HKEY_LOCAL_MACHINE (the machine hive), HKEY_CURRENT_USER (the user
// hive) and HKEY_CLASSES_ROOT, a merged view of the two "Software\Classes"
// keys:
//   - reads look in the user's classes first, then in the machine's;
//     enumerations list the union, the user's entry winning a name clash;
//   - writes go to the user's classes when the key exists there or the
//     process acts as a standard user, else to the machine's classes;
//   - deleting a key or value removes the copy that is visible (the user's
//     first); a tree delete removes both copies.
//
// Names of keys and values compare without regard to case (an upper-case
// fold of each UTF-16 unit); the case given when a name was first stored is
// kept. Sub-keys and values enumerate in that case-insensitive name order.
// A sub-key path separates its names with single backslashes; a leading
// backslash or an empty name inside the path fails with ERROR_BAD_PATHNAME,
// one trailing backslash is ignored. A key name has at most 255 characters,
// and a path at most 512 levels.
//
// 32/64-bit views: KEY_WOW64_32KEY on a path of HKEY_LOCAL_MACHINE below
// "Software" reaches "Software\WOW6432Node\..." instead; HKEY_CURRENT_USER
// and HKEY_CLASSES_ROOT are shared by both views. KEY_WOW64_64KEY, or no
// flag, is the native view; asking for both fails with ERROR_INVALID_PARAMETER.
//
// A standard user (winapi::IsStandardUser()) may read the machine hive but
// not write it: asking for any write right on a key of HKEY_LOCAL_MACHINE,
// or creating or deleting one, fails with ERROR_ACCESS_DENIED. Every handle
// keeps the rights it was opened with and each call checks them.
#pragma once

#include "winapi/types.h"

// Predefined keys, with their values sign-extended as the platform's are.
#define HKEY_CLASSES_ROOT (reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(static_cast<LONG>(0x80000000u))))
#define HKEY_CURRENT_USER (reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(static_cast<LONG>(0x80000001u))))
#define HKEY_LOCAL_MACHINE (reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(static_cast<LONG>(0x80000002u))))

// Access rights of a key handle.
#define KEY_QUERY_VALUE 0x0001u
#define KEY_SET_VALUE 0x0002u
#define KEY_CREATE_SUB_KEY 0x0004u
#define KEY_ENUMERATE_SUB_KEYS 0x0008u
#define KEY_NOTIFY 0x0010u
#define KEY_CREATE_LINK 0x0020u
#define KEY_WOW64_64KEY 0x0100u
#define KEY_WOW64_32KEY 0x0200u
#define KEY_READ 0x20019u     // READ_CONTROL | QUERY_VALUE | ENUMERATE_SUB_KEYS | NOTIFY
#define KEY_WRITE 0x20006u    // READ_CONTROL | SET_VALUE | CREATE_SUB_KEY
#define KEY_EXECUTE 0x20019u  // the same as KEY_READ
#define KEY_ALL_ACCESS 0xF003Fu

// Value types.
#define REG_NONE 0u
#define REG_SZ 1u
#define REG_EXPAND_SZ 2u
#define REG_BINARY 3u
#define REG_DWORD 4u
#define REG_DWORD_LITTLE_ENDIAN 4u
#define REG_DWORD_BIG_ENDIAN 5u
#define REG_LINK 6u
#define REG_MULTI_SZ 7u
#define REG_QWORD 11u
#define REG_QWORD_LITTLE_ENDIAN 11u

// RegCreateKeyExW options and dispositions. Every key is kept on disk.
#define REG_OPTION_RESERVED 0x0u
#define REG_OPTION_NON_VOLATILE 0x0u
#define REG_CREATED_NEW_KEY 0x1u
#define REG_OPENED_EXISTING_KEY 0x2u

// Opens an existing key. A null or empty sub-key opens a new handle to
// hKey's own key. *phkResult is null on failure.
LSTATUS WINAPI RegOpenKeyExW(HKEY hKey, LPCWSTR lpSubKey, DWORD ulOptions, REGSAM samDesired, PHKEY phkResult);

// Opens a key, creating it and any missing parent keys. Class, options and
// security are accepted and ignored (this layer keeps no class names or
// security descriptors). lpClass is const here: the system passes literals.
LSTATUS WINAPI RegCreateKeyExW(HKEY hKey, LPCWSTR lpSubKey, DWORD Reserved, LPCWSTR lpClass, DWORD dwOptions,
                               REGSAM samDesired, const SECURITY_ATTRIBUTES* lpSecurityAttributes, PHKEY phkResult,
                               LPDWORD lpdwDisposition);

// Closes a handle; closing a predefined key succeeds and does nothing.
LSTATUS WINAPI RegCloseKey(HKEY hKey);

// Reads a value (null or empty name: the key's default value). Data come
// back exactly as stored: a string value is not terminated for the caller.
// With null data only the type and size are reported; a buffer too small
// gives ERROR_MORE_DATA with the size needed in *lpcbData.
LSTATUS WINAPI RegQueryValueExW(HKEY hKey, LPCWSTR lpValueName, LPDWORD lpReserved, LPDWORD lpType, LPBYTE lpData,
                                LPDWORD lpcbData);

// Stores exactly cbData bytes of lpData with the given type. A value name
// longer than 16,383 characters fails with ERROR_INVALID_PARAMETER, as on
// the platform. Departing from the platform, which bounds only the hive's
// memory, a value of more than 16 MiB, or a change that would make the
// hive's file larger than 1 GiB, fails with ERROR_NO_SYSTEM_RESOURCES and
// changes nothing: a hive file that large could never be read again.
LSTATUS WINAPI RegSetValueExW(HKEY hKey, LPCWSTR lpValueName, DWORD Reserved, DWORD dwType, const BYTE* lpData,
                              DWORD cbData);

LSTATUS WINAPI RegDeleteValueW(HKEY hKey, LPCWSTR lpValueName);

// Deletes a key without sub-keys (ERROR_ACCESS_DENIED when it has some).
// An empty sub-key deletes hKey's own key.
LSTATUS WINAPI RegDeleteKeyW(HKEY hKey, LPCWSTR lpSubKey);

// Deletes a key with all its sub-keys and values. A null or empty sub-key
// deletes everything below hKey's own key but keeps the key.
LSTATUS WINAPI RegDeleteTreeW(HKEY hKey, LPCWSTR lpSubKey);

// Counts and longest lengths of a key's sub-keys and values: names in
// characters without the terminator, data in bytes. Keys have no class
// (an empty one is reported) and no security descriptor (size 0); the last
// write time is that of the hive file holding the key.
LSTATUS WINAPI RegQueryInfoKeyW(HKEY hKey, LPWSTR lpClass, LPDWORD lpcchClass, LPDWORD lpReserved, LPDWORD lpcSubKeys,
                                LPDWORD lpcbMaxSubKeyLen, LPDWORD lpcbMaxClassLen, LPDWORD lpcValues,
                                LPDWORD lpcbMaxValueNameLen, LPDWORD lpcbMaxValueLen, LPDWORD lpcbSecurityDescriptor,
                                PFILETIME lpftLastWriteTime);

// The name of the sub-key at an index. *lpcchName holds the buffer size in
// characters and receives the name's length without the terminator; a
// buffer too small gives ERROR_MORE_DATA and leaves it unchanged. Past the
// last sub-key: ERROR_NO_MORE_ITEMS.
LSTATUS WINAPI RegEnumKeyExW(HKEY hKey, DWORD dwIndex, LPWSTR lpName, LPDWORD lpcchName, LPDWORD lpReserved,
                             LPWSTR lpClass, LPDWORD lpcchClass, PFILETIME lpftLastWriteTime);

// The name, type and data of the value at an index; sizes as for
// RegEnumKeyExW (name) and RegQueryValueExW (data).
LSTATUS WINAPI RegEnumValueW(HKEY hKey, DWORD dwIndex, LPWSTR lpValueName, LPDWORD lpcchValueName, LPDWORD lpReserved,
                             LPDWORD lpType, LPBYTE lpData, LPDWORD lpcbData);

// Every change is on disk when its call returns, so this only checks the
// handle.
LSTATUS WINAPI RegFlushKey(HKEY hKey);

// Shell helper: reads a value of a sub-key (null or empty: hKey itself) as
// RegQueryValueExW does, except that a REG_EXPAND_SZ value comes back with
// its environment variables expanded, as REG_SZ; asked for its size alone,
// it reports the larger of the stored and the expanded size.
LSTATUS WINAPI SHGetValueW(HKEY hkey, LPCWSTR pszSubKey, LPCWSTR pszValue, DWORD* pdwType, void* pvData,
                           DWORD* pcbData);
