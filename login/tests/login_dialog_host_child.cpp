// A program for the dialog host's library search, run by the tests from a
// folder of its own: shows the login dialog of vault "Demo" through
// ShowLoginDialog, with a prompter playing the user, and writes what the
// user was asked and the result to a report file.
//
//   login_dialog_host_child <report file> <answer>
//       answer: "cancel-dialog"   the user cancels the login dialog
//               "confirm-message" the user confirms a message box
//               "nothing"         nothing is expected to be asked
//
// The report has a line "dialog <name>" for each dialog run, "vault shown:
// <name>" when the login dialog was driven, "message box 0x<style>
// <caption>: <text>" for each message box, and "result <n>" last.
#include "login/login_dialog_host.h"
#include "pruvane_login_dialog.h"
#include "ui/application.h"
#include "ui/window_messages.h"
#include "ui_testing/scripted_prompter.h"
#include "winapi/text.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <string>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: login_dialog_host_child <report file> <answer>\n");
        return 2;
    }
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    ui::Application application(argc, argv);

    const std::string answer = argv[2];
    std::optional<std::u16string> vaultShown;
    ui_testing::ScriptedPrompter prompter;
    if (answer == "cancel-dialog") {
        prompter.DriveDialog(pruvane::kLoginDialogId, [&](ui::PromptedDialog& dialog) {
            vaultShown = dialog.ControlText(pruvane::kVaultNameControl);
            dialog.PressButton(IDCANCEL);
        });
    } else if (answer == "confirm-message") {
        prompter.AnswerMessageBox(IDOK);
    } else if (answer != "nothing") {
        std::fprintf(stderr, "login_dialog_host_child: unknown answer %s\n", answer.c_str());
        return 2;
    }

    Pruvane host;
    const int result = ShowLoginDialog(host, u"Demo", VaultConnectionSettings{}, DunmorrowLib::LoginInfo{});

    std::ofstream report(argv[1]);
    for (const std::string& dialog : prompter.RunDialogs()) report << "dialog " << dialog << "\n";
    if (vaultShown) report << "vault shown: " << winapi::ToUtf8(*vaultShown) << "\n";
    for (const ui::MessageBoxQuestion& question : prompter.AskedMessageBoxes()) {
        char style[16];
        std::snprintf(style, sizeof style, "0x%x", question.style);
        report << "message box " << style << " " << winapi::ToUtf8(question.caption) << ": "
               << winapi::ToUtf8(question.text) << "\n";
    }
    report << "result " << result << "\n";
    return report.good() ? 0 : 1;
}
