// Wide text: conversions between UTF-16 and UTF-8, case mapping, and the C
// library and kernel string functions the system calls on WCHAR strings.
//
// WCHAR is char16_t, so these overloads never collide with the C library's
// wchar_t (32-bit) functions of the same names.
//
// Case: upper- and lower-casing use the simple (one code unit to one code
// unit) Unicode case mappings of the whole Basic Multilingual Plane, the same
// on every machine whatever locales it has installed. Case-insensitive
// comparisons (lstrcmpiW, _wcsicmp, CompareStringW with NORM_IGNORECASE)
// compare code unit by code unit after folding each unit to lower case
// (through its upper case, so that 'ς', 'σ' and 'Σ' are equal): 'ä' equals
// 'Ä'. The platform's lstrcmpiW orders by the user's language instead; this
// code-unit order is the contract here, and it agrees with the platform's
// wherever the system relies on it (equality, and ordering of plain names).
// Supplementary characters (surrogate pairs) keep their case.
//
// Narrow text is UTF-8, in every code page: see MultiByteToWideChar.
#pragma once

#include "winapi/types.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace winapi {

// Unpaired surrogates become U+FFFD.
std::string ToUtf8(std::u16string_view text);
// Appends one Unicode code point (at most U+10FFFF) to `out` as UTF-8.
void AppendUtf8(std::string& out, char32_t codePoint);
// Each ill-formed UTF-8 sequence (the longest invalid prefix of one) becomes
// one U+FFFD.
std::u16string ToUtf16(std::string_view text);
// Reads the one UTF-8 character at `pos` (pos < text.size()): a well-formed
// one is appended to `out` as UTF-16; an ill-formed one (no overlong forms,
// surrogates or code points above U+10FFFF) appends nothing and returns
// false. Either way `pos` moves past what was read: the character, or the
// longest invalid prefix of one. For readers that must refuse bad text
// rather than replace it.
bool ReadUtf8Character(std::string_view text, size_t& pos, std::u16string& out);

WCHAR ToUpper(WCHAR c);
WCHAR ToLower(WCHAR c);
// The unit that case-insensitive comparisons compare.
WCHAR FoldCase(WCHAR c);
std::u16string FoldCase(std::u16string_view text);

// -1, 0 or 1.
int CompareIgnoreCase(std::u16string_view a, std::u16string_view b);
bool EqualsIgnoreCase(std::u16string_view a, std::u16string_view b);

}  // namespace winapi

// --- Code pages ------------------------------------------------------------
// The ANSI and OEM code pages are UTF-8 here. Narrow text on this platform
// (file names, the environment, the C library, Qt) is UTF-8, as it is on the
// platform itself when a program opts into the UTF-8 ANSI code page; a
// single-byte code page would lose every character outside it.
#define CP_ACP 0
#define CP_OEMCP 1
#define CP_THREAD_ACP 3
#define CP_UTF8 65001

#define MB_PRECOMPOSED 0x00000001
#define MB_ERR_INVALID_CHARS 0x00000008
#define WC_ERR_INVALID_CHARS 0x00000080
#define WC_NO_BEST_FIT_CHARS 0x00000400

// Returns the number of bytes written (with the terminator when wideCount is
// -1), or the number needed when multiSize is 0; 0 on failure with the last
// error ERROR_INSUFFICIENT_BUFFER, ERROR_INVALID_PARAMETER, ERROR_INVALID_FLAGS
// or ERROR_NO_UNICODE_TRANSLATION (WC_ERR_INVALID_CHARS and an unpaired
// surrogate). Every character maps to UTF-8, so the default character is
// never used; usedDefaultChar (ANSI code pages only) tells whether an unpaired
// surrogate was replaced.
int WINAPI WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR wide, int wideCount, LPSTR multi, int multiSize,
                               LPCSTR defaultChar, LPBOOL usedDefaultChar);
// Returns the number of WCHARs written (with the terminator when multiCount
// is -1), or the number needed when wideSize is 0; 0 on failure as above.
int WINAPI MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR multi, int multiCount, LPWSTR wide, int wideSize);

// --- C library string functions --------------------------------------------
typedef int errno_t;
#define _TRUNCATE (static_cast<size_t>(-1))
#define STRUNCATE 80

size_t wcslen(const WCHAR* text);
int wcscmp(const WCHAR* a, const WCHAR* b);
int wcsncmp(const WCHAR* a, const WCHAR* b, size_t count);
const WCHAR* wcschr(const WCHAR* text, WCHAR c);
WCHAR* wcschr(WCHAR* text, WCHAR c);
const WCHAR* wcsrchr(const WCHAR* text, WCHAR c);
WCHAR* wcsrchr(WCHAR* text, WCHAR c);
const WCHAR* wcsstr(const WCHAR* text, const WCHAR* part);
WCHAR* wcsstr(WCHAR* text, const WCHAR* part);
int _wcsicmp(const WCHAR* a, const WCHAR* b);
int _wcsnicmp(const WCHAR* a, const WCHAR* b, size_t count);
inline int wcsicmp(const WCHAR* a, const WCHAR* b) { return _wcsicmp(a, b); }
// A malloc'ed copy, freed with free(); null for a null text or without memory.
WCHAR* _wcsdup(const WCHAR* text);

// The bounded copies return 0, EINVAL (null arguments) or ERANGE (too small;
// the destination is then made empty). wcsncpy_s with count _TRUNCATE copies
// what fits and returns STRUNCATE when it had to cut. The platform ends the
// process on these errors; returning the code is the sound choice here.
errno_t wcscpy_s(WCHAR* dest, size_t size, const WCHAR* src);
errno_t wcsncpy_s(WCHAR* dest, size_t size, const WCHAR* src, size_t count);
errno_t wcscat_s(WCHAR* dest, size_t size, const WCHAR* src);
errno_t _wcslwr_s(WCHAR* text, size_t size);
errno_t _wcsupr_s(WCHAR* text, size_t size);
template <size_t N>
errno_t wcscpy_s(WCHAR (&dest)[N], const WCHAR* src) {
    return wcscpy_s(dest, N, src);
}
template <size_t N>
errno_t wcsncpy_s(WCHAR (&dest)[N], const WCHAR* src, size_t count) {
    return wcsncpy_s(dest, N, src, count);
}
template <size_t N>
errno_t wcscat_s(WCHAR (&dest)[N], const WCHAR* src) {
    return wcscat_s(dest, N, src);
}
template <size_t N>
errno_t _wcslwr_s(WCHAR (&text)[N]) {
    return _wcslwr_s(text, N);
}
template <size_t N>
errno_t _wcsupr_s(WCHAR (&text)[N]) {
    return _wcsupr_s(text, N);
}

WCHAR towupper(WCHAR c);
WCHAR towlower(WCHAR c);
// Unicode white space: tab to carriage return, space, U+0085, no-break
// space, U+1680, U+2000-U+200A, the line and paragraph separators, U+202F,
// U+205F and the ideographic space.
int iswspace(WCHAR c);
// '0' to '9' only.
int iswdigit(WCHAR c);
// Alphabetic characters of the whole BMP (letters, and digits of scripts
// other than Latin, as the C library counts them).
int iswalpha(WCHAR c);

// Numbers: leading white space, an optional sign, digits. long is 32 bits in
// the system's model, so these return LONG/ULONG. Out of range: the nearest
// limit (wcstoul: ULONG's maximum) and errno ERANGE.
int _wtoi(const WCHAR* text);
LONG _wtol(const WCHAR* text);
LONG wcstol(const WCHAR* text, WCHAR** end, int base);
ULONG wcstoul(const WCHAR* text, WCHAR** end, int base);

// --- Kernel string functions -------------------------------------------------
// A null pointer counts as an empty text.
int WINAPI lstrlenW(LPCWSTR text);
LPWSTR WINAPI lstrcpyW(LPWSTR dest, LPCWSTR src);
// Copies at most maxLength - 1 units and always terminates (maxLength > 0).
LPWSTR WINAPI lstrcpynW(LPWSTR dest, LPCWSTR src, int maxLength);
LPWSTR WINAPI lstrcatW(LPWSTR dest, LPCWSTR src);
// -1, 0 or 1. lstrcmpW orders as lstrcmpiW first; texts that differ only in
// case then order lower case first, as the platform's word order does.
int WINAPI lstrcmpW(LPCWSTR a, LPCWSTR b);
int WINAPI lstrcmpiW(LPCWSTR a, LPCWSTR b);

// In place on a text; a pointer whose high bits are zero carries one
// character in its low 16 bits instead, and the converted character comes
// back the same way.
LPWSTR WINAPI CharUpperW(LPWSTR text);
LPWSTR WINAPI CharLowerW(LPWSTR text);

#define NORM_IGNORECASE 0x00000001
#define SORT_STRINGSORT 0x00001000
#define CSTR_LESS_THAN 1
#define CSTR_EQUAL 2
#define CSTR_GREATER_THAN 3
// The same order for every locale (lstrcmpW, or lstrcmpiW with
// NORM_IGNORECASE); a count of -1 means up to the terminator. 0 on failure:
// ERROR_INVALID_PARAMETER for a null text, ERROR_INVALID_FLAGS for flags
// other than those two.
int WINAPI CompareStringW(LCID locale, DWORD flags, LPCWSTR a, int aCount, LPCWSTR b, int bCount);
