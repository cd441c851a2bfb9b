// The byte format of the session's login table, over a bounded buffer.
//
// Little-endian, no header: entries packed from offset 0, then a 16-bit zero
// where the next entry would begin (an empty table is two zero bytes). An
// entry is seven NUL-terminated UTF-16LE strings (database server, vault
// name - the key, compared without regard to case -, user name, password,
// database user, database password, vault root folder ending in '\'), then
// five int32 (login value, user id, reserved 0, verification value, program
// type 2) and an int32 flag (written 0, read as true when non-zero). An
// entry is 2 x (sum of the string lengths + 7) + 24 bytes.
//
// Only the first 4096 bytes are the table, and no read goes past them or past
// the buffer. The table ends at the first entry position where the first
// character is 0, or where an entry does not end inside the bound: a damaged
// table is read as the entries before the damage.
//
// Pure functions: no locking, no kernel objects. The writer (login server)
// and the explorer's reader share them; the named objects and their locking
// are common/login_sync_objects.h and common/login_table_lock.h.
#pragma once

#include "winapi/types.h"

#include <cstddef>
#include <cstdint>
#include <string>

// The named objects of the table (session-local names, no namespace prefix),
// shared by the login server, the server program that keeps the mapping
// alive, and the explorer's reader.
inline constexpr const WCHAR* kLoginTableMappingName = u"5F21BFC3-2968-11d3-9634-0004AC962A49";
inline constexpr const WCHAR* kLoginTableMutexName = u"5F21BFC2-2968-11d3-9634-0004AC962A49";
inline constexpr const WCHAR* kLoginAddEventName = u"LoginAddEvent_5F21BFC2-2968-11d3-9634-0004AC962A49";
inline constexpr const WCHAR* kLoginRemoveEventName = u"LoginRemEvent_5F21BFC2-2968-11d3-9634-0004AC962A49";
// The server program, in the folder of location kind 1 (SharedLocation).
inline constexpr const WCHAR* kLoginServerProgram = u"Gallowick.exe";

// The bytes of a mapping that hold the table.
inline constexpr size_t kLoginTableBytes = 4096;
// The five int32 values and the flag that follow an entry's strings.
inline constexpr size_t kLoginEntryFixedBytes = 24;
// What the login server writes as the program type.
inline constexpr int32_t kLoginProgramType = 2;

// A view of the table with a cursor: the offset of the current entry.
// `base` null means no view.
struct LoginTableView {
    BYTE* base = nullptr;
    size_t size = 0;  // bytes readable at base (the mapped length)
    size_t cursor = 0;

    // The bytes that may be read: the table's 4096, or less when the view is
    // shorter.
    size_t Limit() const { return size < kLoginTableBytes ? size : kLoginTableBytes; }
};

struct LoginTableEntry {
    std::u16string moDbServer;    // s0; empty never written (it would end the table)
    std::u16string moVaultName;   // s1, the key
    std::u16string moUserName;    // s2
    std::u16string moPassword;    // s3
    std::u16string moDbUser;      // s4
    std::u16string moDbPassword;  // s5
    std::u16string moShellRoot;   // s6
    int32_t mlLoginValue = 0;     // i0: handed back to the vault with the user name
    int32_t mlUserID = 0;         // i1
    int32_t mlReserved = 0;       // i2, written 0
    int32_t mlVerification = 0;   // i3: the value the vault server accepted the login with
    int32_t mlProgramType = 0;    // i4
    bool mbFlag = false;          // written 0

    // The bytes this entry takes in the table.
    size_t mlEncodedSize() const;
    // Writes the entry at `position`, which has room for `room` bytes; returns
    // the bytes written, 0 (and nothing written) when it does not fit.
    size_t mlWrite(BYTE* position, size_t room) const;
    // The size of the entry at the view's cursor; 0 without a view, at the
    // end of the table, or when the entry does not end inside the bound.
    static size_t mlEntrySize(const LoginTableView& view);
};

class LoginTable {
public:
    // The bytes from the cursor to the end of the table, its terminator
    // included; 0 without a view or when the cursor is at the end.
    static size_t mlTableSize(const LoginTableView& view);
    // The offset where the table ends (its terminator, or the first damaged
    // entry), walking from the cursor, which must be on an entry boundary.
    static size_t mlEndOffset(const LoginTableView& view);
    // Removes the entry at the cursor: the entries after it move down and the
    // terminator follows them. False (nothing changed) when the cursor is at
    // the end.
    static bool mbRemoveAtCursor(LoginTableView& view);
    // Whether `entry` and a terminator fit in the table once the entry of the
    // same vault name (when there is one) is removed.
    static bool mbFits(const LoginTableView& view, const LoginTableEntry& entry);
    // Writes `entry` and a terminator at the end of the table when both fit
    // in the bound; else writes nothing and returns false. The cursor is left
    // on the end of the table as found (the entry written, on success).
    static bool mbAppend(LoginTableView& view, const LoginTableEntry& entry);
};

// Puts the cursor on the entry whose vault name equals `vaultName` without
// regard to case (lstrcmpiW) and returns true; else false with the cursor on
// the end of the table.
bool FindLoginTableEntry(LoginTableView& view, LPCWSTR vaultName);
// Reads the entry at the cursor into `entry` without moving the cursor.
// False without a view, at the end of the table, or for a damaged entry;
// `entry` is then unchanged.
bool ParseLoginTableEntry(const LoginTableView& view, LoginTableEntry& entry);
