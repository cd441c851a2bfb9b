#include "client_session.h"

#include "tavrosk/login_record.h"
#include "common/error_codes.h"
#include "vennacle/sp_mgr.h"
#include "vennacle/sp_user.h"

namespace tavrosk {

namespace {

// A copy that keeps null apart from the empty string.
HRESULT CopyString(BSTR source, CComBSTR& copy) {
    if (!source) return S_OK;
    copy.Attach(SysAllocStringLen(source, SysStringLen(source)));
    return copy ? S_OK : E_OUTOFMEMORY;
}

}  // namespace

ClientSession::ClientSession(SpMgr& connection) : connection_(connection) { connection_.AddRef(); }

ClientSession::~ClientSession() { connection_.Release(); }

HRESULT ClientSession::Open(const TavroskClientLib::LoginRecord& record, std::unique_ptr<ClientSession>& session) {
    SpMgr* connection = record.mpoSpMgr;
    if (!connection || !connection->mpoGetUser() || !record.moUsername || SysStringLen(record.moUsername) == 0)
        return E_INVALIDARG;

    LONG userId = 0;
    Lst<unsigned int> rights;
    GUID vaultGuid{};
    LONG rootItemFolderId = 0;
    LONG dateFmt = 0;
    HRESULT hr = connection->mpoGetUser()->mhGetGetDunmorrowInfo(record.moUsername, userId, rights, vaultGuid,
                                                                 rootItemFolderId, dateFmt);
    if (FAILED(hr)) return hr;
    // A record that names someone else, or another vault, is not this login.
    if (userId != record.mlUserID) return E_OXN_LOGIN_FAILED;
    if (vaultGuid != record.moVaultGUID) return E_OXN_CANT_OPEN_DATABASE;

    std::unique_ptr<ClientSession> opened(new ClientSession(*connection));
    hr = CopyString(record.moViewPath, opened->viewPath_);
    if (FAILED(hr)) return hr;
    opened->computer_ = com::BstrView(record.moComputerName);
    opened->vaultGuid_ = vaultGuid;
    opened->viewGuid_ = record.moViewGUID;
    opened->userId_ = userId;
    opened->systemRights_ = record.mlSystemRights;
    session = std::move(opened);
    return S_OK;
}

HRESULT ClientSession::FillConnectionInformation(TavroskClientLib::LoginRecord& record) const {
    record = {};
    const HRESULT hr = viewPath_.CopyTo(&record.moViewPath);
    if (FAILED(hr)) return hr;
    record.moVaultGUID = vaultGuid_;
    record.moViewGUID = viewGuid_;
    record.mlUserID = userId_;
    record.mlSystemRights = systemRights_;
    return S_OK;
}

vaultdb::Database& ClientSession::Database() const {
    // Open checked that the connection is open, and an open connection keeps
    // its database until it is released.
    return *connection_.mpoGetDatabase();
}

}  // namespace tavrosk
