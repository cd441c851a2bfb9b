#include "notification_server.h"

#include "event_hub.h"

#include "com/bstr.h"

namespace viewserver {
namespace {

HRESULT Post(VaultEvent::Kind kind, BSTR text, LONG value, LONG senderId, LONG viewEventKind) {
    std::u16string_view view = com::BstrView(text);
    if (view.size() > kMaxEventText) return E_INVALIDARG;
    PostVaultEvent({kind, std::u16string(view), value, senderId, viewEventKind});
    return S_OK;
}

}  // namespace

HRESULT CNotificationServer::Register(TavroskViewLib::ITavroskView* handler, LONG* cookie) {
    return EventHub::Instance().RegisterHandler(handler, cookie);
}

HRESULT CNotificationServer::Unregister(LONG cookie) { return EventHub::Instance().UnregisterHandler(cookie); }

HRESULT CNotificationServer::PostViewEvent(BSTR vaultName, LONG projectId, LONG senderId, LONG kind) {
    return Post(VaultEvent::Kind::kViewEvent, vaultName, projectId, senderId, kind);
}

HRESULT CNotificationServer::PostPathChanged(BSTR path, LONG flags, LONG senderId) {
    return Post(VaultEvent::Kind::kPathChanged, path, flags, senderId, 0);
}

HRESULT CNotificationServer::PostVaultReset(BSTR vaultName) {
    return Post(VaultEvent::Kind::kVaultReset, vaultName, 0, 0, 0);
}

}  // namespace viewserver
