// One folder choice of gbSelProj, behind the export's C interface.
#pragma once

#include "winapi/types.h"

#include <string>

class SpMgr;

namespace yandrel {

struct FolderChoice {
    HWND owner = nullptr;
    LONG initialFolderId = 0;
    LONG itemsRootId = 0;     // 0: the vault's "\<items>\"
    SpMgr* spMgr = nullptr;   // Not owned.
    std::u16string basePath;  // stands for the items root in the paths shown
    std::u16string caption;
};

// Reads the item folders, runs the folder dialog and returns the chosen
// folder's id with its vault path in `vaultPath`; 0 (and `vaultPath`
// unchanged) when the user cancelled, there is no connection or no items
// root, or the folders could not be read (told in a message box).
LONG ChooseItemFolder(const FolderChoice& choice, std::u16string& vaultPath);

}  // namespace yandrel
