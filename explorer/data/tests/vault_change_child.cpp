// Another program of the session that changes a vault, and ends. Exit code
// 0 when the change was made; else it writes "failed <code>".
//
//   folder VAULT VIEWPATH VIEWGUID VAULTGUID COMPUTER USER PASSWORD NAME
//       takes vault events as a program of the session does (its handler
//       registered with the notification server, whose cookie is its
//       view-server id), logs in through the item server with that id and
//       creates the item folder NAME in the vault's root item folder: the
//       item server tells the session of the change
//   reset VAULT
//       tells the session's programs that the vault was reset
#include "explorer/data/vault_node.h"

#include "demo_vault_login.h"

#include "bellquist/item_interfaces.h"
#include "com/bstr_t.h"
#include "com/com_error.h"
#include "testsupport/child_process.h"
#include "ui_testing/ui_test.h"
#include "viewserver_testing/recording_handler.h"
#include "viewserver_testing/server_connection.h"
#include "winapi/guid_text.h"
#include "winapi/text.h"

#include <cstdio>
#include <string>

namespace {

using explorer_testing::VaultLogin;

HRESULT CreateItemFolder(const VaultLogin& login, const std::u16string& name) {
    // The notification server takes registrations only in a program with
    // the UI layer's application, whose loop would bring the events.
    ui_testing::EnsureApplication();
    viewserver_testing::ServerConnection servers;
    HRESULT hr = servers.Connect();
    if (FAILED(hr)) return hr;
    viewserver_testing::RecordingHandler handler;
    VaultLogin asProgram = login;
    hr = servers.notifications->Register(handler.View(), &asProgram.viewServerId);
    if (FAILED(hr)) return hr;
    {
        CComPtr<BellquistLib::IItmManager2> manager;
        LONG rootFolderId = 0;
        hr = explorer_testing::LogInThroughItemServer(asProgram, manager, rootFolderId);
        if (SUCCEEDED(hr)) {
            try {
                RefPtr<CVaultNode> node(
                    new CVaultNode(login.viewId, login.vaultId, login.vault, login.viewPath + u"\\"));
                CComPtr<BellquistLib::IItmObject> root;
                root.Attach(node->CreateItemsRootFolder(rootFolderId));
                BellquistLib::IItmFolder* created = nullptr;
                hr = root ? manager->CreateNewItemFolder(root, _bstr_t(name.c_str()), &created) : E_POINTER;
                if (created) created->Release();
            } catch (const _com_error& e) {
                hr = e.Error();
            }
            manager->LogOut();
        }
    }
    servers.notifications->Unregister(asProgram.viewServerId);
    return hr;
}

HRESULT PostVaultReset(const std::u16string& vault) {
    viewserver_testing::ServerConnection servers;
    HRESULT hr = servers.Connect();
    return SUCCEEDED(hr) ? servers.notifications->PostVaultReset(_bstr_t(vault.c_str())) : hr;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3 || FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 2;
    auto text = [&](int index) { return winapi::ToUtf16(argv[index]); };
    const std::string change = argv[1];
    HRESULT hr = E_INVALIDARG;
    if (change == "folder" && argc == 10) {
        VaultLogin login{text(2), text(3), {}, {}, text(6), text(7), text(8)};
        if (winapi::ParseGuid(text(4), &login.viewId) && winapi::ParseGuid(text(5), &login.vaultId))
            hr = CreateItemFolder(login, text(9));
    } else if (change == "reset") {
        hr = PostVaultReset(text(2));
    }
    CoFreeUnusedLibraries();
    CoUninitialize();
    if (FAILED(hr)) {
        char code[16];
        std::snprintf(code, sizeof code, "0x%08X", static_cast<unsigned>(hr));
        testsupport::Announce(std::string("failed ") + code);
    }
    return SUCCEEDED(hr) ? 0 : 1;
}
