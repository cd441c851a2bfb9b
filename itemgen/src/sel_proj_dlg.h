// SelProjDlg: the sixteen arguments of one call of the project-selection
// library's gbSelProj (yandrel/sel_proj.h), in call order, owning what they
// point to: one reference on the connection, the strings and the out
// pointer the library may fill (freed with the global operator delete).
// It lives on the stack of one destination-folder choice; the library is
// loaded for the call and freed again.
#pragma once

#include "com/ccom_bstr.h"
#include "vennacle/sp_mgr.h"
#include "winapi/types.h"

namespace coravent {

class SelProjDlg {
public:
    SelProjDlg() = default;
    virtual ~SelProjDlg();
    SelProjDlg(const SelProjDlg&) = delete;
    SelProjDlg& operator=(const SelProjDlg&) = delete;

    // Loads "Yandrel.dll" from the shared location (location kind 1), calls
    // gbSelProj and returns the folder id it chose; 0 when nothing was
    // chosen, or after telling the user that the library cannot be loaded
    // (MB_ICONWARNING, with the system's text of the failure) or has no
    // gbSelProj (MB_ICONERROR).
    LONG mlRun();

    ULONGLONG mhParentWnd = 0;
    LONG mlInitialFolderID = 0;
    LONG mlItemsRootID = 0;
    ULONGLONG mqReserved1 = 0;
    ULONGLONG mqReserved2 = 0;
    SpMgrPtr mpoSpMgr;    // one reference for the object's life
    CComBSTR moBasePath;  // "<root>\<items>"
    CComBSTR moCaption;
    CComBSTR moOutString;  // empty
    ULONGLONG mqOutWord = 0;
    void* mpoOutPointer = nullptr;  // Owned: freed with the global operator delete.
    LONG mlOutNumber = 0;
    LONG mlUserID = 0;
    BYTE mbFlag1 = 0;
    BYTE mbFlag2 = 1;
    BYTE mbFlag3 = 1;
};

}  // namespace coravent
