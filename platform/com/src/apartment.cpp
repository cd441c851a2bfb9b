// Joining threads to the runtime. Each thread remembers how often and with
// which threading model it joined; the process counts its multithreaded
// joins (for the implicit multithreaded apartment) and all joins (to unload
// unused libraries when the last one is undone).
#include "apartment.h"

#include "com/runtime.h"

#include <atomic>

namespace {

constexpr DWORD kKnownFlags = COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE | COINIT_SPEED_OVER_MEMORY;

struct ThreadState {
    unsigned initialisations = 0;
    bool apartmentThreaded = false;
};

thread_local ThreadState t_thread;

std::atomic<long> g_multithreadedJoins{0};
std::atomic<long> g_allJoins{0};

}  // namespace

namespace com::detail {

bool ThreadMayUseRuntime() {
    return t_thread.initialisations > 0 || g_multithreadedJoins.load(std::memory_order_acquire) > 0;
}

}  // namespace com::detail

HRESULT WINAPI CoInitializeEx(LPVOID reserved, DWORD coInit) {
    if (reserved || (coInit & ~kKnownFlags)) return E_INVALIDARG;
    bool apartmentThreaded = (coInit & COINIT_APARTMENTTHREADED) != 0;
    if (t_thread.initialisations > 0 && t_thread.apartmentThreaded != apartmentThreaded) return RPC_E_CHANGED_MODE;
    HRESULT result = t_thread.initialisations == 0 ? S_OK : S_FALSE;
    t_thread.initialisations++;
    t_thread.apartmentThreaded = apartmentThreaded;
    if (!apartmentThreaded) g_multithreadedJoins.fetch_add(1, std::memory_order_acq_rel);
    g_allJoins.fetch_add(1, std::memory_order_acq_rel);
    return result;
}

HRESULT WINAPI CoInitialize(LPVOID reserved) { return CoInitializeEx(reserved, COINIT_APARTMENTTHREADED); }

void WINAPI CoUninitialize() {
    if (t_thread.initialisations == 0) return;  // unbalanced: nothing to undo
    t_thread.initialisations--;
    if (!t_thread.apartmentThreaded) g_multithreadedJoins.fetch_sub(1, std::memory_order_acq_rel);
    if (g_allJoins.fetch_sub(1, std::memory_order_acq_rel) == 1) CoFreeUnusedLibraries();
}

HRESULT WINAPI OleInitialize(LPVOID reserved) { return CoInitializeEx(reserved, COINIT_APARTMENTTHREADED); }

void WINAPI OleUninitialize() { CoUninitialize(); }
