// One event of the session's vault events, and its bytes as one datagram
// crosses from the process that posts it to every process that listens.
#pragma once

#include "winapi/types.h"

#include <optional>
#include <string>
#include <string_view>

namespace viewserver {

struct VaultEvent {
    enum class Kind : uint32_t {
        kViewEvent = 1,    // items of a folder changed: text the vault name, value the folder id
        kPathChanged = 2,  // files of a local folder changed: text the path, value the flags
        kVaultReset = 3,   // text the vault name
    };
    Kind kind = Kind::kViewEvent;
    std::u16string text;
    LONG value = 0;
    LONG senderId = 0;       // the sender's view-server id, 0 for none
    LONG viewEventKind = 0;  // kViewEvent's kind (TavroskViewLib::kViewEventItemsChanged)
};

// The longest text an event carries, in UTF-16 units: vault names and local
// paths are far shorter.
inline constexpr size_t kMaxEventText = 4096;

// The datagram of `event`; its text must not be longer than kMaxEventText.
std::string EncodeEvent(const VaultEvent& event);
// The event of a datagram; nothing for bytes that are not one whole event.
std::optional<VaultEvent> DecodeEvent(std::string_view bytes);

}  // namespace viewserver
