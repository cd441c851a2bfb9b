// DATE <-> SYSTEMTIME with the Automation rules.
//
// A DATE counts days since 1899-12-30 00:00; the fraction is the time of
// day. Before that day the value is in "linear form": the integer part
// counts days back, but the fraction still counts forward within the day,
// so -1.25 is 1899-12-29 06:00 (and -0.25, like 0.25, is 1899-12-30 06:00).
// Valid dates are the years 100 to 9999: above -657435 (0100-01-01 in linear
// form) and below 2958466 (the day after 9999-12-31).
#pragma once

#include "com/variant.h"
#include "winapi/types.h"

// Milliseconds are ignored. FALSE for a field out of range (year outside
// 100..9999, month, day of that month, hour, minute or second not valid).
INT WINAPI SystemTimeToVariantTime(LPSYSTEMTIME systemTime, DATE* date);
// Rounded to the nearest second (half a second rounds up); milliseconds 0,
// day of the week set. FALSE for a date outside the valid range.
INT WINAPI VariantTimeToSystemTime(DATE date, LPSYSTEMTIME systemTime);
