// Special folders: the user's and the machine's standard folders by their
// CSIDL numbers, all below the state root (winapi/state_root.h):
//
//   CSIDL_APPDATA           <profile>/AppData/Roaming
//   CSIDL_LOCAL_APPDATA     <profile>/AppData/Local
//   CSIDL_PERSONAL          <profile>/Documents
//   CSIDL_COMMON_APPDATA    <root>/ProgramData
//   CSIDL_PROGRAM_FILES,
//   CSIDL_PROGRAM_FILESX86  <root>/Program Files
//
// where <profile> is winapi::UserProfileDir(). These folders always exist
// on an installed machine, so the layer makes each one the first time it is
// asked for, whether or not the caller asked to create it. Paths come back
// as winapi::FromPosixPath gives them, without a trailing separator.
//
// An item list (PIDL) here is a single item holding the folder's path, in
// one block from malloc: the item's size, the path in UTF-16 with its
// terminator, then the zero size that ends the list. Free it with ILFree or
// winapi::FreeIdList, or through the task allocator, which frees with free().
//
// Shell32's functions among these are also the built-in exports of
// "Shell32.dll" (winapi/modules.h), for callers that look them up by name.
#pragma once

#include "winapi/errors.h"
#include "winapi/types.h"

#include <string>

#define CSIDL_PERSONAL 0x0005
#define CSIDL_APPDATA 0x001a
#define CSIDL_LOCAL_APPDATA 0x001c
#define CSIDL_COMMON_APPDATA 0x0023
#define CSIDL_PROGRAM_FILES 0x0026
#define CSIDL_PROGRAM_FILESX86 0x002a
// Flags that may be combined with a folder number.
#define CSIDL_FLAG_CREATE 0x8000
#define CSIDL_FLAG_DONT_VERIFY 0x4000
#define CSIDL_FLAG_MASK 0xFF00

#define SHGFP_TYPE_CURRENT 0
#define SHGFP_TYPE_DEFAULT 1

struct SHITEMID {
    USHORT cb;  // size of the item, cb included
    BYTE abID[1];
};
struct ITEMIDLIST {
    SHITEMID mkid;
};
typedef ITEMIDLIST* LPITEMIDLIST;
typedef const ITEMIDLIST* LPCITEMIDLIST;
typedef ITEMIDLIST* PIDLIST_ABSOLUTE;
typedef const ITEMIDLIST* PCIDLIST_ABSOLUTE;
typedef ITEMIDLIST* PIDLIST_RELATIVE;
typedef const ITEMIDLIST* PCUIDLIST_RELATIVE;

// Copies the folder's path into `path` (MAX_PATH characters). FALSE with
// ERROR_INVALID_PARAMETER for an unknown folder number, ERROR_BUFFER_OVERFLOW
// when the path does not fit, or the error of creating the folder.
BOOL WINAPI SHGetSpecialFolderPathW(HWND owner, LPWSTR path, int csidl, BOOL create);
// The same as an HRESULT: S_OK, E_INVALIDARG for an unknown folder, else the
// failure as HRESULT_FROM_WIN32. `token` (another user) must be null; both
// `flags` values give the same folder.
HRESULT WINAPI SHGetFolderPathW(HWND owner, int csidl, HANDLE token, DWORD flags, LPWSTR path);
// A new item list for the folder in `*pidl` (null on failure).
HRESULT WINAPI SHGetSpecialFolderLocation(HWND owner, int csidl, PIDLIST_ABSOLUTE* pidl);
// The path an item list of this layer holds, into `path` (MAX_PATH
// characters); FALSE (and an empty path) for a null or malformed list.
BOOL WINAPI SHGetPathFromIDListW(PCIDLIST_ABSOLUTE pidl, LPWSTR path);
// Frees an item list; null is allowed.
void WINAPI ILFree(PIDLIST_RELATIVE pidl);

namespace winapi {

// Frees an item list made by this layer: the one place that knows how they
// are allocated, for ILFree and the task allocator's Free.
void FreeIdList(ITEMIDLIST* pidl);

// The POSIX path of a special folder (flags ignored), made when missing;
// empty for an unknown folder number.
std::string SpecialFolderPath(int csidl);

}  // namespace winapi
