// The client library's service calls as the client back end makes them. Each
// holder asks the client object for its interface when it is made, for the
// one call an operation makes, and lets it go with the holder: a client
// object without the interface (E_NOINTERFACE), or no client object, leaves
// it missing, which the operation answers with E_OXN_NULL_VALUE; any other
// failure of the query, and every failing call, raises a COM error carrying
// the error info the interface left (_com_issue_errorex), which the
// operation's boundary returns.
#pragma once

#include "com/owned_safearray.h"

#include "bellquist/records.h"
#include "com/bstr.h"
#include "com/bstr_t.h"
#include "com/ccom_ptr.h"
#include "tavrosk/client_interfaces.h"
#include "winapi/types.h"

#include <memory>

// A record the library made for the caller (a new item), cleared and freed
// with the holder.
struct ItmObjectDataFree {
    void operator()(BellquistLib::ItmObjectData* record) const noexcept;
};
using OwnedItmObjectData = std::unique_ptr<BellquistLib::ItmObjectData, ItmObjectDataFree>;

// The service interface (ITavroskServices).
class CTavroskServices {
public:
    explicit CTavroskServices(IUnknown* client);

    // Whether the client object answered the interface.
    explicit operator bool() const noexcept { return static_cast<bool>(mpoServices); }

    // The children of a folder (SAFEARRAY(ItmObjectData), or null).
    com::OwnedSafeArray mpoListFolder(LONG folderID, LONG folderType, BSTR folderPath);
    // The menu information of `documents` (SAFEARRAY(UniqueDocument)); the
    // out-arguments go to the library as the caller gave them. The call's
    // success code.
    HRESULT mhGetMenuInfo(SAFEARRAY* documents, ULONG infoToReturn, ULONG* enableFlags, ULONG* userRights,
                          SAFEARRAY** userSystemRights, SAFEARRAY** versionInfo, SAFEARRAY** transitionInfo,
                          SAFEARRAY** statusInfo);
    // Moves the objects (SAFEARRAY(XRefRootObject)) under the folder.
    void mvMove(SAFEARRAY* objects, LONG destinationFolderID);
    // A new item under the parent; null when the library gave no record.
    OwnedItmObjectData mpoCreateNewItem(LONG parentID, LONG parentType);
    void mvRename(LONG id, LONG parentID, LONG type, BSTR newName);
    // The call's success code; *supplement as the library left it.
    HRESULT mhGetItmInfoSupplement(SAFEARRAY** supplement);
    // The links the library reports for the items (SAFEARRAY(ItmObjectData)):
    // SAFEARRAY(LinkRecord), or null when there is nothing to do.
    com::OwnedSafeArray mpoUpdateDynamicLinks(SAFEARRAY* items);

private:
    HRESULT mhChecked(HRESULT hr);

    CComPtr<TavroskClientLib::ITavroskServices> mpoServices;
};

// The folder interface (ITavroskFolders).
class CTavroskFolders {
public:
    explicit CTavroskFolders(IUnknown* client);

    explicit operator bool() const noexcept { return static_cast<bool>(mpoFolders); }

    // A new item folder under the parent: its id, and in `storedName` the
    // name as the library stored it.
    LONG mlCreateNewItemFolder(LONG parentID, BSTR name, _bstr_t& storedName);

private:
    CComPtr<TavroskClientLib::ITavroskFolders> mpoFolders;
};
