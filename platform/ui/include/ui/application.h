// ui::Application: the program's QApplication and its message loop.
//
// One exists per process, made first thing in main (and once per test
// program by ui_testing::EnsureApplication). Run is the thread's message
// loop: it delivers everything until PostQuitMessage and returns its code.
#pragma once

#include <memory>

class QApplication;

namespace ui {

class Application {
public:
    // argc and argv must outlive the object, as Qt requires.
    Application(int& argc, char** argv);
    ~Application();
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    // The running instance, or null.
    static Application* Instance();

    // Runs the loop until a quit request is taken; returns its exit code.
    // A request already waiting ends it at once.
    int Run();

    QApplication& Qt() const { return *qt_; }

private:
    std::unique_ptr<QApplication> qt_;
};

}  // namespace ui
