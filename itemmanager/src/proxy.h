// CProxy: a vault back end of the item manager - one virtual operation for
// each thing the manager can ask of a vault. Two classes implement it: the
// client back end CProxyTavroskAPI (through the client library, the login
// server and the item cache) and the vault-interface back end
// CProxyOxnInterface (through the vault's public COM interface). Each
// implements its share; every other operation keeps the default here, which
// returns E_NOTIMPL and does nothing.
//
// The parameters of an operation are those of the IItmManager method of the
// same name unless noted; `manager` is the calling item manager, passed
// without a reference. Init comes first; the other operations presuppose a
// successful Init.
#pragma once

#include "common/ref_ptr.h"

#include "bellquist/records.h"
#include "com/bstr.h"
#include "com/bstr_t.h"
#include "com/variant.h"
#include "winapi/types.h"

struct SAFEARRAY;
struct IItmProgress;
class CItemCacheFile;
class SpMgr;

namespace BellquistLib {
struct IItmManager;
struct IItmObject;
struct IItmItem;
struct IItmFolder;
}  // namespace BellquistLib

class CProxy {
public:
    // The base part: empty strings, no SpMgr, user id 0; one reference on
    // the shared item cache file.
    explicit CProxy(const RefPtr<CItemCacheFile>& cacheFile);
    // Drops the cache file reference and releases SpMgr (the strings go
    // after, vault name first).
    virtual ~CProxy();
    CProxy(const CProxy&) = delete;
    CProxy& operator=(const CProxy&) = delete;

    // Slot 0. `data` is the caller's record, read during the call only.
    virtual HRESULT Init(const BellquistLib::InitData& data);
    // Slot 1: writes this back end's connection into the record in place.
    virtual HRESULT SetItemConnection(BellquistLib::ItmObjectData* record);
    // Slots 2 and 3.
    virtual HRESULT Login(BSTR vaultName, BellquistLib::LoginDataOut* result);
    virtual HRESULT LogOut();
    // Slots 4 to 8.
    virtual HRESULT EnumItemFolder(BellquistLib::IItmObject** folder, SAFEARRAY** items);
    virtual HRESULT GenerateItemFromFile(SAFEARRAY* files, BellquistLib::IItmObject* destination, SAFEARRAY** items);
    virtual HRESULT GenerateItemFromFilePath(SAFEARRAY* paths, BellquistLib::IItmObject* destination,
                                             SAFEARRAY** items);
    virtual HRESULT CreateNewItem(BellquistLib::IItmObject* parent, BellquistLib::IItmItem** newItem);
    virtual HRESULT CreateNewItemFolder(BellquistLib::IItmObject* parent, BSTR name,
                                        BellquistLib::IItmFolder** newFolder);
    // Slot 9: the manager's arguments in another order, without the
    // returned items.
    virtual HRESULT GetLatestVersion(SAFEARRAY* items, VARIANT_BOOL silent, BellquistLib::IItmManager* manager,
                                     VARIANT_BOOL copyMetaDataIfLocked);
    // Slot 10 (the manager never calls it).
    virtual HRESULT GetLatestItems(SAFEARRAY* items, SAFEARRAY** returnedItems, bool silent, bool copyMetaDataIfLocked,
                                   BellquistLib::IItmManager* manager);
    // Slot 11.
    virtual HRESULT GetSpecificVersion(BellquistLib::IItmObject* item, LONG version, SAFEARRAY** returnedItems,
                                       BellquistLib::IItmManager* manager);
    // Slots 12 to 14; `progress` is the manager's progress object.
    virtual HRESULT CheckIn(SAFEARRAY* items, IItmProgress* progress);
    virtual HRESULT CheckOut(SAFEARRAY* items, VARIANT_BOOL silent, BellquistLib::IItmManager* manager);
    virtual HRESULT UndoCheckOut(SAFEARRAY* items, IItmProgress* progress);
    // Slots 15 and 16.
    virtual HRESULT ChangeState(SAFEARRAY* items, BSTR transitionName, SAFEARRAY** changedItems);
    virtual HRESULT ChangeState2(SAFEARRAY* items, BSTR transitionName, bool revoke, SAFEARRAY** changedItems);
    // Slot 17.
    virtual HRESULT LinkFileFromFilePath(SAFEARRAY* paths, BellquistLib::IItmObject** parent, SAFEARRAY** items,
                                         BellquistLib::IItmManager* manager);
    // Slot 18.
    virtual HRESULT Delete(VARIANT_BOOL destroy, SAFEARRAY* items, BellquistLib::IItmManager* manager);
    // Slots 19 to 23.
    virtual HRESULT IncrRevision(SAFEARRAY* items);
    virtual HRESULT Move(SAFEARRAY* items, BellquistLib::IItmFolder* destination);
    virtual HRESULT Rename(BellquistLib::IItmObject* object, BSTR newName);
    virtual HRESULT BatchGetTrees(SAFEARRAY* items, LONG flags, LONG levels, SAFEARRAY** fetched,
                                  SAFEARRAY** deletedDestroyed);
    virtual HRESULT BatchRefreshTrees(SAFEARRAY* items, LONG levels, SAFEARRAY** fetched, SAFEARRAY** deletedDestroyed);
    // Slot 24.
    virtual HRESULT UpdateItemsFromDynLink(SAFEARRAY* items);
    // Slots 25 to 28.
    virtual HRESULT GetMenuInfo(SAFEARRAY* documents, ULONG infoToReturn, ULONG* enableFlags, ULONG* userRights,
                                SAFEARRAY** userSystemRights, SAFEARRAY** versionInfo, SAFEARRAY** transitionInfo,
                                SAFEARRAY** statusInfo);
    virtual HRESULT ExistInFileCache(BellquistLib::IItmObject* item, VARIANT_BOOL* exists);
    virtual HRESULT CheckCyclicReferences(SAFEARRAY* itemsLeft, SAFEARRAY* itemsRight);
    virtual HRESULT BatchGetTrees2(SAFEARRAY* items, LONG flags, LONG levels, SAFEARRAY** fetched,
                                   SAFEARRAY** deletedDestroyed);
    // Slot 29.
    virtual HRESULT Login2(BSTR vaultName, BSTR user, BSTR password, BSTR sqlUser, BSTR sqlPassword, ULONG userId,
                           BellquistLib::LoginDataOut* result);
    // Slots 30 to 32.
    virtual HRESULT GetItmInfoSupplement(SAFEARRAY** supplement);
    virtual HRESULT UpdateCache(SAFEARRAY* updates);
    virtual HRESULT RefreshLocalCache();

    // The item cache file shared by both back ends and their item objects.
    const RefPtr<CItemCacheFile>& mpoGetCacheFile() const noexcept { return mpoCacheFile; }
    // The stored-procedure manager of the login, borrowed (null before it).
    SpMgr* mpoGetSpMgr() const noexcept { return mpoSpMgr; }
    LONG mlGetUserID() const noexcept { return mlUserID; }
    LONG mlGetDateFormat() const noexcept { return mlDateFormat; }
    LONG mlGetSystemRights() const noexcept { return mlSystemRights; }
    LONG mlGetViewServerID() const noexcept { return mlViewServerID; }
    const _bstr_t& moGetVaultName() const noexcept { return moVaultName; }
    const _bstr_t& moGetViewPath() const noexcept { return moViewPath; }
    const _bstr_t& moGetComputerName() const noexcept { return moComputerName; }
    const _bstr_t& moGetDomainName() const noexcept { return moDomainName; }
    const GUID& moGetViewGUID() const noexcept { return moViewGUID; }
    const GUID& moGetVaultGUID() const noexcept { return moVaultGUID; }

protected:
    // Copies the identity fields of `data` that both back ends keep: the
    // three strings (fresh copies), both GUIDs and the view-server id.
    void mvKeepInitData(const BellquistLib::InitData& data);
    // Takes over the caller's reference on `spMgr` and releases the one held.
    void mvTakeSpMgr(SpMgr* spMgr) noexcept;

    LONG mlUserID = 0;
    _bstr_t moDomainName;
    _bstr_t moComputerName;
    _bstr_t moViewPath;
    _bstr_t moVaultName;
    SpMgr* mpoSpMgr = nullptr;  // one reference
    GUID moViewGUID{};
    GUID moVaultGUID{};
    LONG mlDateFormat = 0;
    LONG mlSystemRights = 0;
    LONG mlViewServerID = 0;
    RefPtr<CItemCacheFile> mpoCacheFile;
};
