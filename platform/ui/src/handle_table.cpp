#include "handle_table.h"

#include "winapi/errors.h"

#include <cstdint>
#include <map>

namespace ui::detail {
namespace {

// Ordered by handle, which is the order of creation.
std::map<uint32_t, Window*>& Table() {
    static std::map<uint32_t, Window*> table;
    return table;
}

// Window handles start well above the kernel handles' small values and go
// up in steps of two; 2^31 windows exhaust them, far beyond any session.
uint32_t nextHandle = 0x00010002u;

uint32_t ValueOf(HWND hwnd) { return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(hwnd)); }

}  // namespace

HWND AddWindow(Window* window) {
    if (nextHandle > 0xFFFFFFF0u) return nullptr;
    uint32_t value = nextHandle;
    nextHandle += 2;
    Table().emplace(value, window);
    return reinterpret_cast<HWND>(static_cast<uintptr_t>(value));
}

void RemoveWindow(HWND hwnd) { Table().erase(ValueOf(hwnd)); }

Window* LookupWindow(HWND hwnd) {
    if (reinterpret_cast<uintptr_t>(hwnd) > 0xFFFFFFFFu) return nullptr;
    auto found = Table().find(ValueOf(hwnd));
    return found == Table().end() ? nullptr : found->second;
}

std::vector<HWND> AllWindows() {
    std::vector<HWND> handles;
    handles.reserve(Table().size());
    for (const auto& [value, window] : Table())
        handles.push_back(reinterpret_cast<HWND>(static_cast<uintptr_t>(value)));
    return handles;
}

Window* WindowOrError(HWND hwnd) {
    Window* window = LookupWindow(hwnd);
    if (!window) SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return window;
}

}  // namespace ui::detail

namespace ui {

Window* WindowFromHandle(HWND hwnd) { return detail::LookupWindow(hwnd); }

}  // namespace ui
