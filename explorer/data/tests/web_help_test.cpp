#include "explorer/data/web_help.h"

#include "testsupport/fresh_machine.h"
#include "testsupport/registry_values.h"
#include "winapi/registry.h"

#include <gtest/gtest.h>

#include <optional>

namespace {

using testsupport::RegistryBytes;

class WebHelpTest : public testsupport::FreshMachineTest {};

// Web help is off only for a DWORD 0; anything else, or nothing, means on.
TEST_F(WebHelpTest, OffOnlyForAStoredZero) {
    struct Case {
        const char* what;
        std::optional<DWORD> type;  // none: the value is not there
        RegistryBytes bytes;
        bool expected;
    };
    const Case cases[] = {
        {"no value", std::nullopt, {}, true},
        {"DWORD 0", REG_DWORD, testsupport::DwordBytes(0), false},
        {"DWORD 1", REG_DWORD, testsupport::DwordBytes(1), true},
        {"DWORD 7", REG_DWORD, testsupport::DwordBytes(7), true},
        {"big-endian 0", REG_DWORD_BIG_ENDIAN, {0, 0, 0, 0}, false},
        {"text \"0\" is no DWORD", REG_SZ, testsupport::TextBytes(u"0"), true},
        {"two bytes of zero", REG_BINARY, {0, 0}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        RegDeleteTreeW(HKEY_CURRENT_USER, kWebHelpKeyPath);
        if (c.type) testsupport::WriteValue(HKEY_CURRENT_USER, kWebHelpKeyPath, kWebHelpValueName, *c.type, c.bytes);
        EXPECT_EQ(gbUseWebHelp(), c.expected);
    }
}

TEST_F(WebHelpTest, ReadingCreatesTheHostsKey) {
    ASSERT_FALSE(testsupport::KeyExists(HKEY_CURRENT_USER, kWebHelpKeyPath));
    EXPECT_TRUE(gbUseWebHelp());
    EXPECT_TRUE(testsupport::KeyExists(HKEY_CURRENT_USER, kWebHelpKeyPath));
    EXPECT_EQ(testsupport::ReadDword(HKEY_CURRENT_USER, kWebHelpKeyPath, kWebHelpValueName), std::nullopt);
}

// Without a key the switch is on, so the first toggle writes 0 and the
// second 1, each as a REG_DWORD.
TEST_F(WebHelpTest, ToggleTwiceRestoresTheFirstState) {
    gvToggleWebHelp();
    EXPECT_EQ(testsupport::ReadDword(HKEY_CURRENT_USER, kWebHelpKeyPath, kWebHelpValueName), 0u);
    EXPECT_FALSE(gbUseWebHelp());

    gvToggleWebHelp();
    EXPECT_EQ(testsupport::ReadDword(HKEY_CURRENT_USER, kWebHelpKeyPath, kWebHelpValueName), 1u);
    EXPECT_TRUE(gbUseWebHelp());

    // A value that is not a DWORD reads as on; the toggle replaces it with 0.
    testsupport::WriteText(HKEY_CURRENT_USER, kWebHelpKeyPath, kWebHelpValueName, u"off");
    gvToggleWebHelp();
    EXPECT_EQ(testsupport::ReadDword(HKEY_CURRENT_USER, kWebHelpKeyPath, kWebHelpValueName), 0u);
}

}  // namespace
