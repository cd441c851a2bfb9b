// A bare frame window for the toolkit's tests: a top-level window whose
// widget is a QMainWindow, recording every message it gets, with an
// optional handler. Lets the bars, panes and the status bar be tested
// without the framework's frame.
#pragma once

#include "recording_window.h"

#include <QMainWindow>
#include <QWidget>

class TestFrame : public RecordingWindow {
public:
    HWND CreateFrame() {
        auto* main = new QMainWindow;
        main->setCentralWidget(new QWidget);
        main->resize(640, 480);
        HWND hwnd = Attach(main, nullptr, false, u"TestFrame");
        main->show();
        return hwnd;
    }
    QMainWindow* Main() const { return static_cast<QMainWindow*>(Widget()); }
    QWidget* ClientWidget() const override { return Main() ? Main()->centralWidget() : nullptr; }
};
