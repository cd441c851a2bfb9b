#include "itemstore/cache_location.h"

#include "common/settings_light.h"
#include "testsupport/fresh_machine.h"
#include "winapi/errors.h"
#include "winapi/files.h"
#include "winapi/guid_text.h"
#include "winapi/text.h"

#include "settings_seeding.h"

#include <gtest/gtest.h>

namespace {

class CacheLocationTest : public testsupport::FreshMachineTest {};

TEST_F(CacheLocationTest, HeaderTextEndsInTheFormatVersion) {
    std::u16string version, header;
    ASSERT_EQ(S_OK, ghItemCacheVersionText(version));
    ASSERT_EQ(S_OK, ghItemCacheHeaderText(header));
    EXPECT_EQ(u"1", version);
    EXPECT_EQ(u"ZENTRAVIKO Morvantile Item Cache1", header);
    EXPECT_EQ(68u, 2 * (header.size() + 1));
}

// No registered vault has the GUID: the name is empty, and the file lies
// directly in the "Items" folder, which is made when missing.
TEST_F(CacheLocationTest, AnUnregisteredVaultsFileLiesInTheItemsFolder) {
    const GUID vault{0xA1B2C3D4, 0xE5F6, 0x0718, {0x29, 0x3A, 0x4B, 0x5C, 0x6D, 0x7E, 0x8F, 0x90}};
    std::u16string path;
    ASSERT_EQ(S_OK, ghItemCacheFilePath(vault, path));
    const std::u16string root = SettingsLight().goGetLocation(kAppDataDirectory);
    ASSERT_FALSE(root.empty());
    EXPECT_EQ(root + u"Items\\\\a1b2c3d4-e5f6-0718-293a-4b5c6d7e8f90_vrsn_1.Items", path);
    const DWORD attributes = GetFileAttributesW((root + u"Items").c_str());
    ASSERT_NE(INVALID_FILE_ATTRIBUTES, attributes);
    EXPECT_NE(0u, attributes & FILE_ATTRIBUTE_DIRECTORY);
    // Asking again finds the folder there: no error.
    std::u16string again;
    ASSERT_EQ(S_OK, ghItemCacheFilePath(vault, again));
    EXPECT_EQ(path, again);
}

TEST_F(CacheLocationTest, ARegisteredVaultsFileLiesInTheVaultsFolder) {
    const GUID vault{0x0F0E0D0C, 0xB0A0, 0x0102, {0xFF, 0xEE, 0xDD, 0xCC, 0xBB, 0xAA, 0x99, 0x88}};
    const GUID view{0x12345678, 0x1234, 0x1234, {1, 2, 3, 4, 5, 6, 7, 8}};
    const std::u16string viewRoot = settings_seeding::MakeViewFolder(
        machine_.root() / "views" / "main", {"ViewID=" + winapi::ToUtf8(winapi::GuidToString(view)),
                                             "VaultID=" + winapi::ToUtf8(winapi::GuidToString(vault))});
    settings_seeding::SeedString(HKEY_CURRENT_USER, std::u16string(kProductKeyPath) + u"\\Vaults\\Main Vault",
                                 u"ShellRoot", viewRoot);

    std::u16string path;
    ASSERT_EQ(S_OK, ghItemCacheFilePath(vault, path));
    const std::u16string folder = SettingsLight().goGetLocation(kAppDataDirectory) + u"Items\\Main Vault";
    EXPECT_EQ(folder + u"\\0f0e0d0c-b0a0-0102-ffee-ddccbbaa9988_vrsn_1.Items", path);
    const DWORD attributes = GetFileAttributesW(folder.c_str());
    ASSERT_NE(INVALID_FILE_ATTRIBUTES, attributes);
    EXPECT_NE(0u, attributes & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace
