// A bare frame window for the toolkit's tests: a top-level framework window
// (CWnd) whose widget is a QMainWindow, recording every message it gets,
// with an optional handler. Lets the bars, panes and the status bar be
// tested without the framework's frame.
#pragma once

#include "recording_window.h"
#include "ui/framework/wnd.h"

#include <QMainWindow>
#include <QWidget>

class TestFrame : public CWnd {
public:
    HWND CreateFrame() {
        if (!CreateEx(0, u"TestFrame", u"", 0, RECT{0, 0, 640, 480}, nullptr, 0)) return nullptr;
        Main()->show();
        return GetSafeHwnd();
    }
    QMainWindow* Main() const { return static_cast<QMainWindow*>(Widget()); }
    QWidget* ClientWidget() const override { return Main() ? Main()->centralWidget() : nullptr; }

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        received.push_back({message, wParam, lParam});
        if (onMessage) {
            if (auto result = onMessage(message, wParam, lParam); result != kNotHandled) return result;
        }
        return CWnd::WindowProc(message, wParam, lParam);
    }

    // The messages of one id, in order of arrival.
    std::vector<ReceivedMessage> Only(UINT message) const {
        std::vector<ReceivedMessage> found;
        for (const auto& entry : received)
            if (entry.message == message) found.push_back(entry);
        return found;
    }

    static constexpr LRESULT kNotHandled = RecordingWindow::kNotHandled;
    std::vector<ReceivedMessage> received;
    std::function<LRESULT(UINT, WPARAM, LPARAM)> onMessage;

protected:
    QWidget* CreateWidget(QWidget*, bool) override {
        auto* main = new QMainWindow;
        main->setCentralWidget(new QWidget);
        return main;
    }
};

// A plain framework window: a top-level one, or a child of `parent`.
inline BOOL CreatePlainWnd(CWnd& wnd, CWnd* parent = nullptr, UINT id = 0, DWORD style = WS_VISIBLE) {
    return wnd.Create(nullptr, u"Plain", style | (parent ? WS_CHILD : 0), RECT{0, 0, 50, 50}, parent, id);
}
