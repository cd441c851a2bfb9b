// The printf and scanf family on WCHAR strings, with the conventions of the
// platform's wide functions:
// - %s and %ls take a WCHAR text, %hs and %S a narrow (UTF-8) text; %c and %lc
//   a WCHAR, %hc and %C a narrow char. A null text prints "(null)".
// - Length modifiers follow the system's 32-bit-long model: none and l are 32
//   bits, ll, I64, I and z are 64 bits, h is 16 and hh 8 bits (also for the
//   pointers that swscanf stores through).
// - %p prints 16 upper-case hexadecimal digits.
// Supported: flags - + 0 space #, width and precision (also *), conversions
// d i u o x X c s S C p e E f F g G %%. Floating-point numbers always use '.',
// whatever locale the process has set.
//
// The bounded printers never write past `count` and always terminate when
// count > 0. They return the number of WCHARs written without the terminator,
// or -1 when the text did not fit (swprintf and _snwprintf keep the part that
// fits, the _s forms leave the buffer empty) or the format is malformed (an
// unknown conversion or modifier: the buffer is left empty). The platform
// leaves a text of exactly `count` units unterminated or ends the process on
// these errors; a terminated buffer and -1 are the sound choice here.
#pragma once

#include "winapi/types.h"

#include <cstdarg>
#include <cstddef>
#include <initializer_list>
#include <string>
#include <vector>

namespace winapi {

// Where a format takes its values from, in order.
class FormatArguments {
public:
    virtual ~FormatArguments() = default;
    // An integer of 1, 2, 4 or 8 bytes; the printer truncates or sign-extends.
    virtual uint64_t NextInteger(int bytes) = 0;
    virtual double NextDouble() = 0;
    virtual const void* NextPointer() = 0;
};

// The arguments of a variadic call.
class VaListArguments : public FormatArguments {
public:
    explicit VaListArguments(va_list args);
    ~VaListArguments() override;
    VaListArguments(const VaListArguments&) = delete;
    VaListArguments& operator=(const VaListArguments&) = delete;

    uint64_t NextInteger(int bytes) override;
    double NextDouble() override;
    const void* NextPointer() override;

private:
    va_list args_;
};

// The texts for a format that may come from a translation: each conversion
// takes the next value in order, a text for %s (null prints "(null)"), 0 for a
// number. Past the texts given every conversion gets an empty text or 0, so a
// translated format with more inserts than the original never reads beyond
// what the caller handed over.
class TextArguments : public FormatArguments {
public:
    // The texts stay the caller's; they must outlive the formatting.
    explicit TextArguments(std::initializer_list<const WCHAR*> texts) : texts_(texts) {}

    uint64_t NextInteger(int bytes) override;
    double NextDouble() override;
    const void* NextPointer() override;

private:
    std::vector<const WCHAR*> texts_;
    size_t next_ = 0;
};

// Appends the formatted text to `out`; false when the format is malformed.
bool FormatInto(std::u16string& out, const WCHAR* format, FormatArguments& arguments);

// A message from a (possibly translated) format and its text inserts, taken
// as TextArguments takes them. A malformed format comes back as it stands; a
// null format gives an empty text.
std::u16string FormatTexts(const WCHAR* format, std::initializer_list<const WCHAR*> texts);

}  // namespace winapi

int swprintf(WCHAR* buffer, size_t count, const WCHAR* format, ...);
int vswprintf(WCHAR* buffer, size_t count, const WCHAR* format, va_list args);
int _snwprintf(WCHAR* buffer, size_t count, const WCHAR* format, ...);
int swprintf_s(WCHAR* buffer, size_t count, const WCHAR* format, ...);
int vswprintf_s(WCHAR* buffer, size_t count, const WCHAR* format, va_list args);
// The length the text would have, without the terminator; -1 when malformed.
int _scwprintf(const WCHAR* format, ...);

// The forms that take the size from an array.
template <size_t N>
int swprintf(WCHAR (&buffer)[N], const WCHAR* format, ...) {
    va_list args;
    va_start(args, format);
    int result = vswprintf(buffer, N, format, args);
    va_end(args);
    return result;
}
template <size_t N>
int swprintf_s(WCHAR (&buffer)[N], const WCHAR* format, ...) {
    va_list args;
    va_start(args, format);
    int result = vswprintf_s(buffer, N, format, args);
    va_end(args);
    return result;
}

// Reads `input` by `format`: white space in the format skips any white space,
// other characters must match, and conversions d i u o x X c s S e E f g G
// %% store through the pointers given (widths such as %08X read at most that
// many characters). Returns the number of fields stored, or -1 (EOF) when the
// input ended before the first conversion.
int swscanf(const WCHAR* input, const WCHAR* format, ...);
