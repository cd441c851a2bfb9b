// The process environment as the platform shows it: variable names without
// regard to case, values in UTF-16, and the platform's standard variables
// present even though Linux has none of them.
//
// The standard variables the system reads - APPDATA, LOCALAPPDATA, TEMP,
// TMP, USERNAME, COMPUTERNAME, ProgramFiles, ProgramFiles(x86), ProgramData,
// USERPROFILE - come from the real environment when it has them, else from
// this machine's state root (the same folders SHGetSpecialFolderPathW names;
// the folders are created when first answered, as they always exist on an
// installed machine). Setting one here overrides that answer; removing it
// with SetEnvironmentVariableW(name, NULL) brings the machine's answer back.
//
// Changes go to the real process environment (setenv), so child processes
// inherit them. As with setenv, do not change the environment while another
// thread reads it through getenv directly.
#pragma once

#include "winapi/types.h"

#define MAX_COMPUTERNAME_LENGTH 15

// Copies the value with its terminator and returns its length. When `size`
// is too small, returns the size needed (terminator included) and leaves the
// buffer untouched. A missing variable gives 0 with ERROR_ENVVAR_NOT_FOUND;
// an empty one gives 0 with the last error 0.
DWORD WINAPI GetEnvironmentVariableW(LPCWSTR name, LPWSTR buffer, DWORD size);
// Sets the variable, or removes it when `value` is null. A name that is
// empty or holds '=' fails with ERROR_INVALID_PARAMETER. An existing
// variable whose name differs only in case is replaced.
BOOL WINAPI SetEnvironmentVariableW(LPCWSTR name, LPCWSTR value);
// Replaces each %NAME% by the variable's value; a name that is not set, and
// a '%' without its closing partner, stay as written. Returns the size of
// the whole result in characters, terminator included; when `size` is
// smaller, the buffer holds as much as fits, terminated (nothing is written
// past `size`). 0 with ERROR_INVALID_PARAMETER for a null source.
DWORD WINAPI ExpandEnvironmentStringsW(LPCWSTR source, LPWSTR destination, DWORD size);

// The computer's name as the platform gives it: the host name up to its
// first dot, in capitals, at most MAX_COMPUTERNAME_LENGTH characters.
// `size` holds the buffer's size in characters; on success it receives the
// length without the terminator, when the buffer is too small the size
// needed (terminator included) with ERROR_BUFFER_OVERFLOW.
BOOL WINAPI GetComputerNameW(LPWSTR buffer, LPDWORD size);
