// The tree handler's destination item folder: the items root, found or
// made, and the user's choice of a folder below it through the
// project-selection library.
#include "dest_folder.h"
#include "sel_proj_dlg.h"
#include "xref_tree_handler.h"

#include "com/bstr.h"
#include "common/error_catalogue.h"
#include "common/error_codes.h"
#include "ui/message_box.h"
#include "vennacle/sp_project.h"
#include "winapi/errors.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace coravent {

namespace {

constexpr WCHAR kItemsRootPath[] = u"\\<items>\\";

}  // namespace

LONG CXRefTreeHandler::mlGetItemsRootID(ULONGLONG hWnd) {
    if (mlItemsRootID != 0) return mlItemsRootID;
    SpProject* project = mpoSpMgr ? mpoSpMgr->mpoGetProject() : nullptr;
    HRESULT failure = E_OXN_NOT_INITIALIZED;
    if (project) {
        mlItemsRootID = glFindOrAddItemsRoot(
            [&](LONG* id) { return project->mhGetProjectIDFromDbPath(id, kItemsRootPath); },
            [&](SpProjectData& folder) { return project->mhAddProject(1, 2, folder, 2, false, false); }, failure);
    }
    if (mlItemsRootID == 0) {
        const std::u16string text = ErrorText(failure);
        const std::u16string caption = goDestFolderCaption();
        MessageBoxW(ghOwnerWindow(hWnd), text.c_str(), caption.c_str(), MB_ICONERROR);
    }
    return mlItemsRootID;
}

bool CXRefTreeHandler::mbChooseDestFolder(ULONGLONG hWnd, const WCHAR* pszCurrentPath) {
    const LONG itemsRootId = mlGetItemsRootID(hWnd);
    const std::u16string_view rootPath = com::BstrView(moRootPath.m_str);
    SpProject* project = mpoSpMgr ? mpoSpMgr->mpoGetProject() : nullptr;
    const LONG initialId = glInitialDestFolder(
        rootPath, project ? pszCurrentPath : nullptr, mlDestFolderID, itemsRootId,
        [&](LONG* id, const WCHAR* vaultPath) { return project->mhGetProjectIDFromDbPath(id, vaultPath); });

    SelProjDlg dialog;
    dialog.mhParentWnd = hWnd;
    dialog.mlInitialFolderID = initialId;
    dialog.mlItemsRootID = itemsRootId;
    if (mpoSpMgr) {
        mpoSpMgr->AddRef();
        dialog.mpoSpMgr.reset(mpoSpMgr.get());
    }
    dialog.moBasePath = goItemsBasePath(rootPath).c_str();
    dialog.moCaption = goDestFolderCaption().c_str();
    dialog.moOutString = u"";
    dialog.mlUserID = mlUserID;
    const LONG chosen = dialog.mlRun();
    if (chosen == 0) return false;
    mlDestFolderID = chosen;
    return true;
}

}  // namespace coravent
