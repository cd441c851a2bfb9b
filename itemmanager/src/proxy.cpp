#include "proxy.h"

#include "itemstore/item_cache_file.h"
#include "vennacle/sp_mgr.h"

#include "winapi/errors.h"

using namespace BellquistLib;

CProxy::CProxy(const RefPtr<CItemCacheFile>& cacheFile)
    : moDomainName(u""), moComputerName(u""), moViewPath(u""), moVaultName(u""), mpoCacheFile(cacheFile) {}

CProxy::~CProxy() {
    // The cache file goes before the connection; the strings follow as
    // members, the vault name first.
    mpoCacheFile = nullptr;
    mvTakeSpMgr(nullptr);
}

void CProxy::mvKeepInitData(const InitData& data) {
    moDomainName = data.moDomainName ? data.moDomainName : u"";
    moComputerName = data.moComputerName ? data.moComputerName : u"";
    moViewPath = data.moViewPath ? data.moViewPath : u"";
    moViewGUID = data.moViewGUID;
    moVaultGUID = data.moVaultGUID;
    mlViewServerID = data.mlViewServerID;
}

void CProxy::mvTakeSpMgr(SpMgr* spMgr) noexcept {
    SpMgr* old = mpoSpMgr;
    mpoSpMgr = spMgr;
    if (old) old->Release();
}

// The shared defaults: an operation this back end does not implement.
HRESULT CProxy::Init(const InitData&) { return E_NOTIMPL; }
HRESULT CProxy::SetItemConnection(ItmObjectData*) { return E_NOTIMPL; }
HRESULT CProxy::Login(BSTR, LoginDataOut*) { return E_NOTIMPL; }
HRESULT CProxy::LogOut() { return E_NOTIMPL; }
HRESULT CProxy::EnumItemFolder(IItmObject**, SAFEARRAY**) { return E_NOTIMPL; }
HRESULT CProxy::GenerateItemFromFile(SAFEARRAY*, IItmObject*, SAFEARRAY**) { return E_NOTIMPL; }
HRESULT CProxy::GenerateItemFromFilePath(SAFEARRAY*, IItmObject*, SAFEARRAY**) { return E_NOTIMPL; }
HRESULT CProxy::CreateNewItem(IItmObject*, IItmItem**) { return E_NOTIMPL; }
HRESULT CProxy::CreateNewItemFolder(IItmObject*, BSTR, IItmFolder**) { return E_NOTIMPL; }
HRESULT CProxy::GetLatestVersion(SAFEARRAY*, VARIANT_BOOL, IItmManager*, VARIANT_BOOL) { return E_NOTIMPL; }
HRESULT CProxy::GetLatestItems(SAFEARRAY*, SAFEARRAY**, bool, bool, IItmManager*) { return E_NOTIMPL; }
HRESULT CProxy::GetSpecificVersion(IItmObject*, LONG, SAFEARRAY**, IItmManager*) { return E_NOTIMPL; }
HRESULT CProxy::CheckIn(SAFEARRAY*, IItmProgress*) { return E_NOTIMPL; }
HRESULT CProxy::CheckOut(SAFEARRAY*, VARIANT_BOOL, IItmManager*) { return E_NOTIMPL; }
HRESULT CProxy::UndoCheckOut(SAFEARRAY*, IItmProgress*) { return E_NOTIMPL; }
HRESULT CProxy::ChangeState(SAFEARRAY*, BSTR, SAFEARRAY**) { return E_NOTIMPL; }
HRESULT CProxy::ChangeState2(SAFEARRAY*, BSTR, bool, SAFEARRAY**) { return E_NOTIMPL; }
HRESULT CProxy::LinkFileFromFilePath(SAFEARRAY*, IItmObject**, SAFEARRAY**, IItmManager*) { return E_NOTIMPL; }
HRESULT CProxy::Delete(VARIANT_BOOL, SAFEARRAY*, IItmManager*) { return E_NOTIMPL; }
HRESULT CProxy::IncrRevision(SAFEARRAY*) { return E_NOTIMPL; }
HRESULT CProxy::Move(SAFEARRAY*, IItmFolder*) { return E_NOTIMPL; }
HRESULT CProxy::Rename(IItmObject*, BSTR) { return E_NOTIMPL; }
HRESULT CProxy::BatchGetTrees(SAFEARRAY*, LONG, LONG, SAFEARRAY**, SAFEARRAY**) { return E_NOTIMPL; }
HRESULT CProxy::BatchRefreshTrees(SAFEARRAY*, LONG, SAFEARRAY**, SAFEARRAY**) { return E_NOTIMPL; }
HRESULT CProxy::UpdateItemsFromDynLink(SAFEARRAY*) { return E_NOTIMPL; }
HRESULT CProxy::GetMenuInfo(SAFEARRAY*, ULONG, ULONG*, ULONG*, SAFEARRAY**, SAFEARRAY**, SAFEARRAY**, SAFEARRAY**) {
    return E_NOTIMPL;
}
HRESULT CProxy::ExistInFileCache(IItmObject*, VARIANT_BOOL*) { return E_NOTIMPL; }
HRESULT CProxy::CheckCyclicReferences(SAFEARRAY*, SAFEARRAY*) { return E_NOTIMPL; }
HRESULT CProxy::BatchGetTrees2(SAFEARRAY*, LONG, LONG, SAFEARRAY**, SAFEARRAY**) { return E_NOTIMPL; }
HRESULT CProxy::Login2(BSTR, BSTR, BSTR, BSTR, BSTR, ULONG, LoginDataOut*) { return E_NOTIMPL; }
HRESULT CProxy::GetItmInfoSupplement(SAFEARRAY**) { return E_NOTIMPL; }
HRESULT CProxy::UpdateCache(SAFEARRAY*) { return E_NOTIMPL; }
HRESULT CProxy::RefreshLocalCache() { return E_NOTIMPL; }
