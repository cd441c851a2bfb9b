#include "winapi/thread_locale.h"

#include "winapi/errors.h"
#include "winapi/text.h"

#include <array>
#include <mutex>
#include <string>
#include <string_view>

namespace {

constexpr LCID kEnglishUs = MAKELCID(MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), SORT_DEFAULT);

thread_local LCID t_threadLocale = kEnglishUs;

// --- C library locale names ----------------------------------------------------

constexpr std::u16string_view kUserDefaultName = u"English_United States.utf8";

struct Category {
    int id;
    std::u16string_view name;
};
// The categories in the order the platform lists them in a mixed name.
constexpr std::array<Category, 5> kCategories = {{{LC_COLLATE, u"LC_COLLATE"},
                                                  {LC_CTYPE, u"LC_CTYPE"},
                                                  {LC_MONETARY, u"LC_MONETARY"},
                                                  {LC_NUMERIC, u"LC_NUMERIC"},
                                                  {LC_TIME, u"LC_TIME"}}};

struct LocaleNames {
    std::mutex mutex;
    std::array<std::u16string, kCategories.size()> byCategory{u"C", u"C", u"C", u"C", u"C"};
    std::u16string all;  // the last LC_ALL answer
};

LocaleNames& Names() {
    static LocaleNames names;
    return names;
}

int IndexOf(int category) {
    for (size_t i = 0; i < kCategories.size(); ++i)
        if (kCategories[i].id == category) return static_cast<int>(i);
    return -1;
}

// The name a category takes for a requested name, or empty when unknown.
std::u16string Resolve(std::u16string_view requested) {
    if (requested.empty()) return std::u16string(kUserDefaultName);
    if (requested == u"C") return u"C";
    if (winapi::EqualsIgnoreCase(requested, kUserDefaultName)) return std::u16string(kUserDefaultName);
    return {};
}

// "LC_COLLATE=...;LC_CTYPE=...;..." as an LC_ALL answer gives it; false when
// it is not one.
bool ResolveMixed(std::u16string_view text, std::array<std::u16string, kCategories.size()>& out) {
    std::array<bool, kCategories.size()> seen{};
    while (!text.empty()) {
        size_t end = text.find(u';');
        std::u16string_view part = text.substr(0, end);
        text = end == std::u16string_view::npos ? std::u16string_view() : text.substr(end + 1);
        size_t equals = part.find(u'=');
        if (equals == std::u16string_view::npos) return false;
        int index = -1;
        for (size_t i = 0; i < kCategories.size(); ++i)
            if (kCategories[i].name == part.substr(0, equals)) index = static_cast<int>(i);
        std::u16string name = Resolve(part.substr(equals + 1));
        if (index < 0 || name.empty() || part.substr(equals + 1).empty()) return false;
        out[index] = name;
        seen[index] = true;
    }
    for (bool s : seen)
        if (!s) return false;
    return true;
}

std::u16string AllName(const std::array<std::u16string, kCategories.size()>& names) {
    bool same = true;
    for (const auto& name : names) same = same && name == names[0];
    if (same) return names[0];
    std::u16string mixed;
    for (size_t i = 0; i < kCategories.size(); ++i) {
        if (i) mixed += u';';
        mixed += kCategories[i].name;
        mixed += u'=';
        mixed += names[i];
    }
    return mixed;
}

}  // namespace

LCID WINAPI GetThreadLocale() { return t_threadLocale; }

BOOL WINAPI SetThreadLocale(LCID locale) {
    if (locale == LOCALE_USER_DEFAULT || locale == LOCALE_SYSTEM_DEFAULT) locale = kEnglishUs;
    // A language in the low 16 bits, a sort order in the next 4, nothing above.
    if ((locale >> 20) != 0 || PRIMARYLANGID(LANGIDFROMLCID(locale)) == LANG_NEUTRAL) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    t_threadLocale = locale;
    return TRUE;
}

LCID WINAPI GetUserDefaultLCID() { return kEnglishUs; }

LANGID WINAPI GetSystemDefaultLangID() { return LANGIDFROMLCID(kEnglishUs); }

LANGID WINAPI GetUserDefaultUILanguage() { return LANGIDFROMLCID(kEnglishUs); }

WCHAR* _wsetlocale(int category, const WCHAR* locale) {
    LocaleNames& names = Names();
    std::lock_guard<std::mutex> lock(names.mutex);
    if (category == LC_ALL) {
        if (locale) {
            std::u16string name = Resolve(locale);
            std::array<std::u16string, kCategories.size()> mixed = names.byCategory;
            if (!name.empty())
                mixed.fill(name);
            else if (!ResolveMixed(locale, mixed))
                return nullptr;
            names.byCategory = mixed;
        }
        names.all = AllName(names.byCategory);
        return names.all.data();
    }
    int index = IndexOf(category);
    if (index < 0) return nullptr;
    if (locale) {
        std::u16string name = Resolve(locale);
        if (name.empty()) return nullptr;
        names.byCategory[index] = name;
    }
    return names.byCategory[index].data();
}
