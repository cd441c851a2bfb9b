#include "common/settings_light.h"

#include "settings_seeding.h"

#include "com_testing/leak_checked_test.h"
#include "testsupport/fresh_machine.h"
#include "winapi/guid_text.h"
#include "winapi/shell_folders.h"
#include "winapi/state_root.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

namespace {

using namespace settings_seeding;
namespace fs = std::filesystem;

const std::u16string kProduct = kProductKeyPath;
const std::u16string kUserSettings = kProduct + u"\\Vaults\\_-Global\\Settings";

class SettingsLightTest : public com_testing::LeakChecked<testsupport::FreshMachineTest> {
protected:
    fs::path Root() const { return machine_.root(); }
    std::u16string SystemPath(const fs::path& path) const { return winapi::FromPosixPath(path.string()); }
};

// ---------------------------------------------------------------------------
// Locations

struct LocationCase {
    int kind;
    const char16_t* allValues;  // every install value set
    const char16_t* baseOnly;   // only "Location" and "SharedLocation" set
    const char16_t* none;       // no product key at all
};

TEST_F(SettingsLightTest, LocationKindsWithAndWithoutTheirValues) {
    const LocationCase cases[] = {
        {0, u"C:\\Prog\\", u"/opt/prog/", u""},
        {1, u"C:\\Shared\\", u"C:\\Shared\\", u""},
        {2, u"C:\\Prog\\", u"/opt/prog/", u""},
        {4, u"C:\\Lan\\", u"C:\\Shared\\LanFiles\\", u"LanFiles\\"},
        {5, u"C:\\Prog\\", u"/opt/prog/", u""},
        {6, u"C:\\Inso\\", u"C:\\Shared\\FileFormats\\InsoBin\\", u"FileFormats\\InsoBin\\"},
        {7, u"C:\\Prog\\", u"/opt/prog/", u""},
        {8, u"C:\\Lang\\DE\\", u"/opt/prog/Lang\\DE\\", u"Lang\\GB\\"},
        {9, u"C:\\Lang\\DE\\Quorrastel.chm", u"/opt/prog/Lang\\DE\\Quorrastel.chm", u"Lang\\GB\\Quorrastel.chm"},
        {10, u"C:\\Data\\", u"/opt/prog/Default Data\\", u"Default Data\\"},
        {11, u"D:\\Cards\\", u"/opt/prog/Default Cards\\", u"Default Cards\\"},
        {12, u"C:\\", u"C:\\Shared\\", u""},
        {13, u"C:\\Config\\", u"/opt/prog/Default Configurations\\", u"Default Configurations\\"},
        {14, u"C:\\Config\\VaultConfigurations.ini", u"/opt/prog/Default Configurations\\VaultConfigurations.ini",
         u"Default Configurations\\VaultConfigurations.ini"},
        {15, u"", u"", u""},  // no help viewer installed
        {16, u"C:\\Prog32\\", u"", u""},
        {17, u"", u"", u""},
        {-1, u"", u"", u""},
    };
    enum Setup { kAllValues, kBaseOnly, kNone };
    for (Setup setup : {kAllValues, kBaseOnly, kNone}) {
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, u"Software");
        RegDeleteTreeW(HKEY_CURRENT_USER, u"Software");
        if (setup == kAllValues) {
            SeedString(HKEY_LOCAL_MACHINE, kProduct, u"Location", u"C:\\Prog");
            SeedString(HKEY_LOCAL_MACHINE, kProduct, u"SharedLocation", u"C:\\Shared\\");
            SeedString(HKEY_LOCAL_MACHINE, kProduct, u"LanFileDir", u"C:\\Lan");
            SeedString(HKEY_LOCAL_MACHINE, kProduct, u"InsoBinDir", u"C:\\Inso");
            SeedString(HKEY_LOCAL_MACHINE, kProduct, u"LangDir", u"C:\\Lang");
            SeedString(HKEY_LOCAL_MACHINE, kProduct, u"DefaultDataDir", u"C:\\Data");
            WriteValue(HKEY_LOCAL_MACHINE, kProduct, u"DefaultCardDir", REG_EXPAND_SZ,
                       TextBytes(u"%CARD_DRIVE%\\Cards"));
            SeedString(HKEY_LOCAL_MACHINE, kProduct, u"DefConfigDir", u"C:\\Config\\");
            SeedString(HKEY_LOCAL_MACHINE, kProduct, u"DefaultLanguage", u"DE");
            SeedString(HKEY_LOCAL_MACHINE, kProduct, u"Location", u"C:\\Prog32", KEY_WOW64_32KEY);
        } else if (setup == kBaseOnly) {
            SeedString(HKEY_LOCAL_MACHINE, kProduct, u"Location", u"/opt/prog/");
            SeedString(HKEY_LOCAL_MACHINE, kProduct, u"SharedLocation", u"C:\\Shared");
            SeedString(HKEY_LOCAL_MACHINE, kProduct, u"LangDir", u"");  // empty counts as missing
            SeedString(HKEY_LOCAL_MACHINE, kProduct, u"DefaultLanguage", u"DE");
        }
        ScopedEnvironment cardDrive("CARD_DRIVE", "D:");
        ScopedEnvironment programFiles("ProgramFiles(x86)", (Root() / "Program Files (x86)").string());
        SettingsLight settings;
        for (const LocationCase& c : cases) {
            SCOPED_TRACE("setup " + std::to_string(setup) + ", kind " + std::to_string(c.kind));
            const char16_t* expected = setup == kAllValues ? c.allValues : setup == kBaseOnly ? c.baseOnly : c.none;
            EXPECT_EQ(Narrow(settings.goGetLocation(c.kind)), Narrow(expected));
        }
    }
}

TEST_F(SettingsLightTest, CachedLocationsStayForTheObjectsLife) {
    SeedString(HKEY_LOCAL_MACHINE, kProduct, u"Location", u"C:\\Prog");
    SeedString(HKEY_LOCAL_MACHINE, kProduct, u"Location", u"C:\\Prog32", KEY_WOW64_32KEY);
    SettingsLight settings;
    EXPECT_EQ(settings.goGetLocation(kInstallLocation), u"C:\\Prog\\");
    EXPECT_EQ(settings.goGetLocation(kInstallLocation32), u"C:\\Prog32\\");
    SeedString(HKEY_LOCAL_MACHINE, kProduct, u"Location", u"C:\\Moved");
    SeedString(HKEY_LOCAL_MACHINE, kProduct, u"Location", u"C:\\Moved32", KEY_WOW64_32KEY);
    EXPECT_EQ(settings.goGetLocation(5), u"C:\\Prog\\");
    EXPECT_EQ(settings.goGetLocation(kInstallLocation32), u"C:\\Prog32\\");
    // Kind 7 was not worked out yet, so it reads the value as it is now.
    EXPECT_EQ(settings.goGetLocation(kInstallLocation64), u"C:\\Moved\\");
    EXPECT_EQ(SettingsLight().goGetLocation(kInstallLocation32), u"C:\\Moved32\\");
}

struct HelpFileCase {
    const char* language;
    std::vector<const char*> present;  // language folders holding the help file
    const char* expected;              // the language folder of the result
};

TEST_F(SettingsLightTest, HelpFileFallsBackToEnglishOnlyWhenThatOneExists) {
    const fs::path langDir = Root() / "lang";
    SeedString(HKEY_LOCAL_MACHINE, kProduct, u"LangDir", SystemPath(langDir));
    const HelpFileCase cases[] = {
        {"DE", {"DE"}, "DE"},       {"DE", {"GB"}, "GB"}, {"DE", {}, "DE"},
        {"DE", {"DE", "GB"}, "DE"}, {"gb", {"GB"}, "gb"},  // already English: no fallback
    };
    for (const HelpFileCase& c : cases) {
        SCOPED_TRACE(std::string(c.language) + " -> " + c.expected);
        fs::remove_all(langDir);
        for (const char* folder : c.present) {
            fs::create_directories(langDir / folder);
            std::ofstream(langDir / folder / "Quorrastel.chm") << "help";
        }
        SeedString(HKEY_CURRENT_USER, kUserSettings, u"0", winapi::ToUtf16(c.language));
        SettingsLight settings;
        EXPECT_EQ(Narrow(settings.goGetLocation(kHelpFile)),
                  Narrow(SystemPath(langDir) + u"\\" + winapi::ToUtf16(c.expected) + u"\\Quorrastel.chm"));
    }
}

TEST_F(SettingsLightTest, HelpViewerOnlyWhenInstalled) {
    const fs::path programFiles = Root() / "Program Files (x86)";
    ScopedEnvironment variable("ProgramFiles(x86)", programFiles.string());
    EXPECT_EQ(SettingsLight().goGetLocation(kHelpViewer), u"");

    const fs::path viewer = programFiles / "Common Files" / "Zentraviko Shared" / "qzHelpViewer";
    fs::create_directories(viewer);
    std::ofstream(viewer / "qzHelpViewer.exe") << "program";
    EXPECT_EQ(Narrow(SettingsLight().goGetLocation(kHelpViewer)),
              Narrow(SystemPath(programFiles) + u"\\Common Files\\Zentraviko Shared\\qzHelpViewer\\qzHelpViewer.exe"));
}

TEST_F(SettingsLightTest, AppDataDirectoryIsMadeOnceAndCached) {
    const fs::path local = winapi::SpecialFolderPath(CSIDL_LOCAL_APPDATA);
    const fs::path made = local / "ZENTRAVIKO" / "ZENTRAVIKO Vyl";
    const std::u16string expected = SystemPath(local) + u"\\ZENTRAVIKO\\ZENTRAVIKO Vyl\\";
    ASSERT_FALSE(fs::exists(local / "ZENTRAVIKO"));

    SettingsLight settings;
    EXPECT_EQ(Narrow(settings.goGetLocation(kAppDataDirectory)), Narrow(expected));
    ASSERT_TRUE(fs::is_directory(made));

    // An existing folder is kept as it is.
    std::ofstream(made / "kept.txt") << "x";
    EXPECT_EQ(SettingsLight().goGetLocation(kAppDataDirectory), expected);
    EXPECT_TRUE(fs::exists(made / "kept.txt"));

    // The object answers from its cache: no second look at the disk.
    fs::remove_all(local / "ZENTRAVIKO");
    EXPECT_EQ(settings.goGetLocation(kAppDataDirectory), expected);
    EXPECT_FALSE(fs::exists(local / "ZENTRAVIKO"));
}

TEST_F(SettingsLightTest, AppDataDirectoryFallsBackToRoamingThenToTheVariable) {
    // A file where a special folder belongs makes the shell fail for it.
    const fs::path appData = winapi::UserProfileDir() / "AppData";
    fs::create_directories(appData);
    std::ofstream(appData / "Local") << "not a folder";
    const std::u16string roaming = SystemPath(appData / "Roaming");
    EXPECT_EQ(Narrow(SettingsLight().goGetLocation(kAppDataDirectory)),
              Narrow(roaming + u"\\ZENTRAVIKO\\ZENTRAVIKO Vyl\\"));
    EXPECT_TRUE(fs::is_directory(appData / "Roaming" / "ZENTRAVIKO" / "ZENTRAVIKO Vyl"));

    fs::remove_all(appData / "Roaming");
    std::ofstream(appData / "Roaming") << "not a folder";
    const fs::path variable = Root() / "appdata";
    fs::create_directories(variable);
    ScopedEnvironment appDataVariable("APPDATA", variable.string());
    EXPECT_EQ(Narrow(SettingsLight().goGetLocation(kAppDataDirectory)),
              Narrow(SystemPath(variable) + u"\\ZENTRAVIKO\\ZENTRAVIKO Vyl\\"));
    EXPECT_TRUE(fs::is_directory(variable / "ZENTRAVIKO" / "ZENTRAVIKO Vyl"));
}

TEST_F(SettingsLightTest, SpecialFolderPathFailsForAnUnknownFolder) {
    std::u16string path = u"unchanged";
    EXPECT_FALSE(gbGetSpecialFolderPath(0x7F, path));
    EXPECT_EQ(path, u"unchanged");
    EXPECT_TRUE(gbGetSpecialFolderPath(CSIDL_APPDATA, path));
    EXPECT_EQ(Narrow(path), Narrow(SystemPath(winapi::SpecialFolderPath(CSIDL_APPDATA))));
}

TEST_F(SettingsLightTest, TempFilePathAlwaysAddsItsBackslash) {
    ScopedEnvironment temp("TEMP", "C:\\Temp");
    EXPECT_EQ(TempFilePath(u"a.tmp"), u"C:\\Temp\\a.tmp");
    ScopedEnvironment trailing("TEMP", "C:\\Temp\\");
    EXPECT_EQ(TempFilePath(u"a.tmp"), u"C:\\Temp\\\\a.tmp");
}

// ---------------------------------------------------------------------------
// Product keys

TEST_F(SettingsLightTest, ProductKeysOpenOnceAndTheUsersIsCreated) {
    SettingsLight settings;
    EXPECT_EQ(settings.mpoGetMachineKey(), nullptr);
    Registry* user = settings.mpoGetUserKey();
    ASSERT_NE(user, nullptr);
    EXPECT_TRUE(user->mbSetString(u"Probe", u"1"));
    EXPECT_EQ(StoredString(HKEY_CURRENT_USER, kProduct, u"Probe"), u"1");
    EXPECT_EQ(settings.mpoGetUserKey(), user);
    HKEY held = user->Key();
    EXPECT_EQ(settings.mpoGetUserKey()->Key(), held);

    SeedKey(HKEY_LOCAL_MACHINE, kProduct);
    Registry* machine = settings.mpoGetMachineKey();
    ASSERT_NE(machine, nullptr);
    EXPECT_FALSE(machine->mbSetString(u"Probe", u"1"));  // read access only
}

struct ProductKeyCase {
    int kind;
    DWORD flags;
    HKEY root;
    std::u16string path;  // where the sub-key is seeded
    REGSAM view;
    bool opens;
    bool writable;
};

TEST_F(SettingsLightTest, ProductKeyKindsAndAccessFlags) {
    const std::u16string policy = kPolicyKeyPath;
    const ProductKeyCase cases[] = {
        {kMachineDatabasesKey, 0x100, HKEY_LOCAL_MACHINE, kProduct + u"\\Databases", 0, true, false},
        {kMachineDatabasesKey, 0x300, HKEY_LOCAL_MACHINE, kProduct + u"\\Databases", 0, true, true},
        {kMachineDatabasesKey, 0x500, HKEY_LOCAL_MACHINE, kProduct + u"\\Databases", KEY_WOW64_32KEY, true, false},
        {kMachineDatabasesKey, 0x100, HKEY_LOCAL_MACHINE, kProduct + u"\\Databases", KEY_WOW64_32KEY, false, false},
        {kUserVaultsKey, 0x100, HKEY_CURRENT_USER, kProduct + u"\\Vaults", 0, true, false},
        {kUserVaultsKey, 0x500, HKEY_CURRENT_USER, kProduct + u"\\Vaults", 0, true, false},  // 0x400: kind 0 only
        {kUserNamespaceKey, 0x300, HKEY_CURRENT_USER, kProduct + u"\\Namespace", 0, true, true},
        {kUserViewSetupKey, 0x200, HKEY_CURRENT_USER, kProduct + u"\\ViewSetup", 0, true, true},
        {kUserPolicyKey, 0x100, HKEY_CURRENT_USER, policy, 0, true, false},
        {kMachinePolicyKey, 0x100, HKEY_LOCAL_MACHINE, policy, 0, true, false},
        {kUserNamespaceKey, 0x100, HKEY_CURRENT_USER, kProduct + u"\\Other", 0, false, false},
        {6, 0x100, HKEY_CURRENT_USER, kProduct + u"\\Vaults", 0, false, false},
    };
    for (const ProductKeyCase& c : cases) {
        SCOPED_TRACE("kind " + std::to_string(c.kind) + ", flags " + std::to_string(c.flags));
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, u"Software");
        RegDeleteTreeW(HKEY_CURRENT_USER, u"Software");
        SeedKey(HKEY_LOCAL_MACHINE, kProduct);
        SeedString(c.root, c.path, u"Seeded", u"yes", c.view);
        SettingsLight settings;
        Registry key;
        ASSERT_EQ(settings.mbOpenProductKey(c.kind, key, c.flags), c.opens);
        if (!c.opens) continue;
        EXPECT_EQ(key.mbSetString(u"Written", u"1"), c.writable);
        if (c.flags & 0x100) {
            std::u16string seeded;
            EXPECT_TRUE(key.mbGetString(u"Seeded", seeded));
            EXPECT_EQ(seeded, u"yes");
        }
    }
}

TEST_F(SettingsLightTest, ProductKeyNeedsBothProductKeys) {
    SeedKey(HKEY_CURRENT_USER, kProduct + u"\\Vaults");
    SettingsLight settings;
    Registry key;
    EXPECT_FALSE(settings.mbOpenProductKey(kUserVaultsKey, key, kProductKeyRead));
    EXPECT_EQ(key.Key(), nullptr);
}

// ---------------------------------------------------------------------------
// Language

struct LanguageCase {
    const char* what;
    std::optional<std::u16string> userChoice;  // value "0" of the user's settings
    bool standardUser;
    std::optional<std::u16string> machine;    // "DefaultLanguage"
    std::optional<std::u16string> machine32;  // the same in the 32-bit view
    std::u16string expected;
    bool writesBack;  // the expected language lands in all four places
};

TEST_F(SettingsLightTest, DefaultLanguageAndWhatItWritesBack) {
    using std::nullopt;
    const LanguageCase cases[] = {
        {"user's choice wins", u"DE", false, u"FR", u"IT", u"DE", false},
        {"user's choice, standard user", u"DE", true, u"FR", nullopt, u"DE", false},
        {"no choice: machine's, 32-bit view too", nullopt, false, u"FR", u"IT", u"FR", true},
        {"no choice: machine's, no 32-bit value", nullopt, false, u"FR", nullopt, u"FR", true},
        {"choice S: machine's", u"S", false, u"FR", nullopt, u"FR", true},
        {"choice s: machine's", u"s", false, u"FR", nullopt, u"FR", true},
        {"empty choice: machine's", u"", false, u"FR", nullopt, u"FR", true},
        {"machine S is English", nullopt, false, u"S", u"S", u"GB", true},
        {"machine has none", nullopt, false, nullopt, u"IT", u"GB", false},
        {"machine's empty", u"S", false, u"", nullopt, u"GB", false},
        {"standard user: machine's, nothing written", nullopt, true, u"FR", u"IT", u"FR", false},
        {"standard user, choice S", u"S", true, u"FR", nullopt, u"FR", false},
        {"standard user, machine S", nullopt, true, u"S", nullopt, u"GB", false},
        {"standard user, machine has none", nullopt, true, nullopt, nullopt, u"GB", false},
    };
    for (const LanguageCase& c : cases) {
        SCOPED_TRACE(c.what);
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, u"Software");
        RegDeleteTreeW(HKEY_CURRENT_USER, u"Software");
        SeedKey(HKEY_LOCAL_MACHINE, kProduct);
        if (c.machine) SeedString(HKEY_LOCAL_MACHINE, kProduct, u"DefaultLanguage", *c.machine);
        if (c.machine32) SeedString(HKEY_LOCAL_MACHINE, kProduct, u"DefaultLanguage", *c.machine32, KEY_WOW64_32KEY);
        if (c.userChoice) SeedString(HKEY_CURRENT_USER, kUserSettings, u"0", *c.userChoice);

        std::u16string language;
        {
            std::optional<ScopedEnvironment> standardUser;
            if (c.standardUser) standardUser.emplace(winapi::kStandardUserVariable, "1");
            language = SettingsLight().DefaultLanguageSetting();
        }
        EXPECT_EQ(Narrow(language), Narrow(c.expected));

        auto written = [&](const std::optional<std::u16string>& before) {
            return c.writesBack ? std::optional<std::u16string>(c.expected) : before;
        };
        EXPECT_EQ(StoredString(HKEY_CURRENT_USER, kUserSettings, u"0"), written(c.userChoice));
        EXPECT_EQ(StoredString(HKEY_CURRENT_USER, kProduct, u"Language"), written(nullopt));
        EXPECT_EQ(StoredString(HKEY_LOCAL_MACHINE, kProduct, u"DefaultLanguage"), written(c.machine));
        // The 32-bit view's value is only ever replaced, never added.
        EXPECT_EQ(StoredString(HKEY_LOCAL_MACHINE, kProduct, u"DefaultLanguage", KEY_WOW64_32KEY),
                  c.machine32 ? written(c.machine32) : nullopt);
    }
}

TEST_F(SettingsLightTest, DefaultLanguageWithoutTheMachinesProductKeyIsEnglish) {
    EXPECT_EQ(SettingsLight().DefaultLanguageSetting(), u"GB");
    EXPECT_EQ(StoredString(HKEY_LOCAL_MACHINE, kProduct, u"DefaultLanguage"), std::nullopt);
    EXPECT_EQ(StoredString(HKEY_CURRENT_USER, kProduct, u"Language"), std::nullopt);
}

// ---------------------------------------------------------------------------
// Vaults

constexpr GUID kVaultA = {0xAAAAAAAA, 0x0001, 0x0002, {1, 2, 3, 4, 5, 6, 7, 8}};
constexpr GUID kVaultB = {0xBBBBBBBB, 0x0001, 0x0002, {1, 2, 3, 4, 5, 6, 7, 0xFF}};
constexpr GUID kVaultZ = {0xCCCCCCCC, 0x0001, 0x0002, {1, 2, 3, 4, 5, 6, 7, 0x80}};
constexpr GUID kUnknown = {0xDDDDDDDD, 0x0001, 0x0002, {1, 2, 3, 4, 5, 6, 7, 8}};

std::string IniLine(const char* key, const GUID& id) {
    return std::string(key) + "=" + winapi::ToUtf8(winapi::GuidToString(id));
}

class VaultSettingsTest : public SettingsLightTest {
protected:
    const std::u16string kDatabases = kProduct + u"\\Databases";
    const std::u16string kVaults = kProduct + u"\\Vaults";

    // A vault entry whose view root holds a desktop.ini with `lines`.
    void AddVault(HKEY root, const std::u16string& name, const std::vector<std::string>& lines) {
        const std::u16string list = root == HKEY_LOCAL_MACHINE ? kDatabases : kVaults;
        std::u16string folder = MakeViewFolder(Root() / "views" / winapi::ToUtf8(name), lines);
        SeedString(root, list + u"\\" + name, u"ShellRoot", folder);
    }
    std::u16string ViewRoot(const std::u16string& name) {
        return SystemPath(Root() / "views" / winapi::ToUtf8(name)) + u"\\";
    }

    std::vector<std::u16string> ListedNames() {
        Lst<CString> names;
        EXPECT_TRUE(SettingsLight().mbGetVaultNames(names));
        std::vector<std::u16string> listed;
        for (POSITION at = names.GetHeadPosition(); at;) listed.emplace_back(names.GetNext(at).GetString());
        EXPECT_EQ(names.GetCount(), static_cast<LONG>(listed.size()));
        return listed;
    }
};

TEST_F(VaultSettingsTest, VaultNamesListUsableVaultsOnceMachinesLast) {
    const std::string view = IniLine("ViewID", kUnknown);
    AddVault(HKEY_LOCAL_MACHINE, u"Alpha", {view, IniLine("VaultID", kVaultA)});
    AddVault(HKEY_LOCAL_MACHINE, u"Both", {view, IniLine("VaultID", kVaultB)});
    AddVault(HKEY_CURRENT_USER, u"both", {view, IniLine("VaultID", kVaultB)});
    AddVault(HKEY_CURRENT_USER, u"Zeta", {view, IniLine("VaultID", kVaultZ)});
    // Not vaults: no desktop.ini, a VaultID without its opening brace, only a
    // ViewID, an empty view root, no view root value.
    SeedString(HKEY_LOCAL_MACHINE, kDatabases + u"\\NoIni", u"ShellRoot", SystemPath(Root()));
    AddVault(HKEY_LOCAL_MACHINE, u"NoBrace", {view, "VaultID=AAAAAAAA-0001-0002-0102-030405060708}"});
    AddVault(HKEY_CURRENT_USER, u"OnlyView", {view});
    SeedString(HKEY_LOCAL_MACHINE, kDatabases + u"\\EmptyRoot", u"ShellRoot", u"");
    SeedString(HKEY_LOCAL_MACHINE, kDatabases + u"\\NoRoot", u"DbName", u"db");

    // Enumerated Alpha, Both (machine), then Zeta (user); each put first.
    EXPECT_EQ(ListedNames(), (std::vector<std::u16string>{u"Zeta", u"Both", u"Alpha"}));

    SettingsLight settings;
    std::u16string name;
    EXPECT_TRUE(settings.mbGetVaultNameFromID(kVaultZ, name));
    EXPECT_EQ(name, u"Zeta");
    EXPECT_TRUE(settings.mbGetVaultNameFromID(kVaultB, name));
    EXPECT_EQ(name, u"Both");
    name = u"unchanged";
    EXPECT_FALSE(settings.mbGetVaultNameFromID(kUnknown, name));
    EXPECT_EQ(name, u"unchanged");
}

TEST_F(VaultSettingsTest, VaultNamesFromOneSourceOnly) {
    const std::string view = IniLine("ViewID", kUnknown);
    AddVault(HKEY_LOCAL_MACHINE, u"M1", {view, IniLine("VaultID", kVaultA)});
    AddVault(HKEY_LOCAL_MACHINE, u"M2", {view, IniLine("VaultID", kVaultB)});
    EXPECT_EQ(ListedNames(), (std::vector<std::u16string>{u"M2", u"M1"}));

    RegDeleteTreeW(HKEY_LOCAL_MACHINE, u"Software");
    AddVault(HKEY_CURRENT_USER, u"U1", {view, IniLine("VaultID", kVaultA)});
    EXPECT_EQ(ListedNames(), (std::vector<std::u16string>{u"U1"}));

    RegDeleteTreeW(HKEY_CURRENT_USER, u"Software");
    EXPECT_EQ(ListedNames(), (std::vector<std::u16string>{}));
}

TEST_F(VaultSettingsTest, VaultNameFromIdTakesTheMachinesFirst) {
    const std::string view = IniLine("ViewID", kUnknown);
    AddVault(HKEY_CURRENT_USER, u"AUser", {view, IniLine("VaultID", kVaultA)});
    AddVault(HKEY_LOCAL_MACHINE, u"ZMachine", {view, IniLine("VaultID", kVaultA)});
    std::u16string name;
    EXPECT_TRUE(SettingsLight().mbGetVaultNameFromID(kVaultA, name));
    EXPECT_EQ(name, u"ZMachine");
}

TEST_F(VaultSettingsTest, VaultKeyAndViewRootPreferTheUsersEntryWithAShellRoot) {
    SeedString(HKEY_LOCAL_MACHINE, kDatabases + u"\\V", u"ShellRoot", u"C:\\Machine");
    SeedString(HKEY_CURRENT_USER, kVaults + u"\\V", u"DbName", u"user entry without a view root");
    SettingsLight settings;
    EXPECT_EQ(settings.goGetViewRoot(u"V"), u"C:\\Machine\\");

    SeedString(HKEY_CURRENT_USER, kVaults + u"\\v", u"ShellRoot", u"C:\\User\\");
    EXPECT_EQ(settings.goGetViewRoot(u"V"), u"C:\\User\\");

    SeedString(HKEY_CURRENT_USER, kVaults + u"\\Empty", u"ShellRoot", u"");
    Registry key;
    EXPECT_TRUE(settings.mbOpenVaultKey(u"Empty", key));
    EXPECT_EQ(settings.goGetViewRoot(u"Empty"), u"");
    EXPECT_FALSE(settings.mbOpenVaultKey(u"", key));
    EXPECT_FALSE(settings.mbOpenVaultKey(nullptr, key));
    EXPECT_FALSE(settings.mbOpenVaultKey(u"Missing", key));
    EXPECT_EQ(settings.goGetViewRoot(u"Missing"), u"");
}

struct ConnectionCase {
    const char* what;
    const char16_t* dropped;  // the value left out, or null
    const char16_t* shellRoot;
    bool found;
    const char16_t* expectedShellRoot;
    int32_t expectedVaultType;
};

TEST_F(VaultSettingsTest, ConnectionSettingsNeedEveryValueButTheVaultType) {
    const ConnectionCase cases[] = {
        {"complete", nullptr, u"C:\\Views\\V", true, u"C:\\Views\\V\\", 2},
        {"view root with its backslash", nullptr, u"C:\\Views\\V\\", true, u"C:\\Views\\V\\", 2},
        {"empty view root", nullptr, u"", true, u"\\", 2},
        {"no VaultType", u"VaultType", u"C:\\V", true, u"C:\\V\\", 0},
        {"no ServerPort", u"ServerPort", u"C:\\V", false, nullptr, 0},
        {"no DbName", u"DbName", u"C:\\V", false, nullptr, 0},
        {"no DbServer", u"DbServer", u"C:\\V", false, nullptr, 0},
        {"no ServerLoc", u"ServerLoc", u"C:\\V", false, nullptr, 0},
        {"no ShellRoot", u"ShellRoot", u"C:\\V", false, nullptr, 0},
    };
    for (const ConnectionCase& c : cases) {
        SCOPED_TRACE(c.what);
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, u"Software");
        const std::u16string key = kDatabases + u"\\Vault";
        SeedKey(HKEY_LOCAL_MACHINE, key);
        SeedString(HKEY_LOCAL_MACHINE, key, u"ShellRoot", c.shellRoot);
        SeedString(HKEY_LOCAL_MACHINE, key, u"DbName", u"VaultDb");
        WriteValue(HKEY_LOCAL_MACHINE, key, u"DbServer", REG_EXPAND_SZ, TextBytes(u"%DB_HOST%\\SQL"));
        SeedString(HKEY_LOCAL_MACHINE, key, u"ServerLoc", u"archive.example");
        SeedDword(HKEY_LOCAL_MACHINE, key, u"ServerPort", 3030);
        SeedDword(HKEY_LOCAL_MACHINE, key, u"VaultType", 2);
        if (c.dropped) {
            HKEY open = nullptr;
            ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_SET_VALUE, &open), ERROR_SUCCESS);
            RegDeleteValueW(open, c.dropped);
            RegCloseKey(open);
        }
        ScopedEnvironment dbHost("DB_HOST", "dbhost");

        VaultConnectionSettings settings;
        settings.DbName = u"unchanged";
        ASSERT_EQ(SettingsLight().mbGetVaultConnectionSettings(u"Vault", settings), c.found);
        if (!c.found) {
            EXPECT_EQ(settings.DbName, u"unchanged");
            continue;
        }
        EXPECT_EQ(settings.DbName, u"VaultDb");
        EXPECT_EQ(settings.DbServer, u"dbhost\\SQL");
        EXPECT_EQ(settings.ServerLoc, u"archive.example");
        EXPECT_EQ(Narrow(settings.ShellRoot), Narrow(c.expectedShellRoot));
        EXPECT_EQ(settings.ServerPort, 3030);
        EXPECT_EQ(settings.VaultType, c.expectedVaultType);
    }
}

TEST_F(VaultSettingsTest, ConnectionSettingsComeFromTheUsersEntryFirst) {
    SeedString(HKEY_LOCAL_MACHINE, kDatabases + u"\\V", u"ShellRoot", u"C:\\Machine");
    for (const char16_t* name : {u"DbName", u"DbServer", u"ServerLoc"})
        SeedString(HKEY_LOCAL_MACHINE, kDatabases + u"\\V", name, u"machine");
    SeedDword(HKEY_LOCAL_MACHINE, kDatabases + u"\\V", u"ServerPort", 1);
    SeedString(HKEY_CURRENT_USER, kVaults + u"\\V", u"ShellRoot", u"C:\\User");
    for (const char16_t* name : {u"DbName", u"DbServer", u"ServerLoc"})
        SeedString(HKEY_CURRENT_USER, kVaults + u"\\V", name, u"user");
    WriteValue(HKEY_CURRENT_USER, kVaults + u"\\V", u"ServerPort", REG_DWORD_BIG_ENDIAN, {0, 0, 0x0B, 0xD6});

    VaultConnectionSettings settings;
    ASSERT_TRUE(SettingsLight().mbGetVaultConnectionSettings(u"V", settings));
    EXPECT_EQ(settings.DbName, u"user");
    EXPECT_EQ(settings.ShellRoot, u"C:\\User\\");
    EXPECT_EQ(settings.ServerPort, 3030);

    // The user's entry is the vault's key even when it lacks a value.
    SeedString(HKEY_CURRENT_USER, kVaults + u"\\V", u"ServerPort", u"3030");
    EXPECT_FALSE(SettingsLight().mbGetVaultConnectionSettings(u"V", settings));
}

// ---------------------------------------------------------------------------
// The list the vault names are put into

TEST_F(SettingsLightTest, VaultNameListOwnsItsNodesAndValues) {
    const long long before = com::testing::LiveTaskAllocations();
    {
        Lst<CString> list;
        EXPECT_TRUE(list.IsEmpty());
        EXPECT_EQ(list.GetHeadPosition(), nullptr);
        list.AddTail(u"b");
        list.AddHead(u"a");
        list.AddTail(u"c");
        EXPECT_EQ(list.GetCount(), 3);
        EXPECT_EQ(com::testing::LiveTaskAllocations(), before + 3);
        std::u16string walked;
        for (POSITION at = list.GetHeadPosition(); at;) walked += list.GetNext(at).GetString();
        EXPECT_EQ(walked, u"abc");

        list.RemoveAll();
        EXPECT_TRUE(list.IsEmpty());
        EXPECT_EQ(list.GetCount(), 0);
        EXPECT_EQ(com::testing::LiveTaskAllocations(), before);
        list.AddHead(u"a long name that does not fit in a small string buffer");
        list.AddHead(u"x");
    }
    EXPECT_EQ(com::testing::LiveTaskAllocations(), before);

    CString name(u"Vault");
    EXPECT_EQ(name.CompareNoCase(u"VAULT"), 0);
    EXPECT_NE(name.Compare(u"VAULT"), 0);
    EXPECT_TRUE(name == u"Vault");
    name += u" One";
    EXPECT_EQ(name.GetLength(), 9);
}

}  // namespace
