// The interfaces of the vault client's view server and notification server,
// and the callbacks they call: by vtable slot, QueryInterface being slot 0,
// so the first own method of each interface is slot 3. The declaration order
// below is therefore the contract.
//
// The servers tell the programs of this user's session what changed in a
// vault, whichever process changed it:
// - a program registers one handler with the notification server (its
//   ITavroskView, which also answers ITavroskView2); the registration id is
//   the program's own view-server id, the id its item server passes on as
//   the sender of the changes it makes;
// - a program registers views with the view server: a view watches one
//   folder of a vault (MakeViewName) and is told through its
//   INotificationCallback when items of that folder change;
// - whatever changes items posts the change to the notification server
//   (PostViewEvent, PostPathChanged, PostVaultReset).
//
// Every event reaches the callbacks on the thread that registered them (the
// program's GUI thread), from its message queue: later, never inside the
// call that posted it, and also from a modal loop. Ids are unique in the
// session (never 0), so a sender id names one registration of one process.
#pragma once

#include "com/bstr.h"
#include "com/unknown.h"
#include "winapi/types.h"

#include <string>
#include <string_view>

namespace TavroskViewLib {

// --- Callbacks, implemented by the program ---------------------------------------

// A registered view: what it shows changed elsewhere.
struct INotificationCallback : IUnknown {
    COM_INTERFACE_ID("6888AFA7-E1B9-4768-B661-8EA400084994");
    // Slot 3: items of the folder that view `viewId` watches were changed by
    // another process. The first two values are 0 and carry nothing.
    virtual HRESULT STDMETHODCALLTYPE OnNotification(LONG reserved1, LONG reserved2, LONG viewId) = 0;

protected:
    ~INotificationCallback() = default;
};

// The program's handler of vault events. Slots the servers never call keep
// their positions; the handler answers them with the constant noted.
struct ITavroskView : IUnknown {
    COM_INTERFACE_ID("AC94C7B2-6A73-11D3-9641-0004AC962A49");
    // Slot 3: answers S_OK.
    virtual HRESULT STDMETHODCALLTYPE Reserved3() = 0;
    // Slot 4: files in the local folder `path` (no trailing backslash)
    // changed; `flags` holds kPathRefresh when views are to read them again.
    // Not sent to the process that made the change.
    virtual HRESULT STDMETHODCALLTYPE OnPathChanged(BSTR path, LONG flags) = 0;
    // Slots 5 and 6: answer 1.
    virtual HRESULT STDMETHODCALLTYPE Reserved5() = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved6() = 0;
    // Slot 7: the vault `vaultName` was reset: its logins and what programs
    // hold of it are no longer valid.
    virtual HRESULT STDMETHODCALLTYPE OnVaultReset(BSTR vaultName) = 0;
    // Slot 8: answers 1; slot 9: answers S_OK.
    virtual HRESULT STDMETHODCALLTYPE Reserved8() = 0;
    virtual HRESULT STDMETHODCALLTYPE Reserved9() = 0;

protected:
    ~ITavroskView() = default;
};

// The handler's second interface (a second base of the handler, not derived
// from ITavroskView).
struct ITavroskView2 : IUnknown {
    COM_INTERFACE_ID("8B9CF81C-4F3E-41BC-ABAA-5E35B7C54875");
    // Slot 3: answers 1.
    virtual HRESULT STDMETHODCALLTYPE View2Reserved3() = 0;
    // Slot 4: the sender (its view-server id; 0 when it has none) changed
    // items of folder `projectId` of vault `vaultName`; `kind` is
    // kViewEventItemsChanged. Every registered handler is told, the sender's
    // own too: it recognises itself by the id.
    virtual HRESULT STDMETHODCALLTYPE OnViewEvent(BSTR vaultName, LONG projectId, LONG senderId, LONG kind) = 0;

protected:
    ~ITavroskView2() = default;
};

// --- The servers ---------------------------------------------------------------------

// The view server (CLSID_ViewServer).
struct IViewServer : IUnknown {
    COM_INTERFACE_ID("AB248D52-FA6D-4B26-A6B0-D1DE3D1FDDC4");
    // Slot 3: kept for its position; E_UNEXPECTED.
    virtual HRESULT STDMETHODCALLTYPE Reserved3() { return E_UNEXPECTED; }
    // Slot 4: registers a view of `name` (MakeViewName) whose changes go to
    // `callback` (held until the view is unregistered); *viewId its id.
    // E_INVALIDARG for a name that names no folder of a vault, E_POINTER
    // for a null callback or out-pointer.
    virtual HRESULT STDMETHODCALLTYPE RegisterView(BSTR name, INotificationCallback* callback, LONG* viewId) = 0;
    // Slot 5: ends the view's registration; E_INVALIDARG for an id this
    // process did not register or registered no more.
    virtual HRESULT STDMETHODCALLTYPE UnregisterView(LONG viewId) = 0;

protected:
    ~IViewServer() = default;
};

// The notification server (CLSID_NotificationServer).
struct INotificationServer : IUnknown {
    COM_INTERFACE_ID("83F5BB79-6790-11D3-9641-0004AC962A49");
    // Slot 3: registers `handler` (held until unregistered) for the vault
    // events; *cookie its registration id, the program's view-server id.
    // E_POINTER for a null handler or out-pointer.
    virtual HRESULT STDMETHODCALLTYPE Register(ITavroskView* handler, LONG* cookie) = 0;
    // Slot 4: ends the registration; E_INVALIDARG for a cookie this process
    // did not get or gave back already.
    virtual HRESULT STDMETHODCALLTYPE Unregister(LONG cookie) = 0;

    // Slots 5 to 7, for whatever changes a vault. Posting returns at once:
    // the events reach the other processes' handlers later; a process that
    // cannot take them now (gone, or its queue full) misses them.

    // Slot 5: items of folder `projectId` of `vaultName` were changed by
    // `senderId` (the changing program's view-server id, or 0): every
    // handler gets OnViewEvent, and every view of that folder registered
    // by another process than the sender's gets OnNotification.
    virtual HRESULT STDMETHODCALLTYPE PostViewEvent(BSTR vaultName, LONG projectId, LONG senderId, LONG kind) = 0;
    // Slot 6: files in the local folder `path` changed: the handlers of
    // the processes other than the sender's get OnPathChanged.
    virtual HRESULT STDMETHODCALLTYPE PostPathChanged(BSTR path, LONG flags, LONG senderId) = 0;
    // Slot 7: every handler gets OnVaultReset.
    virtual HRESULT STDMETHODCALLTYPE PostVaultReset(BSTR vaultName) = 0;

protected:
    ~INotificationServer() = default;
};

// The name of a view that watches folder `folderId` of vault `vaultName`:
// "<vault name>|<folder id>" (the id follows the last "|"). Vault names
// match without regard to case.
inline std::u16string MakeViewName(std::u16string_view vaultName, LONG folderId) {
    std::u16string name(vaultName);
    name += u'|';
    for (char c : std::to_string(folderId)) name += static_cast<char16_t>(c);
    return name;
}

}  // namespace TavroskViewLib
