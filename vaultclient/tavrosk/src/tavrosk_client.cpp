#include "tavrosk_client.h"

#include "com/method_boundary.h"
#include "dynamic_links.h"
#include "folder_listing.h"
#include "info_supplement.h"
#include "item_changes.h"
#include "local_versions.h"
#include "menu_info.h"
#include "path_resolution.h"
#include "record_strings.h"
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

HRESULT CTavroskClient::ListFolder(LONG lFolderID, LONG, LONG, LONG lFolderType, BSTR, LONG, SAFEARRAY** ppoChildren) {
    if (!ppoChildren) return E_POINTER;
    *ppoChildren = nullptr;
    if (!session_) return E_OXN_NOT_LOGGED_IN;
    return com::Boundary([&] {
        tavrosk::ListFolder(session_->Database(), lFolderID, lFolderType, ppoChildren);
        return S_OK;
    });
}

HRESULT CTavroskClient::CreateNewItem(LONG lParentID, LONG lParentType, BellquistLib::ItmObjectData** ppoNewItem) {
    if (!ppoNewItem) return E_POINTER;
    *ppoNewItem = nullptr;
    if (!session_) return E_OXN_NOT_LOGGED_IN;
    return com::Boundary([&] {
        *ppoNewItem = tavrosk::CreateNewItem(*session_, lParentID, lParentType);
        return S_OK;
    });
}

HRESULT CTavroskClient::CreateNewItemFolder(LONG lParentID, BSTR bsName, LONG, BSTR* pbsStoredName, LONG* plNewID) {
    if (!pbsStoredName || !plNewID) return E_POINTER;
    *pbsStoredName = nullptr;
    *plNewID = 0;
    if (!session_) return E_OXN_NOT_LOGGED_IN;
    return com::Boundary([&] {
        const tavrosk::NewFolder folder = tavrosk::CreateNewItemFolder(*session_, lParentID, com::BstrView(bsName));
        *pbsStoredName = tavrosk::NewString(folder.name);
        *plNewID = folder.id;
        return S_OK;
    });
}

HRESULT CTavroskClient::Move(SAFEARRAY* poObjects, LONG lDestFolderID) {
    if (!session_) return E_OXN_NOT_LOGGED_IN;
    return com::Boundary([&] {
        tavrosk::MoveObjects(*session_, poObjects, lDestFolderID);
        return S_OK;
    });
}

HRESULT CTavroskClient::Rename(LONG lID, LONG, LONG lType, BSTR bsNewName) {
    if (!session_) return E_OXN_NOT_LOGGED_IN;
    return com::Boundary([&] {
        tavrosk::RenameObject(*session_, lID, lType, com::BstrView(bsNewName));
        return S_OK;
    });
}

HRESULT CTavroskClient::ResolvePaths(SAFEARRAY** ppoItems) {
    if (!ppoItems) return E_POINTER;
    if (!session_) return E_OXN_NOT_LOGGED_IN;
    return com::Boundary([&] {
        tavrosk::ResolvePaths(session_->Database(), *ppoItems);
        return S_OK;
    });
}

HRESULT CTavroskClient::GetMenuInfo(SAFEARRAY* poDocuments, ULONG ulInfoToReturn, ULONG* pulEnableFlags,
                                    ULONG* pulUserRights, SAFEARRAY** poUserSystemRights, SAFEARRAY** poVersionInfo,
                                    SAFEARRAY** poTransitionInfo, SAFEARRAY** poStatusInfo) {
    if (!pulEnableFlags || !pulUserRights) return E_POINTER;
    *pulEnableFlags = 0;
    *pulUserRights = 0;
    for (SAFEARRAY** out : {poUserSystemRights, poVersionInfo, poTransitionInfo, poStatusInfo})
        if (out) *out = nullptr;
    if (!session_) return E_OXN_NOT_LOGGED_IN;
    return com::Boundary([&] {
        tavrosk::ReadMenuInfo(
            *session_, poDocuments, ulInfoToReturn,
            {pulEnableFlags, pulUserRights, poUserSystemRights, poVersionInfo, poTransitionInfo, poStatusInfo});
        return S_OK;
    });
}

HRESULT CTavroskClient::GetItmInfoSupplement(SAFEARRAY** ppoSupplement) {
    if (!ppoSupplement) return E_POINTER;
    *ppoSupplement = nullptr;
    if (!session_) return E_OXN_NOT_LOGGED_IN;
    return com::Boundary([&] {
        tavrosk::ReadInfoSupplement(session_->Database(), ppoSupplement);
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

// Slots that no caller gives a meaning: they keep the later slots in place.

HRESULT CTavroskClient::UnusedSlot3() { return E_NOTIMPL; }
HRESULT CTavroskClient::UnusedSlot4() { return E_NOTIMPL; }
HRESULT CTavroskClient::UnusedSlot6() { return E_NOTIMPL; }
HRESULT CTavroskClient::UnusedSlot7() { return E_NOTIMPL; }
HRESULT CTavroskClient::UnusedSlot8() { return E_NOTIMPL; }
HRESULT CTavroskClient::UnusedSlot9() { return E_NOTIMPL; }
HRESULT CTavroskClient::UnusedSlot10() { return E_NOTIMPL; }
HRESULT CTavroskClient::UnusedSlot11() { return E_NOTIMPL; }

HRESULT CTavroskClient::UnusedSlot5() { return E_NOTIMPL; }
