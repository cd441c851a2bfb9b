// The small records the stored-procedure layer exchanges with its callers.
#pragma once

#include "vennacle/sp_str.h"
#include "winapi/types.h"

#include <cstddef>
#include <string>

// The kind of database a connection opens; 1 is the vault database.
enum SpDbType : LONG { SpDbType_Vault = 1 };

// The program that logs in; the explorer's servers pass 0.
enum ProgramType : LONG { ProgramType_Explorer = 0 };

// One counter (serial-number) id: the id in the first word. The second word
// is the reserving component's (0 for ids from "Generate new ID"); this layer
// does not read it.
struct SerialNoInfo {
    LONG mlCounterID = 0;
    LONG mlSource = 0;
};
static_assert(sizeof(SerialNoInfo) == 8);

// What a login learns of the vault.
struct SpVaultInfo {
    LONG mlVersion = 0;  // database version, major * 100 + minor
    LONG mlDateFmt = 0;
    GUID moVaultGUID{};
};
static_assert(sizeof(SpVaultInfo) == 24);
static_assert(offsetof(SpVaultInfo, moVaultGUID) == 8);

// How to reach a vault database (see SpMgr::mhCreate for the mapping).
struct SpConnectInfo {
    std::u16string moDbServer;  // the folder that holds the vault databases
    std::u16string moDbName;    // the database's name in that folder
    std::u16string moDbUser;
    std::u16string moDbPassword;
    std::u16string moVaultName;
    std::u16string moUserName;
    LONG mlCaller = 0;  // -1 from the login object, 0 from the login dialog
};

// A vault folder ("project"): its id first.
struct SpProjectData {
    LONG mlProjectID = 0;
    SpStr moName;
};
static_assert(offsetof(SpProjectData, moName) == 8);
