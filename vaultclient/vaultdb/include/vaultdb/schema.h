// The schema of a vault database, version by version. Migrations run at
// open (OpenVaultDatabase), each step in its own transaction; version 1 is
// the initial schema below. The SQL is portable (types INTEGER, BIGINT,
// DOUBLE PRECISION, TEXT; partial indexes; RETURNING); only the id column
// type comes from the backend.
//
// Conventions of every table:
// - ids are int32 (the system's identifiers); uint32 bit words are BIGINT;
// - texts are UTF-16 at the interface; "*_key" columns hold FoldKey(text), so
//   that case-insensitive lookups and uniqueness work the same in every
//   backend and for every letter (not only ASCII);
// - GUIDs are TEXT "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" in upper case;
// - times are DOUBLE PRECISION: an automation DATE (days since 1899-12-30) in
//   UTC, as the system's records carry them;
// - flags are INTEGER 0/1; "config id -1" means no configuration.
//
// Tables of version 1:
// schema_version     one row per applied migration step (version, applied time).
// vault              the single row (id 1): vault GUID, name, vault type,
//                    database version (2801), date format, root item-folder id
//                    (null until "<items>" exists), archive server id, and
//                    the database credentials (user, password hash).
// views              local working copies: view GUID, root path, computer,
//                    owning user.
// users              name (unique by name_key), full name, salted password
//                    hash (password_hash.h), "refresh cache on login" flag,
//                    deleted flag (users are never removed: history names them).
// user_system_rights one row per system right value of a user (1028, ...).
// object_rights      per-object rights bit word of a user on (type, id).
// sessions           logins: id = the login value handed to the client; user,
//                    computer, program type, verification value, times.
// folders            projects: id, parent, name, vault path "\A\B\" (unique by
//                    path_key). Root project id 1 path "\" (made by version 1);
//                    item folders live under "\<items>\", which is created on
//                    demand (a second add is refused by path_key).
// documents          files (type 6) and items (type 4, "<name>.<item>"):
//                    folder, name (unique in its folder while not deleted;
//                    items unique in the vault), object flags, linked file
//                    name, alternate name, domain, workflow state, latest
//                    version, cut-list flag, deleted flag. A destroyed
//                    document's row is removed (see deleted_objects).
// document_versions  version n of a document: archive file name (relative to
//                    the archive folder, null for a version without content),
//                    size, modified time, comment, user, state and revision
//                    at that version.
// configurations     named configurations of a document (id, name).
// variables          card variable definitions (name, value type, unique and
//                    mandatory flags).
// variable_values    card values per document version and configuration:
//                    text and/or DATE.
// items              item data of an item document: item number, item name,
//                    revision, the counter (serial number) it consumed.
// links              parent item -> child {type 4 item / 6 file / 7 BOM /
//                    8 cut list, id, config id}: link type (1 dynamic - at
//                    most one per item, 2 static, 3 BOM, ...), link operation
//                    (1 none ... 6 dirty), attached version of the child.
// boms, bom_rows     bills of materials of a document configuration and
//                    their rows (position, child document, quantity, item
//                    number text).
// cut_lists, cut_list_rows  cut lists of a document configuration and rows.
// workflows, workflow_states, workflow_transitions  a workflow, its named
//                    states (one initial), and named transitions from one
//                    state to another (revision increment flag).
// locks              check-out of a document: user, view GUID, computer,
//                    locked path, time (one lock per document).
// history            action on an object (type, id, version) by a user at a
//                    time, with a comment (version comment, revision or label text).
// counters           serial numbers: name, state free / reserved / spent,
//                    reserved by (user, view, kind), spent by item id.
// deleted_objects    log of deletions and destructions: type, id, destroyed
//                    flag, folder, name, user, time (read by tree refreshes).
//
// Tables of version 2:
// file_references    what a CAD file references (an assembly its parts and
//                    sub-assemblies): parent document, child document, the
//                    child's configuration by name (null: none), static flag
//                    (the child goes with the parent as it is, e.g. a drawing
//                    of an assembly). A child referenced n times has n rows;
//                    a document never references itself.
#pragma once

#include <string>
#include <string_view>

namespace vaultdb {

class Database;

// The newest schema version this program knows.
int LatestSchemaVersion();

// The text of a case-insensitive key column ("name_key", "path_key"): the
// text folded to lower case code unit by code unit (winapi::FoldCase).
std::u16string FoldKey(std::u16string_view text);

// The database version the system accepts at login (major x 100 + minor).
constexpr int kVaultDatabaseVersion = 2801;
// The root project (vault path "\").
constexpr int kRootFolderId = 1;

// Object types of the system (ItmObjectType).
enum ObjectType : int {
    kObjectRootItemFolder = 1,
    kObjectVault = 2,
    kObjectItemFolder = 3,
    kObjectItem = 4,
    kObjectProject = 5,
    kObjectFile = 6,
    kObjectBom = 7,
    kObjectCutList = 8,
};

// Link types (ItmLinkType) and link operations (ItmLinkOperation).
enum LinkType : int { kLinkDynamic = 1, kLinkStatic = 2, kLinkBom = 3, kLinkFiles = 4, kLinkItemFolder = 5 };
enum LinkOperation : int {
    kLinkOpNone = 1,
    kLinkOpNew = 2,
    kLinkOpRemove = 3,
    kLinkOpDelete = 4,
    kLinkOpSwitch = 5,
    kLinkOpDirty = 6,
};

// counters.state
enum CounterState : int { kCounterFree = 0, kCounterReserved = 1, kCounterSpent = 2 };

// history.action
enum HistoryAction : int {
    kHistoryAdd = 1,
    kHistoryCheckIn = 2,
    kHistoryCheckOut = 3,
    kHistoryUndoCheckOut = 4,
    kHistoryChangeState = 5,
    kHistoryRevision = 6,
    kHistoryLabel = 7,
    kHistoryRename = 8,
    kHistoryMove = 9,
    kHistoryDelete = 10,
    kHistoryDestroy = 11,
    kHistoryRestore = 12,
};

// variables.value_type
enum VariableType : int { kVariableText = 1, kVariableNumber = 2, kVariableDate = 3, kVariableYesNo = 4 };

}  // namespace vaultdb
