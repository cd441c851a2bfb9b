#include "winapi/profile.h"

#include "winapi/errors.h"
#include "winapi/path_mapping.h"
#include "winapi/save_file.h"
#include "winapi/text.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace winapi {

namespace {

enum class Encoding { Utf8, Utf8WithMark, Utf16Le };

// A file as lines of text, with what it takes to write it back alike.
struct IniText {
    std::vector<std::u16string> lines;
    Encoding encoding = Encoding::Utf8;
    std::u16string lineEnd = u"\r\n";
};

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\v' || c == u'\f'; }

std::u16string_view Trim(std::u16string_view text) {
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
    return text;
}

// The section a "[name]" line opens, or nothing for another line.
std::optional<std::u16string_view> SectionName(std::u16string_view line) {
    line = Trim(line);
    if (line.empty() || line[0] != u'[') return std::nullopt;
    line.remove_prefix(1);
    return Trim(line.substr(0, line.find(u']')));
}

bool IsEntry(std::u16string_view line) {
    line = Trim(line);
    return !line.empty() && line[0] != u';' && line[0] != u'[';
}

std::u16string_view KeyOf(std::u16string_view line) { return Trim(line.substr(0, line.find(u'='))); }

std::u16string_view ValueOf(std::u16string_view line) {
    size_t equals = line.find(u'=');
    if (equals == std::u16string_view::npos) return {};
    std::u16string_view value = Trim(line.substr(equals + 1));
    if (value.size() >= 2 && (value.front() == u'"' || value.front() == u'\'') && value.back() == value.front())
        value = value.substr(1, value.size() - 2);
    return value;
}

IniText Decode(const std::string& bytes) {
    IniText ini;
    std::u16string text;
    if (bytes.compare(0, 2, "\xFF\xFE") == 0) {
        ini.encoding = Encoding::Utf16Le;
        for (size_t i = 2; i + 1 < bytes.size(); i += 2)
            text += static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                          (static_cast<unsigned char>(bytes[i + 1]) << 8));
    } else if (bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) {
        ini.encoding = Encoding::Utf8WithMark;
        text = ToUtf16(std::string_view(bytes).substr(3));
    } else {
        text = ToUtf16(bytes);
    }
    size_t firstBreak = text.find(u'\n');
    if (firstBreak != std::u16string::npos)
        ini.lineEnd = firstBreak > 0 && text[firstBreak - 1] == u'\r' ? u"\r\n" : u"\n";
    for (size_t start = 0; start < text.size();) {
        size_t end = text.find(u'\n', start);
        if (end == std::u16string::npos) end = text.size();
        std::u16string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == u'\r') line.pop_back();
        ini.lines.push_back(std::move(line));
        start = end + 1;
    }
    return ini;
}

std::string Encode(const IniText& ini) {
    std::u16string text;
    for (const std::u16string& line : ini.lines) text += line + ini.lineEnd;
    switch (ini.encoding) {
    case Encoding::Utf16Le: {
        std::string bytes = "\xFF\xFE";
        for (char16_t c : text) {
            bytes += static_cast<char>(c & 0xFF);
            bytes += static_cast<char>(c >> 8);
        }
        return bytes;
    }
    case Encoding::Utf8WithMark:
        return "\xEF\xBB\xBF" + ToUtf8(text);
    case Encoding::Utf8:
        break;
    }
    return ToUtf8(text);
}

// The file's bytes; nothing when it cannot be read (errno tells why).
std::optional<std::string> ReadBytes(const std::string& posix) {
    int fd = ::open(posix.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    std::string bytes;
    char chunk[8192];
    for (;;) {
        ssize_t got = ::read(fd, chunk, sizeof chunk);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) {
            int err = errno;
            ::close(fd);
            errno = err;
            return std::nullopt;
        }
        if (got == 0) break;
        bytes.append(chunk, static_cast<size_t>(got));
    }
    ::close(fd);
    return bytes;
}

// The line range [first, end) of the entries of the first section named
// `section`; nothing when the file has no such section.
struct SectionRange {
    size_t header;
    size_t first;
    size_t end;
};

std::optional<SectionRange> FindSection(const IniText& ini, std::u16string_view section, size_t from = 0) {
    for (size_t i = from; i < ini.lines.size(); ++i) {
        std::optional<std::u16string_view> name = SectionName(ini.lines[i]);
        if (!name || !EqualsIgnoreCase(*name, section)) continue;
        size_t end = i + 1;
        while (end < ini.lines.size() && !SectionName(ini.lines[end])) ++end;
        return SectionRange{i, i + 1, end};
    }
    return std::nullopt;
}

std::optional<size_t> FindKey(const IniText& ini, const SectionRange& range, std::u16string_view key) {
    for (size_t i = range.first; i < range.end; ++i) {
        if (IsEntry(ini.lines[i]) && EqualsIgnoreCase(KeyOf(ini.lines[i]), key)) return i;
    }
    return std::nullopt;
}

std::optional<IniText> Load(LPCWSTR fileName) {
    std::optional<std::string> bytes = ReadBytes(ToPosixPath(fileName));
    if (!bytes) return std::nullopt;
    return Decode(*bytes);
}

std::optional<std::u16string> LookUpValue(LPCWSTR section, LPCWSTR key, LPCWSTR fileName) {
    std::optional<IniText> ini = Load(fileName);
    if (!ini) return std::nullopt;
    std::optional<SectionRange> range = FindSection(*ini, section);
    if (!range) return std::nullopt;
    std::optional<size_t> line = FindKey(*ini, *range, key);
    if (!line) return std::nullopt;
    return std::u16string(ValueOf(ini->lines[*line]));
}

DWORD CopyValue(std::u16string_view value, LPWSTR buffer, DWORD size) {
    size_t count = std::min<size_t>(value.size(), size - 1);
    std::copy(value.begin(), value.begin() + static_cast<std::ptrdiff_t>(count), buffer);
    buffer[count] = 0;
    return static_cast<DWORD>(count);
}

// Names, each ending in a zero, then one more zero.
DWORD CopyNameList(const std::vector<std::u16string>& names, LPWSTR buffer, DWORD size) {
    std::u16string list;
    for (const std::u16string& name : names) list += name + u'\0';
    if (size < 2) {
        buffer[0] = 0;
        return 0;
    }
    if (list.size() + 1 <= size) {
        std::copy(list.begin(), list.end(), buffer);
        buffer[list.size()] = 0;
        if (list.empty()) buffer[1] = 0;
        return static_cast<DWORD>(list.size());
    }
    std::copy(list.begin(), list.begin() + (size - 2), buffer);
    buffer[size - 2] = 0;
    buffer[size - 1] = 0;
    return size - 2;
}

void AddName(std::vector<std::u16string>& names, std::u16string_view name) {
    for (const std::u16string& known : names) {
        if (EqualsIgnoreCase(known, name)) return;
    }
    names.emplace_back(name);
}

bool HasLineBreak(LPCWSTR text) {
    return text && std::u16string_view(text).find_first_of(u"\r\n") != std::u16string_view::npos;
}

// Applies one write to the text; false when nothing changed.
bool Apply(IniText& ini, std::u16string_view section, LPCWSTR key, LPCWSTR value) {
    std::optional<SectionRange> range = FindSection(ini, section);
    if (!key) {
        bool changed = false;
        for (; range; range = FindSection(ini, section, range->header)) {
            ini.lines.erase(ini.lines.begin() + static_cast<std::ptrdiff_t>(range->header),
                            ini.lines.begin() + static_cast<std::ptrdiff_t>(range->end));
            changed = true;
        }
        return changed;
    }
    if (!value) {
        if (!range) return false;
        bool changed = false;
        while (std::optional<size_t> line = FindKey(ini, *range, key)) {
            ini.lines.erase(ini.lines.begin() + static_cast<std::ptrdiff_t>(*line));
            --range->end;
            changed = true;
        }
        return changed;
    }
    std::u16string entry = std::u16string(key) + u'=' + std::u16string(value);
    if (!range) {
        ini.lines.push_back(u"[" + std::u16string(section) + u"]");
        ini.lines.push_back(std::move(entry));
        return true;
    }
    if (std::optional<size_t> line = FindKey(ini, *range, key)) {
        if (ini.lines[*line] == entry) return false;
        ini.lines[*line] = std::move(entry);
        return true;
    }
    // After the section's last entry, before the blank lines that part it
    // from the next section.
    size_t at = range->end;
    while (at > range->first && Trim(ini.lines[at - 1]).empty()) --at;
    ini.lines.insert(ini.lines.begin() + static_cast<std::ptrdiff_t>(at), std::move(entry));
    return true;
}

// Saves the file's new contents whole (see SaveFile).
DWORD ReplaceFile(const std::string& posix, const std::string& bytes, mode_t mode) {
    SaveFile::Options options;
    options.mode = mode;
    options.marker = ".ini-";
    RemoveStaleSaves(posix, options.marker);  // the caller holds the folder's lock
    SaveFile file;
    int err = file.Create(posix, options);
    if (err == 0) err = file.Write(bytes);
    if (err == 0) err = file.Commit();
    return err == 0 ? ERROR_SUCCESS : Win32ErrorFromErrno(err);
}

// Holds the folder's lock: one profile writer at a time per folder, across
// processes (flock on the folder itself leaves no lock file behind).
class FolderLock {
public:
    explicit FolderLock(const std::string& folder) : fd_(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {
        if (fd_) {
            while (::flock(fd_.Get(), LOCK_EX) != 0 && errno == EINTR) {}
        }
    }
    bool held() const { return fd_.IsOpen(); }

private:
    UniqueFd fd_;  // closing it releases the lock
};

std::string FolderOf(const std::string& posix) {
    size_t slash = posix.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : posix.substr(0, slash);
}

}  // namespace

}  // namespace winapi

using namespace winapi;

DWORD WINAPI GetPrivateProfileStringW(LPCWSTR section, LPCWSTR key, LPCWSTR defaultValue, LPWSTR buffer, DWORD size,
                                      LPCWSTR fileName) {
    if (!buffer || size == 0) return 0;
    if (!fileName) {
        buffer[0] = 0;
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::u16string_view fallback = defaultValue ? std::u16string_view(defaultValue) : std::u16string_view();
    while (!fallback.empty() && fallback.back() == u' ') fallback.remove_suffix(1);

    if (section && key) {
        std::optional<std::u16string> value = LookUpValue(section, key, fileName);
        if (!value) SetLastError(ERROR_FILE_NOT_FOUND);
        return CopyValue(value ? std::u16string_view(*value) : fallback, buffer, size);
    }
    std::optional<IniText> ini = Load(fileName);
    std::vector<std::u16string> names;
    if (!section) {
        if (ini) {
            for (const std::u16string& line : ini->lines) {
                if (std::optional<std::u16string_view> name = SectionName(line)) AddName(names, *name);
            }
        }
        return CopyNameList(names, buffer, size);
    }
    std::optional<SectionRange> range = ini ? FindSection(*ini, section) : std::nullopt;
    if (!range) return CopyValue(fallback, buffer, size);
    for (size_t i = range->first; i < range->end; ++i) {
        if (IsEntry(ini->lines[i])) AddName(names, KeyOf(ini->lines[i]));
    }
    return CopyNameList(names, buffer, size);
}

UINT WINAPI GetPrivateProfileIntW(LPCWSTR section, LPCWSTR key, INT defaultValue, LPCWSTR fileName) {
    if (!section || !key || !fileName) return static_cast<UINT>(defaultValue);
    std::optional<std::u16string> value = LookUpValue(section, key, fileName);
    if (!value) return static_cast<UINT>(defaultValue);
    std::u16string_view text = *value;
    bool negative = false;
    if (!text.empty() && (text[0] == u'-' || text[0] == u'+')) {
        negative = text[0] == u'-';
        text.remove_prefix(1);
    }
    uint32_t number = 0;
    for (char16_t c : text) {
        if (c < u'0' || c > u'9') break;
        number = number * 10 + static_cast<uint32_t>(c - u'0');  // wraps as the unsigned result does
    }
    return negative ? 0u - number : number;
}

BOOL WINAPI WritePrivateProfileStringW(LPCWSTR section, LPCWSTR key, LPCWSTR value, LPCWSTR fileName) {
    if (!section && !key && !value) return TRUE;
    std::u16string_view keyText = key ? std::u16string_view(key) : std::u16string_view();
    if (!section || !fileName || HasLineBreak(section) || HasLineBreak(key) || HasLineBreak(value) ||
        std::u16string_view(section).find(u']') != std::u16string_view::npos ||
        keyText.find(u'=') != std::u16string_view::npos ||
        (!Trim(keyText).empty() && (Trim(keyText)[0] == u'[' || Trim(keyText)[0] == u';'))) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::string posix = ToPosixPath(fileName);
    std::string folder = FolderOf(posix);
    FolderLock lock(folder);
    if (!lock.held()) {
        SetLastError(errno == ENOENT || errno == ENOTDIR ? ERROR_PATH_NOT_FOUND : Win32ErrorFromErrno(errno));
        return FALSE;
    }

    IniText ini;
    mode_t mode = 0644;
    struct stat st;
    if (::stat(posix.c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode) || (st.st_mode & 0222) == 0) {
            SetLastError(ERROR_ACCESS_DENIED);  // a read-only file stays as it is
            return FALSE;
        }
        std::optional<std::string> bytes = ReadBytes(posix);
        if (!bytes) {
            SetLastErrorFromErrno(errno);
            return FALSE;
        }
        ini = Decode(*bytes);
        mode = st.st_mode & 07777;
    } else if (!key || !value) {
        return TRUE;  // nothing to remove from a file that is not there
    }

    if (!Apply(ini, section, key, value)) return TRUE;
    DWORD result = ReplaceFile(posix, Encode(ini), mode);
    if (result != ERROR_SUCCESS) {
        SetLastError(result);
        return FALSE;
    }
    return TRUE;
}
