// The meanings of the words that IItmManager::GetMenuInfo fills in: the
// enable flags of a selection, the user's rights on it and the system right
// the explorer tests. The client library computes them; the explorer enables
// its commands by them.
#pragma once

#include "winapi/types.h"

namespace BellquistLib {

// Enable flags: what the selection's state allows.
enum MenuEnableFlag : ULONG {
    MenuEnable_IncrementRevision = 0x1,     // its revision can be incremented
    MenuEnable_CheckIn = 0x2,               // checked out to this user in this view
    MenuEnable_CheckedOutByOther = 0x8,     // checked out by someone else (checking it in needs
                                            // SystemRight_CheckInForOthers)
    MenuEnable_CheckedIn = 0x20,            // not checked out: can be checked out
    MenuEnable_CheckedOut = 0x40,           // checked out, by anyone
    MenuEnable_VersionsAvailable = 0x1000,  // it has versions to get
};

// User rights on the selection's objects.
enum MenuUserRight : ULONG {
    UserRight_Create = 0x1,               // new folders and items
    UserRight_DeleteDocuments = 0x4,      // delete items and BOMs
    UserRight_Write = 0x8,                // new items, rename
    UserRight_DeleteFolders = 0x40,       // delete folders
    UserRight_CreateFolders = 0x1000000,  // new folders
};
// A user without a rights entry on an object or any folder above it holds
// them all.
inline constexpr ULONG kAllUserRights =
    UserRight_Create | UserRight_DeleteDocuments | UserRight_Write | UserRight_DeleteFolders | UserRight_CreateFolders;

// The system right that lets a user check in what another user checked out.
inline constexpr UINT kSystemRightCheckInForOthers = 1028;

}  // namespace BellquistLib
