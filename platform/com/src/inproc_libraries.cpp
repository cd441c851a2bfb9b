// The cache of in-process server libraries, and their unloading.
//
// Each library holds one load (LoadLibraryW) while cached. It is unloaded
// only when its DllCanUnloadNow answers S_OK and no class object of it was
// handed out in the meantime: a library is never freed under a caller that
// is asking it for a class object, or has just received one.
#include "inproc_libraries.h"

#include "com/hresults.h"
#include "com/runtime.h"

#include "winapi/modules.h"

#include <map>
#include <mutex>
#include <vector>

namespace {

struct ServerLibrary {
    LPFNGETCLASSOBJECT getClassObject;
    LPFNCANUNLOADNOW canUnloadNow;    // null: the library stays loaded
    unsigned busy = 0;                // calls into the library under way
    unsigned long long handOuts = 0;  // class-object requests so far
};

struct LibraryCache {
    std::mutex lock;
    std::map<HMODULE, ServerLibrary> libraries;
    std::map<std::u16string, HMODULE> byRegisteredPath;  // several paths may name one library
};

LibraryCache& Cache() {
    static LibraryCache* cache = new LibraryCache;  // still used while static objects are destroyed
    return *cache;
}

// Through void (*)(), which converts to any function type without a warning.
template <class Function>
Function ExportOf(HMODULE module, const char* name) {
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

// The cached library registered as `path`, loaded at its first use, marked
// busy so that it stays while the caller uses it.
HRESULT AcquireLibrary(const std::u16string& path, HMODULE* acquired, LPFNGETCLASSOBJECT* getClassObject) {
    LibraryCache& cache = Cache();
    {
        std::lock_guard guard(cache.lock);
        auto known = cache.byRegisteredPath.find(path);
        if (known != cache.byRegisteredPath.end()) {
            ServerLibrary& library = cache.libraries.at(known->second);
            library.busy++;
            *acquired = known->second;
            *getClassObject = library.getClassObject;
            return S_OK;
        }
    }
    HMODULE module = LoadLibraryW(path.c_str());
    if (!module) {
        DWORD error = GetLastError();
        return HRESULT_FROM_WIN32(error ? error : static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
    }
    auto exported = ExportOf<LPFNGETCLASSOBJECT>(module, "DllGetClassObject");
    if (!exported) {
        FreeLibrary(module);
        return CO_E_ERRORINDLL;
    }
    auto canUnloadNow = ExportOf<LPFNCANUNLOADNOW>(module, "DllCanUnloadNow");
    bool cachedAlready;
    {
        std::lock_guard guard(cache.lock);
        auto [entry, added] = cache.libraries.try_emplace(module, ServerLibrary{exported, canUnloadNow});
        cachedAlready = !added;
        entry->second.busy++;
        cache.byRegisteredPath[path] = module;
    }
    // Reached by another path, or loaded by another thread meanwhile: the
    // cache keeps one load only. It is busy, so it cannot go away here.
    if (cachedAlready) FreeLibrary(module);
    *acquired = module;
    *getClassObject = exported;
    return S_OK;
}

}  // namespace

namespace com::detail {

HRESULT GetClassObjectFromLibrary(const std::u16string& path, REFCLSID clsid, REFIID riid, void** object) {
    HMODULE module = nullptr;
    LPFNGETCLASSOBJECT getClassObject = nullptr;
    if (HRESULT hr = AcquireLibrary(path, &module, &getClassObject); FAILED(hr)) return hr;
    // Outside the lock: a server may create objects of other classes here.
    HRESULT hr = getClassObject(clsid, riid, object);
    // A server that claims success without an object would have its caller
    // use a null pointer: the class is reported as not available instead.
    if (SUCCEEDED(hr) && !*object) hr = CLASS_E_CLASSNOTAVAILABLE;
    LibraryCache& cache = Cache();
    std::lock_guard guard(cache.lock);
    ServerLibrary& library = cache.libraries.at(module);
    library.busy--;
    library.handOuts++;
    return hr;
}

}  // namespace com::detail

void WINAPI CoFreeUnusedLibraries() {
    struct Candidate {
        HMODULE module;
        LPFNCANUNLOADNOW canUnloadNow;
        unsigned long long handOuts;
        bool unused = false;
    };
    LibraryCache& cache = Cache();
    std::vector<Candidate> candidates;
    {
        std::lock_guard guard(cache.lock);
        for (auto& [module, library] : cache.libraries) {
            if (!library.canUnloadNow || library.busy) continue;
            library.busy++;  // stays while its DllCanUnloadNow runs
            candidates.push_back({module, library.canUnloadNow, library.handOuts});
        }
    }
    // Outside the lock: a server may call the runtime from DllCanUnloadNow.
    for (Candidate& candidate : candidates) candidate.unused = candidate.canUnloadNow() == S_OK;

    std::vector<HMODULE> unload;
    {
        std::lock_guard guard(cache.lock);
        for (const Candidate& candidate : candidates) {
            ServerLibrary& library = cache.libraries.at(candidate.module);
            library.busy--;
            if (!candidate.unused || library.busy || library.handOuts != candidate.handOuts) continue;
            cache.libraries.erase(candidate.module);
            std::erase_if(cache.byRegisteredPath, [&](const auto& entry) { return entry.second == candidate.module; });
            unload.push_back(candidate.module);
        }
    }
    // Outside the lock: the libraries' finalisers may call the runtime.
    for (HMODULE module : unload) FreeLibrary(module);
}

void WINAPI CoFreeUnusedLibrariesEx(DWORD, DWORD) { CoFreeUnusedLibraries(); }
