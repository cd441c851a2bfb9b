#include "com/server/type_library.h"

#include "winapi/errors.h"
#include "winapi/guid_text.h"
#include "winapi/registry.h"
#include "winapi/registry_write_batch.h"
#include "winapi/text.h"

#include <cstdio>

namespace com {
namespace {

// The proxy of Automation interfaces, which marshals them from their type
// information.
constexpr char16_t kAutomationProxy[] = u"{00020424-0000-0000-C000-000000000046}";

std::u16string VersionText(const TypeLibrary& library) {
    char text[16];
    std::snprintf(text, sizeof text, "%x.%x", library.majorVersion, library.minorVersion);
    return winapi::ToUtf16(text);
}

std::u16string VersionKeyPath(const TypeLibrary& library) {
    return u"TypeLib\\" + winapi::GuidToString(*library.libraryId) + u"\\" + VersionText(library);
}

std::u16string InterfaceKeyPath(const TypeLibraryInterface& entry) {
    return u"Interface\\" + winapi::GuidToString(*entry.iid);
}

std::u16string_view FolderOf(std::u16string_view path) {
    size_t separator = path.find_last_of(u"\\/");
    return separator == std::u16string_view::npos ? std::u16string_view() : path.substr(0, separator);
}

// Writes a text value of HKCR\<keyPath>, creating the key.
LSTATUS WriteText(const std::u16string& keyPath, const char16_t* valueName, std::u16string_view text) {
    HKEY key = nullptr;
    LSTATUS status = RegCreateKeyExW(HKEY_CLASSES_ROOT, keyPath.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE,
                                     nullptr, &key, nullptr);
    if (status) return status;
    std::u16string value(text);
    status = RegSetValueExW(key, valueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                            static_cast<DWORD>((value.size() + 1) * sizeof(WCHAR)));
    RegCloseKey(key);
    return status;
}

// The default value of HKCR\<keyPath>, empty when there is none.
std::u16string ReadDefaultText(const std::u16string& keyPath) {
    WCHAR buffer[128] = {};
    DWORD bytes = sizeof buffer - sizeof(WCHAR);
    DWORD type = 0;
    if (SHGetValueW(HKEY_CLASSES_ROOT, keyPath.c_str(), nullptr, &type, buffer, &bytes) || type != REG_SZ) return {};
    std::u16string text(buffer, bytes / sizeof(WCHAR));
    while (!text.empty() && text.back() == u'\0') text.pop_back();
    return text;
}

LSTATUS DeleteTree(const std::u16string& keyPath) {
    LSTATUS status = RegDeleteTreeW(HKEY_CLASSES_ROOT, keyPath.c_str());
    return status == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : status;
}

LSTATUS WriteLibrary(const TypeLibrary& library, std::u16string_view modulePath, std::u16string_view helpDir) {
    const std::u16string versionKey = VersionKeyPath(library);
    const std::u16string libraryId = winapi::GuidToString(*library.libraryId);
    if (LSTATUS status = DeleteTree(versionKey)) return status;
    if (LSTATUS status = WriteText(versionKey, nullptr, library.name)) return status;
    if (LSTATUS status = WriteText(versionKey + u"\\FLAGS", nullptr, u"0")) return status;
    if (LSTATUS status =
            WriteText(versionKey + u"\\HELPDIR", nullptr, helpDir.empty() ? FolderOf(modulePath) : helpDir))
        return status;
    if (LSTATUS status = WriteText(versionKey + u"\\0\\win64", nullptr, modulePath)) return status;

    for (const TypeLibraryInterface& entry : library.interfaces) {
        const std::u16string key = InterfaceKeyPath(entry);
        if (LSTATUS status = DeleteTree(key)) return status;
        if (LSTATUS status = WriteText(key, nullptr, entry.name)) return status;
        if (entry.automation) {
            if (LSTATUS status = WriteText(key + u"\\ProxyStubClsid32", nullptr, kAutomationProxy)) return status;
        }
        if (LSTATUS status = WriteText(key + u"\\TypeLib", nullptr, libraryId)) return status;
        if (LSTATUS status = WriteText(key + u"\\TypeLib", u"Version", VersionText(library))) return status;
    }
    return ERROR_SUCCESS;
}

// Deletes the library's keys; the first failure, going on past it.
HRESULT RemoveLibrary(const TypeLibrary& library);

}  // namespace

HRESULT RegisterTypeLib(const TypeLibrary& library, std::u16string_view modulePath, std::u16string_view helpDir) {
    // One rewrite of each hive for the library's keys and values.
    winapi::RegistryWriteBatch batch;
    LSTATUS status = WriteLibrary(library, modulePath, helpDir);
    if (status != ERROR_SUCCESS) UnRegisterTypeLib(library);  // leave no half registration behind
    LSTATUS written = batch.Finish();
    if (status == ERROR_SUCCESS) status = written;
    return status == ERROR_SUCCESS ? S_OK : HRESULT_FROM_WIN32(static_cast<DWORD>(status));
}

HRESULT UnRegisterTypeLib(const TypeLibrary& library) {
    winapi::RegistryWriteBatch batch;
    HRESULT hr = RemoveLibrary(library);
    LSTATUS written = batch.Finish();
    return SUCCEEDED(hr) && written != ERROR_SUCCESS ? HRESULT_FROM_WIN32(static_cast<DWORD>(written)) : hr;
}

namespace {

HRESULT RemoveLibrary(const TypeLibrary& library) {
    const std::u16string libraryId = winapi::GuidToString(*library.libraryId);
    LSTATUS failure = DeleteTree(VersionKeyPath(library));

    // The library's key goes with its last version.
    const std::u16string libraryKeyPath = u"TypeLib\\" + libraryId;
    HKEY libraryKey = nullptr;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, libraryKeyPath.c_str(), 0, KEY_READ, &libraryKey) == ERROR_SUCCESS) {
        DWORD versions = 0;
        LSTATUS status = RegQueryInfoKeyW(libraryKey, nullptr, nullptr, nullptr, &versions, nullptr, nullptr, nullptr,
                                          nullptr, nullptr, nullptr, nullptr);
        RegCloseKey(libraryKey);
        if (status == ERROR_SUCCESS && versions == 0) status = RegDeleteKeyW(HKEY_CLASSES_ROOT, libraryKeyPath.c_str());
        if (!failure && status && status != ERROR_FILE_NOT_FOUND) failure = status;
    }

    for (const TypeLibraryInterface& entry : library.interfaces) {
        const std::u16string key = InterfaceKeyPath(entry);
        if (!winapi::EqualsIgnoreCase(ReadDefaultText(key + u"\\TypeLib"), libraryId)) continue;
        if (LSTATUS status = DeleteTree(key); status && !failure) failure = status;
    }
    return failure ? HRESULT_FROM_WIN32(static_cast<DWORD>(failure)) : S_OK;
}

}  // namespace

}  // namespace com
