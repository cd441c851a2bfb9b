// The vault client's view server library "ViewServer": the view server and
// the notification server, both served in process (the notification server
// also as the stand-in of a local server, viewserver/local_server.h).
#include "notification_server.h"
#include "view_server.h"

#include "com/server/apartment_class_script.h"
#include "com/server/server_module.h"

namespace {

// Callers create both classes by their CLSIDs alone.
const com::ObjectMapEntry kObjects[] = {
    com::ObjectEntry<viewserver::CViewServer>(com::kApartmentClassKeyScript, u"", u"", u"View Server Class"),
    com::ObjectEntry<viewserver::CNotificationServer>(com::kApartmentClassKeyScript, u"", u"",
                                                      u"Notification Server Class"),
};

com::ServerModule gModule({.objects = kObjects});

}  // namespace

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, void** out) { return gModule.DllGetClassObject(clsid, iid, out); }
STDAPI DllCanUnloadNow() { return gModule.DllCanUnloadNow(); }
STDAPI DllRegisterServer() { return gModule.DllRegisterServer(); }
STDAPI DllUnregisterServer() { return gModule.DllUnregisterServer(); }
