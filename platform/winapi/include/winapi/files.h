// Files and folders: attributes, creation, removal, moving and copying,
// open files as kernel handles, folder searches, full, temporary and current
// paths.
//
// Every path is in the system's form and becomes a POSIX path by
// winapi::ToPosixPath (winapi/path_mapping.h); names on disk are
// case-sensitive. Failures set the last error as the platform does:
// ERROR_FILE_NOT_FOUND when the last element is missing, ERROR_PATH_NOT_FOUND
// when a folder on the way is.
//
// The read-only attribute is the absence of every write permission bit. The
// layer honours it as the platform does, whatever rights the account has:
// a read-only file cannot be opened for writing, deleted, or replaced by a
// move or copy (ERROR_ACCESS_DENIED) until the attribute is cleared.
// A name that starts with a dot is hidden, as Linux tools treat it.
#pragma once

#include "winapi/handles.h"
#include "winapi/types.h"

// --- Attributes ----------------------------------------------------------
#define INVALID_FILE_ATTRIBUTES 0xFFFFFFFFu
#define FILE_ATTRIBUTE_READONLY 0x00000001u
#define FILE_ATTRIBUTE_HIDDEN 0x00000002u
#define FILE_ATTRIBUTE_DIRECTORY 0x00000010u
#define FILE_ATTRIBUTE_ARCHIVE 0x00000020u
#define FILE_ATTRIBUTE_NORMAL 0x00000080u

// Folders answer FILE_ATTRIBUTE_DIRECTORY (plus HIDDEN), files
// FILE_ATTRIBUTE_ARCHIVE plus READONLY and HIDDEN where they apply, as files
// written on the platform do. INVALID_FILE_ATTRIBUTES when the path is missing.
DWORD WINAPI GetFileAttributesW(LPCWSTR path);
// Only FILE_ATTRIBUTE_READONLY has an effect (on files: clears or gives back
// the write permission); the other bits are accepted and ignored, since
// hidden follows the name here and the rest is kept by the system itself.
BOOL WINAPI SetFileAttributesW(LPCWSTR path, DWORD attributes);

// --- Folders and files by name -------------------------------------------
// The security attributes are accepted and ignored: new folders get the
// user's default permissions. ERROR_ALREADY_EXISTS when the path exists,
// ERROR_PATH_NOT_FOUND when the parent folder does not.
BOOL WINAPI CreateDirectoryW(LPCWSTR path, LPSECURITY_ATTRIBUTES securityAttributes);
// ERROR_DIR_NOT_EMPTY for a folder with contents, ERROR_DIRECTORY for a file.
BOOL WINAPI RemoveDirectoryW(LPCWSTR path);
// ERROR_ACCESS_DENIED for a folder or a read-only file.
BOOL WINAPI DeleteFileW(LPCWSTR path);

#define MOVEFILE_REPLACE_EXISTING 0x00000001u
#define MOVEFILE_COPY_ALLOWED 0x00000002u
#define MOVEFILE_WRITE_THROUGH 0x00000008u

// Renames a file or folder. Without MOVEFILE_REPLACE_EXISTING an existing
// target fails with ERROR_ALREADY_EXISTS (checked atomically where the file
// system allows); with it a file target is replaced atomically, while a
// folder or read-only target gives ERROR_ACCESS_DENIED. Between file systems
// a file is copied and then removed when MOVEFILE_COPY_ALLOWED is given,
// else ERROR_NOT_SAME_DEVICE (always for folders). MOVEFILE_WRITE_THROUGH
// returns only when the move has reached the disk. A null target (a move at
// the next restart) is refused with ERROR_INVALID_PARAMETER.
BOOL WINAPI MoveFileExW(LPCWSTR existingName, LPCWSTR newName, DWORD flags);
// MoveFileExW with MOVEFILE_COPY_ALLOWED: never replaces a target.
BOOL WINAPI MoveFileW(LPCWSTR existingName, LPCWSTR newName);
// Copies contents, permissions and the last-write time. The copy is written
// to a temporary file beside the target and renamed into place, so a failed
// copy leaves no half-written target and an existing target is either kept
// whole or replaced whole. With failIfExists an existing target fails with
// ERROR_FILE_EXISTS; a folder source or target gives ERROR_ACCESS_DENIED.
BOOL WINAPI CopyFileW(LPCWSTR existingName, LPCWSTR newName, BOOL failIfExists);

// The C runtime's access test: mode 0 (exists), 2 (may be written), 4 (may
// be read) or 6 (both). 0 when allowed, else -1 with errno ENOENT (missing),
// EACCES (a write test on a read-only file) or EINVAL (another mode).
int _waccess(LPCWSTR path, int mode);

// --- Open files ----------------------------------------------------------
#define GENERIC_READ 0x80000000u
#define GENERIC_WRITE 0x40000000u
#define GENERIC_EXECUTE 0x20000000u
#define GENERIC_ALL 0x10000000u

#define FILE_SHARE_READ 0x00000001u
#define FILE_SHARE_WRITE 0x00000002u
#define FILE_SHARE_DELETE 0x00000004u

#define CREATE_NEW 1u
#define CREATE_ALWAYS 2u
#define OPEN_EXISTING 3u
#define OPEN_ALWAYS 4u
#define TRUNCATE_EXISTING 5u

#define FILE_BEGIN 0u
#define FILE_CURRENT 1u
#define FILE_END 2u

#define INVALID_SET_FILE_POINTER 0xFFFFFFFFu
#define INVALID_FILE_SIZE 0xFFFFFFFFu

// The position of a read or write on a file handle; the other members are
// not used (all I/O here is synchronous).
struct OVERLAPPED {
    ULONG_PTR Internal;
    ULONG_PTR InternalHigh;
    DWORD Offset;
    DWORD OffsetHigh;
    HANDLE hEvent;
};
typedef OVERLAPPED* LPOVERLAPPED;

// Opens or creates a file and returns a kernel handle (CloseHandle closes
// it), or INVALID_HANDLE_VALUE with the last error. Dispositions as on the
// platform: CREATE_NEW fails with ERROR_FILE_EXISTS on an existing file;
// CREATE_ALWAYS and OPEN_ALWAYS succeed with the last error
// ERROR_ALREADY_EXISTS when the file was there (else 0); OPEN_EXISTING and
// TRUNCATE_EXISTING need the file (TRUNCATE_EXISTING also GENERIC_WRITE).
// FILE_ATTRIBUTE_READONLY in `flagsAndAttributes` makes a new file read-only.
// A folder cannot be opened (ERROR_ACCESS_DENIED).
//
// Deviation: the share mode is accepted but not enforced, because Linux has
// no mandatory sharing; other processes may open the same file at any time.
// Security attributes and a template file are ignored.
HANDLE WINAPI CreateFileW(LPCWSTR path, DWORD desiredAccess, DWORD shareMode, LPSECURITY_ATTRIBUTES securityAttributes,
                          DWORD creationDisposition, DWORD flagsAndAttributes, HANDLE templateFile);

// Reads until `toRead` bytes or the end of the file; TRUE with fewer bytes
// (0 at the end). With `overlapped` the read starts at its offset, and the
// file pointer ends after the bytes read.
BOOL WINAPI ReadFile(HANDLE file, LPVOID buffer, DWORD toRead, LPDWORD bytesRead, LPOVERLAPPED overlapped);
// Writes all bytes (or fails), at the file pointer or at the offset of
// `overlapped`.
BOOL WINAPI WriteFile(HANDLE file, LPCVOID buffer, DWORD toWrite, LPDWORD bytesWritten, LPOVERLAPPED overlapped);

// Moves the file pointer. Without `distanceHigh` the distance is a signed
// 32-bit value; with it the two form a signed 64-bit one and the new
// position's high half is returned there. Returns the low half of the new
// position, INVALID_SET_FILE_POINTER on failure (a position before the start
// gives ERROR_NEGATIVE_SEEK); a successful result equal to that value comes
// with the last error 0.
DWORD WINAPI SetFilePointer(HANDLE file, LONG distance, PLONG distanceHigh, DWORD moveMethod);
BOOL WINAPI SetFilePointerEx(HANDLE file, LARGE_INTEGER distance, LARGE_INTEGER* newPosition, DWORD moveMethod);

// The size's low half (the high half through `sizeHigh`); INVALID_FILE_SIZE
// on failure, or with the last error 0 when it is the real low half.
DWORD WINAPI GetFileSize(HANDLE file, LPDWORD sizeHigh);
BOOL WINAPI GetFileSizeEx(HANDLE file, LARGE_INTEGER* size);
// Cuts or extends the file to the file pointer.
BOOL WINAPI SetEndOfFile(HANDLE file);
// Returns when the file's contents have reached the disk.
BOOL WINAPI FlushFileBuffers(HANDLE file);

// Times as FILETIME: 100-nanosecond intervals since 1601-01-01 UTC. The
// creation time is the file's birth time where the file system keeps one,
// else its last status change. Any pointer may be null.
BOOL WINAPI GetFileTime(HANDLE file, LPFILETIME creationTime, LPFILETIME lastAccessTime, LPFILETIME lastWriteTime);
// Sets the access and write times (null leaves one unchanged). A creation
// time cannot be set on Linux and is ignored.
BOOL WINAPI SetFileTime(HANDLE file, const FILETIME* creationTime, const FILETIME* lastAccessTime,
                        const FILETIME* lastWriteTime);

// --- Folder searches -----------------------------------------------------
struct WIN32_FIND_DATAW {
    DWORD dwFileAttributes;
    FILETIME ftCreationTime;
    FILETIME ftLastAccessTime;
    FILETIME ftLastWriteTime;
    DWORD nFileSizeHigh;
    DWORD nFileSizeLow;
    DWORD dwReserved0;
    DWORD dwReserved1;
    WCHAR cFileName[MAX_PATH];
    WCHAR cAlternateFileName[14];  // no short names here: always empty
};
typedef WIN32_FIND_DATAW* PWIN32_FIND_DATAW;
typedef WIN32_FIND_DATAW* LPWIN32_FIND_DATAW;

// Searches the folder of `pattern` for names that match its last element:
// '*' stands for any run of characters, '?' for one, "*.*" for every name,
// and letters match without regard to case as on the platform. "." and ".."
// are found like any other name of the folder. The folder is read once, at
// this call, and its names are returned in order of their text, "." and ".."
// first. INVALID_HANDLE_VALUE with ERROR_FILE_NOT_FOUND when nothing matches,
// ERROR_PATH_NOT_FOUND when the folder is missing. Close with FindClose.
HANDLE WINAPI FindFirstFileW(LPCWSTR pattern, LPWIN32_FIND_DATAW findData);
// FALSE with ERROR_NO_MORE_FILES after the last name.
BOOL WINAPI FindNextFileW(HANDLE find, LPWIN32_FIND_DATAW findData);
BOOL WINAPI FindClose(HANDLE find);

// --- Full, temporary and current paths -----------------------------------
// The full path of `fileName` as text, without touching the disk: a relative
// path is taken below the current directory, "." and ".." are resolved. A
// drive path ("X:rest" is read as "X:\rest") comes back with backslashes;
// other paths keep their separators. Returns the length without the
// terminator, or the buffer size needed (terminator included) when the
// buffer is too small; `filePart`, when given, points at the last element
// in the buffer (null when the path ends with a separator).
DWORD WINAPI GetFullPathNameW(LPCWSTR fileName, DWORD bufferLength, LPWSTR buffer, LPWSTR* filePart);

// The user's temporary folder with a trailing separator: the variable TMP,
// else TEMP, which the environment layer answers with
// <profile>/Temp when the real environment lacks them (created on demand).
// Size rules as GetFullPathNameW.
DWORD WINAPI GetTempPathW(DWORD bufferLength, LPWSTR buffer);
// The name <path>\<first three characters of prefix><hex number>.TMP in
// `tempFileName` (MAX_PATH characters). With `unique` 0 a free number is
// chosen and the file is created empty, so the name is reserved; otherwise
// the name is only formed from the low 16 bits of `unique`. Returns the
// number used, or 0 with the last error (ERROR_DIRECTORY when the folder is
// missing, ERROR_BUFFER_OVERFLOW when the name does not fit).
UINT WINAPI GetTempFileNameW(LPCWSTR pathName, LPCWSTR prefixString, UINT unique, LPWSTR tempFileName);

// The current directory as FromPosixPath gives it. Size rules as
// GetFullPathNameW.
DWORD WINAPI GetCurrentDirectoryW(DWORD bufferLength, LPWSTR buffer);
// ERROR_FILE_NOT_FOUND / ERROR_PATH_NOT_FOUND when missing, ERROR_DIRECTORY
// for a file.
BOOL WINAPI SetCurrentDirectoryW(LPCWSTR path);
