// A second program that changes a vault: it posts one event through the
// notification server created in process, as the item server does, and
// ends. Arguments: "view" <vault> <folder> <sender> <kind>, "path" <path>
// <flags> <sender>, or "reset" <vault>. Exit code 0 when posted.
#include "com/bstr_t.h"
#include "com/com_ptr.h"
#include "com/runtime.h"
#include "viewserver/ids.h"
#include "viewserver/interfaces.h"
#include "winapi/text.h"

#include <cstdlib>
#include <string>

int main(int argc, char** argv) {
    if (argc < 3 || FAILED(CoInitialize(nullptr))) return 2;
    HRESULT hr = E_INVALIDARG;
    {
        com::ComPtr<TavroskViewLib::INotificationServer> server;
        hr = CoCreateInstance(TavroskViewLib::CLSID_NotificationServer, nullptr, CLSCTX_INPROC_SERVER,
                              TavroskViewLib::INotificationServer::kIid, reinterpret_cast<void**>(&server));
        const std::string kind = argv[1];
        _bstr_t text(winapi::ToUtf16(argv[2]).c_str());
        auto number = [&](int index) { return index < argc ? std::atol(argv[index]) : 0L; };
        if (SUCCEEDED(hr)) {
            if (kind == "view")
                hr = server->PostViewEvent(text, number(3), number(4), number(5));
            else if (kind == "path")
                hr = server->PostPathChanged(text, number(3), number(4));
            else if (kind == "reset")
                hr = server->PostVaultReset(text);
            else
                hr = E_INVALIDARG;
        }
    }
    CoUninitialize();
    return SUCCEEDED(hr) ? 0 : 1;
}
