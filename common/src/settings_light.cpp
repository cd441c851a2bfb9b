// SettingsLight: the product keys and the locations by kind.
#include "common/settings_light.h"

#include "trailing_backslash.h"

#include "winapi/environment.h"
#include "winapi/files.h"
#include "winapi/shell_folders.h"
#include "winapi/text.h"

namespace {

constexpr REGSAM kUserKeyAccess = KEY_READ | KEY_CREATE_SUB_KEY | KEY_SET_VALUE;

// The variable's value; empty when it is unset.
std::u16string goEnvironmentVariable(LPCWSTR name) {
    DWORD size = GetEnvironmentVariableW(name, nullptr, 0);
    if (size == 0) return {};
    std::u16string value(size, u'\0');
    DWORD length = GetEnvironmentVariableW(name, value.data(), size);
    value.resize(length < size ? length : 0);
    return value;
}

bool gbFileExists(const std::u16string& path) {
    DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace

Registry* SettingsLight::mpoGetMachineKey() {
    if (!moMachineKey.Key() && !moMachineKey.mbOpen(HKEY_LOCAL_MACHINE, kProductKeyPath, KEY_READ, 0)) return nullptr;
    return &moMachineKey;
}

Registry* SettingsLight::mpoGetUserKey() {
    if (!moUserKey.Key() && !moUserKey.mbOpen(HKEY_CURRENT_USER, kProductKeyPath, kUserKeyAccess, 1)) return nullptr;
    return &moUserKey;
}

bool SettingsLight::mbOpenProductKey(int kind, Registry& key, DWORD flags) {
    REGSAM access = 0;
    if (flags & kProductKeyRead) access |= KEY_READ;
    if (flags & kProductKeyWrite) access |= KEY_WRITE;
    if (kind == kMachineDatabasesKey && (flags & kProductKey32Bit)) access |= KEY_WOW64_32KEY;

    Registry* user = mpoGetUserKey();
    Registry* machine = mpoGetMachineKey();
    if (!user || !machine) return false;
    switch (kind) {
    case kMachineDatabasesKey:
        return key.mbOpen(machine->Key(), u"Databases", access, 0);
    case kUserVaultsKey:
        return key.mbOpen(user->Key(), u"Vaults", access, 0);
    case kUserNamespaceKey:
        return key.mbOpen(user->Key(), u"Namespace", access, 0);
    case kUserViewSetupKey:
        return key.mbOpen(user->Key(), u"ViewSetup", access, 0);
    case kUserPolicyKey:
        return key.mbOpen(HKEY_CURRENT_USER, kPolicyKeyPath, access, 0);
    case kMachinePolicyKey:
        return key.mbOpen(HKEY_LOCAL_MACHINE, kPolicyKeyPath, access, 0);
    default:
        return false;
    }
}

std::u16string SettingsLight::moMachineValue(LPCWSTR name) {
    std::u16string value;
    Registry* machine = mpoGetMachineKey();
    if (machine) machine->mbGetString(name, value);
    return value;
}

std::u16string SettingsLight::moFolderValue(LPCWSTR name, const std::u16string& fallback) {
    std::u16string value = moMachineValue(name);
    return value.empty() ? fallback : goWithBackslash(value);
}

std::u16string& SettingsLight::moViewLocation(Registry& viewKey, REGSAM view, std::u16string& cache) {
    if (cache.empty()) {
        std::u16string value;
        if (viewKey.mbOpen(HKEY_LOCAL_MACHINE, kProductKeyPath, KEY_READ | view, 0) &&
            viewKey.mbGetString(u"Location", value) && !value.empty())
            cache = goWithBackslash(value);
    }
    return cache;
}

std::u16string SettingsLight::moAppDataDirectory() {
    std::u16string base;
    if (!gbGetSpecialFolderPath(CSIDL_LOCAL_APPDATA, base) && !gbGetSpecialFolderPath(CSIDL_APPDATA, base))
        base = goEnvironmentVariable(u"APPDATA");
    if (base.empty()) return {};

    std::u16string directory = base + u"\\ZENTRAVIKO\\ZENTRAVIKO Vyl\\";
    if (GetFileAttributesW((directory + u".").c_str()) == INVALID_FILE_ATTRIBUTES) {
        // Failures are left to whoever uses the folder.
        CreateDirectoryW((base + u"\\ZENTRAVIKO").c_str(), nullptr);
        CreateDirectoryW((base + u"\\ZENTRAVIKO\\ZENTRAVIKO Vyl").c_str(), nullptr);
    }
    return directory;
}

std::u16string SettingsLight::moLanguageBase() {
    std::u16string value = moMachineValue(u"LangDir");
    return value.empty() ? goGetLocation(kInstallLocation64) + u"Lang\\" : goWithBackslash(value);
}

std::u16string SettingsLight::goGetLocation(int kind) {
    switch (kind) {
    case kInstallLocation:
    case 2:
    case 5:
        if (moInstallLocation.empty()) moInstallLocation = moFolderValue(u"Location", {});
        return moInstallLocation;
    case kSharedLocation:
        if (moSharedLocation.empty()) moSharedLocation = moFolderValue(u"SharedLocation", {});
        return moSharedLocation;
    case kAppDataDirectory:
        if (moAppDataDir.empty()) moAppDataDir = moAppDataDirectory();
        return moAppDataDir;
    case kLanFileDirectory: {
        std::u16string value = moMachineValue(u"LanFileDir");
        return value.empty() ? goGetLocation(kSharedLocation) + u"LanFiles\\" : goWithBackslash(value);
    }
    case kInsoBinDirectory: {
        std::u16string value = moMachineValue(u"InsoBinDir");
        return value.empty() ? goGetLocation(kSharedLocation) + u"FileFormats\\InsoBin\\" : goWithBackslash(value);
    }
    case kInstallLocation64:
        return moViewLocation(moMachineKey64, KEY_WOW64_64KEY, moInstallLocation64);
    case kLanguageDirectory:
        return moLanguageBase() + DefaultLanguageSetting() + u"\\";
    case kHelpFile: {
        std::u16string base = moLanguageBase();
        std::u16string language = DefaultLanguageSetting();
        std::u16string file = base + language + u"\\Quorrastel.chm";
        if (!gbFileExists(file) && !winapi::EqualsIgnoreCase(language, u"GB")) {
            std::u16string english = base + u"GB\\Quorrastel.chm";
            if (gbFileExists(english)) return english;
        }
        return file;
    }
    case kDefaultDataDirectory: {
        std::u16string value = moMachineValue(u"DefaultDataDir");
        return value.empty() ? goGetLocation(kInstallLocation64) + u"Default Data\\" : goWithBackslash(value);
    }
    case kDefaultCardDirectory: {
        std::u16string value = moMachineValue(u"DefaultCardDir");
        return value.empty() ? goGetLocation(kInstallLocation64) + u"Default Cards\\" : goWithBackslash(value);
    }
    case kLanFileParent: {
        // The folder above kind 4. A folder with nothing above it has no
        // parent to give: empty, not "\" (the root of the drive).
        std::u16string folder = goGetLocation(kLanFileDirectory);
        if (!folder.empty() && gbIsPathSeparator(folder.back())) folder.pop_back();
        size_t separator = folder.find_last_of(u"\\/");
        return separator == std::u16string::npos ? std::u16string() : folder.substr(0, separator + 1);
    }
    case kConfigDirectory: {
        std::u16string value = moMachineValue(u"DefConfigDir");
        return value.empty() ? goGetLocation(kInstallLocation64) + u"Default Configurations\\" : goWithBackslash(value);
    }
    case kVaultConfigurationsFile:
        return goGetLocation(kConfigDirectory) + u"VaultConfigurations.ini";
    case kHelpViewer: {
        std::u16string programFiles = goEnvironmentVariable(u"ProgramFiles(x86)");
        if (programFiles.empty()) return {};
        std::u16string viewer =
            goWithBackslash(programFiles) + u"Common Files\\Zentraviko Shared\\qzHelpViewer\\qzHelpViewer.exe";
        return gbFileExists(viewer) ? viewer : std::u16string();
    }
    case kInstallLocation32:
        return moViewLocation(moMachineKey32, KEY_WOW64_32KEY, moInstallLocation32);
    default:
        return {};
    }
}

std::u16string TempFilePath(LPCWSTR name) { return goEnvironmentVariable(u"TEMP") + u"\\" + (name ? name : u""); }
