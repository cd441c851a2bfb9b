// CViewServerEventHandler: the process's one receiver of the vault client's
// view-server and notification-server events. It ignores the events its own
// process caused (they carry its registration id as the sender) and defers
// or forwards the rest: a path change becomes a refresh of the cached
// objects of that folder, another process's change of a folder's items a
// vault event posted to a frame, a vault reset drops the vault's login and
// cache, and a notification for a registered view refreshes that view's
// frame, at most once in 20,000 ms.
//
// The servers call it on the GUI thread from the message loop, modal loops
// included: the events hold back while an item command runs (a vault reset
// waits until the command, or an attach, has ended, because it releases the
// item manager they call).
#pragma once

#include "common/ref_obj.h"
#include "common/ref_ptr.h"

#include "com/ccom_ptr.h"
#include "viewserver/interfaces.h"
#include "winapi/system_time.h"
#include "winapi/types.h"

#include <set>
#include <string>

class CVaultNode;

class CViewServerEventHandler : public TavroskViewLib::ITavroskView,
                                public TavroskViewLib::ITavroskView2,
                                public TavroskViewLib::INotificationCallback,
                                public RefObj {
public:
    // Connects to the view server: created by class id in any context, put
    // into its running state and asked for IViewServer. A failing step
    // leaves the handler without a view server.
    CViewServerEventHandler();
    // With the view server given (may be null).
    explicit CViewServerEventHandler(TavroskViewLib::IViewServer* viewServer);

    // IUnknown, on the RefObj count: IUnknown and ITavroskView give the
    // object, ITavroskView2 and INotificationCallback their bases.
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    // ITavroskView.
    HRESULT STDMETHODCALLTYPE Reserved3() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnPathChanged(BSTR path, LONG flags) override;
    HRESULT STDMETHODCALLTYPE Reserved5() override { return 1; }
    HRESULT STDMETHODCALLTYPE Reserved6() override { return 1; }
    HRESULT STDMETHODCALLTYPE OnVaultReset(BSTR vaultName) override;
    HRESULT STDMETHODCALLTYPE Reserved8() override { return 1; }
    HRESULT STDMETHODCALLTYPE Reserved9() override { return S_OK; }
    // ITavroskView2.
    HRESULT STDMETHODCALLTYPE View2Reserved3() override { return 1; }
    HRESULT STDMETHODCALLTYPE OnViewEvent(BSTR vaultName, LONG projectId, LONG senderId, LONG kind) override;
    // INotificationCallback.
    HRESULT STDMETHODCALLTYPE OnNotification(LONG reserved1, LONG reserved2, LONG viewId) override;

    // Ends the registration of a view this handler registered: the view
    // server's result, 0 (nothing called) for an id it does not hold or
    // without a view server.
    HRESULT UnregisterView(LONG viewId);

    // A notification within this many milliseconds of the frame's last
    // refresh is dropped (exactly this many too).
    static constexpr DWORD kNotificationInterval = 20000;

    CComPtr<TavroskViewLib::INotificationServer> mpoNotificationServer;
    LONG mlRegistrationID = 0;  // the notification server's cookie: this process's view-server id
    CComPtr<TavroskViewLib::IViewServer> mpoViewServer;
    std::set<LONG> moViews;                    // the view ids the main frames registered through the handler
    DWORD (*mpfnTickCount)() = &GetTickCount;  // the clock of the notifications' interval

protected:
    ~CViewServerEventHandler() override = default;

private:
    // Logs the vault out in this process and empties its cache.
    static HRESULT mhResetVault(const RefPtr<CVaultNode>& node, const std::u16string& vaultName);
};
