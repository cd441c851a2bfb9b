#include "element_stat.h"

#include "com/task_memory.h"
#include "winapi/errors.h"

#include <cstring>

namespace storage {

FILETIME ToFileTime(uint64_t time) { return FILETIME{static_cast<DWORD>(time), static_cast<DWORD>(time >> 32)}; }

uint64_t FromFileTime(const FILETIME& time) {
    return (static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

LPOLESTR TaskMemoryString(std::u16string_view text) {
    auto* copy = static_cast<LPOLESTR>(CoTaskMemAlloc((text.size() + 1) * sizeof(OLECHAR)));
    if (copy == nullptr) return nullptr;
    std::memcpy(copy, text.data(), text.size() * sizeof(OLECHAR));
    copy[text.size()] = 0;
    return copy;
}

HRESULT FillStat(const format::Element& element, std::u16string_view name, DWORD mode, DWORD statFlag, STATSTG* stat) {
    if (statFlag != STATFLAG_DEFAULT && statFlag != STATFLAG_NONAME) return STG_E_INVALIDFLAG;
    STATSTG filled{};
    if (statFlag == STATFLAG_DEFAULT) {
        filled.pwcsName = TaskMemoryString(name);
        if (filled.pwcsName == nullptr) return E_OUTOFMEMORY;
    }
    filled.type = element.IsStream() ? STGTY_STREAM : STGTY_STORAGE;
    filled.cbSize.QuadPart = element.IsStream() ? element.Content().Size() : 0;
    filled.mtime = ToFileTime(element.ModifiedTime());
    filled.ctime = ToFileTime(element.CreationTime());
    filled.grfMode = mode;
    filled.clsid = element.Clsid();
    filled.grfStateBits = element.StateBits();
    *stat = filled;
    return S_OK;
}

}  // namespace storage
