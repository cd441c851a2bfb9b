// The explorer's reader of the session's login table: whether some process
// of the session is logged in to a vault, and with which login. The explorer
// only reads the table; its mapping is opened by the caller
// (OpenLoginTableMapping), its mutex and events by OpenLoginSyncObjects
// (common/login_sync_objects.h), and the entries are found and parsed by the
// bounded codec (FindLoginTableEntry, ParseLoginTableEntry in
// common/login_table_codec.h), which never reads past the table's 4096 bytes.
#pragma once

#include "common/login_sync_objects.h"

#include "winapi/types.h"

#include <string>

// Reads the entry of `vaultName` (compared without regard to case) under the
// login mutex and copies its user name, password and login value (the
// entry's first number). The wait for the mutex has no time-out, and a mutex
// whose holder died is taken. False, and the outs unchanged, when the
// mapping cannot be mapped, when there is no such entry, and when the mutex
// is missing or its wait fails: a table read without it may be half-written.
bool readLoginList(const LoginSyncObjects& objects, LPCWSTR vaultName, std::u16string& userName,
                   std::u16string& password, LONG& loginValue);

// The same read over the session's own login table: opens its mutex, events
// and mapping, reads the entry of `vaultName` and closes every handle again,
// whatever happened. False when the table does not exist (no login server
// runs) or has no entry for the vault.
bool gbReadSessionLogin(LPCWSTR vaultName, std::u16string& userName, std::u16string& password, LONG& loginValue);
