#include "winapi/text.h"

#include "character_properties.h"
#include "winapi/errors.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

namespace winapi {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

bool IsHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

void AppendUtf16(std::u16string& out, char32_t cp) {
    if (cp < 0x10000) {
        out += static_cast<char16_t>(cp);
    } else {
        cp -= 0x10000;
        out += static_cast<char16_t>(0xD800 + (cp >> 10));
        out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
    }
}

// UTF-16 to UTF-8; counts the unpaired surrogates it replaced.
std::string EncodeUtf8(std::u16string_view text, size_t* replaced) {
    std::string out;
    out.reserve(text.size());
    size_t bad = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        char16_t c = text[i];
        if (IsHighSurrogate(c) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
            AppendUtf8(out, 0x10000 + ((char32_t(c) - 0xD800) << 10) + (text[i + 1] - 0xDC00));
            ++i;
        } else if (IsHighSurrogate(c) || IsLowSurrogate(c)) {
            AppendUtf8(out, kReplacement);
            ++bad;
        } else {
            AppendUtf8(out, c);
        }
    }
    if (replaced) *replaced = bad;
    return out;
}

// UTF-8 to UTF-16. An ill-formed sequence is replaced by one U+FFFD per
// maximal invalid prefix (the Unicode recommendation), so a truncated
// three-byte sequence gives one replacement, not three.
std::u16string DecodeUtf8(std::string_view text, size_t* replaced) {
    std::u16string out;
    out.reserve(text.size());
    size_t bad = 0;
    size_t i = 0;
    while (i < text.size()) {
        if (!ReadUtf8Character(text, i, out)) {
            out += static_cast<char16_t>(kReplacement);
            ++bad;
        }
    }
    if (replaced) *replaced = bad;
    return out;
}

}  // namespace

bool ReadUtf8Character(std::string_view text, size_t& pos, std::u16string& out) {
    auto byte = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
    unsigned char lead = byte(pos);
    if (lead < 0x80) {
        out += static_cast<char16_t>(lead);
        ++pos;
        return true;
    }
    int length = 0;
    char32_t cp = 0;
    unsigned char low = 0x80, high = 0xBF;  // the allowed range of the second byte
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        cp = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        cp = lead & 0x0F;
        if (lead == 0xE0) low = 0xA0;   // no overlong forms
        if (lead == 0xED) high = 0x9F;  // no surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        cp = lead & 0x07;
        if (lead == 0xF0) low = 0x90;
        if (lead == 0xF4) high = 0x8F;  // nothing above U+10FFFF
    }
    size_t next = pos + 1;
    bool complete = length > 0;
    for (int k = 1; complete && k < length; ++k, ++next) {
        unsigned char min = k == 1 ? low : 0x80, max = k == 1 ? high : 0xBF;
        if (next >= text.size() || byte(next) < min || byte(next) > max) {
            complete = false;
            break;
        }
        cp = (cp << 6) | (byte(next) & 0x3F);
    }
    pos = next;
    if (complete) AppendUtf16(out, cp);
    return complete;
}

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

std::string ToUtf8(std::u16string_view text) { return EncodeUtf8(text, nullptr); }

std::u16string ToUtf16(std::string_view text) { return DecodeUtf8(text, nullptr); }

WCHAR ToUpper(WCHAR c) { return unicode::SimpleUpperCase(c); }

WCHAR ToLower(WCHAR c) { return unicode::SimpleLowerCase(c); }

WCHAR FoldCase(WCHAR c) { return unicode::SimpleLowerCase(unicode::SimpleUpperCase(c)); }

std::u16string FoldCase(std::u16string_view text) {
    std::u16string out(text);
    for (char16_t& c : out) c = FoldCase(c);
    return out;
}

int CompareIgnoreCase(std::u16string_view a, std::u16string_view b) {
    size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        WCHAR x = FoldCase(a[i]), y = FoldCase(b[i]);
        if (x != y) return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

bool EqualsIgnoreCase(std::u16string_view a, std::u16string_view b) {
    return a.size() == b.size() && CompareIgnoreCase(a, b) == 0;
}

}  // namespace winapi

// --- Code pages ------------------------------------------------------------

namespace {

bool IsAnsiCodePage(UINT codePage) { return codePage == CP_ACP || codePage == CP_OEMCP || codePage == CP_THREAD_ACP; }

int Fail(DWORD error) {
    SetLastError(error);
    return 0;
}

}  // namespace

int WINAPI WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR wide, int wideCount, LPSTR multi, int multiSize,
                               LPCSTR defaultChar, LPBOOL usedDefaultChar) {
    bool ansi = IsAnsiCodePage(codePage);
    if (!ansi && codePage != CP_UTF8) return Fail(ERROR_INVALID_PARAMETER);
    DWORD allowed = ansi ? (WC_ERR_INVALID_CHARS | WC_NO_BEST_FIT_CHARS) : WC_ERR_INVALID_CHARS;
    if (flags & ~allowed) return Fail(ERROR_INVALID_FLAGS);
    // The platform refuses a default character for UTF-8.
    if (!ansi && (defaultChar || usedDefaultChar)) return Fail(ERROR_INVALID_PARAMETER);
    if (!wide || wideCount == 0 || wideCount < -1 || multiSize < 0 || (multiSize > 0 && !multi))
        return Fail(ERROR_INVALID_PARAMETER);
    if (multi && static_cast<const void*>(multi) == static_cast<const void*>(wide))
        return Fail(ERROR_INVALID_PARAMETER);

    size_t units = wideCount == -1 ? wcslen(wide) + 1 : static_cast<size_t>(wideCount);
    size_t replaced = 0;
    std::string bytes = winapi::EncodeUtf8(std::u16string_view(wide, units), &replaced);
    if (replaced && (flags & WC_ERR_INVALID_CHARS)) return Fail(ERROR_NO_UNICODE_TRANSLATION);
    if (bytes.size() > static_cast<size_t>(INT_MAX)) return Fail(ERROR_INVALID_PARAMETER);
    if (multiSize > 0) {
        if (bytes.size() > static_cast<size_t>(multiSize)) return Fail(ERROR_INSUFFICIENT_BUFFER);
        std::memcpy(multi, bytes.data(), bytes.size());
    }
    if (usedDefaultChar) *usedDefaultChar = replaced ? TRUE : FALSE;
    return static_cast<int>(bytes.size());
}

int WINAPI MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR multi, int multiCount, LPWSTR wide, int wideSize) {
    bool ansi = IsAnsiCodePage(codePage);
    if (!ansi && codePage != CP_UTF8) return Fail(ERROR_INVALID_PARAMETER);
    DWORD allowed = ansi ? (MB_PRECOMPOSED | MB_ERR_INVALID_CHARS) : MB_ERR_INVALID_CHARS;
    if (flags & ~allowed) return Fail(ERROR_INVALID_FLAGS);
    if (!multi || multiCount == 0 || multiCount < -1 || wideSize < 0 || (wideSize > 0 && !wide))
        return Fail(ERROR_INVALID_PARAMETER);
    if (wide && static_cast<const void*>(multi) == static_cast<const void*>(wide)) return Fail(ERROR_INVALID_PARAMETER);

    size_t bytes = multiCount == -1 ? std::strlen(multi) + 1 : static_cast<size_t>(multiCount);
    size_t replaced = 0;
    std::u16string units = winapi::DecodeUtf8(std::string_view(multi, bytes), &replaced);
    if (replaced && (flags & MB_ERR_INVALID_CHARS)) return Fail(ERROR_NO_UNICODE_TRANSLATION);
    if (units.size() > static_cast<size_t>(INT_MAX)) return Fail(ERROR_INVALID_PARAMETER);
    if (wideSize > 0) {
        if (units.size() > static_cast<size_t>(wideSize)) return Fail(ERROR_INSUFFICIENT_BUFFER);
        std::memcpy(wide, units.data(), units.size() * sizeof(WCHAR));
    }
    return static_cast<int>(units.size());
}

// --- C library string functions --------------------------------------------

size_t wcslen(const WCHAR* text) {
    size_t n = 0;
    while (text[n]) ++n;
    return n;
}

int wcscmp(const WCHAR* a, const WCHAR* b) { return wcsncmp(a, b, SIZE_MAX); }

int wcsncmp(const WCHAR* a, const WCHAR* b, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        if (a[i] != b[i]) return a[i] < b[i] ? -1 : 1;
        if (!a[i]) break;
    }
    return 0;
}

const WCHAR* wcschr(const WCHAR* text, WCHAR c) {
    for (;; ++text) {
        if (*text == c) return text;
        if (!*text) return nullptr;
    }
}

WCHAR* wcschr(WCHAR* text, WCHAR c) { return const_cast<WCHAR*>(wcschr(static_cast<const WCHAR*>(text), c)); }

const WCHAR* wcsrchr(const WCHAR* text, WCHAR c) {
    const WCHAR* found = nullptr;
    for (;; ++text) {
        if (*text == c) found = text;
        if (!*text) return found;
    }
}

WCHAR* wcsrchr(WCHAR* text, WCHAR c) { return const_cast<WCHAR*>(wcsrchr(static_cast<const WCHAR*>(text), c)); }

const WCHAR* wcsstr(const WCHAR* text, const WCHAR* part) {
    std::u16string_view whole(text), sought(part);
    size_t at = whole.find(sought);
    return at == std::u16string_view::npos ? nullptr : text + at;
}

WCHAR* wcsstr(WCHAR* text, const WCHAR* part) {
    return const_cast<WCHAR*>(wcsstr(static_cast<const WCHAR*>(text), part));
}

int _wcsicmp(const WCHAR* a, const WCHAR* b) { return _wcsnicmp(a, b, SIZE_MAX); }

int _wcsnicmp(const WCHAR* a, const WCHAR* b, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        WCHAR x = winapi::FoldCase(a[i]), y = winapi::FoldCase(b[i]);
        if (x != y) return x < y ? -1 : 1;
        if (!x) break;
    }
    return 0;
}

WCHAR* _wcsdup(const WCHAR* text) {
    if (!text) return nullptr;
    size_t bytes = (wcslen(text) + 1) * sizeof(WCHAR);
    auto* copy = static_cast<WCHAR*>(std::malloc(bytes));
    if (copy) std::memcpy(copy, text, bytes);
    return copy;
}

errno_t wcsncpy_s(WCHAR* dest, size_t size, const WCHAR* src, size_t count) {
    if (!dest || size == 0) return EINVAL;
    if (!src) {
        dest[0] = 0;
        return EINVAL;
    }
    size_t n = 0;
    while (n < count && src[n]) ++n;
    if (n >= size) {
        if (count != _TRUNCATE) {
            dest[0] = 0;
            return ERANGE;
        }
        std::memcpy(dest, src, (size - 1) * sizeof(WCHAR));
        dest[size - 1] = 0;
        return STRUNCATE;
    }
    std::memcpy(dest, src, n * sizeof(WCHAR));
    dest[n] = 0;
    return 0;
}

// Any count but _TRUNCATE means "the whole source or fail".
errno_t wcscpy_s(WCHAR* dest, size_t size, const WCHAR* src) { return wcsncpy_s(dest, size, src, SIZE_MAX - 1); }

errno_t wcscat_s(WCHAR* dest, size_t size, const WCHAR* src) {
    if (!dest || size == 0) return EINVAL;
    size_t used = 0;
    while (used < size && dest[used]) ++used;
    if (used == size) {  // the destination was not terminated within its size
        dest[0] = 0;
        return EINVAL;
    }
    errno_t result = wcscpy_s(dest + used, size - used, src);
    if (result != 0) dest[0] = 0;
    return result;
}

namespace {

errno_t MapInPlace(WCHAR* text, size_t size, WCHAR (*map)(WCHAR)) {
    if (!text || size == 0) return EINVAL;
    size_t n = 0;
    while (n < size && text[n]) ++n;
    if (n == size) {
        text[0] = 0;
        return EINVAL;
    }
    for (size_t i = 0; i < n; ++i) text[i] = map(text[i]);
    return 0;
}

}  // namespace

errno_t _wcslwr_s(WCHAR* text, size_t size) { return MapInPlace(text, size, winapi::ToLower); }

errno_t _wcsupr_s(WCHAR* text, size_t size) { return MapInPlace(text, size, winapi::ToUpper); }

WCHAR towupper(WCHAR c) { return winapi::ToUpper(c); }

WCHAR towlower(WCHAR c) { return winapi::ToLower(c); }

int iswspace(WCHAR c) {
    return (c >= 0x09 && c <= 0x0D) || c == 0x20 || c == 0x85 || c == 0xA0 || c == 0x1680 ||
           (c >= 0x2000 && c <= 0x200A) || c == 0x2028 || c == 0x2029 || c == 0x202F || c == 0x205F || c == 0x3000;
}

int iswdigit(WCHAR c) { return c >= u'0' && c <= u'9'; }

int iswalpha(WCHAR c) { return winapi::unicode::IsLetter(c); }

namespace {

int DigitValue(WCHAR c) {
    if (c >= u'0' && c <= u'9') return c - u'0';
    if (c >= u'a' && c <= u'z') return c - u'a' + 10;
    if (c >= u'A' && c <= u'Z') return c - u'A' + 10;
    return 99;
}

struct ParsedNumber {
    bool negative = false;
    bool overflow = false;  // the magnitude does not fit 64 bits
    uint64_t magnitude = 0;
    const WCHAR* end = nullptr;  // the text itself when nothing was read
};

// The common part of wcstol and its kin: white space, sign, base prefix,
// digits. A bad base reads nothing and sets errno EINVAL.
ParsedNumber ParseNumber(const WCHAR* text, int base) {
    ParsedNumber result;
    result.end = text;
    if (base < 0 || base == 1 || base > 36) {
        errno = EINVAL;
        return result;
    }
    const WCHAR* p = text;
    while (iswspace(*p)) ++p;
    if (*p == u'+' || *p == u'-') result.negative = *p++ == u'-';
    bool hexPrefix = p[0] == u'0' && (p[1] == u'x' || p[1] == u'X') && DigitValue(p[2]) < 16;
    if ((base == 0 || base == 16) && hexPrefix) {
        p += 2;
        base = 16;
    } else if (base == 0) {
        base = p[0] == u'0' ? 8 : 10;
    }
    const WCHAR* digits = p;
    for (; DigitValue(*p) < base; ++p) {
        uint64_t next = result.magnitude * base + DigitValue(*p);
        if (result.magnitude > (UINT64_MAX - DigitValue(*p)) / base) result.overflow = true;
        result.magnitude = next;
    }
    if (p != digits) result.end = p;
    return result;
}

LONG ToLongSaturated(const ParsedNumber& n) {
    if (n.negative) {
        if (n.overflow || n.magnitude > uint64_t(INT32_MAX) + 1) {
            errno = ERANGE;
            return INT32_MIN;
        }
        return static_cast<LONG>(-static_cast<int64_t>(n.magnitude));
    }
    if (n.overflow || n.magnitude > uint64_t(INT32_MAX)) {
        errno = ERANGE;
        return INT32_MAX;
    }
    return static_cast<LONG>(n.magnitude);
}

}  // namespace

int _wtoi(const WCHAR* text) { return text ? ToLongSaturated(ParseNumber(text, 10)) : 0; }

LONG _wtol(const WCHAR* text) { return _wtoi(text); }

LONG wcstol(const WCHAR* text, WCHAR** end, int base) {
    ParsedNumber n = ParseNumber(text, base);
    if (end) *end = const_cast<WCHAR*>(n.end);
    return ToLongSaturated(n);
}

ULONG wcstoul(const WCHAR* text, WCHAR** end, int base) {
    ParsedNumber n = ParseNumber(text, base);
    if (end) *end = const_cast<WCHAR*>(n.end);
    if (n.overflow || n.magnitude > UINT32_MAX) {
        errno = ERANGE;
        return UINT32_MAX;
    }
    // As in C, a minus sign negates in the unsigned type.
    return n.negative ? static_cast<ULONG>(0u - static_cast<uint32_t>(n.magnitude)) : static_cast<ULONG>(n.magnitude);
}

// --- Kernel string functions -------------------------------------------------

namespace {

std::u16string_view ViewOrEmpty(LPCWSTR text) { return text ? std::u16string_view(text) : std::u16string_view(); }

// The word order: case-insensitive first, then lower case before upper case
// at the first unit that differs only in case.
int CompareWithCase(std::u16string_view a, std::u16string_view b) {
    if (int order = winapi::CompareIgnoreCase(a, b)) return order;
    for (size_t i = 0; i < a.size(); ++i) {
        if (a[i] == b[i]) continue;
        bool aLower = winapi::ToUpper(a[i]) != a[i];
        bool bLower = winapi::ToUpper(b[i]) != b[i];
        if (aLower != bLower) return aLower ? -1 : 1;
        return a[i] < b[i] ? -1 : 1;
    }
    return 0;
}

}  // namespace

int WINAPI lstrlenW(LPCWSTR text) { return text ? static_cast<int>(wcslen(text)) : 0; }

LPWSTR WINAPI lstrcpyW(LPWSTR dest, LPCWSTR src) {
    if (!dest) return nullptr;
    size_t n = src ? wcslen(src) : 0;
    std::memmove(dest, src ? src : u"", n * sizeof(WCHAR));
    dest[n] = 0;
    return dest;
}

LPWSTR WINAPI lstrcpynW(LPWSTR dest, LPCWSTR src, int maxLength) {
    if (!dest || maxLength <= 0) return dest;
    size_t n = 0;
    while (src && n + 1 < static_cast<size_t>(maxLength) && src[n]) ++n;
    if (n) std::memmove(dest, src, n * sizeof(WCHAR));
    dest[n] = 0;
    return dest;
}

LPWSTR WINAPI lstrcatW(LPWSTR dest, LPCWSTR src) {
    if (!dest) return nullptr;
    lstrcpyW(dest + wcslen(dest), src);
    return dest;
}

int WINAPI lstrcmpW(LPCWSTR a, LPCWSTR b) { return CompareWithCase(ViewOrEmpty(a), ViewOrEmpty(b)); }

int WINAPI lstrcmpiW(LPCWSTR a, LPCWSTR b) { return winapi::CompareIgnoreCase(ViewOrEmpty(a), ViewOrEmpty(b)); }

namespace {

LPWSTR MapCharOrText(LPWSTR text, WCHAR (*map)(WCHAR)) {
    auto bits = reinterpret_cast<uintptr_t>(text);
    if (bits >> 16 == 0) return reinterpret_cast<LPWSTR>(static_cast<uintptr_t>(map(static_cast<WCHAR>(bits))));
    for (WCHAR* p = text; *p; ++p) *p = map(*p);
    return text;
}

}  // namespace

LPWSTR WINAPI CharUpperW(LPWSTR text) { return MapCharOrText(text, winapi::ToUpper); }

LPWSTR WINAPI CharLowerW(LPWSTR text) { return MapCharOrText(text, winapi::ToLower); }

int WINAPI CompareStringW(LCID, DWORD flags, LPCWSTR a, int aCount, LPCWSTR b, int bCount) {
    if (!a || !b || aCount < -1 || bCount < -1) return Fail(ERROR_INVALID_PARAMETER);
    if (flags & ~DWORD(NORM_IGNORECASE | SORT_STRINGSORT)) return Fail(ERROR_INVALID_FLAGS);
    std::u16string_view x = aCount == -1 ? std::u16string_view(a) : std::u16string_view(a, aCount);
    std::u16string_view y = bCount == -1 ? std::u16string_view(b) : std::u16string_view(b, bCount);
    int order = (flags & NORM_IGNORECASE) ? winapi::CompareIgnoreCase(x, y) : CompareWithCase(x, y);
    return CSTR_EQUAL + order;
}
