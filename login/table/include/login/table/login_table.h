// The session's login table: the vaults some process of the user's session
// has logged in to through the login dialog, with the accepted credentials,
// in a named file mapping that the server program (Gallowick) creates.
//
// A named mutex guards every read and write; after an add or remove attempt
// the writer pulses a named manual-reset event while it still holds the
// mutex, so a waiter must read the table itself afterwards. The objects and
// views are common/login_sync_objects.h, shared with the explorer's reader.
//
// Taking the mutex: a wait without time-out; WAIT_OBJECT_0 and WAIT_ABANDONED
// (its holder died) count as taken. Without a mutex handle, or when the wait
// fails otherwise, an operation goes on without the lock.
#pragma once

#include "common/login_sync_objects.h"
#include "common/login_table_codec.h"

#include "winapi/types.h"

// Adds the login of `vaultName`, replacing its entry (whatever the letter
// case). False when the table cannot be mapped for writing; nothing is then
// changed or pulsed. Else true, and the add event pulsed, also when the
// entry is not stored: *stored (when given) tells whether it was. An entry
// is not stored when its database server is empty or when it would not fit
// in the table with the vault's old entry removed; the old entry is then
// kept.
bool AddLoginTableEntry(const LoginSyncObjects& objects, LPCWSTR dbServer, LPCWSTR vaultName, LPCWSTR userName,
                        LPCWSTR password, int32_t loginValue, int32_t userId, LPCWSTR dbUser, LPCWSTR dbPassword,
                        int32_t verification, int32_t programType, LPCWSTR shellRoot, bool* stored = nullptr);
// Removes the entry of `vaultName` (whatever the letter case) from `view`,
// or, when `view` is null, from a view of objects.mapping of its own. False
// when that view cannot be mapped (nothing pulsed); else true and the remove
// event pulsed, also when no entry matched.
bool RemoveLoginTableEntry(const LoginSyncObjects& objects, LPCWSTR vaultName, LoginTableView* view = nullptr);
// Reads the entry of `vaultName` from a read-only view of objects.mapping,
// under the mutex. False when the view cannot be mapped or there is no such
// entry.
bool ReadLoginTableEntry(const LoginSyncObjects& objects, LPCWSTR vaultName, LoginTableEntry& entry);

// Starts the server program (kLoginServerProgram in the folder of location
// kind 1) without arguments and without waiting for it; it creates the
// mapping soon after. False when that folder is not set or the program
// cannot be started.
bool StartServerProcess();
