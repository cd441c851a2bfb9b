#include "vennacle/sp_project.h"

#include "vennacle/sp_query.h"
#include "sp_queries.h"
#include "common/error_codes.h"
#include "vaultdb/errors.h"
#include "vaultdb/schema.h"
#include "vaultdb/transaction.h"
#include "vennacle/vault_rows.h"
#include "winapi/text.h"

#include <algorithm>

using namespace vennacle;

HRESULT SpProject::mhGetProjectIDFromDbPath(LONG* projectId, const WCHAR* vaultPath) {
    if (!projectId) return E_POINTER;
    *projectId = 0;
    if (!vaultPath) return E_INVALIDARG;
    std::u16string path(vaultPath);
    if (path.empty() || path.back() != u'\\') path += u'\\';
    return SpBoundary([&] {
        SpQuery query(moDatabase, "SELECT id FROM folders WHERE path_key = ?");
        query.Bind(vaultdb::FoldKey(path));
        if (query.Next()) *projectId = query.Int(0);
    });
}

HRESULT SpProject::mhGetProjectPath(LONG projectId, SpStr* vaultPath) {
    if (!vaultPath) return E_POINTER;
    return SpBoundary([&] {
        SpQuery query(moDatabase, "SELECT vault_path FROM folders WHERE id = ?");
        query.Bind(projectId);
        if (!query.Next()) SpRaise(E_OXN_FOLDER_NOT_FOUND);
        *vaultPath = query.Text(0);
    });
}

HRESULT SpProject::mhGetSubProjects(LONG projectId, std::vector<SpProjectData>& folders) {
    return SpBoundary([&] {
        std::vector<SpProjectData> found;
        SpQuery query(moDatabase, "SELECT id, name FROM folders WHERE parent_id = ? ORDER BY id");
        query.Bind(projectId);
        while (query.Next()) {
            SpProjectData& folder = found.emplace_back();
            folder.mlProjectID = query.Int(0);
            folder.moName = query.Text(1);
        }
        std::stable_sort(found.begin(), found.end(), [](const SpProjectData& a, const SpProjectData& b) {
            return winapi::CompareIgnoreCase(a.moName.View(), b.moName.View()) < 0;
        });
        folders = std::move(found);
    });
}

HRESULT SpProject::mhAddProject(LONG parentId, LONG, SpProjectData& project, LONG, bool, bool) {
    const std::u16string_view name = project.moName.View();
    if (name.empty() || name.find_first_of(u"\\/") != std::u16string_view::npos) return E_OXN_INVALID_NAME;
    LONG newId = 0;
    const HRESULT hr = SpBoundary([&] {
        // The write lock is taken first, so that the check for an existing
        // folder and the insert see the same vault.
        vaultdb::Transaction transaction(moDatabase);
        if (HRESULT begun = transaction.Begin(); FAILED(begun)) SpRaise(begun);

        newId = InsertFolder(moDatabase, parentId, name, 0, NowUtc());
        if (HRESULT committed = transaction.Commit(); FAILED(committed)) SpRaise(committed);
    });
    // Another connection may win the race between check and insert.
    if (hr == vaultdb::VDB_E_CONSTRAINT) return E_OXN_NAME_ALREADY_EXISTS;
    if (SUCCEEDED(hr)) project.mlProjectID = newId;
    return hr;
}
