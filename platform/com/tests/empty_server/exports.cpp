// A broken in-process server: its DllGetClassObject answers S_OK for every
// class and hands out no object, so that the runtime's tests see callers
// protected from it.
#include "com/runtime.h"

extern "C" {

__attribute__((visibility("default"))) HRESULT DllGetClassObject(REFCLSID, REFIID, LPVOID* object) {
    if (object) *object = nullptr;
    return S_OK;
}

}  // extern "C"
