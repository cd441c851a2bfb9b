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
#include "winapi/shell_paths.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace {

constexpr WCHAR kItemsRootPath[] = u"\\<items>\\";

HWND WindowOf(ULONGLONG handle) { return reinterpret_cast<HWND>(static_cast<uintptr_t>(handle)); }

std::u16string_view WithoutTrailingBackslashes(std::u16string_view path) {
    while (!path.empty() && path.back() == u'\\') path.remove_suffix(1);
    return path;
}

}  // namespace

namespace coravent {

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
        MessageBoxW(WindowOf(hWnd), text.c_str(), caption.c_str(), MB_ICONERROR);
    }
    return mlItemsRootID;
}

bool CXRefTreeHandler::mbChooseDestFolder(ULONGLONG hWnd, const WCHAR* pszCurrentPath) {
    const LONG itemsRootId = mlGetItemsRootID(hWnd);
    const std::u16string_view rootPath = com::BstrView(moRootPath.m_str);

    std::u16string basePath(rootPath);
    if (basePath.empty() || basePath.back() != u'\\') basePath += u'\\';
    basePath += u"<items>";

    LONG initialId = mlDestFolderID < 2 ? itemsRootId : mlDestFolderID;
    // A current path below the root names its folder: "<root>\Parts" is
    // "\<items>\Parts\". The root is compared without its trailing
    // backslashes, which a view root normally has; the root itself, with
    // or without a backslash, names no folder of its own.
    const std::u16string root(WithoutTrailingBackslashes(rootPath));
    const std::u16string rootWithSeparator = root + u'\\';
    SpProject* project = mpoSpMgr ? mpoSpMgr->mpoGetProject() : nullptr;
    if (pszCurrentPath && project) {
        const std::u16string_view current(pszCurrentPath);
        if (current.size() > rootWithSeparator.size() &&
            StrCmpNIW(pszCurrentPath, rootWithSeparator.c_str(), static_cast<int>(rootWithSeparator.size())) == 0) {
            std::u16string tail(current.substr(root.size()));
            if (tail.back() != u'\\') tail += u'\\';
            LONG id = 0;
            if (SUCCEEDED(project->mhGetProjectIDFromDbPath(&id, (u"\\<items>" + tail).c_str())) && id != 0)
                initialId = id;
        }
    }

    SelProjDlg dialog;
    dialog.mhParentWnd = hWnd;
    dialog.mlInitialFolderID = initialId;
    dialog.mlItemsRootID = itemsRootId;
    if (mpoSpMgr) {
        mpoSpMgr->AddRef();
        dialog.mpoSpMgr.reset(mpoSpMgr.get());
    }
    dialog.moBasePath = basePath.c_str();
    dialog.moCaption = goDestFolderCaption().c_str();
    dialog.moOutString = u"";
    dialog.mlUserID = mlUserID;
    const LONG chosen = dialog.mlRun();
    if (chosen == 0) return false;
    mlDestFolderID = chosen;
    return true;
}

}  // namespace coravent
