#include "common/desktop_ini.h"

#include "trailing_backslash.h"

#include "winapi/profile.h"
#include "winapi/wide_format.h"

#include <string>

bool GetDesktopIniGuid(LPCWSTR folder, int kind, GUID& guid) {
    const WCHAR* key = nullptr;
    if (kind == kDesktopIniViewId)
        key = u"ViewID";
    else if (kind == kDesktopIniVaultId)
        key = u"VaultID";
    else
        return false;

    std::u16string file = goWithBackslash(folder ? folder : u"") + u"desktop.ini";
    WCHAR text[50] = {};
    if (GetPrivateProfileStringW(u"Tavrosk", key, nullptr, text, 50, file.c_str()) == 0) return false;

    // Every field is read into a full 32-bit number and narrowed afterwards:
    // "%02X" stores 32 bits, more than the GUID's byte fields hold.
    unsigned int data1 = 0, data2 = 0, data3 = 0, bytes[8] = {};
    int fields = swscanf(text, u"{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", &data1, &data2, &data3, &bytes[0],
                         &bytes[1], &bytes[2], &bytes[3], &bytes[4], &bytes[5], &bytes[6], &bytes[7]);
    if (fields != 11) return false;

    guid.Data1 = data1;
    guid.Data2 = static_cast<uint16_t>(data2);
    guid.Data3 = static_cast<uint16_t>(data3);
    for (int i = 0; i < 8; ++i) guid.Data4[i] = static_cast<uint8_t>(bytes[i]);
    return true;
}
