// A second process for the WM_COPYDATA tests: publishes a window of the
// class given as argv[1], reports each message it gets on stdout and ends
// when it receives "quit"; "slow" is answered after three seconds.
#include "ui/application.h"
#include "ui/copy_data.h"
#include "ui/message_queue.h"
#include "ui/window.h"
#include "ui/window_messages.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

namespace {

class Receiver : public ui::Window {
public:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message != WM_COPYDATA) return ui::Window::WindowProc(message, wParam, lParam);
        const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
        std::string bytes(static_cast<const char*>(data->lpData), data->cbData);
        std::printf("got %lu %s\n", static_cast<unsigned long>(data->dwData), bytes.c_str());
        std::fflush(stdout);
        if (bytes == "quit") PostQuitMessage(0);
        // A receiver that takes its time: the sender's wait for the answer.
        if (bytes == "slow") std::this_thread::sleep_for(std::chrono::seconds(3));
        return 1000 + static_cast<LRESULT>(data->cbData);
    }
};

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return 2;
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    ui::Application application(argc, argv);
    std::u16string className;
    for (const char* c = argv[1]; *c; ++c) className.push_back(static_cast<char16_t>(*c));
    Receiver receiver;
    if (!receiver.Create(nullptr, className, RECT{0, 0, 20, 20}, 0) || !receiver.PublishToOtherProcesses()) {
        std::printf("failed\n");
        return 1;
    }
    std::printf("ready\n");
    std::fflush(stdout);
    return application.Run();
}
