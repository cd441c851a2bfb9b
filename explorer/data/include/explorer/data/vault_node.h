// CVaultNode: one configured vault view of the machine, with its login, its
// item manager and its in-memory item cache. DbInfo: the connection facts of
// one vault handed to outside dialogs.
#pragma once

#include "common/ref_obj.h"
#include "common/ref_ptr.h"

#include "bellquist/item_interfaces.h"
#include "bellquist/manager_interfaces.h"
#include "com/bstr_t.h"
#include "com/ccom_ptr.h"
#include "vennacle/sp_mgr.h"
#include "winapi/types.h"

#include <string>

class CCache;
class CTreeNode;
class DbInfo;

class CVaultNode : public RefObj {
public:
    CVaultNode(const GUID& viewId, const GUID& vaultId, std::u16string name, std::u16string rootPath);

    // The vault's root item-folder object "<items>" under `rootId`, with one
    // reference for the caller; null when the item server cannot make it.
    // A failing load raises.
    BellquistLib::IItmObject* CreateItemsRootFolder(LONG rootId);
    // Attaches `cache` and puts the root folder into it (root id 1).
    void SetCache(CCache* cache);
    RefPtr<DbInfo> GetDbInfo();
    // Creates the vault client's vault object into mpoVault and opens it on
    // this vault (halvaran_doc_attach.cpp): the creation's or the open's
    // HRESULT.
    HRESULT mhConnectVault();

    LONG mlRootID = 1;  // the vault root's id in the cache keys
    GUID moVaultID{};
    GUID moViewID{};
    std::u16string moName;      // the vault's registry key name
    std::u16string moRootPath;  // the view folder as registered (any case), ends in "\"
    LONG mlUserID = 0;
    _bstr_t moUserName;
    LONG mbLoggedIn = 0;
    SpMgrPtr mpoSpMgr;
    CComPtr<BellquistLib::IItmManager> mpoItmManager;
    CCache* mpoCache = nullptr;  // Owned; destroyed by the vault manager before the node.
    RefPtr<CTreeNode> moTreeNode;
    CComPtr<IUnknown> mpoVault;  // the vault client's vault object

protected:
    ~CVaultNode() override;
};

class DbInfo : public RefObj {
public:
    LONG mlUserID = 0;
    std::u16string moUserName;
    std::u16string moVaultName;
    LONG mlReserved = 0;  // always 0
    std::u16string moRootPath;
    GUID moViewID{};
    SpMgrPtr mpoSpMgr;  // null for a vault that never logged in

protected:
    ~DbInfo() override = default;
};
