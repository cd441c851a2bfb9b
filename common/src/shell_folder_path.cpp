// gbGetSpecialFolderPath: a shell special folder's path.
#include "common/settings_light.h"

#include "com/task_memory.h"
#include "winapi/modules.h"
#include "winapi/shell_folders.h"

namespace {

typedef BOOL(WINAPI* SpecialFolderPathFunction)(HWND, LPWSTR, int, BOOL);

// Shell32's SHGetSpecialFolderPathW, looked up once; the library stays
// loaded for the rest of the process so the pointer stays valid.
SpecialFolderPathFunction gpoSpecialFolderPathFunction() {
    static const SpecialFolderPathFunction function = [] {
        HMODULE shell = LoadLibraryW(u"Shell32.dll");
        return shell ? reinterpret_cast<SpecialFolderPathFunction>(GetProcAddress(shell, "SHGetSpecialFolderPathW"))
                     : nullptr;
    }();
    return function;
}

// Without the function: the folder's item list, turned into its path.
bool gbPathFromItemList(int csidl, WCHAR (&buffer)[MAX_PATH + 1]) {
    PIDLIST_ABSOLUTE items = nullptr;
    if (FAILED(SHGetSpecialFolderLocation(nullptr, csidl, &items)) || !items) return false;
    bool found = SHGetPathFromIDListW(items, buffer) != FALSE;
    IMalloc* allocator = nullptr;
    if (SUCCEEDED(SHGetMalloc(&allocator)) && allocator) {
        allocator->Free(items);
        allocator->Release();
    }
    return found;
}

}  // namespace

bool gbGetSpecialFolderPath(int csidl, std::u16string& path) {
    WCHAR buffer[MAX_PATH + 1] = {};
    bool found = false;
    if (SpecialFolderPathFunction function = gpoSpecialFolderPathFunction())
        found = function(nullptr, buffer, csidl, TRUE) != FALSE;
    else
        found = gbPathFromItemList(csidl, buffer);
    if (found) path = buffer;
    return found;
}
