// ProgIDs: the readable names of classes under HKEY_CLASSES_ROOT.
#include "classes_root.h"

#include "com/runtime.h"
#include "com/task_memory.h"

#include "com/guid_strings.h"

#include <cstring>

namespace {

// Version-independent ProgIDs name their current version through CurVer;
// a chain longer than this is a loop in the registry, not a class.
constexpr int kMaxCurVerSteps = 8;

}  // namespace

HRESULT WINAPI CLSIDFromProgID(LPCOLESTR progId, LPCLSID clsid) {
    if (!progId || !clsid) return E_INVALIDARG;
    *clsid = GUID_NULL;
    std::u16string name(progId);
    for (int step = 0; step <= kMaxCurVerSteps && !name.empty(); ++step) {
        std::u16string text;
        if (com::detail::ReadClassesRootText(name + u"\\CLSID", &text))
            return SUCCEEDED(IIDFromString(text.c_str(), clsid)) ? S_OK : CO_E_CLASSSTRING;  // the registry form
        if (!com::detail::ReadClassesRootText(name + u"\\CurVer", &text)) break;
        name = std::move(text);
    }
    return CO_E_CLASSSTRING;
}

HRESULT WINAPI ProgIDFromCLSID(REFCLSID clsid, LPOLESTR* progId) {
    if (!progId) return E_INVALIDARG;
    *progId = nullptr;
    std::u16string text;
    if (!com::detail::ReadClassesRootText(com::detail::ClassKey(clsid) + u"\\ProgID", &text))
        return REGDB_E_CLASSNOTREG;
    size_t bytes = (text.size() + 1) * sizeof(WCHAR);
    auto* copy = static_cast<LPOLESTR>(CoTaskMemAlloc(bytes));
    if (!copy) return E_OUTOFMEMORY;
    std::memcpy(copy, text.c_str(), bytes);
    *progId = copy;
    return S_OK;
}
