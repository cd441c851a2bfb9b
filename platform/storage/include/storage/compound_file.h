// Compound files on disk: creating and opening the root storage of a file.
//
// Paths are in the system's form or POSIX (winapi::ToPosixPath maps them).
//
// Sharing: a root opened with STGM_SHARE_EXCLUSIVE holds an exclusive lock
// on the file (flock, so it also excludes other opens in this process); a
// second open fails with STG_E_SHAREVIOLATION until the last object of
// the file is gone or its process has ended. A read-only root opened with
// STGM_SHARE_DENY_WRITE holds a shared lock: several such readers may have
// the file open, and no writer meanwhile. Other share modes are refused
// (STG_E_INVALIDFLAG): every opener of a file here either has it alone or
// only reads it.
//
// Commits are atomic: the new content is written whole to a temporary file
// beside the file ("<name>.~commit-..."), flushed to disk and renamed over
// the file. Whenever a process dies, the file holds either the content
// before or the content after a commit. Leftover temporary files of a dead
// committer are ignored, and removed by the next exclusive opener. A commit
// writes the whole file anew, so its cost grows with the file, not with the
// change, and it needs the right to create files in the file's folder.
//
// Modes:
// - Direct (no STGM_TRANSACTED): changes are kept in memory and written by
//   a Commit of any element, and when the last object of the file goes (the
//   root and everything opened below it: an element keeps its file open
//   after its storage is released). Revert has nothing to take back. A
//   Commit with nothing changed writes nothing.
// - Transacted (STGM_TRANSACTED, with or without STGM_NOSCRATCH): only the
//   root is transacted; the storages and streams opened below it belong to
//   its transaction. The root's Commit writes the changes; Revert, or a
//   last Release without Commit, discards them. Revert invalidates every
//   open element below the root (STG_E_REVERTED); Commit of a nested
//   storage or of a stream succeeds and writes nothing.
#pragma once

#include "storage/storage.h"
#include "winapi/sync.h"

// Creates a compound file and opens its root storage. grfMode:
// STGM_READWRITE or STGM_WRITE, STGM_SHARE_EXCLUSIVE, optionally
// STGM_TRANSACTED (STGM_NOSCRATCH), STGM_CREATE (replace an existing file,
// else STG_E_FILEALREADYEXISTS), STGM_DELETEONRELEASE. stgfmt:
// STGFMT_DOCFILE or STGFMT_STORAGE. options: null or version 1 with sector
// size 512 (format version 3, the default) or 4096 (version 4). attributes
// must be 0 and securityDescriptor null. riid: IID_IStorage (or IUnknown).
// The new file holds an empty root storage from the start.
HRESULT WINAPI StgCreateStorageEx(const WCHAR* path, DWORD grfMode, DWORD stgfmt, DWORD attributes, STGOPTIONS* options,
                                  PSECURITY_DESCRIPTOR securityDescriptor, REFIID riid, void** object);

// Opens the root storage of an existing compound file. stgfmt: STGFMT_ANY,
// STGFMT_DOCFILE or STGFMT_STORAGE; options null. STG_E_FILENOTFOUND for a
// missing file, STG_E_FILEALREADYEXISTS for a file that is not a compound
// file, STG_E_DOCFILECORRUPT (or STG_E_INVALIDHEADER) for a damaged one,
// STG_E_SHAREVIOLATION while another opener holds it.
HRESULT WINAPI StgOpenStorageEx(const WCHAR* path, DWORD grfMode, DWORD stgfmt, DWORD attributes, STGOPTIONS* options,
                                PSECURITY_DESCRIPTOR securityDescriptor, REFIID riid, void** object);

// S_OK when the file starts like a compound file, S_FALSE when it does not,
// STG_E_FILENOTFOUND when it is missing.
HRESULT WINAPI StgIsStorageFile(const WCHAR* path);

// The older forms: StgCreateStorageEx / StgOpenStorageEx with STGFMT_DOCFILE
// and version 3. `priority`, `exclude` and `reserved` must be null / 0.
HRESULT WINAPI StgCreateDocfile(const WCHAR* path, DWORD grfMode, DWORD reserved, IStorage** storage);
HRESULT WINAPI StgOpenStorage(const WCHAR* path, IStorage* priority, DWORD grfMode, SNB exclude, DWORD reserved,
                              IStorage** storage);
