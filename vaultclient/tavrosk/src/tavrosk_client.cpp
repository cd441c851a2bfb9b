#include "tavrosk_client.h"

#include "com/method_boundary.h"
#include "dynamic_links.h"
#include "local_versions.h"
#include "tree_fetch.h"
#include "tavrosk/login_record.h"
#include "common/error_codes.h"
#include "vennacle/sp_mgr.h"

using TavroskClientLib::LoginRecord;

HRESULT CTavroskClient::Logout() {
    if (!session_) return E_OXN_NOT_LOGGED_IN;
    session_.reset();
    return S_OK;
}

HRESULT CTavroskClient::Login(LoginRecord* poRecord) {
    if (!poRecord) return E_POINTER;
    return com::Boundary([&] {
        std::unique_ptr<tavrosk::ClientSession> session;
        const HRESULT hr = tavrosk::ClientSession::Open(*poRecord, session);
        if (SUCCEEDED(hr)) session_ = std::move(session);
        return hr;
    });
}

HRESULT CTavroskClient::GetConnectionInformation(LoginRecord* poRecord) {
    if (!poRecord) return E_POINTER;
    if (!session_) return E_OXN_NOT_LOGGED_IN;
    return session_->FillConnectionInformation(*poRecord);
}

HRESULT CTavroskClient::FetchTrees(VARIANT_BOOL bRecursive, LONG lOptions, VARIANT_BOOL /*bRefresh*/, LONG lLevels,
                                   SAFEARRAY* poInput, SAFEARRAY** ppoFetched, SAFEARRAY* poCached,
                                   SAFEARRAY** ppoDeleted) {
    if (!ppoFetched || !ppoDeleted) return E_POINTER;
    *ppoFetched = nullptr;
    *ppoDeleted = nullptr;
    if (!session_) return E_OXN_NOT_LOGGED_IN;
    return com::Boundary([&] {
        tavrosk::FetchRequest request;
        request.recursive = bRecursive != VARIANT_FALSE;
        request.options = lOptions;
        request.levels = lLevels;
        request.input = poInput;
        request.cached = poCached;
        tavrosk::FetchTrees(session_->Database(), request, ppoFetched, ppoDeleted);
        return S_OK;
    });
}

HRESULT CTavroskClient::UpdateDynamicLinks(SAFEARRAY* poItems, LONG, LONG, SAFEARRAY** ppoLinks) {
    if (!ppoLinks) return E_POINTER;
    *ppoLinks = nullptr;
    if (!session_) return E_OXN_NOT_LOGGED_IN;
    return com::Boundary([&] {
        tavrosk::UpdateDynamicLinks(session_->Database(), poItems, ppoLinks);
        return S_OK;
    });
}

HRESULT CTavroskClient::GetLocalVersions(SAFEARRAY** ppoItems) {
    if (!ppoItems) return E_POINTER;
    if (!session_) return E_OXN_NOT_LOGGED_IN;
    return com::Boundary([&] {
        tavrosk::FillLocalVersions(session_->Database(), *ppoItems);
        return S_OK;
    });
}

HRESULT CTavroskClient::GetConnection(SpMgr** ppoConnection) {
    if (!ppoConnection) return E_POINTER;
    *ppoConnection = nullptr;
    if (!session_) return E_OXN_NOT_LOGGED_IN;
    SpMgr& connection = session_->Connection();
    connection.AddRef();
    *ppoConnection = &connection;
    return S_OK;
}

// The operations below come with the item operations and the generation of
// items; until then each answers E_NOTIMPL and touches nothing.

HRESULT CTavroskClient::UnusedSlot3() { return E_NOTIMPL; }
HRESULT CTavroskClient::UnusedSlot4() { return E_NOTIMPL; }
HRESULT CTavroskClient::UnusedSlot6() { return E_NOTIMPL; }
HRESULT CTavroskClient::UnusedSlot7() { return E_NOTIMPL; }
HRESULT CTavroskClient::UnusedSlot8() { return E_NOTIMPL; }
HRESULT CTavroskClient::UnusedSlot9() { return E_NOTIMPL; }
HRESULT CTavroskClient::UnusedSlot10() { return E_NOTIMPL; }
HRESULT CTavroskClient::UnusedSlot11() { return E_NOTIMPL; }

HRESULT CTavroskClient::ListFolder(LONG, LONG, LONG, LONG, BSTR, LONG, SAFEARRAY**) { return E_NOTIMPL; }
HRESULT CTavroskClient::UnusedSlot5() { return E_NOTIMPL; }
HRESULT CTavroskClient::GetMenuInfo(SAFEARRAY*, ULONG, ULONG*, ULONG*, SAFEARRAY**, SAFEARRAY**, SAFEARRAY**,
                                    SAFEARRAY**) {
    return E_NOTIMPL;
}
HRESULT CTavroskClient::Move(SAFEARRAY*, LONG) { return E_NOTIMPL; }
HRESULT CTavroskClient::CreateNewItem(LONG, LONG, BellquistLib::ItmObjectData**) { return E_NOTIMPL; }
HRESULT CTavroskClient::Rename(LONG, LONG, LONG, BSTR) { return E_NOTIMPL; }
HRESULT CTavroskClient::GetItmInfoSupplement(SAFEARRAY**) { return E_NOTIMPL; }

HRESULT CTavroskClient::CreateNewItemFolder(LONG, BSTR, LONG, BSTR*, LONG*) { return E_NOTIMPL; }

HRESULT CTavroskClient::ResolvePaths(SAFEARRAY**) { return E_NOTIMPL; }
