// A login to a vault through the item server as a program of the session
// makes one: an item manager made by class id from the registered server,
// initialised for the vault's view folder with the program's view-server id
// (the sender of the view events its operations post), and logged in
// directly, without the dialog. The end-to-end fixture logs in so, and so
// does a child program that changes the vault from another process.
#pragma once

#include "bellquist/enums.h"
#include "bellquist/ids.h"
#include "bellquist/manager_interfaces.h"
#include "com/ccom_ptr.h"
#include "com/runtime.h"
#include "vennacle/sp_mgr.h"

#include <cstdint>
#include <string>

namespace explorer_testing {

struct VaultLogin {
    std::u16string vault;
    std::u16string viewPath;  // the view folder in the system's form ("C:\...")
    GUID viewId{};
    GUID vaultId{};
    std::u16string computer;
    std::u16string user;
    std::u16string password;
    LONG viewServerId = 0;  // 0: the program takes no vault events
};

// Logs in a new item manager: S_OK with it in `manager` and the root item
// folder's id in `rootFolderId`, else the failing step's HRESULT (and no
// manager).
inline HRESULT LogInThroughItemServer(const VaultLogin& login, CComPtr<BellquistLib::IItmManager2>& manager,
                                      LONG& rootFolderId) {
    manager = nullptr;
    CComPtr<BellquistLib::IItmManager2> made;
    HRESULT hr = CoCreateInstance(BellquistLib::CLSID_ItmManager, nullptr, CLSCTX_INPROC_SERVER,
                                  BellquistLib::IItmManager2::kIid, reinterpret_cast<void**>(&made));
    if (FAILED(hr)) return hr;
    BellquistLib::InitData data{};
    data.meClientType = BellquistLib::ClientType_Local_Client;
    data.moDomainName = SysAllocString(u"WORK");
    data.moComputerName = SysAllocString(login.computer.c_str());
    data.moViewPath = SysAllocString(login.viewPath.c_str());
    data.moViewGUID = login.viewId;
    data.moVaultGUID = login.vaultId;
    data.mlViewServerID = login.viewServerId;
    hr = made->Init(data);
    BSTR vault = SysAllocString(login.vault.c_str()), name = SysAllocString(login.user.c_str());
    BSTR secret = SysAllocString(login.password.c_str()), none = SysAllocString(u"");
    BellquistLib::LoginDataOut out{};
    if (SUCCEEDED(hr)) hr = made->Login2(vault, name, secret, none, none, 0, &out);
    rootFolderId = out.mlRootItemFolderID;
    // The receiver's reference to the stored-procedure layer.
    if (auto* spMgr = reinterpret_cast<SpMgr*>(static_cast<uintptr_t>(out.mpoSpMgr))) spMgr->Release();
    SysFreeString(out.moUsername);
    for (BSTR text : {vault, name, secret, none, data.moDomainName, data.moComputerName, data.moViewPath})
        SysFreeString(text);
    if (SUCCEEDED(hr)) manager = made;
    return hr;
}

}  // namespace explorer_testing
