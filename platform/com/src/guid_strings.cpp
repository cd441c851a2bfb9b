// GUIDs as registry-form text, in both directions.
#include "com/guid_strings.h"

#include "com/hresults.h"
#include "com/runtime.h"
#include "com/task_memory.h"

#include "winapi/guid_text.h"

#include <cstring>
#include <string>

namespace {

constexpr int kGuidTextLength = 38;

bool ParseBracedGuid(std::u16string_view text, GUID* guid) {
    return text.size() == kGuidTextLength && text.front() == u'{' && text.back() == u'}' &&
           winapi::ParseGuid(text, guid);
}

HRESULT TextInTaskMemory(REFGUID guid, LPOLESTR* text) {
    if (!text) return E_INVALIDARG;
    *text = static_cast<LPOLESTR>(CoTaskMemAlloc((kGuidTextLength + 1) * sizeof(WCHAR)));
    if (!*text) return E_OUTOFMEMORY;
    StringFromGUID2(guid, *text, kGuidTextLength + 1);
    return S_OK;
}

}  // namespace

int WINAPI StringFromGUID2(REFGUID guid, LPOLESTR buffer, int bufferSize) {
    if (!buffer || bufferSize < kGuidTextLength + 1) return 0;
    std::u16string text = winapi::GuidToString(guid);
    std::memcpy(buffer, text.c_str(), (kGuidTextLength + 1) * sizeof(WCHAR));
    return kGuidTextLength + 1;
}

HRESULT WINAPI StringFromCLSID(REFCLSID clsid, LPOLESTR* text) { return TextInTaskMemory(clsid, text); }

HRESULT WINAPI StringFromIID(REFIID iid, LPOLESTR* text) { return TextInTaskMemory(iid, text); }

HRESULT WINAPI CLSIDFromString(LPCOLESTR text, LPCLSID clsid) {
    if (!clsid) return E_INVALIDARG;
    *clsid = GUID_NULL;
    if (!text) return S_OK;
    if (ParseBracedGuid(text, clsid)) return S_OK;
    if (text[0] != u'{' && SUCCEEDED(CLSIDFromProgID(text, clsid))) return S_OK;
    *clsid = GUID_NULL;
    return CO_E_CLASSSTRING;
}

HRESULT WINAPI IIDFromString(LPCOLESTR text, LPIID iid) {
    if (!iid) return E_INVALIDARG;
    *iid = GUID_NULL;
    if (!text) return S_OK;
    if (ParseBracedGuid(text, iid)) return S_OK;
    *iid = GUID_NULL;
    return E_INVALIDARG;
}
