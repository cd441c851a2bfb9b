// The notification server (CLSID_NotificationServer, INotificationServer):
// programs register their handler of vault events, and whatever changes a
// vault posts the change here for every process of the session. A front of
// the process's event hub (event_hub.h).
//
// Apartment-threaded: made and called on the program's GUI thread, where
// the handlers are called too. Posting needs no GUI.
#pragma once

#include "com/server/co_class.h"
#include "com/server/interface_map.h"
#include "com/server/object_root.h"
#include "com/server/thread_model.h"
#include "viewserver/ids.h"
#include "viewserver/interfaces.h"

namespace viewserver {

class CNotificationServer : public CComObjectRootEx<CComSingleThreadModel>,
                            public CComCoClass<CNotificationServer, &TavroskViewLib::CLSID_NotificationServer>,
                            public TavroskViewLib::INotificationServer {
public:
    BEGIN_COM_MAP(CNotificationServer)
    COM_INTERFACE_ENTRY(TavroskViewLib::INotificationServer)
    END_COM_MAP()

    HRESULT STDMETHODCALLTYPE Register(TavroskViewLib::ITavroskView* handler, LONG* cookie) override;
    HRESULT STDMETHODCALLTYPE Unregister(LONG cookie) override;
    // A text longer than the channel carries (a vault name or path of more
    // than 4096 characters) gives E_INVALIDARG.
    HRESULT STDMETHODCALLTYPE PostViewEvent(BSTR vaultName, LONG projectId, LONG senderId, LONG kind) override;
    HRESULT STDMETHODCALLTYPE PostPathChanged(BSTR path, LONG flags, LONG senderId) override;
    HRESULT STDMETHODCALLTYPE PostVaultReset(BSTR vaultName) override;

protected:
    CNotificationServer() = default;
    ~CNotificationServer() = default;
};

}  // namespace viewserver
