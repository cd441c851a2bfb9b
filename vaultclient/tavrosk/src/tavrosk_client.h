// The main object of the client library: created by CLSID_TavroskClient, it
// logs in with the connection of a login (service slot 3), tells the
// session's connection information (service slot 8) and logs out (main
// slot 12); fetches trees (main slot 5), lists item folders (service slot
// 4), updates dynamic links (service slot 6), answers the menu information
// (service slot 7) and the information supplement (service slot 12),
// resolves local paths and finds local versions (file-info slots 3 and 4)
// from the vault database, and makes new items and item folders, moves and
// renames (service slots 10, 9, 11, folder interface slot 7) in it; hands
// the session's connection to the vault client's item operations and
// unlock component. Slots no caller uses answer E_NOTIMPL.
//
// Apartment-threaded: the item server creates it on its GUI thread and calls
// it only there.
#pragma once

#include "client_session.h"

#include "brevanne/interfaces.h"
#include "com/server/co_class.h"
#include "com/server/dispatch_impl.h"
#include "com/server/interface_map.h"
#include "com/server/object_root.h"
#include "tavrosk/client_interfaces.h"
#include "tavrosk/connection_access.h"
#include "tavrosk/ids.h"

#include <memory>

class CTavroskClient : public CComObjectRootEx<CComSingleThreadModel>,
                       public CComCoClass<CTavroskClient, &TavroskClientLib::CLSID_TavroskClient>,
                       public TavroskClientLib::ITavroskClient,
                       public TavroskClientLib::ITavroskServices,
                       public IDispatchImpl<TavroskClientLib::ITavroskFolders>,
                       public TavroskClientLib::ITavroskFileInfo,
                       public TavroskClientLib::ITavroskConnection,
                       public BrevanneLib::IUnlockOpDb {
public:
    BEGIN_COM_MAP(CTavroskClient)
    COM_INTERFACE_ENTRY(TavroskClientLib::ITavroskClient)
    COM_INTERFACE_ENTRY(TavroskClientLib::ITavroskServices)
    COM_INTERFACE_ENTRY(TavroskClientLib::ITavroskFolders)
    COM_INTERFACE_ENTRY(IDispatch)
    COM_INTERFACE_ENTRY(TavroskClientLib::ITavroskFileInfo)
    COM_INTERFACE_ENTRY(TavroskClientLib::ITavroskConnection)
    COM_INTERFACE_ENTRY(BrevanneLib::IUnlockOpDb)
    END_COM_MAP()

    // ITavroskClient
    HRESULT STDMETHODCALLTYPE UnusedSlot3() override;
    HRESULT STDMETHODCALLTYPE UnusedSlot4() override;
    // tree_fetch.h. E_POINTER for a null out-argument; E_OXN_NOT_LOGGED_IN when
    // no login is open; both out-arguments null on every failure.
    HRESULT STDMETHODCALLTYPE FetchTrees(VARIANT_BOOL bRecursive, LONG lOptions, VARIANT_BOOL bRefresh, LONG lLevels,
                                         SAFEARRAY* poInput, SAFEARRAY** ppoFetched, SAFEARRAY* poCached,
                                         SAFEARRAY** ppoDeleted) override;
    HRESULT STDMETHODCALLTYPE UnusedSlot6() override;
    HRESULT STDMETHODCALLTYPE UnusedSlot7() override;
    HRESULT STDMETHODCALLTYPE UnusedSlot8() override;
    HRESULT STDMETHODCALLTYPE UnusedSlot9() override;
    HRESULT STDMETHODCALLTYPE UnusedSlot10() override;
    HRESULT STDMETHODCALLTYPE UnusedSlot11() override;
    // Ends the session: the vault connection is let go. E_OXN_NOT_LOGGED_IN
    // when no login is open.
    HRESULT STDMETHODCALLTYPE Logout() override;

    // ITavroskServices
    // Opens a session for the login (ClientSession::Open gives the checks
    // and their codes); a session open before is replaced only when the new
    // one opens, and kept otherwise. E_POINTER for a null record.
    HRESULT STDMETHODCALLTYPE Login(TavroskClientLib::LoginRecord* poRecord) override;
    // folder_listing.h (the folder path is not read: the id names the
    // folder). E_POINTER for a null out-argument; E_OXN_NOT_LOGGED_IN when no
    // login is open; the out-argument null on every failure.
    HRESULT STDMETHODCALLTYPE ListFolder(LONG lFolderID, LONG lReserved1, LONG lReserved2, LONG lFolderType,
                                         BSTR bsFolderPath, LONG lReserved3, SAFEARRAY** ppoChildren) override;
    HRESULT STDMETHODCALLTYPE UnusedSlot5() override;
    // dynamic_links.h. E_POINTER for a null out-argument; E_OXN_NOT_LOGGED_IN
    // when no login is open.
    HRESULT STDMETHODCALLTYPE UpdateDynamicLinks(SAFEARRAY* poItems, LONG lReserved1, LONG lReserved2,
                                                 SAFEARRAY** ppoLinks) override;
    // menu_info.h; ulInfoToReturn is taken, but every out array whose
    // pointer is given is filled. E_POINTER for a null pointer to either
    // word; E_OXN_NOT_LOGGED_IN when no login is open; every out-argument
    // 0 or null on every failure.
    HRESULT STDMETHODCALLTYPE GetMenuInfo(SAFEARRAY* poDocuments, ULONG ulInfoToReturn, ULONG* pulEnableFlags,
                                          ULONG* pulUserRights, SAFEARRAY** poUserSystemRights,
                                          SAFEARRAY** poVersionInfo, SAFEARRAY** poTransitionInfo,
                                          SAFEARRAY** poStatusInfo) override;
    // The session's connection information (ClientSession::
    // FillConnectionInformation). E_POINTER for a null record;
    // E_OXN_NOT_LOGGED_IN, the record untouched, when no login is open.
    HRESULT STDMETHODCALLTYPE GetConnectionInformation(TavroskClientLib::LoginRecord* poRecord) override;
    // item_changes.h for Move, CreateNewItem, Rename and CreateNewItemFolder.
    // E_POINTER for a null out-argument; E_OXN_NOT_LOGGED_IN when no login is
    // open; out-arguments null (0) on every failure. The parent id of a rename is not read: the
    // vault knows where the object lies. A null name is the empty one.
    HRESULT STDMETHODCALLTYPE Move(SAFEARRAY* poObjects, LONG lDestFolderID) override;
    HRESULT STDMETHODCALLTYPE CreateNewItem(LONG lParentID, LONG lParentType,
                                            BellquistLib::ItmObjectData** ppoNewItem) override;
    HRESULT STDMETHODCALLTYPE Rename(LONG lID, LONG lParentID, LONG lType, BSTR bsNewName) override;
    // info_supplement.h. E_POINTER for a null out-argument;
    // E_OXN_NOT_LOGGED_IN when no login is open.
    HRESULT STDMETHODCALLTYPE GetItmInfoSupplement(SAFEARRAY** ppoSupplement) override;

    // ITavroskFolders
    HRESULT STDMETHODCALLTYPE CreateNewItemFolder(LONG lParentID, BSTR bsName, LONG lReserved, BSTR* pbsStoredName,
                                                  LONG* plNewID) override;

    // ITavroskFileInfo
    // path_resolution.h; a null *ppoItems has nothing to fill. E_POINTER for a
    // null argument; E_OXN_NOT_LOGGED_IN when no login is open.
    HRESULT STDMETHODCALLTYPE ResolvePaths(SAFEARRAY** ppoItems) override;
    // local_versions.h; a null *ppoItems has nothing to fill. E_POINTER for a
    // null argument; E_OXN_NOT_LOGGED_IN when no login is open.
    HRESULT STDMETHODCALLTYPE GetLocalVersions(SAFEARRAY** ppoItems) override;

    // ITavroskConnection and IUnlockOpDb, one method at slot 3 of both: the
    // session's vault connection, for the vault client's outside item
    // operations and its unlock component.
    HRESULT STDMETHODCALLTYPE GetConnection(SpMgr** ppoConnection) override;

protected:
    CTavroskClient() = default;
    ~CTavroskClient() = default;

private:
    std::unique_ptr<tavrosk::ClientSession> session_;  // null while logged out
};
