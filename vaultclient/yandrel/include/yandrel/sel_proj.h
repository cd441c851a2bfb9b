// Yandrel, the vault client's project-selection library: a plain shared
// library ("Yandrel.dll") that a caller loads by its path for one folder
// choice and enters through the export gbSelProj, which shows the item
// folders of the vault (the "<items>" folder and every folder below it) in a
// modal dialog and answers the folder the user chose.
#pragma once

#include "com/bstr.h"
#include "winapi/types.h"

class SpMgr;

namespace yandrel {

// The library's file name and its export.
inline constexpr WCHAR kLibraryName[] = u"Yandrel.dll";
inline constexpr char kSelProjExport[] = "gbSelProj";

}  // namespace yandrel

// Shows the item folders below `itemsRootId` (0: the vault's "\<items>\"
// folder, looked up through `spMgr`) in a dialog owned by `parent`, titled
// `*caption`, with `*basePath` ("C:\Vault\<items>") standing for the items
// root in the paths it shows; `initialFolderId` is chosen at first (an id
// outside the tree: the items root). Returns the chosen folder's id and puts
// its vault path ("\<items>\Parts\") into `*outPath` (a new BSTR; the old one
// is freed); 0 when the user cancelled, nothing was chosen, `spMgr` is null
// or the folders could not be read (the user is told why). The connection
// stays the caller's.
//
// The reserved words, `outWord`, `outPointer`, `outNumber`, the user id and
// the three flags are the caller's; the library leaves the out values as they
// are. Null string pointers count as empty strings.
extern "C" LONG gbSelProj(HWND parent, LONG initialFolderId, LONG itemsRootId, ULONGLONG reserved1, ULONGLONG reserved2,
                          SpMgr* spMgr, BSTR* basePath, BSTR* caption, BSTR* outPath, ULONGLONG* outWord,
                          void** outPointer, LONG* outNumber, LONG userId, BYTE flag1, BYTE flag2, BYTE flag3);

// The export's type, for callers that look it up with GetProcAddress.
using SelProjFunction = decltype(&gbSelProj);
