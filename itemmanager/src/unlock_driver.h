// The unlock driver: check-in and undo check-out of a list of items through
// the vault client's unlock component. Both back ends run it; they differ in
// the object that provides the vault connection to the component (the client
// library's object or the vault object) and in what the vault object adds
// (the user's system rights, the caption the command asks for).
//
// The driver creates the component's command, starts it with the connection,
// the login and view facts and one record per item, lets the file-reference
// dialog (CASTAVYLib, with the command as its command object) confirm it
// (the check-in comment goes from the dialog to the command) and runs it
// with an UnlockOpCallback over the caller's progress object. After a
// successful run the processed items are refreshed in the item cache
// through the client back end.
#pragma once

#include "record_conversions.h"

#include "common/ref_ptr.h"

#include "brevanne/ids.h"

#include "winapi/types.h"

#include <functional>
#include <string>
#include <vector>

struct IItmProgress;
struct SAFEARRAY;
class CItemCacheFile;
class CProxy;
class CProxyTavroskAPI;

// The two operations, by the command id the unlock command takes.
enum class UnlockKind : LONG {
    kCheckIn = BrevanneLib::kCommandCheckIn,
    kUndoCheckOut = BrevanneLib::kCommandUndoCheckOut,
};

// What a back end hands the driver. Nothing is owned.
struct UnlockBackEnd {
    // Asked for IUnlockOpDb; null: the driver answers E_OXN_NULL_VALUE.
    IUnknown* mpoDataProvider = nullptr;
    // The vault object: asked for IVaultRapper (the user's system rights,
    // written to *mplSystemRights before the start record is built), and the
    // dialog's caption follows the command's answer.
    bool mbVaultObject = false;
    // The back end whose vault GUID, view path, view GUID and date format
    // fill the start record.
    const CProxy* mpoIdentity = nullptr;
    // The system rights the start record carries.
    LONG* mplSystemRights = nullptr;
    // The user id of the login, and the after-step's cache and update.
    CProxyTavroskAPI* mpoClientBackEnd = nullptr;
};

// Runs check-in or undo check-out of `items` (SAFEARRAY of VARIANTs holding
// IItmObject; folders stand for what is checked out below them) with an
// UnlockOpCallback over `progress` (null: the command runs without a
// callback, and no item is refreshed afterwards).
//
// E_OXN_NULL_VALUE for null items, an element without an item object, a
// data provider without IUnlockOpDb or a command without its dialog
// interface; S_OK at once for an empty list, nothing created; E_INVALIDARG
// when the elements are not VARIANTs; E_OXN_NOT_INITIALIZED without a client
// back end; the failure of creating the command or the dialog, of reading an
// item, of the start and of the run; E_OXN_CANCELLED_BY_USER when the user
// cancels the dialog (or the progress: the run returns it). A successful run
// ends with the after-step's result. The other failures of the component's
// calls are raised inside and come back with their error info, except
// E_OXN_NOT_INITIALIZED, which counts as success.
HRESULT ghUnlockFiles(const UnlockBackEnd& backEnd, SAFEARRAY* items, UnlockKind kind, IItmProgress* progress);

// The after-step: brings the cached records of the items named by `names`
// (the item files the run processed and the user did not skip,
// UnlockOpCallback::ProcessedItemNames) up to date. Each item's record is
// read under one direct cache scope for its id and project; an item the
// cache does not hold is skipped, as there is nothing to refresh. The others
// are removed and fetched again in one cache transaction through `update`.
// S_OK when nothing is left to refresh; a failing read (other than "not
// cached") ends with its HRESULT; else the update's result.
using UnlockCacheUpdate = std::function<HRESULT(const std::vector<std::u16string>& keysToRemove,
                                                const std::vector<CacheUpdateEntry>& itemsToFetch)>;
HRESULT ghRefreshUnlockedItems(const std::vector<std::u16string>& names, const RefPtr<CItemCacheFile>& cacheFile,
                               const UnlockCacheUpdate& update);
// The same through the client back end's cache and transacted update.
HRESULT ghRefreshUnlockedItems(const std::vector<std::u16string>& names, CProxyTavroskAPI& clientBackEnd);
