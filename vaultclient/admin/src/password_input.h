// Reading a password the way no other user can see it: never from the command
// line (any user reads a process's arguments in /proc), but from the terminal
// with its echo off, or as one line of standard input when that is a pipe or
// a file (scripts).
#pragma once

#include <iosfwd>
#include <string>

namespace vaultadmin {

// Reads one password line from `fd`. On a terminal, writes `prompt` to
// `promptOut`, turns the echo off for the line and back on (also when the read
// fails); elsewhere reads up to the first newline, one byte at a time so that
// nothing after the line is taken from a shared descriptor. The newline (and a
// "\r" before it) is not part of the password. Throws AdminError when there is
// no line (end of input first), the line is empty, or the read fails.
std::string ReadPassword(int fd, const std::string& prompt, std::ostream& promptOut);

}  // namespace vaultadmin
