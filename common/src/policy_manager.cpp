#include "common/policy_manager.h"

#include "common/registry.h"
#include "common/settings_light.h"

#include "winapi/errors.h"

PolicyManager::PolicyManager(LPCWSTR valueName, LPCWSTR subKey, int32_t scope, int32_t firstValue, int32_t secondValue)
    : moValueName(valueName ? valueName : u""),
      moSubKey(subKey ? subKey : u""),
      mlScope(scope),
      mlFirstValue(firstValue),
      mlSecondValue(secondValue) {}

LONG PolicyManager::mlReadValue() const {
    constexpr LONG kNotConfigured = 3;
    bool perUser = mlScope == 1;

    SettingsLight settings;
    Registry key;
    bool policySet =
        settings.mbOpenProductKey(perUser ? kUserPolicyKey : kMachinePolicyKey, key, kProductKeyRead) &&
        key.mbOpenSubKey(moSubKey.c_str(), KEY_READ, 0) &&
        RegQueryValueExW(key.Key(), moValueName.c_str(), nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
    if (!policySet) {
        HKEY root = perUser ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE;
        if (!key.mbOpen(root, kProductKeyPath, KEY_READ, 0) || !key.mbOpenSubKey(moSubKey.c_str(), KEY_READ, 0))
            return kNotConfigured;
    }

    DWORD value = 0;
    if (!key.mbGetDWORD(moValueName.c_str(), value)) return kNotConfigured;
    if (static_cast<int32_t>(value) == mlFirstValue) return 1;
    if (static_cast<int32_t>(value) == mlSecondValue) return 2;
    return 0;
}
