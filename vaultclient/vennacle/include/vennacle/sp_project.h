// SpProject: the vault's folders ("projects") by vault path. The root folder
// is "\" (id 1); item folders live below "\<items>\". Paths begin and end
// with a backslash and compare without regard to case.
#pragma once

#include "vennacle/sp_records.h"
#include "winapi/types.h"

#include <vector>

namespace vaultdb {
class Database;
}

class SpProject {
public:
    explicit SpProject(vaultdb::Database& database) : moDatabase(database) {}

    // The folder's id, 0 when there is no folder of that path. A missing
    // trailing backslash is added. E_POINTER / E_INVALIDARG for null arguments.
    HRESULT mhGetProjectIDFromDbPath(LONG* projectId, const WCHAR* vaultPath);

    // The folder's vault path ("\<items>\Parts\"). E_OXN_FOLDER_NOT_FOUND for
    // an unknown id.
    HRESULT mhGetProjectPath(LONG projectId, SpStr* vaultPath);

    // The folders directly below `projectId` (id and name), ordered by name
    // without regard to case; none for a folder without sub-folders or an
    // unknown id. `folders` is replaced only on success.
    HRESULT mhGetSubProjects(LONG projectId, std::vector<SpProjectData>& folders);

    // Creates the folder `project.moName` below the folder `parentId` and
    // writes its id into `project.mlProjectID`. E_OXN_NAME_ALREADY_EXISTS when
    // the parent holds a folder of that name already, E_OXN_FOLDER_NOT_FOUND
    // for an unknown parent, E_OXN_INVALID_NAME for a name that is empty or
    // holds a backslash. The kind, the rights source and the two flags are the
    // callers' (they pass 2, 2, false, false); the vault gives every folder the
    // same treatment.
    HRESULT mhAddProject(LONG parentId, LONG projectKind, SpProjectData& project, LONG rightsSource, bool flag1,
                         bool flag2);

private:
    vaultdb::Database& moDatabase;  // Not owned: the connection's.
};
