#include "winapi/shell_paths.h"

#include "winapi/errors.h"
#include "winapi/files.h"
#include "winapi/path_mapping.h"
#include "winapi/text.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>

namespace {

bool IsSeparator(WCHAR c) { return c == u'\\' || c == u'/'; }

bool StartsWithDrive(std::u16string_view path) {
    return path.size() >= 2 && path[1] == u':' &&
           ((path[0] >= u'A' && path[0] <= u'Z') || (path[0] >= u'a' && path[0] <= u'z'));
}

bool StartsWithServer(std::u16string_view path) {
    return path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1]);
}

// How many leading characters form the path's root, which no helper removes.
size_t RootLength(std::u16string_view path) {
    if (StartsWithDrive(path)) return path.size() > 2 && IsSeparator(path[2]) ? 3 : 2;
    if (StartsWithServer(path)) return 2;
    return !path.empty() && IsSeparator(path[0]) ? 1 : 0;
}

bool IsRootOnly(std::u16string_view path) { return !path.empty() && RootLength(path) == path.size(); }

// The text of `text`, at most `count` characters of it.
std::u16string_view Bounded(LPCWSTR text, int count) {
    if (!text || count <= 0) return {};
    size_t length = 0;
    while (length < static_cast<size_t>(count) && text[length]) ++length;
    return std::u16string_view(text, length);
}

std::u16string_view TextOf(LPCWSTR text) { return text ? std::u16string_view(text) : std::u16string_view(); }

bool FitsInPath(const std::u16string& text) { return text.size() < MAX_PATH; }

void Store(const std::u16string& text, LPWSTR buffer) {
    std::copy(text.begin(), text.end(), buffer);
    buffer[text.size()] = 0;
}

// PathCombineW's joining rules; the result still holds "." and "..".
std::u16string Join(std::u16string_view dir, std::u16string_view file) {
    if (file.empty()) return std::u16string(dir);
    if (dir.empty() || StartsWithDrive(file)) return std::u16string(file);
    if (IsSeparator(file[0])) {
        if (StartsWithDrive(dir)) return std::u16string(dir.substr(0, 2)) + std::u16string(file);
        return std::u16string(file);
    }
    std::u16string joined(dir);
    if (!IsSeparator(joined.back())) joined += u'\\';
    return joined + std::u16string(file);
}

}  // namespace

using namespace winapi;

LPWSTR WINAPI PathFindExtensionW(LPCWSTR path) {
    if (!path) return nullptr;
    LPCWSTR dot = nullptr;
    LPCWSTR p = path;
    for (; *p; ++p) {
        if (IsSeparator(*p))
            dot = nullptr;
        else if (*p == u'.')
            dot = p;
    }
    return const_cast<LPWSTR>(dot ? dot : p);
}

LPWSTR WINAPI PathFindFileNameW(LPCWSTR path) {
    if (!path) return nullptr;
    LPCWSTR name = path;
    for (LPCWSTR p = path; *p; ++p) {
        if ((IsSeparator(*p) || *p == u':') && p[1] && !IsSeparator(p[1])) name = p + 1;
    }
    return const_cast<LPWSTR>(name);
}

BOOL WINAPI PathRemoveFileSpecW(LPWSTR path) {
    if (!path) return FALSE;
    std::u16string_view text(path);
    const size_t root = RootLength(text);
    size_t cut = std::u16string_view::npos;
    for (size_t i = root; i < text.size(); ++i) {
        if (IsSeparator(text[i])) cut = i;
    }
    if (cut == std::u16string_view::npos) {
        if (StartsWithServer(text)) return FALSE;  // "\\server" is all root
        cut = root;
    }
    if (cut == text.size()) return FALSE;
    path[cut] = 0;
    return TRUE;
}

LPWSTR WINAPI PathRemoveBackslashW(LPWSTR path) {
    if (!path) return nullptr;
    std::u16string_view text(path);
    if (text.empty()) return path;
    LPWSTR last = path + text.size() - 1;
    if (IsSeparator(*last) && !IsRootOnly(text)) {
        *last = 0;
        return last;
    }
    return last;
}

LPWSTR WINAPI PathAddBackslashW(LPWSTR path) {
    if (!path) return nullptr;
    const size_t length = std::u16string_view(path).size();
    if (length == 0 || IsSeparator(path[length - 1])) return path + length;
    if (length + 1 >= MAX_PATH) return nullptr;
    path[length] = u'\\';
    path[length + 1] = 0;
    return path + length + 1;
}

void WINAPI PathRemoveExtensionW(LPWSTR path) {
    if (path) *PathFindExtensionW(path) = 0;
}

BOOL WINAPI PathRenameExtensionW(LPWSTR path, LPCWSTR extension) {
    if (!path || !extension) return FALSE;
    LPWSTR dot = PathFindExtensionW(path);
    const size_t stem = static_cast<size_t>(dot - path);
    std::u16string_view added(extension);
    if (stem + added.size() >= MAX_PATH) return FALSE;
    std::copy(added.begin(), added.end(), dot);
    dot[added.size()] = 0;
    return TRUE;
}

LPWSTR WINAPI PathCombineW(LPWSTR dest, LPCWSTR dir, LPCWSTR file) {
    if (!dest) return nullptr;
    if (!dir && !file) {
        dest[0] = 0;
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    std::u16string combined = CollapseDotSegments(Join(TextOf(dir), TextOf(file)));
    if (!FitsInPath(combined)) {
        dest[0] = 0;
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return nullptr;
    }
    Store(combined, dest);
    return dest;
}

BOOL WINAPI PathAppendW(LPWSTR path, LPCWSTR more) {
    if (!path || !more) return FALSE;
    std::u16string_view tail(more);
    while (!tail.empty() && IsSeparator(tail[0])) tail.remove_prefix(1);
    std::u16string combined = CollapseDotSegments(Join(path, tail));
    if (!FitsInPath(combined)) return FALSE;
    Store(combined, path);
    return TRUE;
}

BOOL WINAPI PathIsRelativeW(LPCWSTR path) {
    std::u16string_view text = TextOf(path);
    return !(StartsWithDrive(text) || (!text.empty() && IsSeparator(text[0])));
}

BOOL WINAPI PathFileExistsW(LPCWSTR path) { return path && GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES; }

BOOL WINAPI PathIsDirectoryW(LPCWSTR path) {
    if (!path) return FALSE;
    DWORD attributes = GetFileAttributesW(path);
    bool folder = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
    return folder ? FILE_ATTRIBUTE_DIRECTORY : FALSE;
}

int WINAPI PathGetDriveNumberW(LPCWSTR path) {
    std::u16string_view text = TextOf(path);
    if (text.substr(0, 4) == u"\\\\?\\") text.remove_prefix(4);
    if (!StartsWithDrive(text)) return -1;
    return static_cast<int>(ToUpper(text[0]) - u'A');
}

void WINAPI PathStripPathW(LPWSTR path) {
    if (!path) return;
    LPWSTR name = PathFindFileNameW(path);
    if (name != path) std::memmove(path, name, (std::u16string_view(name).size() + 1) * sizeof(WCHAR));
}

int WINAPI StrCmpIW(LPCWSTR a, LPCWSTR b) { return CompareIgnoreCase(TextOf(a), TextOf(b)); }

int WINAPI StrCmpNIW(LPCWSTR a, LPCWSTR b, int count) {
    return CompareIgnoreCase(Bounded(a, count), Bounded(b, count));
}

LPWSTR WINAPI StrStrIW(LPCWSTR text, LPCWSTR search) {
    if (!text || !search) return nullptr;
    std::u16string_view wanted(search);
    for (LPCWSTR start = text;; ++start) {
        if (EqualsIgnoreCase(Bounded(start, static_cast<int>(wanted.size())), wanted)) return const_cast<LPWSTR>(start);
        if (!*start) return nullptr;
    }
}
