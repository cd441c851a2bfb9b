#include "dest_folder.h"

#include "destination_path.h"

#include "common/error_codes.h"
#include "tesspur/tesspur.h"
#include "ui/window_functions.h"
#include "winapi/errors.h"

#include <cstdint>
#include <optional>

namespace coravent {

HWND ghOwnerWindow(ULONGLONG handle) {
    HWND window = reinterpret_cast<HWND>(static_cast<uintptr_t>(handle));
    return window && IsWindow(window) ? window : nullptr;
}

std::u16string goDestFolderCaption() { return TSS_internal(30, u"TS", u"Halvaran", u"Select Destination Folder"); }

LONG glFindOrAddItemsRoot(const std::function<HRESULT(LONG* id)>& lookup,
                          const std::function<HRESULT(SpProjectData& folder)>& add, HRESULT& failure) {
    failure = S_OK;
    for (int round = 0;; ++round) {
        LONG id = 0;
        if (HRESULT hr = lookup(&id); FAILED(hr)) {
            failure = hr;
            return 0;
        }
        if (id != 0) return id;
        // A folder that exists for the creation but not for the lookup, or
        // a creation that gives no id, would keep this going for ever.
        if (round == kItemsRootRetries) break;
        SpProjectData folder;
        folder.moName = u"<items>";
        const HRESULT hr = add(folder);
        if (hr == E_OXN_NAME_ALREADY_EXISTS) continue;
        if (FAILED(hr)) {
            failure = hr;
            return 0;
        }
        if (folder.mlProjectID != 0) return folder.mlProjectID;
    }
    failure = E_OXN_FOLDER_NOT_FOUND;
    return 0;
}

std::u16string goItemsBasePath(std::u16string_view rootPath) {
    std::u16string basePath(rootPath);
    if (basePath.empty() || basePath.back() != u'\\') basePath += u'\\';
    return basePath + u"<items>";
}

LONG glInitialDestFolder(std::u16string_view rootPath, const WCHAR* currentPath, LONG destFolderId, LONG itemsRootId,
                         const std::function<HRESULT(LONG* id, const WCHAR* vaultPath)>& lookup) {
    const LONG initialId = destFolderId < 2 ? itemsRootId : destFolderId;
    if (!currentPath) return initialId;
    // The root itself ("\\<items>\\") keeps the folder chosen so far.
    const std::optional<std::u16string> vaultPath = DestinationVaultPath(rootPath, currentPath);
    if (!vaultPath || *vaultPath == u"\\<items>\\") return initialId;
    LONG id = 0;
    return SUCCEEDED(lookup(&id, vaultPath->c_str())) && id != 0 ? id : initialId;
}

}  // namespace coravent
