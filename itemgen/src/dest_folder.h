// The destination item folder's helpers shared by the folder choice and
// the destination-folder property of the tree handler.
#pragma once

#include "vennacle/sp_records.h"
#include "winapi/types.h"

#include <functional>
#include <string>
#include <string_view>

namespace coravent {

// The window a 64-bit handle names, as the owner of a message box or a
// dialog: null when it names no window (a window that is gone must not
// swallow the question).
HWND ghOwnerWindow(ULONGLONG handle);

// The caption of the destination-folder dialog and of the messages about
// the destination: text 30 of section "Halvaran", "Select Destination
// Folder" in English.
std::u16string goDestFolderCaption();

// How many times the items root is looked for again after its creation
// answered that it exists (E_OXN_NAME_ALREADY_EXISTS: someone else made it
// meanwhile) or gave no id.
inline constexpr int kItemsRootRetries = 3;

// The id of the items root "\<items>\": looked up with `lookup`, created
// with `add` (the folder record named "<items>") when missing, looked up
// again after a creation that found it existing. Returns the id, or 0 with
// the failure in `failure`: the failing call's HRESULT, or
// E_OXN_FOLDER_NOT_FOUND when the folder is still not found after
// kItemsRootRetries more lookups.
LONG glFindOrAddItemsRoot(const std::function<HRESULT(LONG* id)>& lookup,
                          const std::function<HRESULT(SpProjectData& folder)>& add, HRESULT& failure);

// The base path the folder dialog shows for the items root: `rootPath`, a
// backslash when it does not end in one, then "<items>".
std::u16string goItemsBasePath(std::u16string_view rootPath);

// The folder a destination choice starts at: the destination
// `destFolderId`, or `itemsRootId` when the destination is below 2; but when
// `currentPath` (may be null) lies below `rootPath` ("<root>\Parts"), the
// folder it names ("\<items>\Parts\", looked up with `lookup`) when there
// is one. The root is compared without its trailing backslashes and without
// regard to case; the root itself names no folder of its own.
LONG glInitialDestFolder(std::u16string_view rootPath, const WCHAR* currentPath, LONG destFolderId, LONG itemsRootId,
                         const std::function<HRESULT(LONG* id, const WCHAR* vaultPath)>& lookup);

}  // namespace coravent
