// The module of an in-process server library: its object map, its lock
// count, and what its four exported functions do.
//
//   const com::ObjectMapEntry kObjects[] = {
//       com::ObjectEntry<CWidget>(kWidgetScript, u"Test.Widget.1", u"Test.Widget", u"Widget Class"),
//       {&CLSID_Gizmo, nullptr, kGizmoScript, u"Test.Gizmo.1", u"Test.Gizmo", u"Gizmo Class"},
//   };
//   com::ServerModule gModule({.objects = kObjects, .typeLibrary = &kLibrary,
//                              .appId = u"{...}", .appIdScript = kAppIdScript});
//
//   STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, void** out) {
//       return gModule.DllGetClassObject(clsid, iid, out);
//   }
//   STDAPI DllCanUnloadNow() { return gModule.DllCanUnloadNow(); }
//   STDAPI DllRegisterServer() { return gModule.DllRegisterServer(); }
//   STDAPI DllUnregisterServer() { return gModule.DllUnregisterServer(); }
//
// (exported with C linkage and default visibility). One module per library:
// its lock count is the library's own (com/server/binary_local.h), counting
// every live object of the library's classes (CComObject) and every
// LockServer lock.
//
// Registration scripts (com/server/registrar.h) run with the replacements
// MODULE (the library's path), APPID and LIBID (when the server has them),
// and for a class's script CLSID, PROGID, VIPROGID and DESCRIPTION from its
// object map entry.
#pragma once

#include "com/server/binary_local.h"
#include "com/server/class_factory_impl.h"
#include "com/server/type_library.h"
#include "com/unknown.h"

#include <span>
#include <string>
#include <string_view>

namespace com {

struct ObjectMapEntry {
    const CLSID* clsid;
    ObjectCreator create;  // null: registered by this server but not built in it
    std::u16string_view registrationScript;
    std::u16string_view progId;                    // versioned, "Server.Class.1"
    std::u16string_view versionIndependentProgId;  // "Server.Class"
    std::u16string_view description;               // "Class Class"
};

// The object map entry of a coclass T (CComCoClass).
template <class T>
ObjectMapEntry ObjectEntry(std::u16string_view registrationScript, std::u16string_view progId,
                           std::u16string_view versionIndependentProgId, std::u16string_view description) {
    return {&T::GetObjectCLSID(),     &T::CreateInstance, registrationScript, progId,
            versionIndependentProgId, description};
}

struct ServerDescription {
    std::span<const ObjectMapEntry> objects = {};
    const TypeLibrary* typeLibrary = nullptr;  // null: the server has none
    std::u16string_view appId = {};            // "{...}"; empty: the server has none
    std::u16string_view appIdScript = {};      // registered before the classes; empty: none
};

class ServerModule {
public:
    // Built while the library loads (a global of the library). Registers the
    // type library's record descriptions with the process.
    COM_LOCAL_TO_BINARY explicit ServerModule(const ServerDescription& description)
        : ServerModule(description, detail::gModuleLockCount) {}
    ServerModule(const ServerModule&) = delete;
    ServerModule& operator=(const ServerModule&) = delete;

    // The module lock: Lock keeps the library loaded until the matching
    // Unlock. Both return the new count.
    LONG Lock();
    LONG Unlock();
    LONG GetLockCount() const;

    // A new class factory of the class (asked for `iid`). E_POINTER for a
    // null `out`; CLASS_E_CLASSNOTAVAILABLE for a class that is not in the
    // map or not built here; E_UNEXPECTED when the type library's records
    // could not be registered at load; *out is null on failure.
    HRESULT DllGetClassObject(REFCLSID clsid, REFIID iid, void** out);
    // S_OK when no object and no lock of the library is alive, else S_FALSE.
    HRESULT DllCanUnloadNow() const;
    // Registers the AppID script, then each class's script in map order,
    // stopping at the first failure, then the type library. S_OK or the
    // first failure (DISP_E_EXCEPTION for a script with an error). Each hive
    // is rewritten once for all of it (winapi/registry_write_batch.h).
    HRESULT DllRegisterServer();
    // Undoes the class scripts, the type library's registration and the AppID
    // script, all of them even after a failure; S_OK or the first failure.
    // Each hive is rewritten once, as for registering.
    HRESULT DllUnregisterServer();

    // Runs one more script of the server, with the module's replacements
    // (MODULE, APPID, LIBID).
    HRESULT UpdateRegistryFromScript(std::u16string_view script, bool doRegister);

    // The library's full path, as GetModuleFileNameW gives it; empty when
    // it cannot be found.
    std::u16string ModulePath() const;

private:
    ServerModule(const ServerDescription& description, std::atomic<LONG>& lockCount);

    HRESULT RegisterAll();
    HRESULT RunClassScript(const ObjectMapEntry& entry, bool doRegister);
    HRESULT RunScript(std::u16string_view script, bool doRegister, const ObjectMapEntry* entry);

    ServerDescription description_;
    std::atomic<LONG>& lockCount_;  // the library's own
    HRESULT recordsFailure_ = S_OK;
};

}  // namespace com
