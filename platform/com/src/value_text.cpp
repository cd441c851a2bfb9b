#include "value_text.h"

#include "com/ole_date.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <string_view>

namespace com::detail {
namespace {

bool IsSpace(char16_t c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n' || c == 0xA0; }

std::u16string_view Trimmed(BSTR text) {
    std::u16string_view view(text ? text : u"", SysStringLen(text));
    while (!view.empty() && IsSpace(view.front())) view.remove_prefix(1);
    while (!view.empty() && IsSpace(view.back())) view.remove_suffix(1);
    return view;
}

bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

int ReadDigits(std::u16string_view& view, int maxDigits, int* digits) {
    int value = 0;
    *digits = 0;
    while (!view.empty() && IsDigit(view.front()) && *digits < maxDigits) {
        value = value * 10 + (view.front() - u'0');
        view.remove_prefix(1);
        ++*digits;
    }
    return value;
}

bool Skip(std::u16string_view& view, char16_t c) {
    if (view.empty() || view.front() != c) return false;
    view.remove_prefix(1);
    return true;
}

void SkipSpaces(std::u16string_view& view) {
    while (!view.empty() && IsSpace(view.front())) view.remove_prefix(1);
}

bool SkipWord(std::u16string_view& view, std::u16string_view word) {
    if (view.size() < word.size()) return false;
    for (size_t i = 0; i < word.size(); ++i) {
        if ((view[i] | 0x20) != word[i]) return false;
    }
    view.remove_prefix(word.size());
    return true;
}

bool IsWord(std::u16string_view text, std::u16string_view word) { return SkipWord(text, word) && text.empty(); }

}  // namespace

bool ParseNumber(BSTR text, Number* number) {
    const std::u16string_view view = Trimmed(text);
    std::string plain;  // the number without group separators, for from_chars
    size_t i = 0;
    if (i < view.size() && (view[i] == u'+' || view[i] == u'-')) {
        if (view[i] == u'-') plain += '-';
        ++i;
    }
    size_t digits = 0;
    for (; i < view.size(); ++i) {
        if (IsDigit(view[i])) {
            plain += static_cast<char>(view[i]);
            ++digits;
        } else if (view[i] == u',' && digits > 0 && i + 1 < view.size() && IsDigit(view[i + 1])) {
            continue;
        } else {
            break;
        }
    }
    bool integral = true;
    if (i < view.size() && view[i] == u'.') {
        integral = false;
        plain += '.';
        for (++i; i < view.size() && IsDigit(view[i]); ++i, ++digits) plain += static_cast<char>(view[i]);
    }
    if (digits == 0) return false;
    if (i < view.size() && (view[i] == u'e' || view[i] == u'E')) {
        integral = false;
        plain += 'e';
        ++i;
        if (i < view.size() && (view[i] == u'+' || view[i] == u'-')) plain += static_cast<char>(view[i++]);
        if (i == view.size() || !IsDigit(view[i])) return false;
        for (; i < view.size() && IsDigit(view[i]); ++i) plain += static_cast<char>(view[i]);
    }
    if (i != view.size()) return false;
    // Integers of up to 36 digits are kept exact (beyond every integer type).
    if (integral && digits <= 36) {
        Integer value = 0;
        for (char c : plain) {
            if (c != '-') value = value * 10 + (c - '0');
        }
        number->isInteger = true;
        number->integer = plain[0] == '-' ? -value : value;
        return true;
    }
    number->isInteger = false;
    const auto [end, error] = std::from_chars(plain.data(), plain.data() + plain.size(), number->real);
    // A number too large for a double still is a number: it overflows every target.
    if (error == std::errc::result_out_of_range) {
        number->real = plain[0] == '-' ? -HUGE_VAL : HUGE_VAL;
        return true;
    }
    return error == std::errc() && end == plain.data() + plain.size();
}

bool ParseDate(BSTR text, DATE* date) {
    std::u16string_view view = Trimmed(text);
    SYSTEMTIME time{};
    time.wYear = 1899;
    time.wMonth = 12;
    time.wDay = 30;
    int digits = 0;
    const int first = ReadDigits(view, 4, &digits);
    if (digits == 0) return false;
    bool haveTime = false;
    if (Skip(view, u'/')) {
        const int day = ReadDigits(view, 2, &digits);
        if (digits == 0 || !Skip(view, u'/')) return false;
        int year = ReadDigits(view, 4, &digits);
        if (digits == 0) return false;
        if (digits <= 2) year += year < 30 ? 2000 : 1900;
        time.wYear = static_cast<WORD>(year);
        time.wMonth = static_cast<WORD>(first);
        time.wDay = static_cast<WORD>(day);
        SkipSpaces(view);
        if (!view.empty()) {
            const int hour = ReadDigits(view, 2, &digits);
            if (digits == 0) return false;
            time.wHour = static_cast<WORD>(hour);
            haveTime = true;
        }
    } else {
        time.wHour = static_cast<WORD>(first);
        haveTime = true;
    }
    if (haveTime) {
        if (!Skip(view, u':')) return false;
        time.wMinute = static_cast<WORD>(ReadDigits(view, 2, &digits));
        if (digits != 2) return false;
        if (Skip(view, u':')) {
            time.wSecond = static_cast<WORD>(ReadDigits(view, 2, &digits));
            if (digits != 2) return false;
        }
        SkipSpaces(view);
        const bool am = SkipWord(view, u"am");
        const bool pm = !am && SkipWord(view, u"pm");
        if (am || pm) {
            if (time.wHour < 1 || time.wHour > 12) return false;
            time.wHour = static_cast<WORD>(time.wHour % 12 + (pm ? 12 : 0));
        }
    }
    return view.empty() && SystemTimeToVariantTime(&time, date);
}

bool FormatDate(DATE date, std::u16string* text) {
    SYSTEMTIME time{};
    if (!VariantTimeToSystemTime(date, &time)) return false;
    std::string out;
    const bool dayZero = time.wYear == 1899 && time.wMonth == 12 && time.wDay == 30;
    const bool midnight = time.wHour == 0 && time.wMinute == 0 && time.wSecond == 0;
    if (!dayZero) {
        out = std::to_string(time.wMonth) + "/" + std::to_string(time.wDay) + "/" + std::to_string(time.wYear);
    }
    if (dayZero || !midnight) {
        char clock[32];
        const int hour12 = time.wHour % 12 == 0 ? 12 : time.wHour % 12;
        std::snprintf(clock, sizeof clock, "%d:%02d:%02d %s", hour12, time.wMinute, time.wSecond,
                      time.wHour < 12 ? "AM" : "PM");
        if (!out.empty()) out += ' ';
        out += clock;
    }
    text->assign(out.begin(), out.end());
    return true;
}

std::u16string FormatReal(double value, int precision) {
    char buffer[64];
    const auto [end, error] =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, precision);
    std::u16string text;
    for (const char* c = buffer; error == std::errc() && c != end; ++c) {
        text += *c == 'e' ? u'E' : static_cast<char16_t>(*c);
    }
    return text;
}

std::u16string FormatInteger(Integer value) {
    std::u16string text;
    const bool negative = value < 0;
    do {
        const int digit = static_cast<int>(value % 10);
        text.insert(text.begin(), static_cast<char16_t>(u'0' + (negative ? -digit : digit)));
        value /= 10;
    } while (value != 0);
    if (negative) text.insert(text.begin(), u'-');
    return text;
}

bool ParseTruth(BSTR text, bool* truth) {
    const std::u16string_view word = Trimmed(text);
    if (IsWord(word, u"true")) {
        *truth = true;
    } else if (IsWord(word, u"false")) {
        *truth = false;
    } else {
        return false;
    }
    return true;
}

}  // namespace com::detail
