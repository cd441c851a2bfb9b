// The registrar: registration scripts parsed completely, then applied to the
// registry; unregistration undoing them.
#include "server_test_support.h"

#include "com/hresults.h"
#include "com/server/registrar.h"
#include "testsupport/fresh_machine.h"
#include "winapi/registry_write_batch.h"
#include "winapi/state_root.h"
#include "winapi/text.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

using server_test::DumpRegistry;
using server_test::KeyExists;
using server_test::ReadDword;
using server_test::ReadText;
using server_test::WriteText;

class RegistrarTest : public testsupport::FreshMachineTest {
protected:
    void TearDown() override { unsetenv(winapi::kStandardUserVariable); }
};

constexpr char16_t kClassScript[] =
    uR"(
HKCR
{
    Test.Thing.1 = s 'Thing Class'
    {
        CLSID = s '{AAAAAAAA-0000-0000-0000-000000000001}'
    }
    NoRemove CLSID
    {
        ForceRemove {AAAAAAAA-0000-0000-0000-000000000001} = s 'Thing Class'
        {
            ForceRemove Programmable
            InprocServer32 = s '%MODULE%'
            {
                val ThreadingModel = s 'Apartment'
            }
            val AppID = s '%APPID%'
        }
    }
}
)";

const std::u16string kClassKey = u"CLSID\\{AAAAAAAA-0000-0000-0000-000000000001}";

TEST_F(RegistrarTest, RegistersKeysValuesAndReplacements) {
    com::Registrar registrar;
    registrar.AddReplacement(u"MODULE", u"C:\\Program Files\\It's here\\Thing.dll");
    registrar.AddReplacement(u"appid", u"{BBBBBBBB-0000-0000-0000-000000000002}");
    ASSERT_EQ(registrar.Register(kClassScript), S_OK) << winapi::ToUtf8(registrar.ErrorText());
    EXPECT_TRUE(registrar.ErrorText().empty());

    EXPECT_EQ(ReadText(HKEY_CLASSES_ROOT, u"Test.Thing.1"), u"Thing Class");
    EXPECT_EQ(ReadText(HKEY_CLASSES_ROOT, u"Test.Thing.1\\CLSID"), u"{AAAAAAAA-0000-0000-0000-000000000001}");
    EXPECT_EQ(ReadText(HKEY_CLASSES_ROOT, kClassKey), u"Thing Class");
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, kClassKey + u"\\Programmable"));
    // A replaced value is taken as it is, with its quote and spaces.
    EXPECT_EQ(ReadText(HKEY_CLASSES_ROOT, kClassKey + u"\\InprocServer32"), u"C:\\Program Files\\It's here\\Thing.dll");
    EXPECT_EQ(ReadText(HKEY_CLASSES_ROOT, kClassKey + u"\\InprocServer32", u"ThreadingModel"), u"Apartment");
    // Replacement names are found without regard to case.
    EXPECT_EQ(ReadText(HKEY_CLASSES_ROOT, kClassKey, u"AppID"), u"{BBBBBBBB-0000-0000-0000-000000000002}");
}

TEST_F(RegistrarTest, ReadsQuotesNumbersKeywordsAndRoots) {
    constexpr char16_t script[] =
        uR"(
hkey_current_user
{
    'Two Words' = s 'it''s 100%% sure'
    {
        val 'A Number' = d '4294967295'
        val Hex = D '0x1F'
        val Empty = s ''
    }
    forceremove Plain
}
HKLM
{
    NoRemove Software
    {
        ThingMachine = s 'on the machine'
    }
}
)";
    com::Registrar registrar;
    ASSERT_EQ(registrar.Register(script), S_OK) << winapi::ToUtf8(registrar.ErrorText());
    EXPECT_EQ(ReadText(HKEY_CURRENT_USER, u"Two Words"), u"it's 100% sure");
    EXPECT_EQ(ReadDword(HKEY_CURRENT_USER, u"Two Words", u"A Number"), 0xFFFFFFFFu);
    EXPECT_EQ(ReadDword(HKEY_CURRENT_USER, u"Two Words", u"Hex"), 31u);
    EXPECT_EQ(ReadText(HKEY_CURRENT_USER, u"Two Words", u"Empty"), u"");
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, u"Plain"));
    EXPECT_EQ(ReadText(HKEY_LOCAL_MACHINE, u"Software\\ThingMachine"), u"on the machine");
}

TEST_F(RegistrarTest, RegisteringTwiceLeavesOneCleanCopy) {
    com::Registrar registrar;
    registrar.AddReplacement(u"MODULE", u"/opt/thing/libThing.so");
    registrar.AddReplacement(u"APPID", u"{BBBBBBBB-0000-0000-0000-000000000002}");
    ASSERT_EQ(registrar.Register(kClassScript), S_OK);
    const std::string once = DumpRegistry();

    // What an older version left in the ForceRemove key goes; the result is
    // the same as after the first registration.
    WriteText(HKEY_CLASSES_ROOT, kClassKey + u"\\LocalServer32", u"", u"old.exe");
    WriteText(HKEY_CLASSES_ROOT, kClassKey, u"Stale", u"x");
    ASSERT_EQ(registrar.Register(kClassScript), S_OK);
    EXPECT_EQ(DumpRegistry(), once);
}

// A script's keys and values are gathered and each hive is rewritten once
// for them, not once per value; unregistering likewise, and a run that
// changes nothing rewrites nothing.
TEST_F(RegistrarTest, ARunRewritesEachHiveItChangesOnce) {
    const std::u16string script = std::u16string(kClassScript) +
                                  uR"(
HKCU
{
    NoRemove Software
    {
        ForceRemove Thing
        {
            val Count = d '3'
            Settings = s 'none'
            {
                val Colour = s 'blue'
            }
        }
    }
}
)";
    auto writes = [] {
        return std::make_pair(winapi::RegistryHiveWrites(HKEY_LOCAL_MACHINE),
                              winapi::RegistryHiveWrites(HKEY_CURRENT_USER));
    };
    com::Registrar registrar;
    registrar.AddReplacement(u"MODULE", u"/opt/thing/libThing.so");
    registrar.AddReplacement(u"APPID", u"{BBBBBBBB-0000-0000-0000-000000000002}");
    const auto before = writes();
    ASSERT_EQ(registrar.Register(script), S_OK) << winapi::ToUtf8(registrar.ErrorText());
    const auto registered = writes();
    EXPECT_EQ(registered.first, before.first + 1) << "the machine's classes";
    EXPECT_EQ(registered.second, before.second + 1) << "the user's settings";
    EXPECT_EQ(ReadDword(HKEY_CURRENT_USER, u"Software\\Thing", u"Count"), 3u);

    ASSERT_EQ(registrar.Unregister(script), S_OK) << winapi::ToUtf8(registrar.ErrorText());
    const auto unregistered = writes();
    EXPECT_EQ(unregistered.first, registered.first + 1);
    EXPECT_EQ(unregistered.second, registered.second + 1);
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, u"Software\\Thing"));

    EXPECT_EQ(registrar.Unregister(script), S_OK);
    EXPECT_EQ(writes(), unregistered) << "nothing left to remove";
}

TEST_F(RegistrarTest, UnregisterRemovesWhatTheScriptMadeButNoRemoveKeys) {
    const std::string before = DumpRegistry();
    com::Registrar registrar;
    registrar.AddReplacement(u"MODULE", u"/opt/thing/libThing.so");
    registrar.AddReplacement(u"APPID", u"{BBBBBBBB-0000-0000-0000-000000000002}");
    ASSERT_EQ(registrar.Register(kClassScript), S_OK);
    // Someone else's class under the shared CLSID key.
    WriteText(HKEY_CLASSES_ROOT, u"CLSID\\{CCCCCCCC-0000-0000-0000-000000000003}", u"", u"Other Class");

    ASSERT_EQ(registrar.Unregister(kClassScript), S_OK) << winapi::ToUtf8(registrar.ErrorText());
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, kClassKey));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, u"Test.Thing.1"));
    EXPECT_EQ(ReadText(HKEY_CLASSES_ROOT, u"CLSID\\{CCCCCCCC-0000-0000-0000-000000000003}"), u"Other Class");

    // Unregistering again finds nothing to remove and is no failure.
    EXPECT_EQ(registrar.Unregister(kClassScript), S_OK);
    EXPECT_NE(DumpRegistry(), before);  // the NoRemove key CLSID stays
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, u"CLSID"));
}

TEST_F(RegistrarTest, UnregisterKeepsPlainKeysHoldingOthersKeysAndDeletesValuesOfKeptKeys) {
    constexpr char16_t script[] =
        uR"(
HKCU
{
    Shared = s 'made here'
    {
        Mine = s 'mine'
    }
    NoRemove Kept
    {
        val Setting = s 'on'
    }
}
)";
    com::Registrar registrar;
    ASSERT_EQ(registrar.Register(script), S_OK);
    WriteText(HKEY_CURRENT_USER, u"Shared\\Theirs", u"", u"theirs");
    WriteText(HKEY_CURRENT_USER, u"Kept", u"Other", u"theirs");

    ASSERT_EQ(registrar.Unregister(script), S_OK);
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, u"Shared\\Mine"));
    EXPECT_EQ(ReadText(HKEY_CURRENT_USER, u"Shared\\Theirs"), u"theirs");
    EXPECT_EQ(ReadText(HKEY_CURRENT_USER, u"Kept", u"Setting"), std::nullopt);
    EXPECT_EQ(ReadText(HKEY_CURRENT_USER, u"Kept", u"Other"), u"theirs");
}

TEST_F(RegistrarTest, DeleteRemovesAKeyOnRegistrationOnly) {
    WriteText(HKEY_CURRENT_USER, u"Old\\Deep", u"", u"left over");
    constexpr char16_t script[] =
        uR"(
HKCU
{
    Delete Old
    New
}
)";
    com::Registrar registrar;
    ASSERT_EQ(registrar.Register(script), S_OK);
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, u"Old"));
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, u"New"));
    // Deleting what is not there is no failure either.
    ASSERT_EQ(registrar.Register(script), S_OK);

    WriteText(HKEY_CURRENT_USER, u"Old", u"", u"back");
    ASSERT_EQ(registrar.Unregister(script), S_OK);
    EXPECT_EQ(ReadText(HKEY_CURRENT_USER, u"Old"), u"back");
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, u"New"));
}

struct BadScript {
    const char* why;
    const char16_t* script;
    const char* line;  // the line the error names
};

class RegistrarParseErrorTest : public RegistrarTest, public ::testing::WithParamInterface<BadScript> {};

// Each script writes keys before its error: none of them may be applied.
const BadScript kBadScripts[] = {
    {"unknown root", u"HKCU\n{\n A\n}\nHKU\n{\n B\n}\n", "line 5:"},
    {"no brace after the root", u"HKCU\n{\n A\n}\nHKCU\n B\n", "line 6:"},
    {"block not closed", u"HKCU\n{\n A\n {\n  B\n }\n", "line 6:"},
    {"quote not closed", u"HKCU\n{\n A\n B = s 'open\n}\n", "line 4:"},
    {"unknown replacement", u"HKCU\n{\n A\n B = s '%NOPE%'\n}\n", "line 4:"},
    {"replacement not closed", u"HKCU\n{\n A\n B = s '%MODULE'\n}\n", "line 4:"},
    {"unknown value type", u"HKCU\n{\n A\n B = x 'text'\n}\n", "line 4:"},
    {"number not a number", u"HKCU\n{\n A\n val B = d 'ten'\n}\n", "line 4:"},
    {"number over 32 bits", u"HKCU\n{\n A\n val B = d '4294967296'\n}\n", "line 4:"},
    {"val without a value", u"HKCU\n{\n A\n val B\n}\n", "line 5:"},
    {"val with a block", u"HKCU\n{\n A\n val B = s 'x'\n {\n }\n}\n", "line 5:"},
    {"Delete with a value", u"HKCU\n{\n A\n Delete B = s 'x'\n}\n", "line 4:"},
    {"empty name", u"HKCU\n{\n A\n '' = s 'x'\n}\n", "line 4:"},
    {"name with a backslash", u"HKCU\n{\n A\n 'B\\C'\n}\n", "line 4:"},
    {"value without its text", u"HKCU\n{\n A\n B = s\n", "line 4:"},
    {"quoted brace is a name, not a block", u"HKCU\n'{'\n A\n}\n", "line 2:"},
};

INSTANTIATE_TEST_SUITE_P(Scripts, RegistrarParseErrorTest, ::testing::ValuesIn(kBadScripts));

TEST_P(RegistrarParseErrorTest, ChangesNothingAndSaysWhere) {
    const BadScript& bad = GetParam();
    const std::string before = DumpRegistry();
    com::Registrar registrar;
    registrar.AddReplacement(u"MODULE", u"/opt/thing/libThing.so");
    EXPECT_EQ(registrar.Register(bad.script), DISP_E_EXCEPTION) << bad.why;
    EXPECT_EQ(winapi::ToUtf8(registrar.ErrorText()).rfind(bad.line, 0), 0u)
        << bad.why << ": " << winapi::ToUtf8(registrar.ErrorText());
    EXPECT_EQ(DumpRegistry(), before) << bad.why;
    EXPECT_EQ(registrar.Unregister(bad.script), DISP_E_EXCEPTION) << bad.why;
}

TEST_F(RegistrarTest, ARegistrationFailingPartWayTakesBackWhatItWrote) {
    // A standard user may not write the machine hive: the HKLM part fails
    // after the HKCU part was written.
    constexpr char16_t script[] =
        uR"(
HKCU
{
    First = s 'written first'
}
HKLM
{
    NoRemove Software
    {
        Second = s 'refused'
    }
}
)";
    const std::string before = DumpRegistry();
    setenv(winapi::kStandardUserVariable, "1", 1);
    com::Registrar registrar;
    EXPECT_EQ(registrar.Register(script), HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED));
    EXPECT_NE(registrar.ErrorText().find(u"HKLM\\Software"), std::u16string::npos)
        << winapi::ToUtf8(registrar.ErrorText());
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, u"First"));
    EXPECT_EQ(DumpRegistry(), before);
}

}  // namespace
