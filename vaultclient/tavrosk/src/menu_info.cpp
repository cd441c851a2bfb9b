#include "menu_info.h"

#include "bellquist/enums.h"
#include "bellquist/menu_info.h"
#include "bellquist/records.h"
#include "client_session.h"
#include "com/owned_safearray.h"
#include "com/safearray.h"
#include "common/com_errors.h"
#include "common/error_codes.h"
#include "common/lst.h"
#include "common/record_array.h"
#include "record_strings.h"
#include "tavrosk/ids.h"
#include "user_rights.h"
#include "vault_objects.h"
#include "vaultdb/database.h"
#include "vaultdb/schema.h"
#include "vaultdb/statement.h"
#include "vaultdb/transaction.h"
#include "vennacle/sp_mgr.h"
#include "vennacle/sp_user.h"
#include "winapi/errors.h"

#include <memory>
#include <set>
#include <string>
#include <vector>

namespace tavrosk {

namespace {

using BellquistLib::MenuStatusNotificationInfo;
using BellquistLib::MenuTransitionInfo;
using BellquistLib::MenuVersionInfo;
using BellquistLib::UniqueDocument;

// UniqueDocument::mlObjectTypeID.
enum DocumentKind : LONG { kKindFolder = 0, kKindFile = 1, kKindBom = 3, kKindItem = 4 };

struct VersionEntry {
    BellquistLib::MenuVersionType type;
    LONG version;
    std::u16string text;
};

struct Transition {
    std::u16string name;
    std::u16string key;
};

template <class Record>
void CreateRecords(RecordArray<Record>& array, size_t count) {
    array.mvCreate(static_cast<ULONG>(count), TavroskClientLib::LIBID_TavroskClientLib,
                   TavroskClientLib::kLibraryMajorVersion, TavroskClientLib::kLibraryMinorVersion);
}

// The vault object a document of the selection names.
const VaultObject& FindDocument(VaultReader& reader, const UniqueDocument& document) {
    const VaultObject* object = nullptr;
    switch (document.mlObjectTypeID) {
    case kKindFolder:
        object = reader.Find(vaultdb::kObjectItemFolder, document.mlParentProjectID);
        if (!object) gvRaiseComError(E_OXN_FOLDER_NOT_FOUND, u"A folder of the selection is not in the vault.");
        break;
    case kKindFile:
    case kKindItem:
        object = reader.Find(document.mlObjectTypeID == kKindFile ? vaultdb::kObjectFile : vaultdb::kObjectItem,
                             document.mlDocumentID);
        if (!object) gvRaiseComError(E_OXN_FILE_NOT_FOUND, u"A document of the selection is not in the vault.");
        break;
    case kKindBom:
        object = reader.Find(vaultdb::kObjectBom, document.mlDocumentID);
        if (!object) gvRaiseComError(E_OXN_BOM_NOT_FOUND, u"A bill of materials of the selection is not in the vault.");
        break;
    default:
        gvRaiseComError(E_OXN_INVALID_TYPE, u"The selection holds an object of a type without menu information.");
    }
    return *object;
}

bool IsDocument(const VaultObject& object) {
    return object.type == vaultdb::kObjectItem || object.type == vaultdb::kObjectFile;
}

// What the state of one item or file allows; folders and BOMs allow none of it.
ULONG EnableFlags(const VaultObject& object, ULONG rights, const ClientSession& session) {
    using namespace BellquistLib;
    if (!IsDocument(object)) return 0;
    ULONG flags = 0;
    if (object.lockedBy == 0) {
        flags |= MenuEnable_CheckedIn;
    } else {
        flags |= MenuEnable_CheckedOut;
        if (object.lockedBy != session.UserId())
            flags |= MenuEnable_CheckedOutByOther;
        else if (object.lockViewId == session.ViewGuid())
            flags |= MenuEnable_CheckIn;
        // Checked out by this user in another view: only that view checks it in.
    }
    if (object.latestVersion > 0) flags |= MenuEnable_VersionsAvailable;
    if (rights & UserRight_Write) flags |= MenuEnable_IncrementRevision;
    return flags;
}

// The versions of a document newest first, then the revisions it was given
// and its labels, each newest first. A revision counts once, at the version
// that first carries it: versions checked in later keep the revision they
// were made under.
std::vector<VersionEntry> VersionList(vaultdb::Database& database, const VaultObject& document) {
    std::vector<VersionEntry> versions, revisions, labels;
    std::unique_ptr<vaultdb::Statement> rows = PrepareStatement(
        database, "SELECT version, comment, revision FROM document_versions WHERE document_id = ? ORDER BY version");
    rows->BindInt32(1, document.id);
    std::u16string previousRevision;
    while (NextRow(database, *rows)) {
        const LONG version = rows->ColumnInt32(0);
        versions.push_back({BellquistLib::MenuVersionType_Version, version, rows->ColumnText(1)});
        std::u16string revision = rows->ColumnText(2);
        if (!revision.empty() && revision != previousRevision)
            revisions.push_back({BellquistLib::MenuVersionType_Revision, version, revision});
        previousRevision = std::move(revision);
    }
    rows =
        PrepareStatement(database,
                         "SELECT version, comment FROM history WHERE action = ? AND object_type = ? AND object_id = ? "
                         "ORDER BY id DESC");
    rows->BindInt32(1, vaultdb::kHistoryLabel);
    rows->BindInt32(2, document.type);
    rows->BindInt32(3, document.id);
    while (NextRow(database, *rows))
        labels.push_back({BellquistLib::MenuVersionType_Label, rows->ColumnInt32(0), rows->ColumnText(1)});

    std::vector<VersionEntry> list(versions.rbegin(), versions.rend());
    list.insert(list.end(), revisions.rbegin(), revisions.rend());
    list.insert(list.end(), labels.begin(), labels.end());
    return list;
}

// The user's system rights as an array of UINT.
com::OwnedSafeArray SystemRights(const ClientSession& session) {
    Lst<unsigned int> rights;
    const HRESULT hr = session.Connection().mpoGetUser()->mhGetSystemRights(session.UserId(), rights);
    if (FAILED(hr)) gvRaiseComError(hr, u"The user's system rights could not be read.");
    com::OwnedSafeArray array(SafeArrayCreateVector(VT_UINT, 0, static_cast<ULONG>(rights.GetCount())));
    if (!array) gvRaiseComError(E_OUTOFMEMORY, u"Out of memory for the system rights.");
    UINT* values = nullptr;
    if (FAILED(SafeArrayAccessData(array.get(), reinterpret_cast<void**>(&values))))
        gvRaiseComError(E_UNEXPECTED, ComErrorText::kCouldNotLockSafeArray);
    for (POSITION at = rights.GetHeadPosition(); at;) *values++ = rights.GetNext(at);
    SafeArrayUnaccessData(array.get());
    return array;
}

}  // namespace

void ReadMenuInfo(const ClientSession& session, SAFEARRAY* documents, ULONG /*what*/, const MenuInfoAnswer& answer) {
    if (!documents) gvRaiseComError(E_INVALIDARG, u"The menu information needs a list of documents.");
    RecordArray<UniqueDocument> selection(documents);
    if (selection.mlGetCount() == 0) gvRaiseComError(E_INVALIDARG, u"The menu information needs a document.");

    vaultdb::Database& database = session.Database();
    vaultdb::Transaction transaction(database);
    CheckDatabase(database, transaction.Begin());
    VaultReader reader(database);
    std::unique_ptr<vaultdb::Statement> leaving = PrepareStatement(
        database, "SELECT name, name_key FROM workflow_transitions WHERE from_state_id = ? ORDER BY name_key");

    ULONG enableFlags = 0;
    ULONG userRights = ~ULONG{0};
    std::vector<const VaultObject*> objects;
    std::vector<Transition> transitions;
    std::set<std::u16string> transitionKeys;
    for (const UniqueDocument* document = selection.mpoBegin(); document != selection.mpoEnd(); ++document) {
        const VaultObject& object = FindDocument(reader, *document);
        objects.push_back(&object);
        // The rights table keys every folder as an item folder.
        const LONG rightsType = IsFolderType(object.type) ? LONG{vaultdb::kObjectItemFolder} : object.type;
        const ULONG rights = UserRightsOn(database, session.UserId(), rightsType, object.id);
        userRights &= rights;
        enableFlags |= EnableFlags(object, rights, session);
        if (!answer.transitions || !IsDocument(object) || object.stateId == 0) continue;
        const vaultdb::ResetAtScopeEnd leavingDone(*leaving);
        leaving->BindInt32(1, object.stateId);
        while (NextRow(database, *leaving)) {
            Transition transition{leaving->ColumnText(0), leaving->ColumnText(1)};
            if (transitionKeys.insert(transition.key).second) transitions.push_back(std::move(transition));
        }
    }

    com::OwnedSafeArray systemRights;
    if (answer.systemRights) systemRights = SystemRights(session);
    RecordArray<MenuVersionInfo> versions;
    if (answer.versions) {
        std::vector<VersionEntry> entries;
        if (objects.size() == 1 && IsDocument(*objects[0])) entries = VersionList(database, *objects[0]);
        CreateRecords(versions, entries.size());
        MenuVersionInfo* record = versions.mpoBegin();
        for (const VersionEntry& entry : entries) {
            record->meType = entry.type;
            record->mlVersion = entry.version;
            record->moText = NewString(entry.text);
            ++record;
        }
    }
    RecordArray<MenuTransitionInfo> transitionArray;
    if (answer.transitions) {
        CreateRecords(transitionArray, transitions.size());
        MenuTransitionInfo* record = transitionArray.mpoBegin();
        for (const Transition& transition : transitions) {
            record->moName = NewString(transition.name);
            record->mbIsRevoke = VARIANT_FALSE;
            record->mlCommitsNum = 0;
            record->mlRequiredNum = -1;
            ++record;
        }
    }
    RecordArray<MenuStatusNotificationInfo> states;
    if (answer.states) {
        CreateRecords(states, objects.size());
        MenuStatusNotificationInfo* record = states.mpoBegin();
        const UniqueDocument* document = selection.mpoBegin();
        for (const VaultObject* object : objects) {
            record->mlDocumentID = object->id;
            record->mlObjectTypeID = document->mlObjectTypeID;
            record->mlLockedByUserID = object->lockedBy;
            record->moStateName = NewString(object->state);
            ++record;
            ++document;
        }
    }
    CheckDatabase(database, transaction.Rollback());  // read only: nothing to keep

    *answer.enableFlags = enableFlags;
    *answer.userRights = userRights;
    if (answer.systemRights) *answer.systemRights = systemRights.release();
    if (answer.versions) versions.mvHandOut(answer.versions);
    if (answer.transitions) transitionArray.mvHandOut(answer.transitions);
    if (answer.states) states.mvHandOut(answer.states);
}

}  // namespace tavrosk
