// The message-text component's library: its one class and the four exports.
#include "message_texts.h"

#include "com/server/server_module.h"

namespace {

// Only the class key: callers create the component by its CLSID. It has no
// thread affinity - each lookup makes its own object - so any apartment may
// create it.
constexpr char16_t kClassScript[] =
    uR"(
HKCR
{
    NoRemove CLSID
    {
        ForceRemove %CLSID% = s '%DESCRIPTION%'
        {
            InprocServer32 = s '%MODULE%'
            {
                val ThreadingModel = s 'Both'
            }
        }
    }
}
)";

const com::ObjectMapEntry kObjects[] = {
    com::ObjectEntry<CMessageTexts>(kClassScript, u"", u"", u"Message Texts Class"),
};

com::ServerModule gModule({.objects = kObjects});

}  // namespace

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, void** out) { return gModule.DllGetClassObject(clsid, iid, out); }
STDAPI DllCanUnloadNow() { return gModule.DllCanUnloadNow(); }
STDAPI DllRegisterServer() { return gModule.DllRegisterServer(); }
STDAPI DllUnregisterServer() { return gModule.DllUnregisterServer(); }
