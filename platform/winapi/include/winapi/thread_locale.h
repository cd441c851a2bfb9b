// Locales: the thread's locale, the user's and the system's defaults, and the
// C library's locale names as the system's code sets them.
//
// This machine is US English (1033) for the user, the system and the user
// interface: the system's own texts are English and its text functions
// compare the same way in every locale (winapi/text.h).
#pragma once

#include "winapi/types.h"

#include <clocale>

#define LANG_NEUTRAL 0x00
#define LANG_ENGLISH 0x09
#define SUBLANG_NEUTRAL 0x00
#define SUBLANG_DEFAULT 0x01
#define SUBLANG_SYS_DEFAULT 0x02
#define SUBLANG_ENGLISH_US 0x01
#define SORT_DEFAULT 0x0

#define MAKELANGID(primary, sub) (static_cast<WORD>((static_cast<WORD>(sub) << 10) | static_cast<WORD>(primary)))
#define PRIMARYLANGID(lang) (static_cast<WORD>(lang) & 0x3ff)
#define SUBLANGID(lang) (static_cast<WORD>(lang) >> 10)
#define MAKELCID(lang, sort) \
    (static_cast<LCID>((static_cast<DWORD>(static_cast<WORD>(sort)) << 16) | static_cast<WORD>(lang)))
#define LANGIDFROMLCID(lcid) (static_cast<WORD>(lcid))

#define LANG_USER_DEFAULT 0x0400
#define LANG_SYSTEM_DEFAULT 0x0800
#define LOCALE_USER_DEFAULT 0x0400
#define LOCALE_SYSTEM_DEFAULT 0x0800

// The thread's locale: US English until the thread sets another.
LCID WINAPI GetThreadLocale();
// Remembers the locale for the calling thread; LOCALE_USER_DEFAULT and
// LOCALE_SYSTEM_DEFAULT stand for the locale they name (1033). FALSE with
// ERROR_INVALID_PARAMETER for a value that is not a locale identifier.
BOOL WINAPI SetThreadLocale(LCID locale);
LCID WINAPI GetUserDefaultLCID();
LANGID WINAPI GetSystemDefaultLangID();
LANGID WINAPI GetUserDefaultUILanguage();

// The C library's locale by category (LC_ALL, LC_COLLATE, LC_CTYPE,
// LC_MONETARY, LC_NUMERIC, LC_TIME), as the platform names it. "" sets the
// user's default, "English_United States.utf8"; "C" and any name this
// function returned (an LC_ALL name of mixed categories too) are taken back;
// a null locale only asks. Returns the category's name afterwards, in storage
// that the next call may change, or null for an unknown category or name.
// The process's own C library locale is left alone: the layer's text
// functions do not depend on it, and the toolkit sets it for itself.
WCHAR* _wsetlocale(int category, const WCHAR* locale);
