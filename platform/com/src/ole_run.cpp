// OleRun: puts an object into its running state.
#include "com/runnable.h"

HRESULT WINAPI OleRun(LPUNKNOWN object) {
    if (!object) return E_INVALIDARG;
    IRunnableObject* runnable = nullptr;
    if (FAILED(object->QueryInterface(IID_IRunnableObject, reinterpret_cast<void**>(&runnable))) || !runnable)
        return S_OK;  // an object that cannot be run counts as running
    HRESULT hr = runnable->Run(nullptr);
    runnable->Release();
    return hr;
}
