// CProxyOxnInterface: the vault-interface back end of the item manager. It
// works through the vault's public COM interface: the vault object that the
// explorer hands over in InitData (mllOxnVault). Each operation asks the
// vault object for a batch utility, hands it the items, lets the vault show
// its own dialog, runs it (a get with a callback object) and turns the
// vault's answer into an HRESULT. Check-in and undo check-out drive the
// vault client's unlock component instead (unlock_driver.h). Every other
// operation keeps the default of CProxy.
//
// Common to the batch operations: E_OXN_NOT_INITIALIZED without a vault
// object; E_OXN_NULL_VALUE for a null items array, a vault object that makes
// no utility, or an element without an item object; E_OXN_CANCELLED_BY_USER
// for an empty items array (the vault is not called) and for a dialog the
// user refused. The failures of the vault's calls that raise (the factory,
// the building calls of a get, every call of change state and delete, the
// result lists) leave the operation as a COM error with that interface's
// error info, which the manager's method boundary returns.
#pragma once

#include "proxy.h"

struct IUnknown;
class CProxyTavroskAPI;
struct UnlockBackEnd;
namespace OxnVaultLib {
struct IOxnProgress;
}

class CProxyOxnInterface : public CProxy {
public:
    // Over the shared cache file and the client back end of the same
    // manager (kept as a plain pointer, not owned); no vault object yet.
    CProxyOxnInterface(const RefPtr<CItemCacheFile>& cacheFile, CProxyTavroskAPI* clientBackEnd);
    // Releases the vault object, then the base part.
    ~CProxyOxnInterface() override;

    // Keeps the parent window, the identity fields of `data` and the vault
    // object named by mllOxnVault (a reference is added to it and the one
    // held before released; 0 leaves no vault object). S_OK; a failed
    // string copy raises E_OUTOFMEMORY.
    HRESULT Init(const BellquistLib::InitData& data) override;

    // The batch get of the items' latest versions (folders: every file below
    // them); silent skips the vault's dialog. E_OXN_LOCK_ERRORS when a file
    // could not be got (result list 8) - unless it was got after all (list
    // 4), which only counts when the get had more than one file.
    HRESULT GetLatestVersion(SAFEARRAY* items, VARIANT_BOOL silent, BellquistLib::IItmManager* manager,
                             VARIANT_BOOL copyMetaDataIfLocked) override;
    // The same get with the files locked for this user, view and computer.
    HRESULT CheckOut(SAFEARRAY* items, VARIANT_BOOL silent, BellquistLib::IItmManager* manager) override;
    // The get of one item at `version`, always with the vault's dialog.
    // E_OXN_NULL_VALUE for a null item or out-pointer; E_ITEM_INVALID_SOURCE
    // for anything but an item. *returnedItems is not written.
    HRESULT GetSpecificVersion(BellquistLib::IItmObject* item, LONG version, SAFEARRAY** returnedItems,
                               BellquistLib::IItmManager* manager) override;
    // Check-in and undo check-out through the vault client's unlock
    // component (unlock_driver.h), with the vault object as its data
    // provider: the user's system rights come from the vault object, and
    // the dialog is captioned "UndoCheckout" when the command reports an
    // undo of check-outs, else "Unlock". The processed items are refreshed
    // in the cache through the client back end.
    HRESULT CheckIn(SAFEARRAY* items, IItmProgress* progress) override;
    HRESULT UndoCheckOut(SAFEARRAY* items, IItmProgress* progress) override;
    // ChangeState2 without revoke.
    HRESULT ChangeState(SAFEARRAY* items, BSTR transitionName, SAFEARRAY** changedItems) override;
    // Moves the items along the transition `transitionName` (with revoke:
    // back along it). E_OXN_CANCELLED_BY_USER when the name is no transition
    // of the items. With `changedItems`, the changed files as a new SAFEARRAY
    // of VARIANTs (VT_DISPATCH) in the vault's order: an item given in
    // `items` comes back as that same object, any other as a new item
    // object; nothing changed leaves *changedItems as it was.
    HRESULT ChangeState2(SAFEARRAY* items, BSTR transitionName, bool revoke, SAFEARRAY** changedItems) override;
    // Deletes the folders, items and BOMs among `items` (destroy: for good);
    // root folders and files are skipped. A run the vault refuses in part
    // shows its errors and still answers S_OK: the explorer refreshes
    // afterwards and shows what remains.
    HRESULT Delete(VARIANT_BOOL destroy, SAFEARRAY* items, BellquistLib::IItmManager* manager) override;
    // Gets the latest version of every file with a local copy in the view
    // folder, with the vault client's progress window over the active
    // window. E_OXN_NOT_INITIALIZED without a vault object; E_POINTER when
    // the progress object cannot be made, before the vault is asked.
    HRESULT RefreshLocalCache() override;

    ULONGLONG mulGetParentWnd() const noexcept { return mulParentWnd; }
    // Borrowed; null until Init names one.
    IUnknown* mpoGetVault() const noexcept { return mpoVault; }
    CProxyTavroskAPI* mpoGetClientBackEnd() const noexcept { return mpoClientBackEnd; }

protected:
    // The parent window as the vault's calls take it (32 bits).
    LONG mlParentWnd() const noexcept { return static_cast<LONG>(static_cast<ULONG>(mulParentWnd)); }
    // The batch get behind GetLatestVersion, CheckOut and GetSpecificVersion:
    // `items` null for the single file at `version`.
    HRESULT mhBatchGet(SAFEARRAY* items, BellquistLib::IItmObject* single, LONG version, LONG treeFlags,
                       bool showDialog);
    // The vault client's progress object of the refresh: created by class id
    // (any context), run, and asked for its interface. Tests put a scripted
    // one in its place.
    virtual HRESULT mhCreateProgress(OxnVaultLib::IOxnProgress** progress);
    // What the unlock driver gets from this back end.
    UnlockBackEnd moUnlockBackEnd();
    // A new item object (through the client back end) for a changed file the
    // caller did not give: an item in the folder, named by the file-name
    // part of `path`.
    HRESULT mhCreateChangedItem(BSTR path, LONG fileId, LONG folderId, BellquistLib::IItmObject** object);

    ULONGLONG mulParentWnd = 0;
    IUnknown* mpoVault = nullptr;  // one reference
    CProxyTavroskAPI* mpoClientBackEnd;
};
