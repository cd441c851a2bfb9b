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
#include "com/server/apartment_class_script.h"
#include "winapi/errors.h"
#include "winapi/registry_write_batch.h"
#include "winapi/thread_locale.h"
#include "winapi/types.h"

#include <string_view>

namespace server_registration {

inline constexpr const char16_t* kClassScript = com::kApartmentClassScript;

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
// All of it rewrites each hive once (winapi/registry_write_batch.h).
// `Module` is com::ServerModule, or anything with its two registration calls.
template <class Module>
HRESULT RegisterServer(Module& module, std::u16string_view appIdScript) {
    return com::Boundary([&]() -> HRESULT {
        ThreadLocaleScope systemLocale(LOCALE_SYSTEM_DEFAULT);
        winapi::RegistryWriteBatch batch;
        HRESULT hr = module.UpdateRegistryFromScript(appIdScript, true);
        if (SUCCEEDED(hr)) hr = module.DllRegisterServer();
        LSTATUS written = batch.Finish();
        return SUCCEEDED(hr) && written != ERROR_SUCCESS ? HRESULT_FROM_WIN32(static_cast<DWORD>(written)) : hr;
    });
}

}  // namespace server_registration
