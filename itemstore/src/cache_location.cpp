#include "itemstore/cache_location.h"

#include "common/settings_light.h"

#include "com/bstr.h"
#include "com/variant.h"
#include "winapi/errors.h"
#include "winapi/files.h"
#include "winapi/guid_text.h"

#include <new>

HRESULT ghItemCacheVersionText(std::u16string& text) {
    VARIANT number;
    VariantInit(&number);
    number.vt = VT_I4;
    number.lVal = kItemCacheFormatVersion;
    VARIANT converted;
    VariantInit(&converted);
    if (FAILED(VariantChangeType(&converted, &number, 0, VT_BSTR))) return E_INVALIDARG;
    HRESULT hr = S_OK;
    try {
        text.assign(converted.bstrVal, SysStringLen(converted.bstrVal));
    } catch (const std::bad_alloc&) {
        hr = E_OUTOFMEMORY;
    }
    VariantClear(&converted);
    return hr;
}

HRESULT ghItemCacheHeaderText(std::u16string& text) {
    std::u16string version;
    HRESULT hr = ghItemCacheVersionText(version);
    if (FAILED(hr)) return hr;
    try {
        text = kItemCacheHeaderTitle + version;
        return S_OK;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

HRESULT ghItemCacheFilePath(REFGUID vault, std::u16string& path) {
    std::u16string version;
    HRESULT hr = ghItemCacheVersionText(version);
    if (FAILED(hr)) return hr;
    RPC_WSTR guidText = nullptr;
    if (UuidToStringW(&vault, &guidText) != RPC_S_OK) return E_OUTOFMEMORY;
    try {
        SettingsLight settings;
        std::u16string folder = settings.goGetLocation(kAppDataDirectory) + u"Items";
        // An existing folder is no error; any other failure shows at the open.
        CreateDirectoryW(folder.c_str(), nullptr);
        std::u16string vaultName;
        // An unregistered vault has no name: the double separator that follows
        // puts the file directly in "Items".
        if (!settings.mbGetVaultNameFromID(vault, vaultName)) vaultName.clear();
        folder += u"\\" + vaultName;
        CreateDirectoryW(folder.c_str(), nullptr);
        path = folder + u"\\" + guidText + u"_vrsn_" + version + u".Items";
    } catch (const std::bad_alloc&) {
        hr = E_OUTOFMEMORY;
    }
    RpcStringFreeW(&guidText);
    return hr;
}
