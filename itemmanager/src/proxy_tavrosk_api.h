// CProxyTavroskAPI: the client back end of the item manager. It reaches the
// vault through two outside objects that it creates at Init: the client
// library's main object (the client object) and the login server's Login
// object. Here: construction, Init, the connection it hands to new item
// objects, the two logins with their shared worker, the logout and the
// destruction; the browsing operations and the tree fetch behind them, and
// the item operations and the calls into the item generation server (their
// own files); the other operations keep the default of CProxy.
#pragma once

#include "proxy.h"

#include "com/ccom_ptr.h"

#include <string>
#include <vector>

namespace TavroskClientLib {
struct ITavroskClient;
}
namespace BellquistLib {
struct IItmLinkManager;
}
namespace DunmorrowLib {
struct ILogin;
struct LoginInfo;
}  // namespace DunmorrowLib
class CProxyOxnInterface;
class CItemCacheLock;
struct CacheUpdateEntry;
struct UnlockBackEnd;

class CProxyTavroskAPI : public CProxy {
public:
    // Over the shared cache file: parent window 0, no client object, no
    // login object, no vault-interface back end.
    explicit CProxyTavroskAPI(const RefPtr<CItemCacheFile>& cacheFile);
    // Releases the login object, then the client object, then the base part.
    ~CProxyTavroskAPI() override;

    // Creates (CoCreateInstance, context 23, then OleRun) the client
    // library's main object and the login server's Login object, each
    // replacing the one held, and keeps the parent window and the identity
    // fields of `data`. The HRESULT of the first failing creation step,
    // with that object left null; else S_OK.
    HRESULT Init(const BellquistLib::InitData& data) override;
    // Writes the client object into mpoConnection of the record, without a
    // reference (the item object loaded from the record takes its own).
    HRESULT SetItemConnection(BellquistLib::ItmObjectData* record) override;
    // The interactive login (the login server may show its dialog) and the
    // direct one with the given credentials. E_OXN_NULL_VALUE for a null vault
    // name, without calling the login server; else the login worker's
    // result.
    HRESULT Login(BSTR vaultName, BellquistLib::LoginDataOut* result) override;
    HRESULT Login2(BSTR vaultName, BSTR user, BSTR password, BSTR sqlUser, BSTR sqlPassword, ULONG userId,
                   BellquistLib::LoginDataOut* result) override;
    // Logs the client object out (E_OXN_NULL_VALUE when it is missing or its
    // logout fails), then the login object (E_OXN_NOT_INITIALIZED when it is
    // missing; its failure returned). SpMgr and the login data stay.
    HRESULT LogOut() override;

    // Browsing: each runs the tree fetch with the arguments its row of the
    // fetch's caller table gives (proxy_tavrosk_api_browse.cpp).
    // BatchGetTrees and BatchRefreshTrees take item objects (E_POINTER for a
    // null array), BatchGetTrees2 ItemDataIn records (Bgtf_IdOnlyInput
    // added), UpdateCache CacheUpdate records (version -1: removed and
    // fetched again in one cache transaction; others: fetched with flags 124).
    HRESULT BatchGetTrees(SAFEARRAY* items, LONG flags, LONG levels, SAFEARRAY** fetched,
                          SAFEARRAY** deletedDestroyed) override;
    HRESULT BatchRefreshTrees(SAFEARRAY* items, LONG levels, SAFEARRAY** fetched,
                              SAFEARRAY** deletedDestroyed) override;
    HRESULT BatchGetTrees2(SAFEARRAY* items, LONG flags, LONG levels, SAFEARRAY** fetched,
                           SAFEARRAY** deletedDestroyed) override;
    HRESULT UpdateCache(SAFEARRAY* updates) override;
    // Refreshes the dynamic file links of the items (SAFEARRAY of VARIANTs
    // with item objects) through the client library and writes the links it
    // reports into the items' cached children lists, all in one cache
    // transaction (proxy_tavrosk_api_cache_refresh.cpp).
    HRESULT UpdateItemsFromDynLink(SAFEARRAY* items) override;

    // The item operations (proxy_tavrosk_api_items.cpp). The client
    // library's calls go through tavrosk_services.h: without the interface
    // an operation needs (or without a client object) it answers
    // E_OXN_NULL_VALUE, and a failing call comes back with the library's
    // error info.
    //
    // The children of a vault or item folder (*folder; E_OXN_NULL_VALUE when
    // null, E_ITEM_INVALID_ITEM_TYPE for another type) as item objects:
    // items checked out to this view get the cached dirty flag and, when the
    // library saw no children, the cache's answer. A vault object without a
    // connection gets the client object.
    HRESULT EnumItemFolder(BellquistLib::IItmObject** folder, SAFEARRAY** items) override;
    // A new item under a vault or item folder (E_ITEM_INVALID_TARGET for
    // another parent): linked into the parent's link manager when it has one
    // and written to the item cache.
    HRESULT CreateNewItem(BellquistLib::IItmObject* parent, BellquistLib::IItmItem** newItem) override;
    // A new item folder named `name` under the parent, linked into the
    // parent's link manager when it has one; folders are not cached.
    HRESULT CreateNewItemFolder(BellquistLib::IItmObject* parent, BSTR name,
                                BellquistLib::IItmFolder** newFolder) override;
    // Moves the objects under the destination folder in the vault, then
    // gives each object the folder as parent project and folder path.
    HRESULT Move(SAFEARRAY* items, BellquistLib::IItmFolder* destination) override;
    // Renames a folder, item or BOM (E_ITEM_INVALID_SOURCE for other types)
    // in the vault; an item's name gets the item extension when it lacks it
    // (exactly ".<item>"), and the object and the item's cache record take
    // the name as sent. E_OXN_INVALID_NAME for a name with a backslash,
    // before anything is sent.
    HRESULT Rename(BellquistLib::IItmObject* object, BSTR newName) override;
    // E_ITEM_CYCLIC_REFERENCE when an item of `itemsLeft` lies anywhere in
    // the vault's trees of `itemsRight` (fetched latest and recursively);
    // S_OK when either list is missing.
    HRESULT CheckCyclicReferences(SAFEARRAY* itemsLeft, SAFEARRAY* itemsRight) override;
    // Whether the item cache holds a record of the item's name.
    HRESULT ExistInFileCache(BellquistLib::IItmObject* item, VARIANT_BOOL* exists) override;
    // The library's menu information for the item objects of `documents`
    // (E_OXN_NOT_INITIALIZED for an empty list); the other arguments go to
    // the library as given.
    HRESULT GetMenuInfo(SAFEARRAY* documents, ULONG infoToReturn, ULONG* enableFlags, ULONG* userRights,
                        SAFEARRAY** userSystemRights, SAFEARRAY** versionInfo, SAFEARRAY** transitionInfo,
                        SAFEARRAY** statusInfo) override;
    // The card variables items carry (SAFEARRAY(ItmInfoSupplement)).
    HRESULT GetItmInfoSupplement(SAFEARRAY** supplement) override;

    // The calls into the item generation server
    // (proxy_tavrosk_api_generation.cpp). Each creates one ItemOperation of
    // the server, starts it with this session (SpMgr, view, user) and lets
    // it show its reference dialog on the parent window. A failing call of
    // the operation comes back with the operation's error info.
    //
    // Items generated from file objects (items, files, BOMs) or from local
    // paths below the view folder, created in `destination`'s folder (not
    // in one the user may pick in the dialog). *items: the new item objects
    // (SAFEARRAY of VARIANT), or null when the list was empty of references
    // or the user cancelled (S_OK). E_POINTER for a null argument.
    HRESULT GenerateItemFromFile(SAFEARRAY* files, BellquistLib::IItmObject* destination, SAFEARRAY** items) override;
    HRESULT GenerateItemFromFilePath(SAFEARRAY* paths, BellquistLib::IItmObject* destination,
                                     SAFEARRAY** items) override;
    // Lets the user choose among the files of `paths` (and what they
    // reference) those to link to the item *parent: the item is checked out
    // silently through the vault-interface back end (a failure is shown to
    // the user and returned), then the chosen files become item objects
    // linked to it as new links and come back in *items (SAFEARRAY of
    // VARIANT). S_OK with *items null when nothing was chosen.
    // E_OXN_NULL_VALUE for a null argument or without a client object,
    // E_ITEM_INVALID_TARGET when *parent is no item, E_POINTER without a
    // vault-interface back end.
    HRESULT LinkFileFromFilePath(SAFEARRAY* paths, BellquistLib::IItmObject** parent, SAFEARRAY** items,
                                 BellquistLib::IItmManager* manager) override;
    // The generation driver: runs the operation over `selection`
    // (SAFEARRAY(ItemData)) into the folder of `destination` and merges the
    // generated records into item objects (*items, null when none). The
    // reference on `destination` goes with the call.
    HRESULT mhGenerateItems(SAFEARRAY* selection, CComPtr<BellquistLib::IItmObject> destination, SAFEARRAY** items);
    // The add-files driver: the dialog over the files of `paths` against the
    // current links of `links` (its reference goes with the call); the
    // chosen files as SAFEARRAY(ItmObjectData) in *records (left as the
    // caller set it when nothing was checked). S_FALSE when the operation
    // found nothing to show or the user cancelled.
    HRESULT mhAddFilesToItem(SAFEARRAY* paths, CComPtr<BellquistLib::IItmLinkManager> links, SAFEARRAY** records);
    // The local paths (SAFEARRAY of VT_BSTR VARIANTs) below the view folder
    // as a selection (SAFEARRAY(ItemData): document and folder ids from the
    // client library, empty names) and their common item type.
    // E_OXN_NULL_VALUE without the library's file-info interface,
    // E_INVALIDARG for a path that cannot be converted, E_OXN_INVALID_TYPE
    // when the paths are of different item types; the library's failure as
    // it is. Raises the failure of asking the library for its interface.
    HRESULT mhResolveFilePaths(SAFEARRAY* paths, SAFEARRAY** selection, LONG* itemType);

    // The tree fetch (proxy_tavrosk_api_fetch.cpp): asks the client library
    // for the trees of `input` (SAFEARRAY of ItmObjectData), sending along
    // their cached trees unless Bgtf_IgnoreInputFromFileCache, removes the
    // items the vault reports deleted from the cache, merges the fetched
    // records into item objects (and the cache with Bgtf_UpdateFileCache)
    // and refreshes the files' local versions. *results (SAFEARRAY of
    // VARIANT) and *deleted (SAFEARRAY of DelOrDestroyed) go to the caller
    // when wanted (null out-pointers: not wanted). `lock` is the caller's
    // open transacted cache scope, or null: without one, each cache step
    // takes its own short scope and none is held while the library works.
    HRESULT mhFetchTrees(SAFEARRAY* input, LONG flags, LONG levels, LONG getLatest, VARIANT_BOOL refresh,
                         SAFEARRAY** results, SAFEARRAY** deleted, CItemCacheLock* lock);
    // The cached trees of the input's items down to `levels` (0: all), as a
    // new SAFEARRAY of ItmObjectData for the caller: the items' children,
    // then each input item's own record with the parent it was given under.
    // *cached is null when the input holds no item.
    HRESULT mhReadCachedTrees(CItemCacheLock& lock, SAFEARRAY* input, LONG levels, SAFEARRAY** cached);
    // In one cache transaction: removes the items named by `keysToRemove`,
    // then fetches the items of `itemsToFetch` (id, parent project id,
    // name) again into the cache. Any failure reverts the transaction and
    // is returned; else the commit's result.
    HRESULT mhUpdateCacheTransacted(const std::vector<std::u16string>& keysToRemove,
                                    const std::vector<CacheUpdateEntry>& itemsToFetch);

    // Operations driven through outside objects
    // (proxy_tavrosk_api_operations.cpp). Each reads its items (SAFEARRAY of
    // VARIANTs with item objects) and creates the outside object anew per
    // call. 0x80040201 (E_OXN_NOT_INITIALIZED) from the outside objects counts
    // as success.
    //
    // GetLatestItems: silent, a tree fetch of the latest versions into the
    // cache; otherwise the outside get operation for the latest versions.
    HRESULT GetLatestItems(SAFEARRAY* items, SAFEARRAY** returnedItems, bool silent, bool copyMetaDataIfLocked,
                           BellquistLib::IItmManager* manager) override;
    // The outside get operation with `version` for one item (type 4, else
    // E_ITEM_INVALID_SOURCE). E_OXN_NULL_VALUE for a null item or out-pointer.
    HRESULT GetSpecificVersion(BellquistLib::IItmObject* item, LONG version, SAFEARRAY** returnedItems,
                               BellquistLib::IItmManager* manager) override;
    // The outside delete operation, started interactively; its lists are not
    // used and it is not ended. `destroy` is not passed on. E_OXN_NULL_VALUE
    // for null items or manager.
    HRESULT Delete(VARIANT_BOOL destroy, SAFEARRAY* items, BellquistLib::IItmManager* manager) override;
    // The revision object, started with this session, given the items
    // whose ItemObjectFlags lack bit 0, asked (the user may decline) and run.
    // S_FALSE when no item is left or either answer is false; E_POINTER for
    // a null array.
    HRESULT IncrRevision(SAFEARRAY* items) override;
    // Check-in and undo check-out through the vault client's unlock
    // component (unlock_driver.h), with the client library's object as its
    // data provider and the dialog captioned "Unlock". The item manager
    // sends both to the vault-interface back end; these serve callers of the
    // back end itself.
    HRESULT CheckIn(SAFEARRAY* items, IItmProgress* progress) override;
    HRESULT UndoCheckOut(SAFEARRAY* items, IItmProgress* progress) override;
    // The outside get operation driver: `manager` hands the operation its
    // items (IVaultUtils), the operation copies the files of `version` (-1:
    // the latest) into the view folder and returns the records to refresh,
    // which are then fetched into the cache and *returnedItems (SAFEARRAY of
    // VARIANT, null when nothing was fetched). E_OXN_NULL_VALUE for a null
    // list, out-pointer or manager; S_OK at once for an empty list.
    HRESULT mhGetThroughOperation(LONG version, SAFEARRAY* items, SAFEARRAY** returnedItems, bool silent,
                                  BellquistLib::IItmManager* manager);

    // Set by the manager once both back ends exist; not owned.
    void mvSetOxnInterface(CProxyOxnInterface* vaultBackEnd) noexcept { mpoOxnInterface = vaultBackEnd; }
    CProxyOxnInterface* mpoGetOxnInterface() const noexcept { return mpoOxnInterface; }
    ULONGLONG mulGetParentWnd() const noexcept { return mulParentWnd; }
    // Borrowed; null before a successful Init.
    TavroskClientLib::ITavroskClient* mpoGetClient() const noexcept { return mpoClient; }
    DunmorrowLib::ILogin* mpoGetLogin() const noexcept { return mpoLogin; }

    // The item object for `record` (one reference in *object): folders,
    // files and BOMs by class id, then Load; an item with a link manager over
    // `cacheFile`; S_OK and null for types 0, 5, 8, 9. The load gets the
    // local path below the view folder and `connection` (given a `source`,
    // its TavroskAPI instead). E_OXN_NULL_VALUE for a null record,
    // E_ITEM_INVALID_ITEM_TYPE for a type outside 0 to 9. Defined in
    // item_object_conversion.cpp.
    HRESULT mhCreateItmObject(BellquistLib::ItmObjectData* record, BellquistLib::IItmObject** object,
                              RefPtr<CItemCacheFile> cacheFile, BellquistLib::IItmObject* source, IUnknown* connection);

protected:
    // The worker behind Login and Login2: logs in through the login object,
    // then logs the client object in with the result, keeps what later
    // operations need and fills `result` when given.
    HRESULT mhLogin(const DunmorrowLib::LoginInfo& info, BellquistLib::LoginDataOut* result);
    // What the unlock driver gets from this back end.
    UnlockBackEnd moUnlockBackEnd();
    // Sets DynamicFileLinkVersion of every item object of `items` to the
    // attached version of its first cached dynamically linked child, -1
    // when it has none.
    HRESULT mhSetDynLinkVersions(SAFEARRAY* items);

    ULONGLONG mulParentWnd = 0;
    TavroskClientLib::ITavroskClient* mpoClient = nullptr;  // one reference
    DunmorrowLib::ILogin* mpoLogin = nullptr;               // one reference
    CProxyOxnInterface* mpoOxnInterface = nullptr;
};
