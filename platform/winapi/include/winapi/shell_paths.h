// The shell's light-weight path and string helpers.
//
// They work on the text alone - only PathFileExistsW and PathIsDirectoryW
// look at the disk - and take both '\' and '/' as separators, so they serve
// the system's backslash paths and the Linux paths the layer hands out
// alike. Separators they add are backslashes. A root ("X:\", "X:", a leading
// separator, "\\server") is never removed. Functions that write assume a
// buffer of MAX_PATH characters, as the platform does, and never write past
// it: a result that would not fit fails and leaves the buffer as it was.
#pragma once

#include "winapi/types.h"

// The extension of the last path element: its last '.' and what follows;
// without one, the terminating zero. Null for a null path.
LPWSTR WINAPI PathFindExtensionW(LPCWSTR path);
// The last path element. A trailing separator belongs to the element
// before it ("C:\dir\" gives "dir\").
LPWSTR WINAPI PathFindFileNameW(LPCWSTR path);
// Removes the last element and the separator before it ("C:\dir\file" ->
// "C:\dir", "C:\dir\" -> "C:\dir", "C:\file" -> "C:\", "file" -> "").
// TRUE when something was removed.
BOOL WINAPI PathRemoveFileSpecW(LPWSTR path);
// Removes one trailing separator unless it is the root's. Returns the
// terminating zero where it stood, else the last character (the path
// itself when empty); null for a null path.
LPWSTR WINAPI PathRemoveBackslashW(LPWSTR path);
// Adds a backslash unless the path is empty or ends with a separator.
// Returns the terminating zero, or null when the result would not fit.
LPWSTR WINAPI PathAddBackslashW(LPWSTR path);
// Cuts the extension (PathFindExtensionW) off.
void WINAPI PathRemoveExtensionW(LPWSTR path);
// Replaces the extension (or adds one) with `extension`, dot included.
// FALSE when the result would not fit.
BOOL WINAPI PathRenameExtensionW(LPWSTR path, LPCWSTR extension);
// `path` + separator + `more` (its leading separators dropped), with "."
// and ".." resolved. FALSE when it would not fit.
BOOL WINAPI PathAppendW(LPWSTR path, LPCWSTR more);
// Joins a folder and a file into `dest` (which may be either of them) and
// resolves "." and "..". A file with a drive, or any file when the folder is
// empty, stands alone; a file that starts with a separator keeps the
// folder's drive. Returns `dest`, or null (and an empty `dest`) when both
// are null or the result would not fit.
LPWSTR WINAPI PathCombineW(LPWSTR dest, LPCWSTR dir, LPCWSTR file);
// FALSE for a path that starts with a separator or a drive; TRUE otherwise
// (also for null or empty).
BOOL WINAPI PathIsRelativeW(LPCWSTR path);
BOOL WINAPI PathFileExistsW(LPCWSTR path);
// FILE_ATTRIBUTE_DIRECTORY (0x10) for an existing folder, else FALSE.
BOOL WINAPI PathIsDirectoryW(LPCWSTR path);
// 0 to 25 for a path that starts with "A:" to "Z:" (either case, after an
// optional "\\?\"), else -1.
int WINAPI PathGetDriveNumberW(LPCWSTR path);
// Leaves only the last element (PathFindFileNameW) in the buffer.
void WINAPI PathStripPathW(LPWSTR path);

// Case-insensitive comparisons by winapi::FoldCase (winapi/text.h):
// negative, 0 or positive. A null text counts as empty.
int WINAPI StrCmpIW(LPCWSTR a, LPCWSTR b);
// At most `count` characters of each.
int WINAPI StrCmpNIW(LPCWSTR a, LPCWSTR b, int count);
// The first place where `search` occurs in `text` without regard to case;
// null when it does not or either is null. An empty search finds the start.
LPWSTR WINAPI StrStrIW(LPCWSTR text, LPCWSTR search);
