// Object names to file names. Names are case-sensitive and may hold any
// character, so every character that is not a plain letter, digit, '-', '_'
// or a '.' after the first place is written as "%XXXX" (its UTF-16 code
// unit in hex). The encoding is one-to-one, never leaves the folder and
// never starts with '.', which keeps the folder's own files apart. A name
// whose encoding passes the 255 bytes of a file name is shortened to its
// start and a hash of the whole name.
#include "named_object.h"

#include "winapi/errors.h"

#include <openssl/sha.h>

#include <string>

namespace winapi::kernel {

namespace {

// Both prefixes name the session's one namespace.
constexpr char16_t kGlobalPrefix[] = u"Global\\";
constexpr char16_t kLocalPrefix[] = u"Local\\";
constexpr size_t kMaxFileNameBytes = 255;
constexpr size_t kHashedPrefixBytes = 120;

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
        // Too long for a file name once encoded (a name in a non-Latin
        // script takes five bytes a character): a readable start and the
        // SHA-256 of the whole name. '~' never appears in an encoded name,
        // so such a name meets no short one.
        unsigned char digest[SHA256_DIGEST_LENGTH];
        SHA256(reinterpret_cast<const unsigned char*>(rest), std::char_traits<char16_t>::length(rest) * 2, digest);
        fileName.resize(kHashedPrefixBytes);
        fileName += '~';
        for (unsigned char byte : digest) {
            fileName += kHex[byte >> 4];
            fileName += kHex[byte & 0xF];
        }
    }
    return fileName;
}

}  // namespace winapi::kernel
