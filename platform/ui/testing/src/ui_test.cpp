#include "ui_testing/ui_test.h"

#include "message_queue_internal.h"
#include "ui/application.h"

#include <QApplication>
#include <QElapsedTimer>

#include <cstdlib>

namespace ui_testing {

void EnsureApplication() {
    static int argc = 1;
    static char name[] = "ui_tests";
    static char* argv[] = {name, nullptr};
    static ui::Application* application = [] {
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
        return new ui::Application(argc, argv);  // kept to the end
    }();
    (void)application;
}

void ProcessEventsFor(int milliseconds) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < milliseconds) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

void UiTest::SetUp() {
    EnsureApplication();
    ui::detail::ResetQueue();
}

void UiTest::TearDown() {
    ui::detail::ResetQueue();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

}  // namespace ui_testing
