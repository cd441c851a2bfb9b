#include "operation_vaults.h"

#include "bellquist/manager_interfaces.h"
#include "bellquist/records.h"
#include "com/ccom_ptr.h"
#include "com/safearray.h"
#include "common/com_errors.h"
#include "common/error_codes.h"
#include "common/record_array.h"
#include "tavrosk/connection_access.h"
#include "vennacle/sp_mgr.h"

#include <optional>

namespace itemops {

using BellquistLib::ItmVaultInfo;
using BellquistLib::XRefRootObject;

namespace {

// What GetNextVault hands over, given back at the end of the scope.
struct HeldVaultInfo {
    ItmVaultInfo info{};
    SAFEARRAY* roots = nullptr;
    HeldVaultInfo() = default;
    HeldVaultInfo(const HeldVaultInfo&) = delete;
    HeldVaultInfo& operator=(const HeldVaultInfo&) = delete;
    ~HeldVaultInfo() {
        if (info.mpoConnectionPtr) info.mpoConnectionPtr->Release();
        SysFreeString(info.moViewPath);
        if (info.poUserSystemRights) SafeArrayDestroy(info.poUserSystemRights);
        if (roots) SafeArrayDestroy(roots);
    }
};

HeldConnection ConnectionOf(IUnknown* client) {
    if (!client) gvRaiseComError(E_OXN_NULL_VALUE, u"The vault of the items has no connection.");
    CComQIPtr<TavroskClientLib::ITavroskConnection> access(client);
    if (!access) gvRaiseComError(E_OXN_NULL_VALUE, u"The connection of the items' vault is not the vault client's.");
    SpMgr* connection = nullptr;
    const HRESULT hr = access->GetConnection(&connection);
    if (FAILED(hr)) gvRaiseFailedCall(hr, u"The vault connection of the session could not be reached.");
    HeldConnection held(connection);
    if (!held || !held->mpoGetDatabase())
        gvRaiseComError(E_OXN_NOT_LOGGED_IN, u"The session of the items' vault has no open database.");
    return held;
}

}  // namespace

vaultdb::Database& OperationVault::Database() const { return *connection->mpoGetDatabase(); }

std::vector<OperationVault> ReadOperationVaults(BellquistLib::IVaultUtils& utils) {
    std::vector<OperationVault> vaults;
    for (;;) {
        HeldVaultInfo held;
        VARIANT_BOOL more = VARIANT_FALSE;
        const HRESULT hr = utils.GetNextVault(&held.info, &held.roots, &more);
        if (FAILED(hr)) gvRaiseFailedCall(hr, u"The vaults of the items could not be read.");
        if (more == VARIANT_FALSE) break;

        OperationVault vault;
        vault.connection = ConnectionOf(held.info.mpoConnectionPtr);
        vault.userId = held.info.mlUserID;
        vault.viewGuid = held.info.moViewGUID;
        if (held.info.moViewPath) vault.viewPath.assign(held.info.moViewPath, SysStringLen(held.info.moViewPath));
        vault.parentWnd = held.info.mulParentWnd;
        if (held.roots) {
            RecordArray<XRefRootObject> roots(held.roots);
            for (const XRefRootObject* root = roots.mpoBegin(); root != roots.mpoEnd(); ++root)
                vault.roots.push_back({root->meType, root->mlDocumentID, root->mlProjectID});
        }
        vaults.push_back(std::move(vault));
    }
    return vaults;
}

}  // namespace itemops
