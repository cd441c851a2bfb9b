#include "password_input.h"

#include "vaultadmin/admin_error.h"

#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <ostream>

namespace vaultadmin {

namespace {

// Turns the terminal's echo off while it lives.
class EchoOff {
public:
    explicit EchoOff(int fd) : fd_(fd) {
        if (::tcgetattr(fd_, &saved_) != 0)
            throw AdminError(std::string("cannot read the terminal's settings: ") + std::strerror(errno));
        termios quiet = saved_;
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        quiet.c_lflag |= ECHONL;
        if (::tcsetattr(fd_, TCSAFLUSH, &quiet) != 0)
            throw AdminError(std::string("cannot turn the terminal's echo off: ") + std::strerror(errno));
    }
    ~EchoOff() { ::tcsetattr(fd_, TCSAFLUSH, &saved_); }
    EchoOff(const EchoOff&) = delete;
    EchoOff& operator=(const EchoOff&) = delete;

private:
    int fd_;
    termios saved_{};
};

std::string ReadLine(int fd) {
    std::string line;
    for (;;) {
        char c = 0;
        const ssize_t got = ::read(fd, &c, 1);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) throw AdminError(std::string("cannot read the password: ") + std::strerror(errno));
        if (got == 0) {
            if (line.empty()) throw AdminError("no password given: standard input ended before a password line");
            break;
        }
        if (c == '\n') break;
        line += c;
    }
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return line;
}

}  // namespace

std::string ReadPassword(int fd, const std::string& prompt, std::ostream& promptOut) {
    std::string password;
    if (::isatty(fd)) {
        promptOut << prompt << std::flush;
        EchoOff quiet(fd);
        password = ReadLine(fd);
    } else {
        password = ReadLine(fd);
    }
    if (password.empty()) throw AdminError("the password is empty");
    return password;
}

}  // namespace vaultadmin
