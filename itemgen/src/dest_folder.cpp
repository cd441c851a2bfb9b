#include "dest_folder.h"

#include "common/error_codes.h"
#include "tesspur/tesspur.h"
#include "winapi/errors.h"
#include "winapi/shell_paths.h"

namespace {

std::u16string_view WithoutTrailingBackslashes(std::u16string_view path) {
    while (!path.empty() && path.back() == u'\\') path.remove_suffix(1);
    return path;
}

}  // namespace

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
    // A view root normally ends in a backslash, which a path below it has
    // once only: the root is compared without it.
    const std::u16string rootWithSeparator = std::u16string(WithoutTrailingBackslashes(rootPath)) + u'\\';
    const std::u16string_view current(currentPath);
    if (current.size() <= rootWithSeparator.size() ||
        StrCmpNIW(currentPath, rootWithSeparator.c_str(), static_cast<int>(rootWithSeparator.size())) != 0)
        return initialId;
    std::u16string vaultPath = u"\\<items>" + std::u16string(current.substr(rootWithSeparator.size() - 1));
    if (vaultPath.back() != u'\\') vaultPath += u'\\';
    LONG id = 0;
    return SUCCEEDED(lookup(&id, vaultPath.c_str())) && id != 0 ? id : initialId;
}
