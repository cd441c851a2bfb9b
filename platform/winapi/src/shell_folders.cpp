#include "winapi/shell_folders.h"

#include "winapi/modules.h"
#include "winapi/path_mapping.h"
#include "winapi/state_root.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>

namespace winapi {

namespace {

std::filesystem::path FolderFor(int csidl) {
    switch (csidl & ~CSIDL_FLAG_MASK) {
    case CSIDL_APPDATA:
        return UserProfileDir() / "AppData" / "Roaming";
    case CSIDL_LOCAL_APPDATA:
        return UserProfileDir() / "AppData" / "Local";
    case CSIDL_PERSONAL:
        return UserProfileDir() / "Documents";
    case CSIDL_COMMON_APPDATA:
        return StateRoot() / "ProgramData";
    case CSIDL_PROGRAM_FILES:
    case CSIDL_PROGRAM_FILESX86:
        return StateRoot() / "Program Files";
    default:
        return {};
    }
}

// The folder's path for the system, or the Win32 error that stops it.
DWORD LookUpFolder(int csidl, std::u16string* path) {
    std::filesystem::path folder = FolderFor(csidl);
    if (folder.empty()) return ERROR_INVALID_PARAMETER;
    errno = 0;
    if (!EnsureDirectory(folder)) return Win32ErrorFromErrno(errno ? errno : ENOTDIR);
    *path = FromPosixPath(folder.string());
    if (path->size() >= MAX_PATH) return ERROR_BUFFER_OVERFLOW;
    return ERROR_SUCCESS;
}

void CopyToPathBuffer(const std::u16string& text, LPWSTR buffer) {
    std::copy(text.begin(), text.end(), buffer);
    buffer[text.size()] = 0;
}

// The item list's layout: one item (size, path, terminator), then the zero
// size that ends the list.
ITEMIDLIST* NewIdList(const std::u16string& path) {
    const size_t itemSize = sizeof(USHORT) + (path.size() + 1) * sizeof(char16_t);
    auto* block = static_cast<BYTE*>(std::malloc(itemSize + sizeof(USHORT)));
    if (!block) return nullptr;
    const USHORT cb = static_cast<USHORT>(itemSize);
    const USHORT end = 0;
    std::memcpy(block, &cb, sizeof cb);
    std::memcpy(block + sizeof(USHORT), path.c_str(), (path.size() + 1) * sizeof(char16_t));
    std::memcpy(block + itemSize, &end, sizeof end);
    return reinterpret_cast<ITEMIDLIST*>(block);
}

bool PathOfIdList(const ITEMIDLIST* pidl, std::u16string* path) {
    if (!pidl) return false;
    const auto* block = reinterpret_cast<const BYTE*>(pidl);
    USHORT cb = 0;
    std::memcpy(&cb, block, sizeof cb);
    const size_t textBytes = cb > sizeof(USHORT) ? cb - sizeof(USHORT) : 0;
    if (textBytes < sizeof(char16_t) || textBytes % sizeof(char16_t) != 0) return false;
    path->resize(textBytes / sizeof(char16_t));
    std::memcpy(path->data(), block + sizeof(USHORT), textBytes);
    USHORT next = 1;
    std::memcpy(&next, block + cb, sizeof next);
    // Exactly one item, ending in its terminator, is a list this layer made.
    if (path->back() != 0 || next != 0) return false;
    path->pop_back();
    return path->find(u'\0') == std::u16string::npos && path->size() < MAX_PATH;
}

template <class Function>
FARPROC AsExport(Function* function) {
    return reinterpret_cast<FARPROC>(function);
}

const bool kShellExportsRegistered = [] {
    RegisterBuiltinExport(u"shell32.dll", "SHGetSpecialFolderPathW", AsExport(&SHGetSpecialFolderPathW));
    RegisterBuiltinExport(u"shell32.dll", "SHGetFolderPathW", AsExport(&SHGetFolderPathW));
    RegisterBuiltinExport(u"shell32.dll", "SHGetSpecialFolderLocation", AsExport(&SHGetSpecialFolderLocation));
    RegisterBuiltinExport(u"shell32.dll", "SHGetPathFromIDListW", AsExport(&SHGetPathFromIDListW));
    RegisterBuiltinExport(u"shell32.dll", "ILFree", AsExport(&ILFree));
    return true;
}();

}  // namespace

void FreeIdList(ITEMIDLIST* pidl) { std::free(pidl); }

std::string SpecialFolderPath(int csidl) {
    std::filesystem::path folder = FolderFor(csidl);
    if (folder.empty()) return std::string();
    EnsureDirectory(folder);
    return folder.string();
}

}  // namespace winapi

using namespace winapi;

BOOL WINAPI SHGetSpecialFolderPathW(HWND, LPWSTR path, int csidl, BOOL) {
    if (!path) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::u16string folder;
    DWORD error = LookUpFolder(csidl, &folder);
    if (error != ERROR_SUCCESS) {
        SetLastError(error);
        return FALSE;
    }
    CopyToPathBuffer(folder, path);
    return TRUE;
}

HRESULT WINAPI SHGetFolderPathW(HWND, int csidl, HANDLE token, DWORD, LPWSTR path) {
    if (!path || token) return E_INVALIDARG;
    path[0] = 0;
    std::u16string folder;
    DWORD error = LookUpFolder(csidl, &folder);
    if (error == ERROR_INVALID_PARAMETER) return E_INVALIDARG;
    if (error != ERROR_SUCCESS) return HRESULT_FROM_WIN32(error);
    CopyToPathBuffer(folder, path);
    return S_OK;
}

HRESULT WINAPI SHGetSpecialFolderLocation(HWND, int csidl, PIDLIST_ABSOLUTE* pidl) {
    if (!pidl) return E_INVALIDARG;
    *pidl = nullptr;
    std::u16string folder;
    DWORD error = LookUpFolder(csidl, &folder);
    if (error == ERROR_INVALID_PARAMETER) return E_INVALIDARG;
    if (error != ERROR_SUCCESS) return HRESULT_FROM_WIN32(error);
    *pidl = NewIdList(folder);
    return *pidl ? S_OK : E_OUTOFMEMORY;
}

BOOL WINAPI SHGetPathFromIDListW(PCIDLIST_ABSOLUTE pidl, LPWSTR path) {
    if (!path) return FALSE;
    path[0] = 0;
    std::u16string folder;
    if (!PathOfIdList(pidl, &folder)) return FALSE;
    CopyToPathBuffer(folder, path);
    return TRUE;
}

void WINAPI ILFree(PIDLIST_RELATIVE pidl) { FreeIdList(pidl); }
