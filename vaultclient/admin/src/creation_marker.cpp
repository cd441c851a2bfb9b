#include "creation_marker.h"

#include "vaultadmin/admin_error.h"
#include "system_error_text.h"

#include "vaultdb/private_files.h"
#include "winapi/guid_text.h"
#include "winapi/text.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

namespace vaultadmin {

namespace {

std::string ErrnoText(int error) { return std::strerror(error); }

// The mark's text: the vault id on the first line, the view folder on the
// second.
std::optional<UnfinishedCreation> ParseMark(const std::string& text) {
    const std::size_t newline = text.find('\n');
    if (newline == std::string::npos) return std::nullopt;
    UnfinishedCreation creation;
    if (!winapi::ParseGuid(winapi::ToUtf16(text.substr(0, newline)), &creation.vaultId)) return std::nullopt;
    std::string view = text.substr(newline + 1);
    if (!view.empty() && view.back() == '\n') view.pop_back();
    if (view.empty() || view.front() != '/') return std::nullopt;
    creation.viewFolder = view;
    return creation;
}

}  // namespace

std::filesystem::path CreationMarkerFile(const std::filesystem::path& databaseFile) {
    return databaseFile.string() + ".creating";
}

CreationMarker::CreationMarker(const std::filesystem::path& databaseFile) : file_(CreationMarkerFile(databaseFile)) {
    // A mark the holder removed while this process waited is a stale file:
    // open again until the locked file is the one at the path.
    for (int attempt = 0;; ++attempt) {
        fd_.Reset(::open(file_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, vaultdb::kPrivateFileMode));
        if (!fd_) throw AdminError("cannot make the creation mark " + file_.string() + ": " + ErrnoText(errno));
        if (::flock(fd_.Get(), LOCK_EX | LOCK_NB) != 0) {
            const int error = errno;
            fd_.Reset();
            if (error == EWOULDBLOCK)
                throw AdminError("another process is creating this vault (it holds " + file_.string() + ")");
            throw AdminError("cannot lock the creation mark " + file_.string() + ": " + ErrnoText(error));
        }
        struct stat held {
        }, named{};
        if (::fstat(fd_.Get(), &held) == 0 && ::stat(file_.c_str(), &named) == 0 && held.st_dev == named.st_dev &&
            held.st_ino == named.st_ino)
            break;
        if (attempt == 10) throw AdminError("the creation mark " + file_.string() + " keeps changing");
    }
    std::string text;
    char buffer[4096];
    for (ssize_t got; (got = ::read(fd_.Get(), buffer, sizeof buffer)) != 0;) {
        if (got < 0) {
            if (errno == EINTR) continue;
            return;  // unreadable: claim nothing
        }
        text.append(buffer, static_cast<std::size_t>(got));
        if (text.size() > 65536) return;  // not a mark this program wrote
    }
    unfinished_ = ParseMark(text);
}

void CreationMarker::Record(const UnfinishedCreation& creation) {
    const std::string text =
        winapi::ToUtf8(winapi::GuidToString(creation.vaultId)) + "\n" + creation.viewFolder.string() + "\n";
    if (::ftruncate(fd_.Get(), 0) != 0 ||
        ::pwrite(fd_.Get(), text.data(), text.size(), 0) != static_cast<ssize_t>(text.size()) ||
        ::fsync(fd_.Get()) != 0)
        throw AdminError("cannot write the creation mark " + file_.string() + ": " + ErrnoText(errno));
}

void CreationMarker::Remove() {
    // Emptied first: a process that opened the mark before the unlink finds
    // nothing to claim in it.
    (void)::ftruncate(fd_.Get(), 0);
    ::unlink(file_.c_str());
}

}  // namespace vaultadmin
