#include "local_file.h"

#include "vaultadmin/admin_error.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <string>

namespace vaultadmin {

namespace {

std::string FileKind(mode_t mode) {
    if (S_ISDIR(mode)) return "a folder";
    if (S_ISFIFO(mode)) return "a FIFO";
    if (S_ISSOCK(mode)) return "a socket";
    if (S_ISCHR(mode) || S_ISBLK(mode)) return "a device";
    return "not a plain file";
}

}  // namespace

winapi::UniqueFd OpenRegularFile(const std::filesystem::path& file) {
    // O_NONBLOCK: opening a FIFO must not wait for a writer; it is refused
    // below, and on a regular file the flag changes nothing.
    winapi::UniqueFd in(::open(file.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (!in) throw AdminError("cannot open " + file.string() + ": " + std::strerror(errno));
    struct stat status {};
    if (::fstat(in.Get(), &status) != 0) throw AdminError("cannot read " + file.string() + ": " + std::strerror(errno));
    if (!S_ISREG(status.st_mode))
        throw AdminError(file.string() + " is not a regular file (" + FileKind(status.st_mode) +
                         "); only regular files can go into the vault");
    return in;
}

}  // namespace vaultadmin
