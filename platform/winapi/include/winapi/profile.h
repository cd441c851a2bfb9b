// Initialisation files: "[section]" lines with "key=value" lines below
// them, as view folders' "desktop.ini" files hold the vault's and the view's
// ids (section "Tavrosk", keys "VaultID" and "ViewID").
//
// Reading: the file may be UTF-16LE with a byte-order mark, or UTF-8 with or
// without one; lines end in CR LF or LF. Section and key names compare
// without regard to case; names and values are trimmed of blanks, and a
// value in matching double or single quotes loses them. Lines starting with
// ';' are comments. The first section of a name, and the first key of a
// name in it, count. The file name is a path in the system's form
// (winapi/path_mapping.h); a bare name is relative to the current directory.
//
// Writing changes only the lines it must and keeps the rest (comments,
// order, line ends) as they were. A UTF-16LE file stays UTF-16LE, a UTF-8
// file with a byte-order mark keeps it, a new file is UTF-8. The new file is
// written beside the old one and renamed over it, so a reader sees the old
// or the new file, never a torn one; writers in several processes or
// threads take turns (a lock on the folder), so none loses another's change.
#pragma once

#include "winapi/types.h"

// Reads into `buffer` (`size` characters):
//  - section and key given: the value; when the file, section or key is
//    missing, `defaultValue` (null: empty) without its trailing blanks.
//    Returns the length copied; a value too long is cut to size - 1
//    characters and size - 1 is returned.
//  - key null: the names of the section's keys, each ending in a zero, and
//    one more zero after the last; section null: the names of all sections
//    so. A list too long is cut, ends in two zeros, and size - 2 is
//    returned.
DWORD WINAPI GetPrivateProfileStringW(LPCWSTR section, LPCWSTR key, LPCWSTR defaultValue, LPWSTR buffer, DWORD size,
                                      LPCWSTR fileName);

// The value as a decimal number (an optional sign, then digits; parsing
// stops at the first other character, and a value without digits is 0),
// or `defaultValue` when the key is missing. A negative number comes back
// as its two's complement, as the result is unsigned.
UINT WINAPI GetPrivateProfileIntW(LPCWSTR section, LPCWSTR key, INT defaultValue, LPCWSTR fileName);

// Sets the key's value, adding the key (at the end of its section) or the
// section (at the end of the file), and the file, as needed. A null value
// removes the key; a null key removes the section with all its keys. All
// three null: nothing is buffered here, so there is nothing to flush (TRUE).
// Fails with ERROR_INVALID_PARAMETER for a null section otherwise, or a
// line break in any text, ']' in the section, '=' in the key or a key that
// starts with '[' or ';' (they would change the file's structure);
// ERROR_PATH_NOT_FOUND when the folder is
// missing; ERROR_ACCESS_DENIED for a read-only file.
BOOL WINAPI WritePrivateProfileStringW(LPCWSTR section, LPCWSTR key, LPCWSTR value, LPCWSTR fileName);
