// The product's display name: the machine's default value of the product
// key, else the user's, else the caller's default; and the registry string
// it is read with, which takes REG_SZ values that fit into 1024 bytes with
// their terminating zero.
#include "product_name.h"

#include "common/settings_light.h"
#include "testsupport/fresh_machine.h"
#include "testsupport/registry_values.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace {

using namespace coravent;

using testsupport::TextBytes;
using testsupport::WriteValue;

using ProductNameTest = testsupport::FreshMachineTest;

struct Value {
    DWORD type = REG_SZ;
    testsupport::RegistryBytes bytes;
};

Value Text(std::u16string_view text) { return {REG_SZ, TextBytes(text)}; }

TEST_F(ProductNameTest, TakesTheFirstNonEmptyNameOfMachineAndUser) {
    const std::u16string fits(511, u'M');
    const std::u16string tooLong(512, u'L');
    struct Case {
        const char* what;
        std::optional<Value> machine;
        std::optional<Value> user;
        std::u16string expected;
    } const cases[] = {
        {"neither", std::nullopt, std::nullopt, u"ZENTRAVIKO Vyl"},
        {"the machine's", Text(u"Machine Product"), Text(u"User Product"), u"Machine Product"},
        {"the user's", std::nullopt, Text(u"User Product"), u"User Product"},
        {"an empty machine value", Text(u""), Text(u"User Product"), u"User Product"},
        {"both empty", Text(u""), Text(u""), u"ZENTRAVIKO Vyl"},
        {"511 characters fit", Text(fits), Text(u"User Product"), fits},
        {"512 characters do not", Text(tooLong), Text(u"User Product"), u"User Product"},
        {"512 characters without their zero do not", Value{REG_SZ, TextBytes(tooLong, false)}, std::nullopt,
         u"ZENTRAVIKO Vyl"},
        {"another type", Value{REG_EXPAND_SZ, TextBytes(u"Expanded")}, Text(u"User Product"), u"User Product"},
        {"a text without its zero", Value{REG_SZ, TextBytes(u"Bare", false)}, std::nullopt, u"Bare"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) RegDeleteTreeW(root, kProductKeyPath);
        if (c.machine) WriteValue(HKEY_LOCAL_MACHINE, kProductKeyPath, nullptr, c.machine->type, c.machine->bytes);
        if (c.user) WriteValue(HKEY_CURRENT_USER, kProductKeyPath, nullptr, c.user->type, c.user->bytes);
        EXPECT_EQ(goProductName(u"ZENTRAVIKO Vyl"), c.expected);
    }
}

TEST_F(ProductNameTest, ReadsANamedValueAndLeavesTheTextWhenItCannot) {
    testsupport::WriteText(HKEY_CURRENT_USER, u"Software\\Test", u"Name", u"Value");
    std::u16string text = u"kept";
    EXPECT_FALSE(gbReadRegString(HKEY_CURRENT_USER, u"Software\\Missing", u"Name", text));
    EXPECT_FALSE(gbReadRegString(HKEY_CURRENT_USER, u"Software\\Test", u"Other", text));
    EXPECT_EQ(text, u"kept");
    EXPECT_TRUE(gbReadRegString(HKEY_CURRENT_USER, u"Software\\Test", u"Name", text));
    EXPECT_EQ(text, u"Value");
}

}  // namespace
