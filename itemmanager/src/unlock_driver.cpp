#include "unlock_driver.h"

#include "oxn_batch_support.h"
#include "proxy.h"
#include "proxy_oxn_interface.h"
#include "proxy_tavrosk_api.h"
#include "running_object.h"
#include "unlock_op_callback.h"

#include "itemstore/item_cache_file.h"
#include "itemstore/item_cache_lock.h"
#include "itemstore/item_object.h"

#include "brevanne/interfaces.h"
#include "castavy/ids.h"
#include "castavy/interfaces.h"
#include "com/bstr.h"
#include "com/bstr_t.h"
#include "com/ccom_ptr.h"
#include "com/com_error.h"
#include "com/error_info.h"
#include "com/method_boundary.h"
#include "common/error_codes.h"
#include "common/record_array.h"
#include "tavrosk/client_interfaces.h"
#include "winapi/errors.h"

#include <string_view>

namespace {

using namespace BrevanneLib;

// The dialog's captions: the unlock confirmation, and the same for a command that
// reports an undo of check-outs (asked of the vault object's commands only).
constexpr char16_t kUnlockCaption[] = u"Unlock";
constexpr char16_t kUndoCheckOutCaption[] = u"UndoCheckout";

// Asks `object` for I: E_NOINTERFACE leaves `out` empty, another failure
// raises.
template <class I>
void QueryOptional(IUnknown* object, CComPtr<I>& out) {
    const HRESULT hr = object->QueryInterface(I::kIid, reinterpret_cast<void**>(&out));
    if (hr == E_NOINTERFACE)
        out = nullptr;
    else if (FAILED(hr))
        _com_issue_error(hr);
}

// The view path without its trailing backslashes, as a new string.
_bstr_t TrimmedViewPath(const _bstr_t& path) {
    std::u16string_view text = com::BstrView(static_cast<BSTR>(path));
    while (!text.empty() && text.back() == u'\\') text.remove_suffix(1);
    return _bstr_t(SysAllocStringLen(text.data(), static_cast<UINT>(text.size())), false);
}

// One file record per item, in order (the same table as the vault's
// selection); the names are new empty strings.
void FillFileRecords(const std::vector<OxnBatchItem>& items, RecordArray<UnlockFileRecord>& records) {
    records.mvCreate(static_cast<ULONG>(items.size()), LIBID_BrevanneLib, kLibraryMajorVersion, kLibraryMinorVersion);
    UnlockFileRecord* record = records.mpoBegin();
    for (const OxnBatchItem& item : items) {
        const OxnFileAndFolder ids = goToOxnSelection(item);
        record->fileId = ids.mlFileID;
        record->folderId = ids.mlFolderID;
        record->name = SysAllocString(u"");
        if (!record->name) _com_issue_error(E_OUTOFMEMORY);
        ++record;
    }
}

// The driver's steps; failures the component raises leave as COM errors.
HRESULT RunUnlock(const UnlockBackEnd& backEnd, SAFEARRAY* items, UnlockKind kind, IItmProgress* progress) {
    CComPtr<IUnlockOpDb> db;
    if (backEnd.mpoDataProvider) QueryOptional(backEnd.mpoDataProvider, db);
    if (!db) return E_OXN_NULL_VALUE;

    CComPtr<IUnlockCommand> command;
    if (HRESULT hr = ghCreateRunning(CLSID_UnlockCommand, &command); FAILED(hr)) return hr;
    CComPtr<IUnlockStart> start;
    QueryOptional(command, start);

    if (backEnd.mbVaultObject) {
        CComPtr<IVaultRapper> rapper;
        QueryOptional(backEnd.mpoDataProvider, rapper);
        if (rapper) {
            LONG userId = 0, dateFormat = 0, vaultType = 0, databaseVersion = 0, systemRights = 0;
            BSTR userName = nullptr;
            const HRESULT hr =
                rapper->GetUserInfo(&userId, &dateFormat, &userName, &vaultType, &databaseVersion, &systemRights);
            SysFreeString(userName);
            gvCheckOxnCall(hr, rapper);
            *backEnd.mplSystemRights = systemRights;
        }
    }

    const CProxy& identity = *backEnd.mpoIdentity;
    const _bstr_t viewPath = TrimmedViewPath(identity.moGetViewPath());
    UnlockStartRecord record{};
    record.vaultGuid = identity.moGetVaultGUID();
    record.viewPath = viewPath;
    record.userId = backEnd.mpoClientBackEnd->mlGetUserID();
    record.viewGuid = identity.moGetViewGUID();
    record.systemRights = *backEnd.mplSystemRights;
    record.dateFormat = identity.mlGetDateFormat();

    std::vector<OxnBatchItem> read;
    if (HRESULT hr = ghReadOxnBatchItems(items, &read); FAILED(hr)) return hr;
    RecordArray<UnlockFileRecord> files;
    FillFileRecords(read, files);

    if (!start) _com_issue_error(E_POINTER);
    if (HRESULT hr = start->Start(db, &record, files.mpoGetArray()); FAILED(hr)) return hr;
    gvCheckOxnCall(command->SetCommand(static_cast<LONG>(kind), 0), command);

    CComPtr<CASTAVYLib::IFileRefCmd3> source;
    if (FAILED(command->QueryInterface(CASTAVYLib::IFileRefCmd3::kIid, reinterpret_cast<void**>(&source))) || !source)
        return E_OXN_NULL_VALUE;
    CComPtr<CASTAVYLib::IFileCastavy> dialog;
    if (HRESULT hr = ghCreateRunning(CASTAVYLib::CLSID_FileCastavy, &dialog); FAILED(hr)) return hr;

    {
        BSTR text = nullptr;
        gvCheckOxnCall(command->GetText(&text), command);
        const _bstr_t owned(text, false);
        gvCheckOxnCall(dialog->SetText(text), dialog);
    }
    const char16_t* caption = kUnlockCaption;
    if (backEnd.mbVaultObject) {
        CComPtr<CASTAVYLib::IUnlockCommandKind> commandKind;
        QueryOptional(command, commandKind);
        LONG undo = 0;
        if (commandKind && SUCCEEDED(commandKind->GetUndoCheckOut(&undo)) && undo == 1) caption = kUndoCheckOutCaption;
    }
    const _bstr_t captionText(caption);
    const HRESULT shown = dialog->Show(0, source, 0, CASTAVYLib::kDialogWidth, captionText);
    gvCheckOxnCall(shown, dialog);
    if (shown == S_FALSE) return E_OXN_CANCELLED_BY_USER;
    {
        BSTR text = nullptr;
        gvCheckOxnCall(dialog->GetText(&text), dialog);
        const _bstr_t owned(text, false);
        gvCheckOxnCall(command->SetText(text), command);
    }

    CComPtr<UnlockOpCallback> callback;
    if (progress) {
        UnlockOpCallback* made = nullptr;
        if (HRESULT hr = UnlockOpCallback::mhCreate(progress, &made); FAILED(hr)) return hr;
        callback.Attach(made);
    }
    if (HRESULT hr = command->Run(callback, nullptr); FAILED(hr)) return hr;
    // Without a callback nothing tells which files were worked on.
    const std::vector<std::u16string> names = callback ? callback->ProcessedItemNames() : std::vector<std::u16string>();
    return ghRefreshUnlockedItems(names, *backEnd.mpoClientBackEnd);
}

}  // namespace

HRESULT ghUnlockFiles(const UnlockBackEnd& backEnd, SAFEARRAY* items, UnlockKind kind, IItmProgress* progress) {
    if (!items) return E_OXN_NULL_VALUE;
    return com::Boundary([&]() -> HRESULT {
        if (glOxnItemCount(items) == 0) return S_OK;
        if (!backEnd.mpoClientBackEnd) return E_OXN_NOT_INITIALIZED;
        try {
            return RunUnlock(backEnd, items, kind, progress);
        } catch (const _com_error& error) {
            if (error.Error() != E_OXN_NOT_INITIALIZED) throw;
            SetErrorInfo(0, nullptr);
            return S_OK;
        }
    });
}

HRESULT ghRefreshUnlockedItems(const std::vector<std::u16string>& names, const RefPtr<CItemCacheFile>& cacheFile,
                               const UnlockCacheUpdate& update) {
    if (names.empty()) return S_OK;

    std::vector<std::u16string> keysToRemove;
    std::vector<CacheUpdateEntry> itemsToFetch;
    {
        CItemCacheLock scope(cacheFile, kCacheLockDirect);
        for (const std::u16string& name : names) {
            RefPtr<ItemObject> record;
            const HRESULT hr = cacheFile->mhReadItem(scope, name, record);
            // The vault has the item's new state already; an item the cache
            // never held has nothing to bring up to date.
            if (hr == E_OXN_FILE_NOT_FOUND) continue;
            if (FAILED(hr)) return hr;
            keysToRemove.push_back(name);
            itemsToFetch.push_back({record->mlObjectID, record->mlParentProjectID, name});
        }
    }
    if (itemsToFetch.empty()) return S_OK;
    return update(keysToRemove, itemsToFetch);
}

HRESULT ghRefreshUnlockedItems(const std::vector<std::u16string>& names, CProxyTavroskAPI& clientBackEnd) {
    return ghRefreshUnlockedItems(
        names, clientBackEnd.mpoGetCacheFile(),
        [&](const std::vector<std::u16string>& keysToRemove, const std::vector<CacheUpdateEntry>& itemsToFetch) {
            return clientBackEnd.mhUpdateCacheTransacted(keysToRemove, itemsToFetch);
        });
}

// Both back ends' check-in and undo check-out.

UnlockBackEnd CProxyTavroskAPI::moUnlockBackEnd() { return {mpoClient, false, this, &mlSystemRights, this}; }

HRESULT CProxyTavroskAPI::CheckIn(SAFEARRAY* items, IItmProgress* progress) {
    return ghUnlockFiles(moUnlockBackEnd(), items, UnlockKind::kCheckIn, progress);
}

HRESULT CProxyTavroskAPI::UndoCheckOut(SAFEARRAY* items, IItmProgress* progress) {
    return ghUnlockFiles(moUnlockBackEnd(), items, UnlockKind::kUndoCheckOut, progress);
}

UnlockBackEnd CProxyOxnInterface::moUnlockBackEnd() {
    return {mpoVault, true, this, &mlSystemRights, mpoClientBackEnd};
}

HRESULT CProxyOxnInterface::CheckIn(SAFEARRAY* items, IItmProgress* progress) {
    return ghUnlockFiles(moUnlockBackEnd(), items, UnlockKind::kCheckIn, progress);
}

HRESULT CProxyOxnInterface::UndoCheckOut(SAFEARRAY* items, IItmProgress* progress) {
    return ghUnlockFiles(moUnlockBackEnd(), items, UnlockKind::kUndoCheckOut, progress);
}
