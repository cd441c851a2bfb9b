// A program's handler of vault events for the tests: it answers the three
// callback interfaces and writes each event it gets as a line ("view
// <vault> <folder> <sender> <kind>", "notify <view id>", "path <path>
// <flags>", "reset <vault>"), kept in order and handed to `onEvent`.
#pragma once

#include "viewserver/interfaces.h"
#include "winapi/text.h"

#include <atomic>
#include <functional>
#include <string>
#include <vector>

namespace viewserver_testing {

class RecordingHandler : public TavroskViewLib::ITavroskView,
                         public TavroskViewLib::ITavroskView2,
                         public TavroskViewLib::INotificationCallback {
public:
    // IUnknown, once for the three bases.
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        if (iid == IID_IUnknown || iid == TavroskViewLib::ITavroskView::kIid)
            *out = static_cast<TavroskViewLib::ITavroskView*>(this);
        else if (iid == TavroskViewLib::ITavroskView2::kIid)
            *out = static_cast<TavroskViewLib::ITavroskView2*>(this);
        else if (iid == TavroskViewLib::INotificationCallback::kIid)
            *out = static_cast<TavroskViewLib::INotificationCallback*>(this);
        else {
            *out = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    // Lives on the test's stack: the count only shows who still holds it.
    ULONG STDMETHODCALLTYPE Release() override { return --references_; }

    HRESULT STDMETHODCALLTYPE Reserved3() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnPathChanged(BSTR path, LONG flags) override {
        return Record("path " + Text(path) + " " + std::to_string(flags));
    }
    HRESULT STDMETHODCALLTYPE Reserved5() override { return 1; }
    HRESULT STDMETHODCALLTYPE Reserved6() override { return 1; }
    HRESULT STDMETHODCALLTYPE OnVaultReset(BSTR vaultName) override { return Record("reset " + Text(vaultName)); }
    HRESULT STDMETHODCALLTYPE Reserved8() override { return 1; }
    HRESULT STDMETHODCALLTYPE Reserved9() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE View2Reserved3() override { return 1; }
    HRESULT STDMETHODCALLTYPE OnViewEvent(BSTR vaultName, LONG projectId, LONG senderId, LONG kind) override {
        return Record("view " + Text(vaultName) + " " + std::to_string(projectId) + " " + std::to_string(senderId) +
                      " " + std::to_string(kind));
    }
    HRESULT STDMETHODCALLTYPE OnNotification(LONG reserved1, LONG reserved2, LONG viewId) override {
        return Record("notify " + std::to_string(viewId) +
                      (reserved1 || reserved2 ? " unexpected " + std::to_string(reserved1) : std::string()));
    }

    TavroskViewLib::ITavroskView* View() { return this; }
    TavroskViewLib::INotificationCallback* Callback() { return this; }
    ULONG References() const { return references_; }

    std::vector<std::string> events;
    std::function<void(const std::string&)> onEvent;

private:
    static std::string Text(BSTR text) { return winapi::ToUtf8(text ? text : u""); }
    HRESULT Record(const std::string& line) {
        events.push_back(line);
        if (onEvent) onEvent(line);
        return S_OK;
    }

    std::atomic<ULONG> references_{0};
};

}  // namespace viewserver_testing
