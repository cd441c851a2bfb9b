#include "event_hub.h"

#include "event_channel.h"

#include "com/bstr.h"
#include "com/server/binary_local.h"
#include "ui/message_queue.h"
#include "ui/window.h"
#include "ui/window_messages.h"
#include "viewserver/ids.h"
#include "winapi/errors.h"
#include "winapi/text.h"

#include <algorithm>
#include <charconv>

namespace viewserver {

using TavroskViewLib::INotificationCallback;
using TavroskViewLib::ITavroskView;
using TavroskViewLib::ITavroskView2;

namespace {

// The hub's window gets one of these per event that arrived.
constexpr UINT kEventArrived = WM_APP + 0x56;

// A BSTR for the duration of the callbacks of one event.
struct EventText {
    explicit EventText(const std::u16string& text)
        : bstr(SysAllocStringLen(text.data(), static_cast<UINT>(text.size()))) {}
    ~EventText() { SysFreeString(bstr); }
    EventText(const EventText&) = delete;
    EventText& operator=(const EventText&) = delete;
    BSTR bstr;
};

// The vault name and folder id of a view name "<vault name>|<folder id>".
bool ParseViewName(std::u16string_view name, std::u16string& vaultName, LONG& folderId) {
    const size_t bar = name.rfind(u'|');
    if (bar == std::u16string_view::npos || bar == 0) return false;
    std::string digits;
    for (char16_t unit : name.substr(bar + 1)) {
        if (unit > 0x7F) return false;
        digits.push_back(static_cast<char>(unit));
    }
    LONG id = 0;
    auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), id);
    if (digits.empty() || error != std::errc() || end != digits.data() + digits.size()) return false;
    vaultName.assign(name.substr(0, bar));
    folderId = id;
    return true;
}

}  // namespace

// The window the hub's events are posted to: a handle of the UI layer
// without a widget, never shown and never found by FindWindowW.
class EventWindow : public ui::Window {
public:
    explicit EventWindow(EventHub& hub) : hub_(hub) { Attach(nullptr, nullptr, false, u"TavroskViewEvents"); }

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message != kEventArrived) return ui::Window::WindowProc(message, wParam, lParam);
        hub_.DeliverUpTo(static_cast<uint64_t>(wParam));
        return 0;
    }

private:
    EventHub& hub_;
};

EventHub& EventHub::Instance() {
    // Lives as long as the library, which its registrations keep loaded.
    static EventHub hub;
    return hub;
}

EventHub::EventHub() = default;

// Unloaded, the hub holds nothing. At the process's exit it may still hold
// the registrations of a program that did not end them: their callbacks
// belong to a program that is going, so they are let go without a call.
EventHub::~EventHub() {
    for (Handler& one : handlers_) one.handler.Detach();
    for (View& view : views_) view.callback.Detach();
}

HRESULT EventHub::StartListening() {
    if (listener_) return S_OK;
    auto window = std::make_unique<EventWindow>(*this);
    if (!window->Exists()) return E_OUTOFMEMORY;
    SetLastError(0);
    auto listener = EventListener::Open([this](std::string_view message) { Receive(message); });
    if (!listener) {
        const DWORD error = GetLastError();
        return error ? HRESULT_FROM_WIN32(error) : E_FAIL;
    }
    window_ = std::move(window);
    listener_ = std::move(listener);
    // The library stays while the process listens through it.
    com::detail::gModuleLockCount.fetch_add(1);
    return S_OK;
}

void EventHub::StopListeningWhenUnused() {
    if (!listener_ || !handlers_.empty() || !views_.empty()) return;
    listener_.reset();
    // Events still waiting are for nobody now; the queue drops them with
    // the window.
    waiting_.clear();
    window_.reset();
    com::detail::gModuleLockCount.fetch_sub(1);
}

HRESULT EventHub::RegisterHandler(ITavroskView* handler, LONG* cookie) {
    if (!cookie) return E_POINTER;
    *cookie = 0;
    if (!handler) return E_POINTER;
    if (HRESULT hr = StartListening(); FAILED(hr)) return hr;
    const LONG id = NewSessionId();
    if (id == 0) {
        StopListeningWhenUnused();
        return E_FAIL;
    }
    handlers_.push_back({id, com::ComPtr<ITavroskView>(handler)});
    *cookie = id;
    return S_OK;
}

HRESULT EventHub::UnregisterHandler(LONG cookie) {
    auto found = std::find_if(handlers_.begin(), handlers_.end(), [&](const Handler& h) { return h.cookie == cookie; });
    if (found == handlers_.end()) return E_INVALIDARG;
    // The handler is released after it left the list: its release may
    // call back into the hub.
    com::ComPtr<ITavroskView> released = std::move(found->handler);
    handlers_.erase(found);
    StopListeningWhenUnused();
    return S_OK;
}

HRESULT EventHub::RegisterView(std::u16string_view name, INotificationCallback* callback, LONG* viewId) {
    if (!viewId) return E_POINTER;
    *viewId = 0;
    if (!callback) return E_POINTER;
    std::u16string vaultName;
    LONG folderId = 0;
    if (!ParseViewName(name, vaultName, folderId)) return E_INVALIDARG;
    if (HRESULT hr = StartListening(); FAILED(hr)) return hr;
    const LONG id = NewSessionId();
    if (id == 0) {
        StopListeningWhenUnused();
        return E_FAIL;
    }
    views_.push_back({id, std::move(vaultName), folderId, com::ComPtr<INotificationCallback>(callback)});
    *viewId = id;
    return S_OK;
}

HRESULT EventHub::UnregisterView(LONG viewId) {
    auto found = std::find_if(views_.begin(), views_.end(), [&](const View& v) { return v.id == viewId; });
    if (found == views_.end()) return E_INVALIDARG;
    com::ComPtr<INotificationCallback> released = std::move(found->callback);
    views_.erase(found);
    StopListeningWhenUnused();
    return S_OK;
}

void EventHub::Receive(std::string_view message) {
    std::optional<VaultEvent> event = DecodeEvent(message);
    if (!event || !window_) return;
    const uint64_t number = ++lastNumber_;
    waiting_.push_back({number, std::move(*event)});
    PostMessageW(window_->Handle(), kEventArrived, static_cast<WPARAM>(number), 0);
}

void EventHub::DeliverUpTo(uint64_t number) {
    // Earlier events whose messages the queue lost go first, in order.
    while (!waiting_.empty() && waiting_.front().number <= number) {
        VaultEvent event = std::move(waiting_.front().event);
        waiting_.pop_front();
        Deliver(event);
    }
}

bool EventHub::IsOwnSender(LONG senderId) const { return senderId != 0 && HasHandler(senderId); }

bool EventHub::HasHandler(LONG cookie) const {
    return std::any_of(handlers_.begin(), handlers_.end(), [&](const Handler& h) { return h.cookie == cookie; });
}

bool EventHub::HasView(LONG viewId) const {
    return std::any_of(views_.begin(), views_.end(), [&](const View& v) { return v.id == viewId; });
}

void EventHub::Deliver(const VaultEvent& event) {
    EventText text(event.text);
    if (!text.bstr) return;
    // The callbacks may change the registrations: each one is called from a
    // copy, while it is still registered, and holds a reference meanwhile.
    const std::vector<Handler> handlers = handlers_;
    switch (event.kind) {
    case VaultEvent::Kind::kViewEvent: {
        // The views of the sender's own process already show its change.
        const bool ownChange = IsOwnSender(event.senderId);
        for (const Handler& one : handlers) {
            if (!HasHandler(one.cookie)) continue;
            com::ComPtr<ITavroskView2> second(one.handler.GetInterfacePtr());
            if (second) second->OnViewEvent(text.bstr, event.value, event.senderId, event.viewEventKind);
        }
        if (ownChange) break;
        const std::vector<View> views = views_;
        for (const View& view : views) {
            if (view.folderId != event.value || !winapi::EqualsIgnoreCase(view.vaultName, event.text)) continue;
            if (HasView(view.id)) view.callback->OnNotification(0, 0, view.id);
        }
        break;
    }
    case VaultEvent::Kind::kPathChanged:
        if (IsOwnSender(event.senderId)) break;
        for (const Handler& one : handlers)
            if (HasHandler(one.cookie)) one.handler->OnPathChanged(text.bstr, event.value);
        break;
    case VaultEvent::Kind::kVaultReset:
        for (const Handler& one : handlers)
            if (HasHandler(one.cookie)) one.handler->OnVaultReset(text.bstr);
        break;
    }
}

void PostVaultEvent(const VaultEvent& event) { SendToListeners(EncodeEvent(event)); }

}  // namespace viewserver
