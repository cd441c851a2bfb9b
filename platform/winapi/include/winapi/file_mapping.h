// Shared memory: named file mappings backed by the system's memory, as the
// processes of the user's session share them (the login table, for one).
//
// Names, privacy and lifetime are those of the other named kernel objects
// (see winapi/sync.h): the name lives while some process holds a handle to
// the mapping, and a mapping made after the last holder closed it or died is
// fresh. A view stays valid after its mapping's handle is closed, until
// UnmapViewOfFile, but does not keep the name alive.
#pragma once

#include "winapi/handles.h"
#include "winapi/types.h"

#define PAGE_READONLY 0x02u
#define PAGE_READWRITE 0x04u

#define FILE_MAP_COPY 0x0001u
#define FILE_MAP_WRITE 0x0002u
#define FILE_MAP_READ 0x0004u
#define FILE_MAP_ALL_ACCESS 0x000F001Fu

// Creates a mapping of sizeHigh:sizeLow zero-filled bytes, or opens the
// existing one of that name (last error ERROR_ALREADY_EXISTS, else 0; the
// existing size is kept). `file` must be INVALID_HANDLE_VALUE: mappings of
// files are not supported (ERROR_INVALID_HANDLE). `protect` is PAGE_READONLY
// or PAGE_READWRITE; a size of 0 fails with ERROR_INVALID_PARAMETER, a size the
// machine cannot hold with ERROR_NOT_ENOUGH_MEMORY. A null or empty name
// makes a mapping of this process only.
HANDLE WINAPI CreateFileMappingW(HANDLE file, LPSECURITY_ATTRIBUTES attributes, DWORD protect, DWORD sizeHigh,
                                 DWORD sizeLow, LPCWSTR name);
// `access` FILE_MAP_READ gives a handle that maps read-only views only;
// FILE_MAP_WRITE or FILE_MAP_ALL_ACCESS a read-write handle (ERROR_ACCESS_DENIED
// on a PAGE_READONLY mapping). NULL with ERROR_FILE_NOT_FOUND when no object
// has the name, ERROR_INVALID_HANDLE when it is not a mapping.
HANDLE WINAPI OpenFileMappingW(DWORD access, BOOL inheritHandle, LPCWSTR name);

// Maps `bytes` of the mapping from the offset offsetHigh:offsetLow (a multiple
// of 64 KiB, the allocation granularity, else ERROR_MAPPED_ALIGNMENT); 0 bytes maps
// the rest of the mapping. FILE_MAP_READ gives a view that cannot be written
// (a write faults), FILE_MAP_WRITE or FILE_MAP_ALL_ACCESS a shared read-write
// view, FILE_MAP_COPY a private copy-on-write view. A range beyond the end of
// the mapping, or a write view through a read-only handle, fails with
// ERROR_ACCESS_DENIED.
LPVOID WINAPI MapViewOfFile(HANDLE mapping, DWORD access, DWORD offsetHigh, DWORD offsetLow, SIZE_T bytes);
// `base` must be an address MapViewOfFile returned (else ERROR_INVALID_ADDRESS).
BOOL WINAPI UnmapViewOfFile(LPCVOID base);
