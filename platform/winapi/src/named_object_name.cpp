// Object names to file names. Names are case-sensitive and may hold any
// character, so every character that is not a plain letter, digit, '-', '_'
// or a '.' after the first place is written as "%XXXX" (its UTF-16 code
// unit in hex). The encoding is one-to-one, never leaves the folder and
// never starts with '.', which keeps the folder's own files apart.
#include "named_object.h"

#include "winapi/errors.h"

#include <string>

namespace winapi::kernel {

namespace {

// Both prefixes name the session's one namespace.
constexpr char16_t kGlobalPrefix[] = u"Global\\";
constexpr char16_t kLocalPrefix[] = u"Local\\";
constexpr size_t kMaxFileNameBytes = 255;

bool StartsWith(const char16_t* text, const char16_t* prefix) {
    for (; *prefix; ++text, ++prefix)
        if (*text != *prefix) return false;
    return true;
}

bool KeptAsIs(char16_t c, bool first) {
    if ((c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9')) return true;
    return c == u'-' || c == u'_' || (c == u'.' && !first);
}

}  // namespace

std::string ObjectFileName(LPCWSTR name) {
    const char16_t* rest = name;
    if (StartsWith(rest, kGlobalPrefix))
        rest += std::char_traits<char16_t>::length(kGlobalPrefix);
    else if (StartsWith(rest, kLocalPrefix))
        rest += std::char_traits<char16_t>::length(kLocalPrefix);
    if (*rest == u'\0') {
        SetLastError(ERROR_INVALID_NAME);
        return {};
    }
    if (std::char_traits<char16_t>::length(rest) > MAX_PATH) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return {};
    }
    static const char kHex[] = "0123456789ABCDEF";
    std::string fileName;
    for (const char16_t* c = rest; *c; ++c) {
        if (KeptAsIs(*c, c == rest)) {
            fileName += static_cast<char>(*c);
        } else {
            fileName += '%';
            for (int shift = 12; shift >= 0; shift -= 4) fileName += kHex[(*c >> shift) & 0xF];
        }
    }
    if (fileName.size() > kMaxFileNameBytes) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return {};
    }
    return fileName;
}

}  // namespace winapi::kernel
