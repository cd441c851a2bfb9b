// How the servers Bellquist, Coravent and Dunmorrow register themselves.
//
// Each server has an AppID script of its own and registers every class of
// its object map (com/server/server_module.h) with the one class script
// below. Its module carries the AppID - the scripts use it as %APPID% - but
// not the AppID script, which the server runs itself:
//
//   STDAPI DllRegisterServer() { return server_registration::RegisterServer(gModule, kAppIdScript); }
//   STDAPI DllUnregisterServer() { return gModule.DllUnregisterServer(); }
//
// so unregistering removes the classes and the type library's registration
// and leaves the AppID keys in place.
#pragma once

#include "com/method_boundary.h"
#include "winapi/errors.h"
#include "winapi/thread_locale.h"
#include "winapi/types.h"

#include <string_view>

namespace server_registration {

// Under HKEY_CLASSES_ROOT: the versioned ProgID and the version-independent
// one (its CurVer naming the versioned one), each with the CLSID, and the
// class's key. Registering removes the class's key and writes it anew, so
// that nothing of an earlier registration stays in it. Filled in from the
// class's object map entry (CLSID, PROGID, VIPROGID, DESCRIPTION) and the
// module (MODULE, APPID, LIBID).
inline constexpr char16_t kClassScript[] = uR"(
HKCR
{
    %PROGID% = s '%DESCRIPTION%'
    {
        CLSID = s '%CLSID%'
    }
    %VIPROGID% = s '%DESCRIPTION%'
    {
        CLSID = s '%CLSID%'
        CurVer = s '%PROGID%'
    }
    NoRemove CLSID
    {
        ForceRemove %CLSID% = s '%DESCRIPTION%'
        {
            ProgID = s '%PROGID%'
            VersionIndependentProgID = s '%VIPROGID%'
            ForceRemove Programmable
            InprocServer32 = s '%MODULE%'
            {
                val ThreadingModel = s 'Apartment'
            }
            val AppID = s '%APPID%'
            TypeLib = s '%LIBID%'
        }
    }
}
)";

// Sets the calling thread's locale for the life of the scope and gives the
// thread its earlier locale back at the end, however the scope is left.
class ThreadLocaleScope {
public:
    explicit ThreadLocaleScope(LCID locale) : saved_(GetThreadLocale()) { SetThreadLocale(locale); }
    ~ThreadLocaleScope() { SetThreadLocale(saved_); }
    ThreadLocaleScope(const ThreadLocaleScope&) = delete;
    ThreadLocaleScope& operator=(const ThreadLocaleScope&) = delete;

private:
    LCID saved_;
};

// DllRegisterServer of a server. With the thread's locale set to the
// system's default for the whole registration (the texts registration
// writes must not depend on the caller's locale), registers the AppID script,
// then the module's classes in map order - stopping at the first failure -
// and its type library. The caller's locale is back whatever the outcome.
// S_OK or the first failure; an exception becomes an HRESULT (com::Boundary).
// `Module` is com::ServerModule, or anything with its two registration calls.
template <class Module>
HRESULT RegisterServer(Module& module, std::u16string_view appIdScript) {
    return com::Boundary([&]() -> HRESULT {
        ThreadLocaleScope systemLocale(LOCALE_SYSTEM_DEFAULT);
        if (HRESULT hr = module.UpdateRegistryFromScript(appIdScript, true); FAILED(hr)) return hr;
        return module.DllRegisterServer();
    });
}

}  // namespace server_registration
