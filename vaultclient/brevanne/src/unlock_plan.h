// What an unlock run goes over: the documents its objects name, read from the
// vault database in one read transaction.
//
// An object names a document (an item, or a file) by its id and the folder
// it lies in (folder 0: wherever it lies): that document heads a group, and
// an item brings the live files it links to. A bill of materials named so
// has no check-out of its own and brings nothing. A folder (file id 0) stands
// for every live document below it that is checked out to the user in the
// view, each heading its own group. A document named twice is taken once,
// the first time.
#pragma once

#include "winapi/types.h"

#include <cstdint>
#include <string>
#include <vector>

namespace vaultdb {
class Database;
}

namespace brevanne {

// Who works where, as the start record says.
struct UnlockWorker {
    LONG userId = 0;
    std::u16string viewGuidText;  // as locks.view_guid holds it (winapi::GuidToString)
    std::u16string viewPath;      // the view's local folder, in the system's path form
};

// One object of the start: UnlockFileRecord's ids.
struct UnlockTarget {
    LONG fileId = 0;
    LONG folderId = 0;
};

// Where a document is checked out, seen from the worker.
enum class LockPlace { kNone, kHere, kElsewhere };

struct PlannedDocument {
    LONG id = 0;
    LONG docType = 0;  // 4 item, 6 file
    std::u16string name;
    std::u16string folderPath;  // the vault path of its folder, "\A\B\"
    LONG latestVersion = 0;
    bool hasContents = false;  // the latest version has an archive file
    int64_t size = 0;          // its size
    double modifiedUtc = 0;    // its stored time
    LockPlace lock = LockPlace::kNone;
    LONG lockUserId = 0;
    std::u16string lockViewGuid;
    std::u16string lockUserName;
    std::u16string lockComputer;
};

struct PlannedGroup {
    PlannedDocument head;
    std::vector<PlannedDocument> files;  // an item's linked files
};

// The groups of `targets`, in their order. Raises E_OXN_FILE_NOT_FOUND for
// an object that is no live document or bill of materials there,
// E_OXN_FOLDER_NOT_FOUND for an unknown folder, and the database's failures.
std::vector<PlannedGroup> ReadUnlockPlan(vaultdb::Database& database, const UnlockWorker& worker,
                                         const std::vector<UnlockTarget>& targets);

// The number of documents of `groups`.
LONG CountDocuments(const std::vector<PlannedGroup>& groups);

}  // namespace brevanne
