#include "dest_folder.h"

#include "common/error_codes.h"
#include "tesspur/tesspur.h"
#include "winapi/errors.h"

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
