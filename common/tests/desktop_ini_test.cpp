#include "common/desktop_ini.h"

#include "settings_seeding.h"

#include "testsupport/fresh_machine.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace settings_seeding;

class DesktopIniTest : public testsupport::FreshMachineTest {};

constexpr GUID kUnchanged = {0x11111111, 0x2222, 0x3333, {4, 4, 4, 4, 4, 4, 4, 4}};
constexpr GUID kView = {0x01234567, 0x89AB, 0xCDEF, {0xFE, 0xDC, 0xBA, 0x98, 0x76, 0x54, 0x32, 0x10}};

struct IniCase {
    const char* what;
    std::vector<std::string> lines;  // the [Tavrosk] section
    int kind;
    bool found;
};

TEST_F(DesktopIniTest, ReadsElevenHexadecimalFieldsOfTheKindsKey) {
    const std::string view = "ViewID={01234567-89AB-CDEF-FEDC-BA9876543210}";
    const IniCase cases[] = {
        {"ViewID", {view}, kDesktopIniViewId, true},
        {"VaultID", {"VaultID={01234567-89AB-CDEF-FEDC-BA9876543210}"}, kDesktopIniVaultId, true},
        {"lower-case digits", {"ViewID={01234567-89ab-cdef-fedc-ba9876543210}"}, kDesktopIniViewId, true},
        {"no closing brace", {"ViewID={01234567-89AB-CDEF-FEDC-BA9876543210"}, kDesktopIniViewId, true},
        {"no braces", {"ViewID=01234567-89AB-CDEF-FEDC-BA9876543210"}, kDesktopIniViewId, false},
        {"VaultID without opening brace",
         {view, "VaultID=01234567-89AB-CDEF-FEDC-BA9876543210}"},
         kDesktopIniVaultId,
         false},
        {"a field that is no number", {"ViewID={01234567-89AB-CDEF-FEDC-BA98765432XY}"}, kDesktopIniViewId, false},
        {"only a ViewID, VaultID asked", {view}, kDesktopIniVaultId, false},
        {"empty value", {"ViewID="}, kDesktopIniViewId, false},
        {"kind 3", {view}, 3, false},
        {"kind 0", {view}, 0, false},
    };
    for (const IniCase& c : cases) {
        SCOPED_TRACE(c.what);
        std::u16string folder = MakeViewFolder(machine_.root() / "view", c.lines);
        GUID guid = kUnchanged;
        EXPECT_EQ(GetDesktopIniGuid(folder.c_str(), c.kind, guid), c.found);
        EXPECT_TRUE(guid == (c.found ? kView : kUnchanged));
    }
}

TEST_F(DesktopIniTest, FolderMayEndInASeparatorAndAMissingFileIsNoId) {
    std::u16string folder = MakeViewFolder(machine_.root() / "view", {"ViewID={01234567-89AB-CDEF-FEDC-BA9876543210}"});
    GUID guid = kUnchanged;
    EXPECT_TRUE(GetDesktopIniGuid((folder + u"\\").c_str(), kDesktopIniViewId, guid));
    EXPECT_TRUE(guid == kView);

    guid = kUnchanged;
    std::u16string empty = MakeViewFolder(machine_.root() / "empty", {});
    std::filesystem::remove(machine_.root() / "empty" / "desktop.ini");
    EXPECT_FALSE(GetDesktopIniGuid(empty.c_str(), kDesktopIniViewId, guid));
    EXPECT_TRUE(guid == kUnchanged);
}

}  // namespace
