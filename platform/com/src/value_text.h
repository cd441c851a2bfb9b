// The texts of values as Automation writes and reads them, in US English
// whatever the locale: numbers "-1,234.5" and "1.5E+20", truth values
// "True"/"False", dates "12/31/1999 11:59:59 PM".
#pragma once

#include "com/bstr.h"
#include "com/variant.h"

#include <string>

namespace com::detail {

using Integer = __int128;

// A number read from text: an exact integer when it has one, else a real.
struct Number {
    bool isInteger = true;
    Integer integer = 0;
    double real = 0;
    double AsReal() const { return isInteger ? static_cast<double>(integer) : real; }
};

// Surrounding white space allowed everywhere. False when the text is no
// such value.
// [sign] digits (',' between digit groups) [. digits] [E [sign] digits].
bool ParseNumber(BSTR text, Number* number);
// "True" or "False", in any case.
bool ParseTruth(BSTR text, bool* truth);
// "M/D/YYYY", "h:mm[:ss] [AM|PM]" or both; a year of one or two digits is
// 1930-2029. False also for a date that does not exist.
bool ParseDate(BSTR text, DATE* date);

// "M/D/YYYY h:mm:ss AM": the date alone at midnight, the time alone on
// day 0. False outside the dates DATE covers.
bool FormatDate(DATE date, std::u16string* text);
// Up to `precision` significant digits; exponent form "1.5E+20" for large
// and small magnitudes.
std::u16string FormatReal(double value, int precision);
std::u16string FormatInteger(Integer value);

}  // namespace com::detail
