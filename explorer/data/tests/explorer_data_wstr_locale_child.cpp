// Checks in a fresh process that the first WStr sets the C library's
// collation and character classes to the user's locale, and that later ones
// do not. Exit code 0 when they do; what was seen goes to stderr.
#include "explorer/data/wstr.h"

#include "winapi/text.h"
#include "winapi/thread_locale.h"

#include <cstdio>
#include <string>

namespace {

std::u16string Locale(int category) {
    const WCHAR* name = _wsetlocale(category, nullptr);
    return name != nullptr ? name : u"<null>";
}

int Check(const char* what, int category, const std::u16string& expected) {
    std::u16string seen = Locale(category);
    if (seen == expected) return 0;
    std::fprintf(stderr, "%s: %s\n", what, winapi::ToUtf8(seen).c_str());
    return 1;
}

}  // namespace

int main() {
    int failures = Check("collation at start", LC_COLLATE, u"C") + Check("ctype at start", LC_CTYPE, u"C");

    WStr first(u"first");
    failures += Check("collation after the first", LC_COLLATE, u"English_United States.utf8") +
                Check("ctype after the first", LC_CTYPE, u"English_United States.utf8");

    _wsetlocale(LC_COLLATE, u"C");
    _wsetlocale(LC_CTYPE, u"C");
    WStr second(u"second");
    failures += Check("collation after the second", LC_COLLATE, u"C") + Check("ctype after the second", LC_CTYPE, u"C");
    return failures == 0 ? 0 : 1;
}
