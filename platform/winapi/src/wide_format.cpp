#include "winapi/wide_format.h"

#include "winapi/text.h"

#include <locale.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

namespace winapi {

VaListArguments::VaListArguments(va_list args) { va_copy(args_, args); }

VaListArguments::~VaListArguments() { va_end(args_); }

uint64_t VaListArguments::NextInteger(int bytes) {
    // Smaller integers arrive promoted to int.
    return bytes == 8 ? va_arg(args_, unsigned long long) : va_arg(args_, unsigned int);
}

double VaListArguments::NextDouble() { return va_arg(args_, double); }

const void* VaListArguments::NextPointer() { return va_arg(args_, const void*); }

uint64_t TextArguments::NextInteger(int) {
    if (next_ < texts_.size()) ++next_;
    return 0;
}

double TextArguments::NextDouble() {
    if (next_ < texts_.size()) ++next_;
    return 0;
}

const void* TextArguments::NextPointer() { return next_ < texts_.size() ? texts_[next_++] : u""; }

namespace {

enum class Length { Default, Char, Short, Long, LongLong, SizeT, Int32, Int64 };

int IntegerBytes(Length length) {
    switch (length) {
    case Length::Char:
        return 1;
    case Length::Short:
        return 2;
    case Length::LongLong:
    case Length::SizeT:
    case Length::Int64:
        return 8;
    default:
        return 4;
    }
}

// h, hh, l, ll, I, I32, I64, z; returns the position after the modifier.
const WCHAR* ParseLength(const WCHAR* p, Length* length) {
    *length = Length::Default;
    if (p[0] == u'h') {
        *length = p[1] == u'h' ? Length::Char : Length::Short;
        return p + (p[1] == u'h' ? 2 : 1);
    }
    if (p[0] == u'l') {
        *length = p[1] == u'l' ? Length::LongLong : Length::Long;
        return p + (p[1] == u'l' ? 2 : 1);
    }
    if (p[0] == u'z') {
        *length = Length::SizeT;
        return p + 1;
    }
    if (p[0] == u'I') {
        if (p[1] == u'6' && p[2] == u'4') {
            *length = Length::Int64;
            return p + 3;
        }
        if (p[1] == u'3' && p[2] == u'2') {
            *length = Length::Int32;
            return p + 3;
        }
        *length = Length::SizeT;
        return p + 1;
    }
    return p;
}

// Narrow text as the wide functions take it: UTF-8.
std::u16string WidenNarrow(const char* text, int precision) {
    size_t n = 0;
    if (precision < 0) {
        n = std::strlen(text);
    } else {
        // The precision counts bytes, and bytes beyond it may not exist.
        while (n < static_cast<size_t>(precision) && text[n]) ++n;
        // Drop a character cut in the middle rather than show a replacement.
        size_t lead = n;
        while (lead > 0 && n - lead < 3 && (static_cast<unsigned char>(text[lead - 1]) & 0xC0) == 0x80) --lead;
        if (lead > 0 && static_cast<unsigned char>(text[lead - 1]) >= 0xC0) {
            unsigned char c = static_cast<unsigned char>(text[lead - 1]);
            size_t need = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : 2;
            if (n - (lead - 1) < need) n = lead - 1;
        }
    }
    return ToUtf16(std::string_view(text, n));
}

WCHAR WidenNarrowChar(unsigned char c) { return c < 0x80 ? c : 0xFFFD; }

struct FieldFormat {
    bool left = false, plus = false, space = false, alternate = false, zero = false;
    int width = 0;
    int precision = -1;  // none
    Length length = Length::Default;
    WCHAR conversion = 0;
};

void Pad(std::u16string& out, size_t count, WCHAR c) { out.append(count, c); }

void AppendPadded(std::u16string& out, const FieldFormat& field, std::u16string_view text) {
    size_t width = field.width > 0 ? static_cast<size_t>(field.width) : 0;
    size_t padding = width > text.size() ? width - text.size() : 0;
    if (!field.left) Pad(out, padding, u' ');
    out.append(text);
    if (field.left) Pad(out, padding, u' ');
}

void AppendInteger(std::u16string& out, const FieldFormat& field, uint64_t magnitude, bool negative) {
    WCHAR c = field.conversion;
    unsigned base = (c == u'x' || c == u'X' || c == u'p') ? 16 : c == u'o' ? 8 : 10;
    const char* digitSet = c == u'x' ? "0123456789abcdef" : "0123456789ABCDEF";
    std::u16string digits;
    for (uint64_t v = magnitude; v; v /= base) digits.insert(digits.begin(), static_cast<WCHAR>(digitSet[v % base]));
    if (field.precision < 0 && digits.empty()) digits = u"0";
    if (field.precision > 0 && digits.size() < static_cast<size_t>(field.precision))
        digits.insert(0, field.precision - digits.size(), u'0');
    if (field.alternate && c == u'o' && (digits.empty() || digits[0] != u'0')) digits.insert(0, 1, u'0');

    std::u16string prefix;
    bool isSigned = c == u'd' || c == u'i';
    if (negative)
        prefix = u"-";
    else if (isSigned && field.plus)
        prefix = u"+";
    else if (isSigned && field.space)
        prefix = u" ";
    if (field.alternate && magnitude != 0 && (c == u'x' || c == u'X')) prefix += c == u'x' ? u"0x" : u"0X";

    size_t length = prefix.size() + digits.size();
    size_t width = field.width > 0 ? static_cast<size_t>(field.width) : 0;
    if (field.zero && !field.left && field.precision < 0 && width > length) digits.insert(0, width - length, u'0');
    AppendPadded(out, field, prefix + digits);
}

// The C library's printf does floating-point numbers; the "C" locale keeps
// its decimal point a '.' even after a toolkit set the process locale.
bool AppendFloating(std::u16string& out, const FieldFormat& field, double value) {
    static locale_t cLocale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    std::string narrow = "%";
    if (field.left) narrow += '-';
    if (field.plus) narrow += '+';
    if (field.space) narrow += ' ';
    if (field.alternate) narrow += '#';
    if (field.zero) narrow += '0';
    if (field.width > 0) narrow += std::to_string(field.width);
    if (field.precision >= 0) narrow += "." + std::to_string(field.precision);
    narrow += static_cast<char>(field.conversion);

    locale_t previous = cLocale ? uselocale(cLocale) : nullptr;
    int size = std::snprintf(nullptr, 0, narrow.c_str(), value);
    std::string text(size > 0 ? size : 0, '\0');
    if (size > 0) std::snprintf(text.data(), text.size() + 1, narrow.c_str(), value);
    if (previous) uselocale(previous);
    if (size < 0) return false;
    out.append(text.begin(), text.end());  // ASCII only
    return true;
}

bool AppendConversion(std::u16string& out, const FieldFormat& field, FormatArguments& args) {
    switch (field.conversion) {
    case u'd':
    case u'i': {
        int bytes = IntegerBytes(field.length);
        uint64_t raw = args.NextInteger(bytes);
        int64_t value = bytes == 1   ? static_cast<int8_t>(raw)
                        : bytes == 2 ? static_cast<int16_t>(raw)
                        : bytes == 4 ? static_cast<int32_t>(raw)
                                     : static_cast<int64_t>(raw);
        uint64_t magnitude = value < 0 ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
        AppendInteger(out, field, magnitude, value < 0);
        return true;
    }
    case u'u':
    case u'o':
    case u'x':
    case u'X': {
        int bytes = IntegerBytes(field.length);
        uint64_t raw = args.NextInteger(bytes);
        if (bytes < 8) raw &= (uint64_t(1) << (8 * bytes)) - 1;
        AppendInteger(out, field, raw, false);
        return true;
    }
    case u'p': {
        FieldFormat hex = field;
        hex.precision = 16;
        hex.alternate = false;
        AppendInteger(out, hex, reinterpret_cast<uintptr_t>(args.NextPointer()), false);
        return true;
    }
    case u'c':
    case u'C': {
        bool narrow = field.conversion == u'C' ? field.length != Length::Long : field.length == Length::Short;
        uint64_t raw = args.NextInteger(4);
        WCHAR c = narrow ? WidenNarrowChar(static_cast<unsigned char>(raw)) : static_cast<WCHAR>(raw);
        AppendPadded(out, field, std::u16string_view(&c, 1));
        return true;
    }
    case u's':
    case u'S': {
        bool narrow = field.conversion == u'S' ? field.length != Length::Long : field.length == Length::Short;
        const void* pointer = args.NextPointer();
        std::u16string text;
        if (!pointer) {
            text = u"(null)";
        } else if (narrow) {
            text = WidenNarrow(static_cast<const char*>(pointer), field.precision);
        } else {
            auto* wide = static_cast<const WCHAR*>(pointer);
            size_t n = 0;
            while ((field.precision < 0 || n < static_cast<size_t>(field.precision)) && wide[n]) ++n;
            text.assign(wide, n);
        }
        if (field.precision >= 0 && text.size() > static_cast<size_t>(field.precision)) text.resize(field.precision);
        AppendPadded(out, field, text);
        return true;
    }
    case u'e':
    case u'E':
    case u'f':
    case u'F':
    case u'g':
    case u'G':
        return AppendFloating(out, field, args.NextDouble());
    default:
        return false;
    }
}

// Reads a width or precision: digits, or '*' taking an int argument.
const WCHAR* ParseNumberOrStar(const WCHAR* p, FormatArguments& args, int* value, bool* fromArgument) {
    *fromArgument = false;
    if (*p == u'*') {
        *fromArgument = true;
        *value = static_cast<int32_t>(args.NextInteger(4));
        return p + 1;
    }
    int n = 0;
    while (*p >= u'0' && *p <= u'9') {
        n = n > (INT_MAX - 9) / 10 ? INT_MAX : n * 10 + (*p - u'0');
        ++p;
    }
    *value = n;
    return p;
}

}  // namespace

bool FormatInto(std::u16string& out, const WCHAR* format, FormatArguments& args) {
    if (!format) return false;
    for (const WCHAR* p = format; *p; ++p) {
        if (*p != u'%') {
            out += *p;
            continue;
        }
        ++p;
        if (*p == u'%') {
            out += u'%';
            continue;
        }
        FieldFormat field;
        for (;; ++p) {
            if (*p == u'-')
                field.left = true;
            else if (*p == u'+')
                field.plus = true;
            else if (*p == u' ')
                field.space = true;
            else if (*p == u'#')
                field.alternate = true;
            else if (*p == u'0')
                field.zero = true;
            else
                break;
        }
        bool star = false;
        p = ParseNumberOrStar(p, args, &field.width, &star);
        if (star && field.width < 0) {  // a negative width means left-aligned
            field.left = true;
            field.width = field.width == INT_MIN ? INT_MAX : -field.width;
        }
        if (*p == u'.') {
            p = ParseNumberOrStar(p + 1, args, &field.precision, &star);
            if (field.precision < 0) field.precision = -1;  // as if none was given
        }
        p = ParseLength(p, &field.length);
        field.conversion = *p;
        if (!field.conversion || !AppendConversion(out, field, args)) return false;
    }
    return true;
}

std::u16string FormatTexts(const WCHAR* format, std::initializer_list<const WCHAR*> texts) {
    if (!format) return {};
    std::u16string text;
    TextArguments arguments(texts);
    if (!FormatInto(text, format, arguments)) return format;
    return text;
}

}  // namespace winapi

namespace {

enum class Overflow { KeepPart, Clear };

int PrintBounded(WCHAR* buffer, size_t count, const WCHAR* format, va_list args, Overflow overflow) {
    if (!format || (!buffer && count > 0)) {
        errno = EINVAL;
        return -1;
    }
    std::u16string text;
    winapi::VaListArguments arguments(args);
    bool wellFormed = winapi::FormatInto(text, format, arguments);
    if (wellFormed && text.size() < count && text.size() <= static_cast<size_t>(INT_MAX)) {
        std::memcpy(buffer, text.data(), text.size() * sizeof(WCHAR));
        buffer[text.size()] = 0;
        return static_cast<int>(text.size());
    }
    if (count > 0) {
        size_t kept = wellFormed && overflow == Overflow::KeepPart ? count - 1 : 0;
        std::memcpy(buffer, text.data(), kept * sizeof(WCHAR));
        buffer[kept] = 0;
    }
    errno = wellFormed ? ERANGE : EINVAL;
    return -1;
}

}  // namespace

int vswprintf(WCHAR* buffer, size_t count, const WCHAR* format, va_list args) {
    return PrintBounded(buffer, count, format, args, Overflow::KeepPart);
}

int vswprintf_s(WCHAR* buffer, size_t count, const WCHAR* format, va_list args) {
    return PrintBounded(buffer, count, format, args, Overflow::Clear);
}

int swprintf(WCHAR* buffer, size_t count, const WCHAR* format, ...) {
    va_list args;
    va_start(args, format);
    int result = PrintBounded(buffer, count, format, args, Overflow::KeepPart);
    va_end(args);
    return result;
}

int _snwprintf(WCHAR* buffer, size_t count, const WCHAR* format, ...) {
    va_list args;
    va_start(args, format);
    int result = PrintBounded(buffer, count, format, args, Overflow::KeepPart);
    va_end(args);
    return result;
}

int swprintf_s(WCHAR* buffer, size_t count, const WCHAR* format, ...) {
    va_list args;
    va_start(args, format);
    int result = PrintBounded(buffer, count, format, args, Overflow::Clear);
    va_end(args);
    return result;
}

int _scwprintf(const WCHAR* format, ...) {
    va_list args;
    va_start(args, format);
    std::u16string text;
    winapi::VaListArguments arguments(args);
    bool wellFormed = winapi::FormatInto(text, format, arguments);
    va_end(args);
    if (!wellFormed || text.size() > static_cast<size_t>(INT_MAX)) return -1;
    return static_cast<int>(text.size());
}

// --- Scanning ----------------------------------------------------------------

namespace {

int HexValue(WCHAR c) {
    if (c >= u'0' && c <= u'9') return c - u'0';
    if (c >= u'a' && c <= u'f') return c - u'a' + 10;
    if (c >= u'A' && c <= u'F') return c - u'A' + 10;
    return 99;
}

class Scanner {
public:
    Scanner(const WCHAR* input, va_list args) : input_(input) { va_copy(args_, args); }
    ~Scanner() { va_end(args_); }
    Scanner(const Scanner&) = delete;
    Scanner& operator=(const Scanner&) = delete;

    int Run(const WCHAR* format);

private:
    enum class Step { Done, InputFailure, MatchingFailure };

    bool AtEnd() const { return input_[pos_] == 0; }
    void SkipSpace() {
        while (iswspace(input_[pos_])) ++pos_;
    }
    void* NextDestination() { return va_arg(args_, void*); }
    Step ScanInteger(WCHAR conversion, size_t width, winapi::Length length, bool store);
    Step ScanFloating(size_t width, winapi::Length length, bool store);
    Step ScanCharacters(size_t width, bool narrow, bool store);
    Step ScanString(size_t width, bool narrow, bool store);

    const WCHAR* input_;
    size_t pos_ = 0;
    va_list args_;
};

void StoreInteger(void* destination, uint64_t value, int bytes) {
    // Little-endian: the low bytes of the value are the narrower integer.
    std::memcpy(destination, &value, bytes);
}

Scanner::Step Scanner::ScanInteger(WCHAR conversion, size_t width, winapi::Length length, bool store) {
    unsigned base = conversion == u'o'                           ? 8
                    : (conversion == u'x' || conversion == u'X') ? 16
                    : conversion == u'i'                         ? 0
                                                                 : 10;
    size_t end = width;  // characters this field may still take
    bool negative = false;
    if (end > 0 && (input_[pos_] == u'+' || input_[pos_] == u'-')) {
        negative = input_[pos_++] == u'-';
        --end;
    }
    bool prefix = end >= 3 && input_[pos_] == u'0' && (input_[pos_ + 1] == u'x' || input_[pos_ + 1] == u'X') &&
                  HexValue(input_[pos_ + 2]) < 16;
    if ((base == 16 || base == 0) && prefix) {
        pos_ += 2;
        end -= 2;
        base = 16;
    } else if (base == 0) {
        base = input_[pos_] == u'0' ? 8 : 10;
    }
    uint64_t value = 0;
    size_t digits = 0;
    while (digits < end && HexValue(input_[pos_]) < static_cast<int>(base)) {
        value = value * base + HexValue(input_[pos_]);  // wraps on overflow, as the platform's does
        ++pos_;
        ++digits;
    }
    if (digits == 0) return AtEnd() ? Step::InputFailure : Step::MatchingFailure;
    if (store) StoreInteger(NextDestination(), negative ? 0 - value : value, winapi::IntegerBytes(length));
    return Step::Done;
}

Scanner::Step Scanner::ScanFloating(size_t width, winapi::Length length, bool store) {
    std::string text;
    auto take = [&](auto accept) {
        while (text.size() < width && accept(input_[pos_])) text += static_cast<char>(input_[pos_++]);
    };
    auto isDigit = [](WCHAR c) { return c >= u'0' && c <= u'9'; };
    take([&](WCHAR c) { return text.empty() && (c == u'+' || c == u'-'); });
    size_t before = text.size();
    take(isDigit);
    bool mantissa = text.size() > before;
    if (text.size() < width && input_[pos_] == u'.') {
        text += '.';
        ++pos_;
        before = text.size();
        take(isDigit);
        mantissa = mantissa || text.size() > before;
    }
    if (!mantissa) return AtEnd() ? Step::InputFailure : Step::MatchingFailure;
    bool exponent = text.size() + 1 < width && (input_[pos_] == u'e' || input_[pos_] == u'E') &&
                    (isDigit(input_[pos_ + 1]) ||
                     ((input_[pos_ + 1] == u'+' || input_[pos_ + 1] == u'-') && isDigit(input_[pos_ + 2])));
    if (exponent) {
        text += static_cast<char>(input_[pos_++]);
        if (input_[pos_] == u'+' || input_[pos_] == u'-') text += static_cast<char>(input_[pos_++]);
        take(isDigit);
    }
    if (!store) return Step::Done;
    static locale_t cLocale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    double value = cLocale ? strtod_l(text.c_str(), nullptr, cLocale) : std::strtod(text.c_str(), nullptr);
    void* destination = NextDestination();
    if (length == winapi::Length::Long) {
        std::memcpy(destination, &value, sizeof value);
    } else {
        float single = static_cast<float>(value);
        std::memcpy(destination, &single, sizeof single);
    }
    return Step::Done;
}

Scanner::Step Scanner::ScanCharacters(size_t width, bool narrow, bool store) {
    size_t count = width == SIZE_MAX ? 1 : width;
    for (size_t i = 0; i < count; ++i)
        if (input_[pos_ + i] == 0) return Step::InputFailure;
    if (store) {
        void* destination = NextDestination();
        for (size_t i = 0; i < count; ++i) {
            WCHAR c = input_[pos_ + i];
            // One narrow char per character: what is not ASCII cannot be one.
            if (narrow)
                static_cast<char*>(destination)[i] = c < 0x80 ? static_cast<char>(c) : '?';
            else
                static_cast<WCHAR*>(destination)[i] = c;
        }
    }
    pos_ += count;
    return Step::Done;
}

Scanner::Step Scanner::ScanString(size_t width, bool narrow, bool store) {
    size_t start = pos_;
    while (pos_ - start < width && !AtEnd() && !iswspace(input_[pos_])) ++pos_;
    if (!store) return Step::Done;
    std::u16string_view word(input_ + start, pos_ - start);
    void* destination = NextDestination();
    if (narrow) {
        std::string bytes = winapi::ToUtf8(word);
        std::memcpy(destination, bytes.c_str(), bytes.size() + 1);
    } else {
        std::memcpy(destination, word.data(), word.size() * sizeof(WCHAR));
        static_cast<WCHAR*>(destination)[word.size()] = 0;
    }
    return Step::Done;
}

int Scanner::Run(const WCHAR* f) {
    int stored = 0;
    bool converted = false;  // whether any conversion has completed
    auto failed = [&](Step step) { return step == Step::InputFailure && !converted ? -1 : stored; };
    while (*f) {
        if (iswspace(*f)) {
            while (iswspace(*f)) ++f;
            SkipSpace();
            continue;
        }
        if (*f != u'%' || f[1] == u'%') {
            if (*f == u'%') {
                ++f;
                SkipSpace();
            }
            if (AtEnd()) return failed(Step::InputFailure);
            if (input_[pos_] != *f) return stored;
            ++pos_;
            ++f;
            continue;
        }
        ++f;
        bool store = true;
        if (*f == u'*') {
            store = false;
            ++f;
        }
        size_t width = 0;
        bool hasWidth = false;
        for (; *f >= u'0' && *f <= u'9'; ++f) {
            hasWidth = true;
            width = width > 100000000 ? width : width * 10 + (*f - u'0');
        }
        if (!hasWidth || width == 0) width = SIZE_MAX;
        winapi::Length length;
        f = winapi::ParseLength(f, &length);
        WCHAR conversion = *f++;
        Step step;
        switch (conversion) {
        case u'c':
        case u'C':
            step = ScanCharacters(
                width, conversion == u'C' ? length != winapi::Length::Long : length == winapi::Length::Short, store);
            break;
        case u'd':
        case u'i':
        case u'u':
        case u'o':
        case u'x':
        case u'X':
            SkipSpace();
            step = ScanInteger(conversion, width, length, store);
            break;
        case u'e':
        case u'E':
        case u'f':
        case u'g':
        case u'G':
            SkipSpace();
            step = ScanFloating(width, length, store);
            break;
        case u's':
        case u'S':
            SkipSpace();
            step = AtEnd() ? Step::InputFailure
                           : ScanString(
                                 width,
                                 conversion == u'S' ? length != winapi::Length::Long : length == winapi::Length::Short,
                                 store);
            break;
        default:
            return stored;  // not a conversion this layer reads
        }
        if (step != Step::Done) return failed(step);
        converted = true;
        if (store) ++stored;
    }
    return stored;
}

}  // namespace

int swscanf(const WCHAR* input, const WCHAR* format, ...) {
    if (!input || !format) {
        errno = EINVAL;
        return -1;
    }
    va_list args;
    va_start(args, format);
    int result = Scanner(input, args).Run(format);
    va_end(args);
    return result;
}
