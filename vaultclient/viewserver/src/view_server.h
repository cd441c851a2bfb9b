// The view server (CLSID_ViewServer, IViewServer): programs register the
// views that watch a vault's folder, and are told through the view's
// callback when another process changes items of that folder. A front of
// the process's event hub (event_hub.h).
//
// Apartment-threaded: made and called on the program's GUI thread, where
// the callbacks are called too.
#pragma once

#include "com/server/co_class.h"
#include "com/server/interface_map.h"
#include "com/server/object_root.h"
#include "com/server/thread_model.h"
#include "viewserver/ids.h"
#include "viewserver/interfaces.h"

namespace viewserver {

class CViewServer : public CComObjectRootEx<CComSingleThreadModel>,
                    public CComCoClass<CViewServer, &TavroskViewLib::CLSID_ViewServer>,
                    public TavroskViewLib::IViewServer {
public:
    BEGIN_COM_MAP(CViewServer)
    COM_INTERFACE_ENTRY(TavroskViewLib::IViewServer)
    END_COM_MAP()

    HRESULT STDMETHODCALLTYPE RegisterView(BSTR name, TavroskViewLib::INotificationCallback* callback,
                                           LONG* viewId) override;
    HRESULT STDMETHODCALLTYPE UnregisterView(LONG viewId) override;

protected:
    CViewServer() = default;
    ~CViewServer() = default;
};

}  // namespace viewserver
