#include "ui/application.h"

#include "message_queue_internal.h"

#include <QApplication>

#include <cstdlib>

namespace ui {
namespace {

Application* instance = nullptr;
bool processExiting = false;

}  // namespace

Application::Application(int& argc, char** argv) : qt_(std::make_unique<QApplication>(argc, argv)) {
    // The loop ends by PostQuitMessage only, as the system's main window
    // decides; closing the last window is a message like any other.
    qt_->setQuitOnLastWindowClosed(false);
    instance = this;
    // Runs before the destructors of statics made earlier, such as an
    // Application kept in a static.
    static const bool registered = [] { return std::atexit([] { processExiting = true; }) == 0; }();
    (void)registered;
}

Application::~Application() {
    if (instance == this) instance = nullptr;
    // Qt's own statics may be gone once main has returned, and tearing the
    // application down then crashes: the ending process takes it instead.
    if (processExiting) (void)qt_.release();
}

Application* Application::Instance() { return instance; }

int Application::Run() {
    for (;;) {
        int exitCode = 0;
        if (detail::TakeQuitRequest(&exitCode)) return exitCode;
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
        // Widgets of destroyed windows wait for a loop to delete them; this
        // loop is not Qt's own, so it lets them go itself.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

}  // namespace ui
