// The system's message texts: FormatMessageW over a message table of our own
// with the English texts of the Win32 error numbers of winapi/errors.h and of
// the common HRESULTs. Each text ends with "\r\n", as the platform's do; an
// HRESULT of the Win32 facility (HRESULT_FROM_WIN32) has the Win32 text.
#pragma once

#include "winapi/types.h"

#include <cstdarg>

#define FORMAT_MESSAGE_ALLOCATE_BUFFER 0x00000100
#define FORMAT_MESSAGE_IGNORE_INSERTS 0x00000200
#define FORMAT_MESSAGE_FROM_STRING 0x00000400
#define FORMAT_MESSAGE_FROM_HMODULE 0x00000800
#define FORMAT_MESSAGE_FROM_SYSTEM 0x00001000
#define FORMAT_MESSAGE_ARGUMENT_ARRAY 0x00002000
#define FORMAT_MESSAGE_MAX_WIDTH_MASK 0x000000FF

// Formats the message `messageId` of the system table (FROM_SYSTEM) or the
// text `source` (FROM_STRING) into `buffer` (`size` WCHARs), and returns its
// length without the terminator; 0 on failure with the last error:
// - ERROR_MR_MID_NOT_FOUND: the table has no text for the number;
// - ERROR_RESOURCE_LANG_NOT_FOUND: a language other than neutral, the user's
//   or the system's default (0, 1024, 2048) or English;
// - ERROR_RESOURCE_TYPE_NOT_FOUND: FROM_HMODULE alone (modules built here
//   carry no message tables; with FROM_SYSTEM the system table answers);
// - ERROR_INSUFFICIENT_BUFFER: the text does not fit (the buffer is left
//   empty);
// - ERROR_INVALID_PARAMETER: no buffer, no text, or inserts without arguments.
// With ALLOCATE_BUFFER, `buffer` is really a WCHAR** that receives a block of
// at least `size` WCHARs from LocalAlloc, which the caller frees with
// LocalFree.
// Escapes: %0 ends the text (no line break after), %n is a line break, %r,
// %t, %%, "% ", "%.", "%!" give CR, tab, '%', ' ', '.', '!'. Inserts %1 to
// %99, each with an optional printf format "!d!" (default "!s!", a WCHAR
// text), take `arguments` (a va_list*, or with ARGUMENT_ARRAY a DWORD_PTR
// array) in order; IGNORE_INSERTS copies them as they are. A '*' width or
// precision inside an insert is not supported (ERROR_INVALID_PARAMETER).
// The low byte of the flags: 0 keeps the text's line breaks, 0xFF (MAX_WIDTH_
// MASK) turns them into spaces, and a width from 1 to 254 turns them into
// spaces and breaks the lines at that width; line breaks written as %n stay.
DWORD WINAPI FormatMessageW(DWORD flags, LPCVOID source, DWORD messageId, DWORD languageId, LPWSTR buffer, DWORD size,
                            va_list* arguments);
