#include "view_server.h"

#include "event_hub.h"

#include "com/bstr.h"

namespace viewserver {

HRESULT CViewServer::RegisterView(BSTR name, TavroskViewLib::INotificationCallback* callback, LONG* viewId) {
    return EventHub::Instance().RegisterView(com::BstrView(name), callback, viewId);
}

HRESULT CViewServer::UnregisterView(LONG viewId) { return EventHub::Instance().UnregisterView(viewId); }

}  // namespace viewserver
