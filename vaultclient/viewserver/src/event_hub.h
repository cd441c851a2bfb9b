// This process's registrations with the view server and the notification
// server, and the delivery of the session's vault events to them.
//
// While the process holds a registration it listens on the session's event
// channel (event_channel.h). An event that arrives goes into the UI layer's
// message queue, to a window of the hub's own that has no widget, so that
// whichever loop runs - the application's, a modal one, a pump - hands it
// to the registered callbacks on the GUI thread, in the order the events
// came. A callback may register and unregister on the way.
#pragma once

#include "vault_event.h"

#include "com/com_ptr.h"
#include "viewserver/interfaces.h"

#include <deque>
#include <memory>
#include <string_view>
#include <vector>

namespace viewserver {

class EventListener;
class EventWindow;

class EventHub {
public:
    // The process's one hub (made at the first use, on the GUI thread).
    static EventHub& Instance();

    // The notification server's registration of a handler. Registering
    // fails with the channel's error (E_FAIL when it gives none) when the
    // process cannot listen.
    HRESULT RegisterHandler(TavroskViewLib::ITavroskView* handler, LONG* cookie);
    HRESULT UnregisterHandler(LONG cookie);
    // The view server's registration of a view watching a vault's folder
    // (TavroskViewLib::MakeViewName). E_INVALIDARG for a name that names
    // none.
    HRESULT RegisterView(std::u16string_view name, TavroskViewLib::INotificationCallback* callback, LONG* viewId);
    HRESULT UnregisterView(LONG viewId);

    // Whether the process listens (while it holds a registration).
    bool IsListening() const { return listener_ != nullptr; }

    // Delivers the waiting events up to the one numbered `number` (the
    // hub's window calls it with the number each event is posted with).
    void DeliverUpTo(uint64_t number);

private:
    struct Handler {
        LONG cookie;
        com::ComPtr<TavroskViewLib::ITavroskView> handler;
    };
    struct View {
        LONG id;
        std::u16string vaultName;
        LONG folderId;
        com::ComPtr<TavroskViewLib::INotificationCallback> callback;
    };

    EventHub();
    ~EventHub();

    HRESULT StartListening();
    void StopListeningWhenUnused();
    void Receive(std::string_view message);
    void Deliver(const VaultEvent& event);
    bool IsOwnSender(LONG senderId) const;
    bool HasHandler(LONG cookie) const;
    bool HasView(LONG viewId) const;

    std::vector<Handler> handlers_;
    std::vector<View> views_;
    std::unique_ptr<EventWindow> window_;
    std::unique_ptr<EventListener> listener_;
    struct Waiting {
        uint64_t number;
        VaultEvent event;
    };
    std::deque<Waiting> waiting_;
    uint64_t lastNumber_ = 0;
};

// Hands `event` to every process of the session that listens.
void PostVaultEvent(const VaultEvent& event);

}  // namespace viewserver
