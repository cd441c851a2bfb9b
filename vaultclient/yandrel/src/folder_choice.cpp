#include "folder_choice.h"

#include "folder_dialog.h"
#include "item_folders.h"

#include "common/error_catalogue.h"
#include "ui/message_box.h"
#include "ui/window_messages.h"
#include "vennacle/sp_mgr.h"
#include "vennacle/sp_project.h"
#include "winapi/errors.h"

namespace yandrel {

LONG ChooseItemFolder(const FolderChoice& choice, std::u16string& vaultPath) {
    SpProject* project = choice.spMgr ? choice.spMgr->mpoGetProject() : nullptr;
    if (!project) return 0;
    const auto report = [&](HRESULT hr) {
        const std::u16string text = ErrorText(hr);
        MessageBoxW(choice.owner, text.c_str(), choice.caption.c_str(), MB_OK | MB_ICONERROR);
        return 0;
    };
    LONG rootId = choice.itemsRootId;
    if (rootId == 0) {
        // Without "\<items>\" there is nothing to choose; the caller has
        // told the user why it has no items root.
        if (HRESULT hr = project->mhGetProjectIDFromDbPath(&rootId, u"\\<items>\\"); FAILED(hr)) return report(hr);
        if (rootId == 0) return 0;
    }
    ItemFolderTree folders;
    if (HRESULT hr = folders.Load(*project, rootId); FAILED(hr)) return report(hr);

    const ui::DialogTemplate dialogTemplate = FolderDialog::MakeTemplate(choice.caption);
    FolderDialog dialog(dialogTemplate, folders, choice.basePath, choice.initialFolderId);
    if (dialog.DoModal(choice.owner) != IDOK) return 0;
    const ItemFolder* chosen = folders.Find(dialog.ChosenFolderId());
    if (!chosen) return 0;
    vaultPath = chosen->vaultPath;
    return chosen->id;
}

}  // namespace yandrel
