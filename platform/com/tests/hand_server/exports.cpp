// The four exports of the hand-written server. Registration writes the keys
// the system's servers write for each class: the class with its library and
// ProgIDs, the versioned ProgID, and the version-independent one with CurVer.
#include "calculator.h"
#include "hand_server.h"

#include "com/hresults.h"

#include "winapi/guid_text.h"
#include "winapi/modules.h"
#include "winapi/registry.h"

#include <string>

namespace {

std::u16string ClassKey() { return u"CLSID\\" + winapi::GuidToString(hand_server::kCalculatorClsid); }

bool WriteText(const std::u16string& subKey, const char16_t* name, const std::u16string& text) {
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CLASSES_ROOT, subKey.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        return false;
    LSTATUS status = RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                                    static_cast<DWORD>((text.size() + 1) * sizeof(WCHAR)));
    RegCloseKey(key);
    return status == ERROR_SUCCESS;
}

std::u16string OwnLibraryPath() {
    WCHAR path[4096];
    HMODULE self = winapi::ModuleFromAddress(reinterpret_cast<const void*>(&OwnLibraryPath));
    DWORD length = self ? GetModuleFileNameW(self, path, 4096) : 0;
    return length > 0 && length < 4096 ? std::u16string(path, length) : std::u16string();
}

}  // namespace

extern "C" {

__attribute__((visibility("default"))) HRESULT DllGetClassObject(REFCLSID clsid, REFIID riid, LPVOID* object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (clsid != hand_server::kCalculatorClsid) return CLASS_E_CLASSNOTAVAILABLE;
    IClassFactory* factory = hand_server::NewCalculatorFactory();
    HRESULT hr = factory->QueryInterface(riid, object);
    factory->Release();
    return hr;
}

__attribute__((visibility("default"))) HRESULT DllCanUnloadNow() {
    return hand_server::ActiveObjectsAndLocks() == 0 ? S_OK : S_FALSE;
}

__attribute__((visibility("default"))) HRESULT DllRegisterServer() {
    std::u16string library = OwnLibraryPath();
    std::u16string clsid = winapi::GuidToString(hand_server::kCalculatorClsid);
    bool written =
        !library.empty() && WriteText(ClassKey(), nullptr, u"Hand Calculator") &&
        WriteText(ClassKey() + u"\\InprocServer32", nullptr, library) &&
        WriteText(ClassKey() + u"\\InprocServer32", u"ThreadingModel", u"Apartment") &&
        WriteText(ClassKey() + u"\\ProgID", nullptr, hand_server::kVersionedProgId) &&
        WriteText(ClassKey() + u"\\VersionIndependentProgID", nullptr, hand_server::kProgId) &&
        WriteText(hand_server::kVersionedProgId, nullptr, u"Hand Calculator") &&
        WriteText(std::u16string(hand_server::kVersionedProgId) + u"\\CLSID", nullptr, clsid) &&
        WriteText(hand_server::kProgId, nullptr, u"Hand Calculator") &&
        WriteText(std::u16string(hand_server::kProgId) + u"\\CLSID", nullptr, clsid) &&
        WriteText(std::u16string(hand_server::kProgId) + u"\\CurVer", nullptr, hand_server::kVersionedProgId);
    return written ? S_OK : SELFREG_E_CLASS;
}

__attribute__((visibility("default"))) HRESULT DllUnregisterServer() {
    for (const std::u16string& key :
         {ClassKey(), std::u16string(hand_server::kVersionedProgId), std::u16string(hand_server::kProgId)}) {
        LSTATUS status = RegDeleteTreeW(HKEY_CLASSES_ROOT, key.c_str());
        if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND) return SELFREG_E_CLASS;
    }
    return S_OK;
}

}  // extern "C"
