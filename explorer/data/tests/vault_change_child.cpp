// Another program of the session that changes a vault: it tells the
// notification server of its change, as the item server does after an item
// operation, and ends. Arguments: "view" VAULT FOLDER SENDER KIND (items of
// a folder changed, by the program whose view-server id is SENDER) or
// "reset" VAULT. Exit code 0 when the change was posted.
#include "com/bstr_t.h"
#include "com/com_ptr.h"
#include "com/runtime.h"
#include "viewserver/ids.h"
#include "viewserver/interfaces.h"
#include "winapi/text.h"

#include <cstdlib>
#include <string>

int main(int argc, char** argv) {
    if (argc < 3 || FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 2;
    HRESULT hr = E_INVALIDARG;
    {
        com::ComPtr<TavroskViewLib::INotificationServer> server;
        hr = CoCreateInstance(TavroskViewLib::CLSID_NotificationServer, nullptr, CLSCTX_INPROC_SERVER,
                              TavroskViewLib::INotificationServer::kIid, reinterpret_cast<void**>(&server));
        const std::string change = argv[1];
        const _bstr_t vault(winapi::ToUtf16(argv[2]).c_str());
        if (SUCCEEDED(hr) && change == "view" && argc == 6)
            hr = server->PostViewEvent(vault, std::atol(argv[3]), std::atol(argv[4]), std::atol(argv[5]));
        else if (SUCCEEDED(hr) && change == "reset")
            hr = server->PostVaultReset(vault);
        else if (SUCCEEDED(hr))
            hr = E_INVALIDARG;
    }
    CoUninitialize();
    return SUCCEEDED(hr) ? 0 : 1;
}
