#include "item_change_events.h"

#include "item_list.h"
#include "proxy.h"

#include "com/runtime.h"
#include "com/safearray.h"
#include "viewserver/ids.h"

#include <algorithm>

using BellquistLib::IItmFolder;
using BellquistLib::IItmObject;
using TavroskViewLib::INotificationServer;

CItemChangeEvents::CItemChangeEvents(const CProxy* backEnd) {
    if (!backEnd || backEnd->moGetVaultName().length() == 0) return;
    if (FAILED(CoCreateInstance(TavroskViewLib::CLSID_NotificationServer, nullptr, CLSCTX_INPROC_SERVER,
                                INotificationServer::kIid, reinterpret_cast<void**>(&mpoServer))))
        return;
    mpoBackEnd = backEnd;
}

void CItemChangeEvents::mvAdd(LONG folderId) {
    // Objects without a folder (the root's parent) have none to refresh.
    if (folderId <= 0) return;
    if (std::find(mlFolderIds.begin(), mlFolderIds.end(), folderId) == mlFolderIds.end())
        mlFolderIds.push_back(folderId);
}

void CItemChangeEvents::mvAddFolderOf(IItmObject* object) {
    LONG folderId = 0;
    if (mpoBackEnd && object && SUCCEEDED(object->get_ParentProjectID(&folderId))) mvAdd(folderId);
}

void CItemChangeEvents::mvAddFolderOf(IItmObject* const* object) {
    if (mpoBackEnd && object) mvAddFolderOf(*object);
}

void CItemChangeEvents::mvAddFolder(IItmObject* folder) {
    LONG folderId = 0;
    if (mpoBackEnd && folder && SUCCEEDED(folder->get_ID(&folderId))) mvAdd(folderId);
}

void CItemChangeEvents::mvAddFolder(IItmFolder* folder) {
    if (!mpoBackEnd || !folder) return;
    com::ComPtr<IItmObject> object(folder);
    mvAddFolder(object.GetInterfacePtr());
}

void CItemChangeEvents::mvAddFoldersOf(SAFEARRAY* items) {
    // Read without raising: the operation itself reports a list it cannot
    // use.
    VARTYPE type = VT_EMPTY;
    LONG lower = 0;
    LONG upper = -1;
    void* data = nullptr;
    if (!mpoBackEnd || !items || FAILED(SafeArrayGetVartype(items, &type)) || type != VT_VARIANT ||
        SafeArrayGetDim(items) != 1 || FAILED(SafeArrayGetLBound(items, 1, &lower)) ||
        FAILED(SafeArrayGetUBound(items, 1, &upper)) || FAILED(SafeArrayAccessData(items, &data)))
        return;
    const auto* elements = static_cast<const VARIANT*>(data);
    for (LONG i = 0; i <= upper - lower; ++i) mvAddFolderOf(gpoItemOf(elements[i]));
    SafeArrayUnaccessData(items);
}

void CItemChangeEvents::mvPost() const {
    if (!mpoBackEnd) return;
    for (LONG folderId : mlFolderIds)
        mpoServer->PostViewEvent(mpoBackEnd->moGetVaultName(), folderId, mpoBackEnd->mlGetViewServerID(),
                                 TavroskViewLib::kViewEventItemsChanged);
}
