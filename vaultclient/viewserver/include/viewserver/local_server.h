// The notification server as a local server. Programs ask for it with
// CLSCTX_LOCAL_SERVER, as for a server program of its own; here the server
// library serves it in the program's process, and the session's event
// channel carries its events between processes. A program that asks for it
// so calls RegisterNotificationServerStandIn once at its start.
#pragma once

#include "com/runtime.h"
#include "viewserver/ids.h"

namespace TavroskViewLib {

// The class object of the registered server library, or null when it is
// not registered or cannot be loaded (the creation then fails as for a
// server that did not start).
inline IClassFactory* MakeNotificationServerClassObject() {
    IClassFactory* factory = nullptr;
    if (FAILED(CoGetClassObject(CLSID_NotificationServer, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory,
                                reinterpret_cast<void**>(&factory))))
        return nullptr;
    return factory;
}

// Local-server requests for the notification server are served from then on.
inline void RegisterNotificationServerStandIn() {
    com::RegisterLocalServerStandIn(CLSID_NotificationServer, &MakeNotificationServerClassObject);
}

}  // namespace TavroskViewLib
