// The values a login needs to reach one registered vault, read from the
// vault's registry key (SettingsLight::mbGetVaultConnectionSettings).
#pragma once

#include <cstdint>
#include <string>

struct VaultConnectionSettings {
    std::u16string ServerLoc;  // the archive server
    std::u16string DbServer;   // the database server
    std::u16string DbName;     // the vault's database
    std::u16string ShellRoot;  // the vault's view root folder, ending in a backslash
    int32_t ServerPort = 0;
    int32_t VaultType = 0;
};
