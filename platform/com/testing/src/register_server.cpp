#include "com_testing/register_server.h"

#include "winapi/errors.h"
#include "winapi/modules.h"

namespace com_testing {

HRESULT RegisterServerLibrary(const char16_t* library) {
    HMODULE module = LoadLibraryW(library);
    if (!module) return E_FAIL;
    auto registerServer = reinterpret_cast<HRESULT (*)()>(GetProcAddress(module, "DllRegisterServer"));
    const HRESULT hr = registerServer ? registerServer() : E_FAIL;
    FreeLibrary(module);
    return hr;
}

}  // namespace com_testing
