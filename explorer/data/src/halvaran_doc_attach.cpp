// The attach of a vault at its first touch: the vault's item manager is
// created in the item server, the vault client's vault object connected, the
// manager initialised and logged in, and the node filled with the login's
// results. Every failure leaves the node logged out, without an item manager
// or vault object, and returns the HRESULT with the thread's error info set.
#include "explorer/data/halvaran_doc.h"

#include "explorer/data/application_link.h"
#include "explorer/data/cache.h"
#include "explorer/data/command_in_progress.h"
#include "explorer/data/com_error_raising.h"
#include "explorer/data/itm_manager2.h"
#include "explorer/data/login_list.h"
#include "explorer/data/tree_node.h"
#include "explorer/data/vault_node.h"

#include "common/error_codes.h"

#include "bellquist/ids.h"
#include "bellquist/manager_interfaces.h"
#include "bellquist/records.h"
#include "com/bstr_t.h"
#include "com/com_error.h"
#include "com/method_boundary.h"
#include "com/runtime.h"
#include "oxnvault/ids.h"
#include "oxnvault/interfaces.h"
#include "ui/framework/win_app.h"
#include "ui/framework/wnd.h"
#include "ui/window_functions.h"
#include "vennacle/sp_login_info.h"
#include "vennacle/sp_mgr.h"
#include "winapi/environment.h"

#include <cstdint>
#include <new>
#include <string>

using namespace BellquistLib;

namespace {

// CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER | CLSCTX_LOCAL_SERVER | CLSCTX_REMOTE_SERVER.
constexpr DWORD kAnyServer = 0x17;

// Whether a process of this session is logged in to the vault already (the
// login table has its entry). No table: no one is.
bool IsLoggedInElsewhere(const std::u16string& vaultName) {
    std::u16string user, password;
    LONG loginValue = 0;
    return gbReadSessionLogin(vaultName.c_str(), user, password, loginValue);
}

// The computer's name (the platform gives at most 15 characters, so the
// 16-character buffer always takes it).
_bstr_t ComputerName() {
    WCHAR name[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
    if (!GetComputerNameW(name, &size)) name[0] = 0;
    return _bstr_t(name);
}

// What a login hands over, given back on every path: the user name's string
// and, unless the node took it, the connection's reference.
struct HeldLoginData {
    LoginDataOut data{};
    HeldLoginData() = default;
    HeldLoginData(const HeldLoginData&) = delete;
    HeldLoginData& operator=(const HeldLoginData&) = delete;
    ~HeldLoginData() {
        SysFreeString(data.moUsername);
        if (SpMgr* connection = TakeSpMgr()) connection->Release();
    }
    SpMgr* TakeSpMgr() {
        SpMgr* connection = reinterpret_cast<SpMgr*>(static_cast<uintptr_t>(data.mpoSpMgr));
        data.mpoSpMgr = 0;
        return connection;
    }
};

// Puts the vault's new root object into the cache: into the cached root the
// tree node shows and, when the cache holds its own (a vault the tree has not
// shown yet), into that one; then re-keys the cache's root under the login's
// root id.
void SetRootObject(CVaultNode& node, IItmObject* root, LONG rootId) {
    RefPtr<CCacheObjInner> treeRoot;
    if (node.moTreeNode && node.moTreeNode->moCacheObj) treeRoot = node.moTreeNode->moCacheObj->moInner;
    if (treeRoot) treeRoot->mvSetItem(root);
    if (CCache* cache = node.mpoCache) {
        RefPtr<CCacheObj> cachedRoot;
        if (cache->mbFindObject(CacheObjKey{ItmObjectType_Vault, node.mlRootID, -1}, cachedRoot) && cachedRoot &&
            cachedRoot->moInner && cachedRoot->moInner != treeRoot)
            cachedRoot->moInner->mvSetItem(root);
        cache->mvSetVaultNumber(rootId);
    }
    node.mlRootID = rootId;
}

// The attach's steps after the node was found; raises every failure.
void AttachNode(CVaultNode& node) {
    // The attach's own references: a vault reset deferred until the attach
    // ends cannot free them, and they outlive the node's on a failure.
    CComPtr<IItmManager> manager;
    HRESULT hr =
        CoCreateInstance(CLSID_ItmManager, nullptr, kAnyServer, IItmManager::kIid, reinterpret_cast<void**>(&manager));
    if (FAILED(hr)) _com_issue_error(hr);
    node.mpoItmManager = manager;

    // The item manager's dialogs need an owner: without a main window the
    // attach is abandoned.
    CWnd* mainWindow = AfxGetMainWnd();
    const HWND owner = mainWindow ? mainWindow->GetSafeHwnd() : nullptr;
    if (!IsWindow(owner)) ThrowComErrorWithDescription(E_FAIL, u"The vault cannot be attached without a main window.");

    const bool loggedInElsewhere = IsLoggedInElsewhere(node.moName);

    hr = node.mhConnectVault();
    if (FAILED(hr)) RaiseFailedHResult(hr);
    CComPtr<IUnknown> vault = node.mpoVault;  // the reference the item manager's Init call borrows

    const _bstr_t computer = ComputerName();
    const _bstr_t viewPath(node.moRootPath.c_str());
    InitData init{};
    init.meClientType = ClientType_Local_Client;
    init.hParentWndHandle = reinterpret_cast<uintptr_t>(owner);
    init.moDomainName = computer;
    init.moComputerName = computer;
    init.moViewPath = viewPath;
    init.moViewGUID = node.moViewID;
    init.moVaultGUID = node.moVaultID;
    init.mllOxnVault = reinterpret_cast<uintptr_t>(vault.GetInterfacePtr());
    init.mlViewServerID = glApplicationViewServerID();
    gvCheckCall(manager->Init(init), manager);

    const _bstr_t vaultName(node.moName.c_str());
    HeldLoginData login;
    gvCheckCall(manager->Login(vaultName, &login.data), manager);
    node.mlUserID = login.data.mlUserID;
    node.moUserName = _bstr_t(login.data.moUsername, true);
    if (SpMgr* connection = login.TakeSpMgr()) node.mpoSpMgr.reset(connection);

    CComPtr<IItmObject> root;
    root.Attach(node.CreateItemsRootFolder(login.data.mlRootItemFolderID));
    if (!root) _com_issue_error(E_POINTER);
    SetRootObject(node, root, login.data.mlRootItemFolderID);
    node.mbLoggedIn = 1;

    // The first login to the vault on this machine may ask for the local
    // item cache to be refreshed.
    if (loggedInElsewhere || !node.mpoSpMgr) return;
    BOOL refresh = FALSE;
    if (SpLoginInfo* loginInfo = node.mpoSpMgr->mpoGetProc(SpMgr::kLoginInfoProc))
        loginInfo->mhDoRefreshCacheOnLogin(node.mlUserID, refresh);  // a failure leaves refresh FALSE
    if (!refresh) return;
    if (CComPtr<IItmManager2> manager2 = QueryItmManager2(manager))
        gvCheckCall(manager2->RefreshLocalCache(), manager2);
}

}  // namespace

HRESULT CVaultNode::mhConnectVault() {
    try {
        mpoVault = nullptr;
        HRESULT hr = CoCreateInstance(OxnVaultLib::CLSID_OxnVault, nullptr, kAnyServer, OxnVaultLib::IOxnVault5::kIid,
                                      reinterpret_cast<void**>(&mpoVault));
        if (FAILED(hr)) return hr;
        CComQIPtr<OxnVaultLib::IOxnVault5> vault(mpoVault);
        if (!vault) return E_NOINTERFACE;
        const _bstr_t name(moName.c_str());
        return vault->Open(name, 0);
    } catch (const _com_error& e) {
        return e.Error();
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

HRESULT CHalvaranDoc::attachVault(const GUID& viewId) {
    if (!moVaultManager) return E_OXN_MISSING_VIEW_INFO;
    if (moVaultManager->IsVaultLoggedIn(viewId)) return S_OK;
    RefPtr<CVaultNode> node = moVaultManager->FindVaultNode(viewId);
    if (!node) return E_OXN_MISSING_VIEW_INFO;

    // A vault reset that arrives in the login dialog waits until the attach
    // has ended (it would release what the attach is calling).
    AttachInProgressScope deferResets;
    const HRESULT hr = com::Boundary([&] {
        AttachNode(*node);
        return S_OK;
    });
    if (FAILED(hr)) {
        // What the login wrote stays (user, connection, root objects); the
        // node is logged out and holds no manager or vault object.
        node->mpoItmManager = nullptr;
        node->mpoVault = nullptr;
        node->mbLoggedIn = 0;
    }
    return hr;
}
