// Another process of the user's session for the data layer's tests. The
// first argument chooses what it does; it reports on stdout, one line at a
// time, for WaitForLine, and then waits to be killed.
//
//   hold-login-mutex             takes the login table's mutex, says "held"
//   login VAULT USER PASSWORD    logs in to VAULT through the login server
//                                (by class id), typing the login into its
//                                dialog, and says "logged in" (or "failed
//                                0x<code>"); the login stays in the table
#include "com/bstr.h"
#include "com/runtime.h"
#include "common/login_sync_objects.h"
#include "dunmorrow/ids.h"
#include "dunmorrow/interfaces.h"
#include "dunmorrow/records.h"
#include "pruvane_login_dialog.h"
#include "testsupport/child_process.h"
#include "ui/window_messages.h"
#include "ui_testing/scripted_prompter.h"
#include "ui_testing/ui_test.h"
#include "winapi/sync.h"
#include "winapi/text.h"

#include <cstdio>
#include <string>

namespace {

using testsupport::Announce;

int HoldLoginMutex() {
    LoginSyncObjects objects = OpenLoginSyncObjects();
    if (WaitForSingleObject(objects.mutex, INFINITE) != WAIT_OBJECT_0) return 2;
    Announce("held");
    Sleep(INFINITE);
    return 0;
}

int LogIn(const std::u16string& vault, const std::u16string& user, const std::u16string& password) {
    if (CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED) != S_OK) return 2;
    ui_testing::EnsureApplication();
    ui_testing::ScriptedPrompter prompter;
    prompter.DriveDialog(pruvane::kLoginDialogId, [&](ui::PromptedDialog& dialog) {
        dialog.SetControlText(pruvane::kUserNameControl, user);
        dialog.SetControlText(pruvane::kPasswordControl, password);
        dialog.PressButton(IDOK);
    });

    DunmorrowLib::ILogin* login = nullptr;
    if (CoCreateInstance(DunmorrowLib::CLSID_Login, nullptr, CLSCTX_INPROC_SERVER, DunmorrowLib::IID_ILogin,
                         reinterpret_cast<void**>(&login)) != S_OK)
        return 3;
    DunmorrowLib::LoginInfo request{};
    request.moVaultName = SysAllocString(vault.c_str());
    request.mbDirectLogin = VARIANT_FALSE;  // through the dialog, which stores the login in the table
    DunmorrowLib::LoginResult result{};
    const HRESULT hr = login->Login(request, &result);
    if (SUCCEEDED(hr)) {
        Announce("logged in");
    } else {
        char text[32];
        std::snprintf(text, sizeof text, "failed 0x%08x", static_cast<unsigned>(hr));
        Announce(text);
    }
    // The login stays in the table as long as this process runs: the test
    // reads it from there and kills this process.
    Sleep(INFINITE);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "hold-login-mutex") return HoldLoginMutex();
    if (mode == "login" && argc == 5)
        return LogIn(winapi::ToUtf16(argv[2]), winapi::ToUtf16(argv[3]), winapi::ToUtf16(argv[4]));
    std::fprintf(stderr, "explorer_session_child: unknown arguments\n");
    return 64;
}
