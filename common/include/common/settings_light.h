// SettingsLight: where every deliverable finds the product's registry keys,
// its program and data folders, its language, the vaults registered for this
// user and machine, and a vault's connection values.
//
// An object is made on the stack around one use: it opens its keys when
// first needed and keeps them, and the folders it has worked out, for its
// own life. An empty cached folder means "not worked out yet", so an empty
// answer is worked out again at the next request. Reads never throw (only
// memory exhaustion does); a failure gives false or an empty string.
//
// Every key lives under the product key (kProductKeyPath) of the machine
// (install values; "Databases": the machine's vaults) and of the user
// ("Vaults": the user's vaults; the language values).
#pragma once

#include "common/registry.h"
#include "common/vault_connection_settings.h"

#include "com/cstring.h"
#include "common/lst.h"
#include "winapi/types.h"

#include <string>
#include <vector>

// The location kinds of SettingsLight::goGetLocation.
enum LocationKind : int {
    kInstallLocation = 0,           // also 2 and 5: machine value "Location"
    kSharedLocation = 1,            // "SharedLocation"
    kAppDataDirectory = 3,          // <local app data>\ZENTRAVIKO\ZENTRAVIKO Vyl\, made when missing
    kLanFileDirectory = 4,          // "LanFileDir", else kind 1 + "LanFiles\"
    kInsoBinDirectory = 6,          // "InsoBinDir", else kind 1 + "FileFormats\InsoBin\"
    kInstallLocation64 = 7,         // "Location" in the 64-bit registry view
    kLanguageDirectory = 8,         // "LangDir" (else kind 7 + "Lang\") + language + "\"
    kHelpFile = 9,                  // kind 8 + "Quorrastel.chm", or the "GB" one
    kDefaultDataDirectory = 10,     // "DefaultDataDir", else kind 7 + "Default Data\"
    kDefaultCardDirectory = 11,     // "DefaultCardDir", else kind 7 + "Default Cards\"
    kLanFileParent = 12,            // the folder above kind 4
    kConfigDirectory = 13,          // "DefConfigDir", else kind 7 + "Default Configurations\"
    kVaultConfigurationsFile = 14,  // kind 13 + "VaultConfigurations.ini"
    kHelpViewer = 15,               // the shared help viewer program, when installed
    kInstallLocation32 = 16,        // "Location" in the 32-bit registry view
};

// Sub-keys of SettingsLight::mbOpenProductKey.
enum ProductKeyKind : int {
    kMachineDatabasesKey = 0,  // "Databases" under the machine's product key
    kUserVaultsKey = 1,        // "Vaults" under the user's product key
    kUserNamespaceKey = 2,     // "Namespace" under the user's product key
    kUserViewSetupKey = 3,     // "ViewSetup" under the user's product key
    kUserPolicyKey = 4,        // the policy key under HKEY_CURRENT_USER
    kMachinePolicyKey = 5,     // the policy key under HKEY_LOCAL_MACHINE
};

// Flags of SettingsLight::mbOpenProductKey: the access asked for.
inline constexpr DWORD kProductKeyRead = 0x100;   // KEY_READ
inline constexpr DWORD kProductKeyWrite = 0x200;  // KEY_WRITE
inline constexpr DWORD kProductKey32Bit = 0x400;  // KEY_WOW64_32KEY, for kind 0 only

inline constexpr const WCHAR* kProductKeyPath = u"Software\\Zentraviko\\Applications\\Halquist Morvantile";
inline constexpr const WCHAR* kPolicyKeyPath = u"Software\\Policies\\ZENTRAVIKO\\Halquist Morvantile";

class SettingsLight {
public:
    SettingsLight() = default;
    virtual ~SettingsLight() = default;
    SettingsLight(const SettingsLight&) = delete;
    SettingsLight& operator=(const SettingsLight&) = delete;

    // The machine's product key, opened with KEY_READ on first use; null
    // when it cannot be opened.
    Registry* mpoGetMachineKey();
    // The user's product key, created or opened on first use with KEY_READ,
    // KEY_CREATE_SUB_KEY and KEY_SET_VALUE; null on failure.
    Registry* mpoGetUserKey();

    // A folder (ending in a separator) or file path of a LocationKind; empty
    // when not known and for any other kind.
    std::u16string goGetLocation(int kind);

    // Opens, for reading, the key of the vault `name`: the user's "Vaults"
    // entry when it has a "ShellRoot" value, else the machine's "Databases"
    // entry. True when the key opened has a "ShellRoot" value.
    bool mbOpenVaultKey(LPCWSTR name, Registry& key);
    // The vault's "ShellRoot" with a trailing backslash; empty when the
    // vault or the value is missing or the value is empty.
    std::u16string goGetViewRoot(LPCWSTR name);

    // The user's language code ("GB" by default). The user's choice (value
    // "0" of "Vaults\_-Global\Settings") wins unless it is missing or "S";
    // then the machine's "DefaultLanguage" is taken ("S" meaning "GB") and
    // written back as the user's choice, the user's "Language" and the
    // machine's "DefaultLanguage" (and in the 32-bit view where that value
    // exists). A user who may not write the machine key gets the machine's
    // language and nothing is written.
    std::u16string DefaultLanguageSetting();

    // Puts the name of every usable vault at the front of `names`: those
    // under the machine's "Databases", then those under the user's "Vaults",
    // so the machine's end up last. A vault is usable when its key has a
    // "ShellRoot", its view root is set and that folder's desktop.ini holds
    // a ViewID and a VaultID. A name already listed (without regard to case)
    // is not listed again. Always true.
    bool mbGetVaultNames(Lst<CString>& names);
    // The usable vault whose view root's VaultID is `vault`, looked for in
    // the order of enumeration (the machine's vaults first).
    bool mbGetVaultNameFromID(REFGUID vault, std::u16string& name);
    // The connection values of the vault `name`. False when its key has no
    // "ShellRoot" or lacks "DbName", "DbServer", "ServerLoc" or
    // "ServerPort"; a missing "VaultType" is 0. `settings` is changed only
    // on success.
    bool mbGetVaultConnectionSettings(LPCWSTR name, VaultConnectionSettings& settings);

    // Opens the ProductKeyKind's sub-key into `key` with the access of
    // `flags` (kProductKeyRead, kProductKeyWrite, kProductKey32Bit). False
    // when either product key cannot be opened or the kind is unknown.
    bool mbOpenProductKey(int kind, Registry& key, DWORD flags);

private:
    // A string value of the machine key; empty when missing.
    std::u16string moMachineValue(LPCWSTR name);
    // The machine's "Location" in a registry view, through one of the view
    // keys, cached in `cache`.
    std::u16string& moViewLocation(Registry& viewKey, REGSAM view, std::u16string& cache);
    std::u16string moAppDataDirectory();
    // A folder of the machine value `name`, with backslash, else `fallback`.
    std::u16string moFolderValue(LPCWSTR name, const std::u16string& fallback);
    // The base of kind 8 (before the language folder).
    std::u16string moLanguageBase();
    // The usable vaults' names in the order of enumeration: the machine's,
    // then the user's, each name once.
    std::vector<std::u16string> moListVaults();
    bool mbIsUsableVault(HKEY list, LPCWSTR name);

    // Declared in this order so that they close in the reverse one: 64-bit
    // view, 32-bit view, machine, user.
    Registry moUserKey;
    Registry moMachineKey;
    Registry moMachineKey32;
    Registry moMachineKey64;

    std::u16string moInstallLocation;    // kinds 0, 2, 5
    std::u16string moSharedLocation;     // kind 1
    std::u16string moAppDataDir;         // kind 3
    std::u16string moInstallLocation32;  // kind 16
    std::u16string moInstallLocation64;  // kind 7
};

// The path of a shell special folder (a CSIDL number), created when
// missing. SHGetSpecialFolderPathW is looked up in "Shell32.dll" once per
// process; without it the folder's item list is asked for instead.
bool gbGetSpecialFolderPath(int csidl, std::u16string& path);

// <TEMP>\<name>: the variable TEMP (empty when unset), a backslash, the name.
std::u16string TempFilePath(LPCWSTR name);
