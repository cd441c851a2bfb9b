#include "vault_event.h"

#include <cstring>

namespace viewserver {
namespace {

constexpr uint32_t kMagic = 0x31455654;  // "TVE1"

// What precedes the text. Sender and receiver are processes of one machine
// built alike, so the fields go in the machine's own order.
struct Header {
    uint32_t magic;
    uint32_t kind;
    int32_t value;
    int32_t senderId;
    int32_t viewEventKind;
    uint32_t textLength;  // UTF-16 units
};
static_assert(sizeof(Header) == 24);

bool IsKnownKind(uint32_t kind) {
    return kind >= static_cast<uint32_t>(VaultEvent::Kind::kViewEvent) &&
           kind <= static_cast<uint32_t>(VaultEvent::Kind::kVaultReset);
}

}  // namespace

std::string EncodeEvent(const VaultEvent& event) {
    Header header{kMagic,
                  static_cast<uint32_t>(event.kind),
                  event.value,
                  event.senderId,
                  event.viewEventKind,
                  static_cast<uint32_t>(event.text.size())};
    std::string bytes(sizeof header + event.text.size() * sizeof(char16_t), '\0');
    std::memcpy(bytes.data(), &header, sizeof header);
    if (!event.text.empty())
        std::memcpy(bytes.data() + sizeof header, event.text.data(), event.text.size() * sizeof(char16_t));
    return bytes;
}

std::optional<VaultEvent> DecodeEvent(std::string_view bytes) {
    Header header{};
    if (bytes.size() < sizeof header) return std::nullopt;
    std::memcpy(&header, bytes.data(), sizeof header);
    if (header.magic != kMagic || !IsKnownKind(header.kind) || header.textLength > kMaxEventText ||
        bytes.size() != sizeof header + size_t{header.textLength} * sizeof(char16_t))
        return std::nullopt;
    VaultEvent event;
    event.kind = static_cast<VaultEvent::Kind>(header.kind);
    event.value = header.value;
    event.senderId = header.senderId;
    event.viewEventKind = header.viewEventKind;
    event.text.resize(header.textLength);
    if (header.textLength) std::memcpy(event.text.data(), bytes.data() + sizeof header, bytes.size() - sizeof header);
    return event;
}

}  // namespace viewserver
