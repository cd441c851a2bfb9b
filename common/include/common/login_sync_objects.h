// The kernel objects of the session's login table: the mapping the server
// program (Gallowick) creates, the mutex that guards every read and write,
// and the two events a writer pulses after an add or a remove. The login
// server writes through them (login/table/login_table.h); the explorer only
// reads. All four live in the user's own namespace and no other user can open
// them (the table holds passwords in plain text).
#pragma once

#include "common/login_table_codec.h"

#include "winapi/types.h"

// The handles of one use of the table; any of them may be null.
struct LoginSyncObjects {
    HANDLE mapping = nullptr;  // opened by the caller (OpenLoginTableMapping)
    HANDLE mutex = nullptr;
    HANDLE addEvent = nullptr;
    HANDLE removeEvent = nullptr;
};

// Creates or opens the mutex and both events; the mapping stays null. A
// failed creation leaves its handle null.
LoginSyncObjects OpenLoginSyncObjects();
// Closes every handle that is not null, in the order remove event, add
// event, mapping, mutex, and clears them.
void CloseLoginSyncObjects(LoginSyncObjects& objects);
// Opens the table's mapping for reading and writing into objects.mapping
// (closing one held before). False when there is none: the server program
// does not run.
bool OpenLoginTableMapping(LoginSyncObjects& objects);

// Maps the table (its first 4096 bytes) of `mapping` with FILE_MAP_READ or
// FILE_MAP_ALL_ACCESS, the cursor at the start. False when the view cannot
// be mapped (no mapping, or one too small to hold a table). Every read of
// the view stays inside those bytes.
bool MapLoginTableView(HANDLE mapping, DWORD access, LoginTableView& view);
void UnmapLoginTableView(LoginTableView& view);
