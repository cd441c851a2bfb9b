// Identities of the vault client's unlock component BrevanneLib
// ("Brevanne.dll"): the unlock command, which checks files in or undoes
// their check-out (the check-in comment is asked by the file-reference
// dialog of CASTAVYLib, castavy/ids.h). Callers create it by CLSID (any
// context), put it into its running state (OleRun) and ask for the
// interfaces of brevanne/interfaces.h.
#pragma once

#include "com/unknown.h"
#include "winapi/types.h"

namespace BrevanneLib {

// The library under which the component describes its file record
// (brevanne/records.h), version 1.0.
inline constexpr GUID LIBID_BrevanneLib = com::MakeGuid("8C7B5673-EC08-4E8B-88E0-33943ED35DDD");
inline constexpr WORD kLibraryMajorVersion = 1;
inline constexpr WORD kLibraryMinorVersion = 0;

// The unlock command (IUnlockCommand, IUnlockStart; for the dialog
// CASTAVYLib's IFileRefCmd3 and IUnlockCommandKind).
inline constexpr CLSID CLSID_UnlockCommand = com::MakeGuid("1B1579E6-F8B4-4F8B-AB53-87111A020F2E");

// The commands IUnlockCommand::SetCommand takes.
inline constexpr LONG kCommandCheckIn = 137;
inline constexpr LONG kCommandUndoCheckOut = 142;

// The question kinds IUnlockOpCallback::Question asks.
inline constexpr LONG kQuestionDuplicatedUnique = 1;  // a unique card variable has a value another file has
inline constexpr LONG kQuestionMandatoryMissing = 2;  // a mandatory card variable has no value
inline constexpr LONG kQuestionUnknownFormat = 3;     // the local file cannot be read, or is empty
inline constexpr LONG kQuestionElsewhereUndo = 5;     // undo a check-out made elsewhere (user, computer, view)?
inline constexpr LONG kQuestionOtherUserCheckIn = 8;  // check in a file checked out elsewhere (user, view)?

// The replies IUnlockOpCallback::Question gives. Any other reply stops the run.
inline constexpr LONG kReplyGoOn = 0;          // kinds 1 (keep the value), 2, 3, 5, 8: go on with the file
inline constexpr LONG kReplyCancel = 1;        // stop: nothing more is changed
inline constexpr LONG kReplyClearValue = 10;   // kind 1: clear the duplicated value in the new version
inline constexpr LONG kReplySkipFile = 11;     // kinds 3, 5, 8: leave this file as it is
inline constexpr LONG kReplyUnknownKind = -1;  // a kind the callback does not know: stops the run

}  // namespace BrevanneLib
