// libYandrel.so, the shared library that "Yandrel.dll" finds: its one
// export.
#include "yandrel/sel_proj.h"

#include "folder_choice.h"

#include "com/bstr.h"

#include <exception>

extern "C" __attribute__((visibility("default"))) LONG gbSelProj(HWND parent, LONG initialFolderId, LONG itemsRootId,
                                                                 ULONGLONG, ULONGLONG, SpMgr* spMgr, BSTR* basePath,
                                                                 BSTR* caption, BSTR* outPath, ULONGLONG*, void**,
                                                                 LONG*, LONG, BYTE, BYTE, BYTE) {
    // Nothing may leave a C export: a failure chooses nothing.
    try {
        yandrel::FolderChoice choice;
        choice.owner = parent;
        choice.initialFolderId = initialFolderId;
        choice.itemsRootId = itemsRootId;
        choice.spMgr = spMgr;
        if (basePath) choice.basePath = com::BstrView(*basePath);
        if (caption) choice.caption = com::BstrView(*caption);
        std::u16string vaultPath;
        const LONG chosen = yandrel::ChooseItemFolder(choice, vaultPath);
        if (chosen != 0 && outPath) {
            SysFreeString(*outPath);
            *outPath = SysAllocStringLen(vaultPath.data(), static_cast<UINT>(vaultPath.size()));
        }
        return chosen;
    } catch (const std::exception&) {
        return 0;
    }
}
