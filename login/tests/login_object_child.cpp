// A program for the login object's tests, run from a folder of its own: logs
// in to vault "Demo" (not directly) with a login object on the system's own
// ways and prints "result 0x<code>, <a connection|no connection>".
#include "com/bstr.h"
#include "com/runtime.h"
#include "com/server/com_object.h"
#include "login/login_class.h"
#include "vennacle/sp_mgr.h"

#include <cstdio>

int main() {
    if (CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED) != S_OK) return 1;
    CComObject<CLogin>* login = nullptr;
    if (CComObject<CLogin>::CreateInstance(&login) != S_OK) return 1;
    login->AddRef();

    DunmorrowLib::LoginInfo request{};
    request.moVaultName = SysAllocString(u"Demo");
    request.mbDirectLogin = VARIANT_FALSE;
    DunmorrowLib::LoginResult result{};
    const HRESULT hr = login->Login(request, &result);
    std::printf("result 0x%08x, %s\n", static_cast<unsigned>(hr), result.mpoSpMgr ? "a connection" : "no connection");
    std::fflush(stdout);

    SysFreeString(request.moVaultName);
    SysFreeString(result.moUsername);
    SysFreeString(result.moUserPwd);
    SysFreeString(result.mbsAServer);
    if (result.mpoSpMgr) reinterpret_cast<SpMgr*>(result.mpoSpMgr)->Release();
    login->Release();
    CoUninitialize();
    return 0;
}
