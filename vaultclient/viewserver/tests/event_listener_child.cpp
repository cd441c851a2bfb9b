// A second program that takes vault events, as the explorer does: it
// registers a handler with the notification server and one view of
// folder argv[2] of vault argv[1] with the view server, writes "cookie <id>",
// "view <id>" and "ready", then one line per event it gets (a notification of
// its view as "notify own view"). A vault reset of
// "stop" ends both registrations ("stopped") and the program.
#include "recording_handler.h"
#include "server_connection.h"

#include "com/bstr_t.h"
#include "testsupport/child_process.h"
#include "ui/application.h"
#include "ui/message_queue.h"
#include "winapi/text.h"

#include <cstdlib>
#include <string>

int main(int argc, char** argv) {
    if (argc < 3) return 2;
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    ui::Application application(argc, argv);
    if (FAILED(CoInitialize(nullptr))) return 3;
    int exitCode = 0;
    {
        viewserver_testing::ServerConnection servers;
        if (HRESULT hr = servers.Connect(); FAILED(hr)) {
            testsupport::Announce("failed " + std::to_string(hr));
            return 1;
        }
        viewserver_testing::RecordingHandler handler;
        LONG cookie = 0;
        LONG viewId = 0;
        _bstr_t name(TavroskViewLib::MakeViewName(winapi::ToUtf16(argv[1]), std::atol(argv[2])).c_str());
        if (FAILED(servers.notifications->Register(handler.View(), &cookie)) ||
            FAILED(servers.views->RegisterView(name, handler.Callback(), &viewId)))
            return 1;
        handler.onEvent = [&](const std::string& line) {
            testsupport::Announce(line == "notify " + std::to_string(viewId) ? "notify own view" : line);
            if (line != "reset stop") return;
            const bool ended = SUCCEEDED(servers.notifications->Unregister(cookie)) &&
                               SUCCEEDED(servers.views->UnregisterView(viewId));
            testsupport::Announce(ended ? "stopped" : "still registered");
            PostQuitMessage(0);
        };
        testsupport::Announce("cookie " + std::to_string(cookie));
        testsupport::Announce("view " + std::to_string(viewId));
        testsupport::Announce("ready");
        exitCode = application.Run();
    }
    CoUninitialize();
    return exitCode;
}
