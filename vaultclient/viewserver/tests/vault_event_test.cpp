// The bytes of an event between processes: what one process writes the
// other reads back whole, and bytes that are no whole event are refused.
#include "vault_event.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

using viewserver::DecodeEvent;
using viewserver::EncodeEvent;
using viewserver::VaultEvent;

TEST(VaultEventTest, AnEventReadsBackAsItWasWritten) {
    const VaultEvent events[] = {
        {VaultEvent::Kind::kViewEvent, u"Demo Vault", 17, 42, 3},
        {VaultEvent::Kind::kPathChanged, u"C:\\Views\\Demo\\<items>\\Teile \u00e4", 4, -1, 0},
        {VaultEvent::Kind::kVaultReset, u"", 0, 0, 0},
        {VaultEvent::Kind::kVaultReset, std::u16string(viewserver::kMaxEventText, u'v'), 0, 0, 0},
    };
    for (const VaultEvent& event : events) {
        std::optional<VaultEvent> read = DecodeEvent(EncodeEvent(event));
        ASSERT_TRUE(read.has_value());
        EXPECT_EQ(read->kind, event.kind);
        EXPECT_EQ(read->text, event.text);
        EXPECT_EQ(read->value, event.value);
        EXPECT_EQ(read->senderId, event.senderId);
        EXPECT_EQ(read->viewEventKind, event.viewEventKind);
    }
}

TEST(VaultEventTest, BytesThatAreNoWholeEventAreRefused) {
    const std::string good = EncodeEvent({VaultEvent::Kind::kViewEvent, u"Demo", 1, 2, 3});
    auto changed = [&](size_t offset, uint32_t value) {
        std::string bytes = good;
        std::memcpy(bytes.data() + offset, &value, sizeof value);
        return bytes;
    };
    struct Case {
        const char* what;
        std::string bytes;
    } const cases[] = {
        {"nothing", ""},
        {"a header cut short", good.substr(0, 20)},
        {"a text cut short", good.substr(0, good.size() - 2)},
        {"an odd byte more", good + 'x'},
        {"another magic", changed(0, 0x31455655)},
        {"kind 0", changed(4, 0)},
        {"kind 4", changed(4, 4)},
        {"a longer text than the bytes", changed(20, 5)},
        {"a text over the limit", changed(20, viewserver::kMaxEventText + 1)},
        {"a length that overflows", changed(20, 0xFFFFFFFF)},
    };
    for (const Case& c : cases) EXPECT_FALSE(DecodeEvent(c.bytes).has_value()) << c.what;
}

}  // namespace
