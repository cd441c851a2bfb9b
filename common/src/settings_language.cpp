// SettingsLight: the user's language, with its write-back.
#include "common/settings_light.h"

#include "winapi/errors.h"
#include "winapi/text.h"

namespace {

constexpr const WCHAR* kEnglish = u"GB";
constexpr REGSAM kWritableAccess = KEY_READ | KEY_CREATE_SUB_KEY | KEY_SET_VALUE;

// "S" (either case) stands for the standard language, English.
bool gbIsStandardLanguage(const std::u16string& language) { return winapi::EqualsIgnoreCase(language, u"S"); }

// The machine's language: its "DefaultLanguage", "S" counting as "GB";
// empty when the value is missing or empty.
std::u16string goMachineLanguage(Registry& machineKey) {
    std::u16string language;
    if (!machineKey.mbGetString(u"DefaultLanguage", language) || language.empty()) return {};
    return gbIsStandardLanguage(language) ? kEnglish : language;
}

}  // namespace

std::u16string SettingsLight::DefaultLanguageSetting() {
    Registry* user = mpoGetUserKey();
    if (!user) return kEnglish;

    // The user's own choice wins. An empty choice names no language, so it
    // counts as missing. When the settings key cannot be opened at all, the
    // write-back is still due and writes the keys that do open.
    Registry userSettings;
    if (userSettings.mbOpen(user->Key(), u"Vaults\\_-Global\\Settings", kWritableAccess, 1)) {
        std::u16string choice;
        if (userSettings.mbGetString(u"0", choice) && !choice.empty() && !gbIsStandardLanguage(choice)) return choice;
    }

    Registry machine;
    if (!machine.mbOpen(HKEY_LOCAL_MACHINE, kProductKeyPath, kWritableAccess, 0)) {
        // A user who may not write the machine key still gets the machine's
        // language, read through the read-only key; nothing is written.
        Registry* readOnly = mpoGetMachineKey();
        std::u16string language = readOnly ? goMachineLanguage(*readOnly) : std::u16string();
        return language.empty() ? kEnglish : language;
    }
    std::u16string language = goMachineLanguage(machine);
    if (language.empty()) return kEnglish;

    if (userSettings.Key()) userSettings.mbSetString(u"0", language.c_str());
    user->mbSetString(u"Language", language.c_str());
    machine.mbSetString(u"DefaultLanguage", language.c_str());
    Registry machine32;
    if (machine32.mbOpen(HKEY_LOCAL_MACHINE, kProductKeyPath, kWritableAccess | KEY_WOW64_32KEY, 0) &&
        RegQueryValueExW(machine32.Key(), u"DefaultLanguage", nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS)
        machine32.mbSetString(u"DefaultLanguage", language.c_str());
    return language;
}
