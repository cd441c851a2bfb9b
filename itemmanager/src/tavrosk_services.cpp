#include "tavrosk_services.h"

#include "itemstore/itm_object_data.h"

#include "com/com_error.h"
#include "com/task_memory.h"
#include "winapi/errors.h"

using namespace BellquistLib;
using TavroskClientLib::ITavroskFolders;
using TavroskClientLib::ITavroskServices;

namespace {

// The client object's interface I, or null when it has none; another
// failure of the query raises.
template <class I>
CComPtr<I> QueryClient(IUnknown* client) {
    CComPtr<I> typed;
    if (!client) return typed;
    HRESULT hr = client->QueryInterface(I::kIid, reinterpret_cast<void**>(&typed));
    if (hr == E_NOINTERFACE) return nullptr;
    if (FAILED(hr)) _com_issue_errorex(hr, client, I::kIid);
    return typed;
}

}  // namespace

void ItmObjectDataFree::operator()(ItmObjectData* record) const noexcept {
    gvFreeItmObjectData(record);
    CoTaskMemFree(record);
}

CTavroskServices::CTavroskServices(IUnknown* client) : mpoServices(QueryClient<ITavroskServices>(client)) {}

HRESULT CTavroskServices::mhChecked(HRESULT hr) {
    if (FAILED(hr)) _com_issue_errorex(hr, mpoServices.GetInterfacePtr(), ITavroskServices::kIid);
    return hr;
}

com::OwnedSafeArray CTavroskServices::mpoListFolder(LONG folderID, LONG folderType, BSTR folderPath) {
    SAFEARRAY* children = nullptr;
    HRESULT hr = mpoServices->ListFolder(folderID, 0, 0, folderType, folderPath, 0, &children);
    com::OwnedSafeArray owned(children);
    mhChecked(hr);
    return owned;
}

HRESULT CTavroskServices::mhGetMenuInfo(SAFEARRAY* documents, ULONG infoToReturn, ULONG* enableFlags, ULONG* userRights,
                                        SAFEARRAY** userSystemRights, SAFEARRAY** versionInfo,
                                        SAFEARRAY** transitionInfo, SAFEARRAY** statusInfo) {
    return mhChecked(mpoServices->GetMenuInfo(documents, infoToReturn, enableFlags, userRights, userSystemRights,
                                              versionInfo, transitionInfo, statusInfo));
}

void CTavroskServices::mvMove(SAFEARRAY* objects, LONG destinationFolderID) {
    mhChecked(mpoServices->Move(objects, destinationFolderID));
}

OwnedItmObjectData CTavroskServices::mpoCreateNewItem(LONG parentID, LONG parentType) {
    ItmObjectData* record = nullptr;
    HRESULT hr = mpoServices->CreateNewItem(parentID, parentType, &record);
    OwnedItmObjectData owned(record);
    mhChecked(hr);
    return owned;
}

void CTavroskServices::mvRename(LONG id, LONG parentID, LONG type, BSTR newName) {
    mhChecked(mpoServices->Rename(id, parentID, type, newName));
}

HRESULT CTavroskServices::mhGetItmInfoSupplement(SAFEARRAY** supplement) {
    return mhChecked(mpoServices->GetItmInfoSupplement(supplement));
}

com::OwnedSafeArray CTavroskServices::mpoUpdateDynamicLinks(SAFEARRAY* items) {
    SAFEARRAY* links = nullptr;
    HRESULT hr = mpoServices->UpdateDynamicLinks(items, 0, 0, &links);
    com::OwnedSafeArray owned(links);
    mhChecked(hr);
    return owned;
}

CTavroskFolders::CTavroskFolders(IUnknown* client) : mpoFolders(QueryClient<ITavroskFolders>(client)) {}

LONG CTavroskFolders::mlCreateNewItemFolder(LONG parentID, BSTR name, _bstr_t& storedName) {
    BSTR stored = nullptr;
    LONG newID = 0;
    HRESULT hr = mpoFolders->CreateNewItemFolder(parentID, name, 0, &stored, &newID);
    storedName.Attach(stored);
    if (FAILED(hr)) _com_issue_errorex(hr, mpoFolders.GetInterfacePtr(), ITavroskFolders::kIid);
    return newID;
}
