// Local and global memory blocks, as the clipboard, drag and drop and the
// system-message functions hand them between callers.
//
// A fixed block's handle is its pointer. A moveable block has a handle of its
// own and gives its pointer through GlobalLock, which counts the locks. One
// table per process holds every block, so that a wrong or freed handle is
// refused (ERROR_INVALID_HANDLE) instead of corrupting memory. The local and
// the global functions share that table and may free each other's blocks.
#pragma once

#include "winapi/types.h"

// Local blocks are fixed: the system only asks for those.
#define LMEM_FIXED 0x0000
#define LMEM_ZEROINIT 0x0040
#define LPTR (LMEM_FIXED | LMEM_ZEROINIT)

#define GMEM_FIXED 0x0000
#define GMEM_MOVEABLE 0x0002
#define GMEM_NOCOMPACT 0x0010
#define GMEM_NODISCARD 0x0020
#define GMEM_ZEROINIT 0x0040
#define GMEM_MODIFY 0x0080
#define GMEM_DISCARDABLE 0x0100
#define GMEM_SHARE 0x2000
#define GMEM_DDESHARE 0x2000
#define GPTR (GMEM_FIXED | GMEM_ZEROINIT)
#define GHND (GMEM_MOVEABLE | GMEM_ZEROINIT)

// Null on failure (ERROR_NOT_ENOUGH_MEMORY, ERROR_INVALID_PARAMETER for
// flags other than LMEM_ZEROINIT). A block of 0 bytes is a valid block of
// size 0.
HLOCAL WINAPI LocalAlloc(UINT flags, SIZE_T bytes);
// Null on success; the handle back with ERROR_INVALID_HANDLE when it names no
// block. Freeing null does nothing.
HLOCAL WINAPI LocalFree(HLOCAL memory);

HGLOBAL WINAPI GlobalAlloc(UINT flags, SIZE_T bytes);
HGLOBAL WINAPI GlobalFree(HGLOBAL memory);
// The block's pointer; a moveable block's lock count goes up by one.
LPVOID WINAPI GlobalLock(HGLOBAL memory);
// TRUE while the block stays locked; FALSE with last error NO_ERROR when this
// call took the lock count to 0 (a fixed block's count is always 0), FALSE
// with ERROR_NOT_LOCKED when it was not locked.
BOOL WINAPI GlobalUnlock(HGLOBAL memory);
// The size asked for; 0 with ERROR_INVALID_HANDLE for an unknown handle.
// A block of 0 bytes still has an address of its own (the platform would
// give a moveable one none).
SIZE_T WINAPI GlobalSize(HGLOBAL memory);
// Resizes, keeping the contents (GMEM_ZEROINIT clears what is added). A
// moveable block keeps its handle but may move when it is not locked; a fixed
// block moves only when GMEM_MOVEABLE is given, and then gets a new handle.
// Null on failure, with the old block untouched. GMEM_MODIFY (changing the
// kind of block) is not supported: ERROR_INVALID_PARAMETER.
HGLOBAL WINAPI GlobalReAlloc(HGLOBAL memory, SIZE_T bytes, UINT flags);
