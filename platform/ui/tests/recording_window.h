// A window for tests that records every message it gets and can run a
// handler for one.
#pragma once

#include "ui/window.h"
#include "ui/window_functions.h"
#include "ui/window_messages.h"

#include <functional>
#include <vector>

struct ReceivedMessage {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    bool operator==(const ReceivedMessage&) const = default;
};

class RecordingWindow : public ui::Window {
public:
    ~RecordingWindow() override {
        if (Exists()) DestroyWindow(Handle());
    }

    HWND CreateTopLevel(HWND owner = nullptr, DWORD style = 0) {
        return Create(owner, u"RecordingWindow", RECT{100, 100, 300, 200}, style);
    }

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        received.push_back({message, wParam, lParam});
        if (onMessage) {
            if (auto result = onMessage(message, wParam, lParam); result != kNotHandled) return result;
        }
        return ui::Window::WindowProc(message, wParam, lParam);
    }

    // The messages of one id, in order of arrival.
    std::vector<ReceivedMessage> Only(UINT message) const {
        std::vector<ReceivedMessage> found;
        for (const auto& entry : received)
            if (entry.message == message) found.push_back(entry);
        return found;
    }

    static constexpr LRESULT kNotHandled = -12345;
    std::vector<ReceivedMessage> received;
    std::function<LRESULT(UINT, WPARAM, LPARAM)> onMessage;
};
