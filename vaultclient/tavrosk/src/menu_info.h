// The menu information of a selection: what the explorer may offer on the
// selected folders, items, files and BOMs (bellquist/menu_info.h gives the
// meanings of the words), read from the vault for the session's user in the
// session's view.
#pragma once

#include "winapi/types.h"

struct SAFEARRAY;

namespace tavrosk {

class ClientSession;

// Where the answers go. The two words are always filled; an array whose
// pointer is null is not asked for. On success every asked array is a new
// array for the caller to destroy; on failure every asked array is null and
// both words 0.
struct MenuInfoAnswer {
    ULONG* enableFlags = nullptr;
    ULONG* userRights = nullptr;
    SAFEARRAY** systemRights = nullptr;  // SAFEARRAY(UINT), VT_UINT
    SAFEARRAY** versions = nullptr;      // SAFEARRAY(MenuVersionInfo)
    SAFEARRAY** transitions = nullptr;   // SAFEARRAY(MenuTransitionInfo)
    SAFEARRAY** states = nullptr;        // SAFEARRAY(MenuStatusNotificationInfo)
};

// The menu information of `documents` (SAFEARRAY(UniqueDocument): a folder
// by mlObjectTypeID 0 and its id in mlParentProjectID, a file 1, a BOM 3 and
// an item 4 by mlDocumentID), read in one transaction:
// - enable flags, the OR over the documents. Items and files only: checked
//   out to this user in this view MenuEnable_CheckIn, to another user
//   MenuEnable_CheckedOutByOther, to anyone MenuEnable_CheckedOut, else
//   MenuEnable_CheckedIn; MenuEnable_VersionsAvailable when it has a version;
//   MenuEnable_IncrementRevision when the user may write it
//   (UserRight_Write).
// - user rights, the AND over the documents of the user's rights on each
//   (UserRightsOn).
// - the user's system rights as the vault holds them (1028, ...).
// - versions, for a single item or file only (else empty): its versions
//   newest first with their comments, then the revisions it was given
//   (each at the version that first carries it), newest first, then its
//   labels, newest first.
// - transitions: every workflow transition that leaves the current state of
//   a document of the selection, once per name (mbIsRevoke false,
//   mlCommitsNum 0, mlRequiredNum -1); folders and BOMs have none.
// - states: one record per document in the order given: its id (a folder's
//   own), the type as given, the user who has it checked out (0 for none)
//   and its state's name (empty for none).
// `what` (the caller's choice of lists) is taken but does not change the
// answer: every asked array is filled.
// Raises E_INVALIDARG for a null or empty list; E_OXN_INVALID_TYPE for
// another type; E_OXN_FOLDER_NOT_FOUND, E_OXN_FILE_NOT_FOUND (files and
// items) and E_OXN_BOM_NOT_FOUND for an object the vault does not hold (or
// no longer: deleted); failures of the database.
void ReadMenuInfo(const ClientSession& session, SAFEARRAY* documents, ULONG what, const MenuInfoAnswer& answer);

}  // namespace tavrosk
