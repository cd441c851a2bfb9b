#include "com/server/server_module.h"

#include "com/hresults.h"
#include "com/server/registrar.h"
#include "winapi/errors.h"
#include "winapi/guid_text.h"
#include "winapi/modules.h"
#include "winapi/registry_write_batch.h"

#include <exception>
#include <vector>

namespace com {

ServerModule::ServerModule(const ServerDescription& description, std::atomic<LONG>& lockCount)
    : description_(description), lockCount_(lockCount) {
    const TypeLibrary* library = description_.typeLibrary;
    if (library && library->registerRecords) {
        // A wrong record description must not end the process that loads the
        // server; the server then refuses to hand out objects instead.
        try {
            library->registerRecords();
        } catch (const std::exception&) {
            recordsFailure_ = E_UNEXPECTED;
        }
    }
}

LONG ServerModule::Lock() { return lockCount_.fetch_add(1) + 1; }

LONG ServerModule::Unlock() { return lockCount_.fetch_sub(1) - 1; }

LONG ServerModule::GetLockCount() const { return lockCount_.load(); }

HRESULT ServerModule::DllGetClassObject(REFCLSID clsid, REFIID iid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    for (const ObjectMapEntry& entry : description_.objects) {
        if (*entry.clsid != clsid) continue;
        if (!entry.create) break;  // registered, but not built in this server
        if (FAILED(recordsFailure_)) return recordsFailure_;
        return CreateClassFactory(entry.create, this, iid, out);
    }
    return CLASS_E_CLASSNOTAVAILABLE;
}

HRESULT ServerModule::DllCanUnloadNow() const { return lockCount_.load() == 0 ? S_OK : S_FALSE; }

HRESULT ServerModule::DllRegisterServer() {
    // The server's scripts and its type library in one rewrite of each hive.
    winapi::RegistryWriteBatch batch;
    HRESULT hr = RegisterAll();
    LSTATUS written = batch.Finish();
    return SUCCEEDED(hr) && written != ERROR_SUCCESS ? HRESULT_FROM_WIN32(static_cast<DWORD>(written)) : hr;
}

HRESULT ServerModule::RegisterAll() {
    if (!description_.appIdScript.empty()) {
        if (HRESULT hr = UpdateRegistryFromScript(description_.appIdScript, true); FAILED(hr)) return hr;
    }
    for (const ObjectMapEntry& entry : description_.objects) {
        if (HRESULT hr = RunClassScript(entry, true); FAILED(hr)) return hr;
    }
    if (description_.typeLibrary) {
        std::u16string path = ModulePath();
        if (path.empty()) return HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND);
        return RegisterTypeLib(*description_.typeLibrary, path, u"");
    }
    return S_OK;
}

HRESULT ServerModule::DllUnregisterServer() {
    winapi::RegistryWriteBatch batch;
    HRESULT first = S_OK;
    auto keep = [&first](HRESULT hr) {
        if (SUCCEEDED(first) && FAILED(hr)) first = hr;
    };
    for (const ObjectMapEntry& entry : description_.objects) keep(RunClassScript(entry, false));
    if (description_.typeLibrary) keep(UnRegisterTypeLib(*description_.typeLibrary));
    if (!description_.appIdScript.empty()) keep(UpdateRegistryFromScript(description_.appIdScript, false));
    LSTATUS written = batch.Finish();
    if (written != ERROR_SUCCESS) keep(HRESULT_FROM_WIN32(static_cast<DWORD>(written)));
    return first;
}

HRESULT ServerModule::UpdateRegistryFromScript(std::u16string_view script, bool doRegister) {
    return RunScript(script, doRegister, nullptr);
}

HRESULT ServerModule::RunClassScript(const ObjectMapEntry& entry, bool doRegister) {
    if (entry.registrationScript.empty()) return S_OK;
    return RunScript(entry.registrationScript, doRegister, &entry);
}

HRESULT ServerModule::RunScript(std::u16string_view script, bool doRegister, const ObjectMapEntry* entry) {
    std::u16string path = ModulePath();
    if (path.empty()) return HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND);
    Registrar registrar;
    registrar.AddReplacement(u"MODULE", path);
    if (!description_.appId.empty()) registrar.AddReplacement(u"APPID", description_.appId);
    if (description_.typeLibrary)
        registrar.AddReplacement(u"LIBID", winapi::GuidToString(*description_.typeLibrary->libraryId));
    if (entry) {
        registrar.AddReplacement(u"CLSID", winapi::GuidToString(*entry->clsid));
        registrar.AddReplacement(u"PROGID", entry->progId);
        registrar.AddReplacement(u"VIPROGID", entry->versionIndependentProgId);
        registrar.AddReplacement(u"DESCRIPTION", entry->description);
    }
    return doRegister ? registrar.Register(script) : registrar.Unregister(script);
}

std::u16string ServerModule::ModulePath() const {
    // Looked up on demand, never while the library is still being loaded.
    HMODULE module = winapi::ModuleFromAddress(&lockCount_);
    if (!module) return {};
    std::vector<WCHAR> buffer(MAX_PATH);
    for (;;) {
        DWORD length = GetModuleFileNameW(module, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) return {};
        if (length < buffer.size()) return std::u16string(buffer.data(), length);
        buffer.resize(buffer.size() * 2);
    }
}

}  // namespace com
