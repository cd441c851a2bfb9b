// The interfaces of the client library's main object (class
// CLSID_TavroskClient), as the item server calls them: by vtable slot,
// QueryInterface being slot 0. The declaration order below is therefore the
// contract. Slots declared "Unused" have no meaning a caller relies on; they
// answer E_NOTIMPL and exist so that the slots after them line up.
//
// Arrays are SAFEARRAYs of the item server's records (bellquist/records.h)
// unless noted; the caller creates and destroys every [in] array, the library
// creates every [out] array and the caller destroys it.
#pragma once

#include "com/bstr.h"
#include "com/dispatch.h"
#include "com/unknown.h"
#include "winapi/types.h"

struct SAFEARRAY;

namespace BellquistLib {
struct ItmObjectData;
}

namespace TavroskClientLib {

struct LoginRecord;

// The main interface: the object is held through it. The tree fetch is
// slot 5 and the logout slot 12, so its own methods start at slot 3.
struct ITavroskClient : IUnknown {
    COM_INTERFACE_ID("F18203F0-3923-4A67-8CB4-633F44BD3EC7");
    // Slots 3 and 4.
    virtual HRESULT STDMETHODCALLTYPE UnusedSlot3() = 0;
    virtual HRESULT STDMETHODCALLTYPE UnusedSlot4() = 0;
    // Slot 5: the trees under the input objects. lOptions: bit 1 latest, bit 2
    // not latest, bit 4 copy metadata, bit 8 respect versions, bit 16 input
    // by id only; lLevels 0 = all. poInput, *ppoFetched, poCached (or null):
    // SAFEARRAY(ItmObjectData); *ppoDeleted: SAFEARRAY(DelOrDestroyed).
    // Fetched records give moPath as the vault folder path "\A\B\" of the
    // object (a folder's own path), which is the folder below the view root.
    virtual HRESULT STDMETHODCALLTYPE FetchTrees(VARIANT_BOOL bRecursive, LONG lOptions, VARIANT_BOOL bRefresh,
                                                 LONG lLevels, SAFEARRAY* poInput, SAFEARRAY** ppoFetched,
                                                 SAFEARRAY* poCached, SAFEARRAY** ppoDeleted) = 0;
    // Slots 6 to 11. (The dynamic-link update is the service interface's slot 6.)
    virtual HRESULT STDMETHODCALLTYPE UnusedSlot6() = 0;
    virtual HRESULT STDMETHODCALLTYPE UnusedSlot7() = 0;
    virtual HRESULT STDMETHODCALLTYPE UnusedSlot8() = 0;
    virtual HRESULT STDMETHODCALLTYPE UnusedSlot9() = 0;
    virtual HRESULT STDMETHODCALLTYPE UnusedSlot10() = 0;
    virtual HRESULT STDMETHODCALLTYPE UnusedSlot11() = 0;
    // Slot 12: ends the session of the login (service slot 3).
    virtual HRESULT STDMETHODCALLTYPE Logout() = 0;

protected:
    ~ITavroskClient() = default;
};

// The services of a logged-in session: login, listing, item changes.
struct ITavroskServices : IUnknown {
    COM_INTERFACE_ID("F5AA8BCB-D3B4-442A-8AA3-8CA1827A545A");
    // Slot 3: logs the object in with the connection and identity of a login
    // (the record's BSTRs are not kept); success means ready.
    virtual HRESULT STDMETHODCALLTYPE Login(LoginRecord* poRecord) = 0;
    // Slot 4: the children of a folder (lFolderType 2 or 3): sub-folders type
    // 3, items type 4. The three reserved arguments are 0.
    // *ppoChildren: SAFEARRAY(ItmObjectData).
    virtual HRESULT STDMETHODCALLTYPE ListFolder(LONG lFolderID, LONG lReserved1, LONG lReserved2, LONG lFolderType,
                                                 BSTR bsFolderPath, LONG lReserved3, SAFEARRAY** ppoChildren) = 0;
    // Slot 5.
    virtual HRESULT STDMETHODCALLTYPE UnusedSlot5() = 0;
    // Slot 6: the dynamic-link update of the items (SAFEARRAY(ItmObjectData));
    // *ppoLinks: SAFEARRAY(LinkRecord) (tavrosk/link_record.h), or null when
    // there is nothing to do.
    virtual HRESULT STDMETHODCALLTYPE UpdateDynamicLinks(SAFEARRAY* poItems, LONG lReserved1, LONG lReserved2,
                                                         SAFEARRAY** ppoLinks) = 0;
    // Slot 7: menu information of the documents (SAFEARRAY(UniqueDocument)):
    // enable flags and user rights (bellquist/menu_info.h);
    // *poUserSystemRights: SAFEARRAY(UINT) of VT_UINT; then
    // SAFEARRAY(MenuVersionInfo), SAFEARRAY(MenuTransitionInfo) and
    // SAFEARRAY(MenuStatusNotificationInfo). The four array pointers may be
    // null (not asked for); the two words may not.
    virtual HRESULT STDMETHODCALLTYPE GetMenuInfo(SAFEARRAY* poDocuments, ULONG ulInfoToReturn, ULONG* pulEnableFlags,
                                                  ULONG* pulUserRights, SAFEARRAY** poUserSystemRights,
                                                  SAFEARRAY** poVersionInfo, SAFEARRAY** poTransitionInfo,
                                                  SAFEARRAY** poStatusInfo) = 0;
    // Slot 8: the session's vault GUID, view GUID, view path, user id and
    // system rights, written into a zeroed record; the caller frees every
    // BSTR it gets.
    virtual HRESULT STDMETHODCALLTYPE GetConnectionInformation(LoginRecord* poRecord) = 0;
    // Slot 9: moves folders and items (SAFEARRAY(XRefRootObject)) under a folder.
    virtual HRESULT STDMETHODCALLTYPE Move(SAFEARRAY* poObjects, LONG lDestFolderID) = 0;
    // Slot 10: a new item under the parent (lParentType 2 or 3); *ppoNewItem:
    // a record the caller clears and frees with CoTaskMemFree.
    virtual HRESULT STDMETHODCALLTYPE CreateNewItem(LONG lParentID, LONG lParentType,
                                                    BellquistLib::ItmObjectData** ppoNewItem) = 0;
    // Slot 11: renames an object (lType 3, 4 or 7).
    virtual HRESULT STDMETHODCALLTYPE Rename(LONG lID, LONG lParentID, LONG lType, BSTR bsNewName) = 0;
    // Slot 12: *ppoSupplement: SAFEARRAY(ItmInfoSupplement), the card
    // variables that items carry.
    virtual HRESULT STDMETHODCALLTYPE GetItmInfoSupplement(SAFEARRAY** ppoSupplement) = 0;

protected:
    ~ITavroskServices() = default;
};

// Item folders. Dual: slot 7 is its first own method.
struct ITavroskFolders : IDispatch {
    COM_INTERFACE_ID("CB1755DE-031F-49A1-9279-1A72A9D39478");
    // Slot 7: a new item folder; *pbsStoredName: the name as stored.
    virtual HRESULT STDMETHODCALLTYPE CreateNewItemFolder(LONG lParentID, BSTR bsName, LONG lReserved,
                                                          BSTR* pbsStoredName, LONG* plNewID) = 0;

protected:
    ~ITavroskFolders() = default;
};

// What the vault knows of local files and folders.
struct ITavroskFileInfo : IUnknown {
    COM_INTERFACE_ID("18B90023-FDA1-4362-AA5B-9AEDBB796CB5");
    // Slot 3: fills meItemType, mlDocumentID and mlProjectID of each record of
    // *ppoItems (SAFEARRAY(ItmDbInfo)) from its path relative to the view.
    virtual HRESULT STDMETHODCALLTYPE ResolvePaths(SAFEARRAY** ppoItems) = 0;
    // Slot 4: fills mlLocalVersion of each file record of *ppoItems
    // (SAFEARRAY(ItmObjectData)) whose moModified is the local file's time.
    virtual HRESULT STDMETHODCALLTYPE GetLocalVersions(SAFEARRAY** ppoItems) = 0;

protected:
    ~ITavroskFileInfo() = default;
};

}  // namespace TavroskClientLib
