// Command lines: one string that a program receives whole and splits into
// arguments itself, by the rules of the C runtime the system was built with.
//
// Splitting rules (SplitCommandLine):
//  - spaces and tabs separate arguments; leading and trailing ones are skipped;
//  - the first argument, the program name, is taken up to the next space or
//    tab outside double quotes; its quotes are dropped and backslashes are
//    plain characters (a program path cannot contain a quote);
//  - in later arguments double quotes group text with blanks into one
//    argument and are dropped; "" inside a quoted section is one literal
//    quote and the section goes on;
//  - 2n backslashes before a quote give n backslashes and the quote groups;
//    2n+1 give n backslashes and a literal quote; backslashes elsewhere are
//    plain characters;
//  - an unterminated quoted section runs to the end of the line.
#pragma once

#include "winapi/types.h"

#include <string>
#include <string_view>
#include <vector>

namespace winapi {

// The arguments of a command line, the program name first. An empty or blank
// line has no arguments.
std::vector<std::u16string> SplitCommandLine(std::u16string_view commandLine);

// The argument written so that SplitCommandLine reads it back unchanged as a
// later (not the first) argument: as is when it needs no quoting, else in
// double quotes with quotes and the backslashes before them escaped.
std::u16string QuoteArgument(std::u16string_view argument);

// A command line that SplitCommandLine splits back into `arguments`: the
// program name quoted when it holds a blank, the rest by QuoteArgument.
std::u16string JoinCommandLine(const std::vector<std::u16string>& arguments);

}  // namespace winapi

// The command line this process was started with, rebuilt from its argument
// vector (so quoting may differ from the caller's text, the arguments do not).
// The text stays valid and unchanged for the life of the process.
LPWSTR WINAPI GetCommandLineW();

// The arguments of `commandLine` by the rules above, as one block that
// LocalFree releases: an array of *numArgs pointers (and a null one after
// them) to the terminated strings, which follow in the same block. An empty
// or null line gives the path of the running program as its one argument; a
// blank line one empty argument. NULL with ERROR_INVALID_PARAMETER when
// numArgs is null, or the last error of LocalAlloc.
LPWSTR* WINAPI CommandLineToArgvW(LPCWSTR commandLine, int* numArgs);
