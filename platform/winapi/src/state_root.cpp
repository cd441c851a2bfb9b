#include "winapi/state_root.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <system_error>
#include <vector>

namespace winapi {

namespace {

std::string EnvOrEmpty(const char* name) {
    const char* value = std::getenv(name);
    return value ? std::string(value) : std::string();
}

struct Account {
    bool found = false;
    std::string name;
    std::string home;
};

// The entry of this process's user in the system's user database, looked up
// once per user id: the lookup checks and may read the database files (or
// ask a directory service) each time, and every registry read of the user's
// hive needs the user name.
Account CurrentAccount() {
    struct Cache {
        std::mutex lock;
        bool known = false;
        uid_t uid = 0;
        Account account;
    };
    static Cache* cache = new Cache;  // never destroyed: static destructors may still ask
    const uid_t uid = getuid();
    std::lock_guard guard(cache->lock);
    if (cache->known && cache->uid == uid) return cache->account;

    Account account;
    std::vector<char> buffer(16384);
    passwd entry;
    passwd* result = nullptr;
    int err;
    while ((err = getpwuid_r(uid, &entry, buffer.data(), buffer.size(), &result)) == ERANGE &&
           buffer.size() < (size_t(1) << 20))
        buffer.resize(buffer.size() * 2);
    if (result) account = Account{true, entry.pw_name, entry.pw_dir};
    // A lookup that failed, rather than found no entry, is made again next time.
    if (err == 0) {
        cache->known = true;
        cache->uid = uid;
        cache->account = account;
    }
    return account;
}

}  // namespace

std::filesystem::path StateRoot() {
    std::string root = EnvOrEmpty(kStateRootVariable);
    if (!root.empty()) return std::filesystem::path(root);
    std::string state = EnvOrEmpty("XDG_STATE_HOME");
    if (!state.empty()) return std::filesystem::path(state) / "zentraviko-machine";
    std::string home = EnvOrEmpty("HOME");
    if (home.empty()) home = CurrentAccount().home;
    return std::filesystem::path(home) / ".local/state/zentraviko-machine";
}

std::string CurrentUserName() {
    std::string name = EnvOrEmpty(kUserNameVariable);
    if (!name.empty()) return name;
    Account account = CurrentAccount();
    if (account.found) return account.name;
    return "user" + std::to_string(getuid());
}

bool IsStandardUser() { return EnvOrEmpty(kStandardUserVariable) == "1"; }

std::filesystem::path MachineHivePath() { return StateRoot() / "registry" / "machine.hive"; }

std::filesystem::path UserHivePath() { return StateRoot() / "registry" / "users" / (CurrentUserName() + ".hive"); }

std::filesystem::path UserProfileDir() { return StateRoot() / "users" / CurrentUserName(); }

std::filesystem::path KernelNamespaceRoot() {
    // In memory (tmpfs), so that what named objects hold - the login table's
    // passwords among them - never rests on a disk; one folder per state
    // root, as the state root keeps machines apart. Each user's folder in it
    // is private (and checked to be the user's own before any use).
    std::error_code ec;
    const std::filesystem::path memory = "/dev/shm";
    if (!std::filesystem::is_directory(memory, ec)) return StateRoot() / "kernel";
    uint64_t hash = 1469598103934665603ull;  // FNV-1a of the root's path
    const std::string root = StateRoot().native();
    for (unsigned char c : root) hash = (hash ^ c) * 1099511628211ull;
    char name[64];
    std::snprintf(name, sizeof name, "zentraviko-kernel-%016llx", static_cast<unsigned long long>(hash));
    return memory / name;
}

std::filesystem::path KernelObjectDir() { return KernelNamespaceRoot() / CurrentUserName(); }

std::filesystem::path DriveRoot(char letter) {
    return StateRoot() / "drives" / std::string(1, static_cast<char>(std::tolower(static_cast<unsigned char>(letter))));
}

bool EnsureDirectory(const std::filesystem::path& dir, unsigned mode) {
    std::error_code ec;
    if (std::filesystem::is_directory(dir, ec)) return true;
    if (dir.has_parent_path() && dir.parent_path() != dir) EnsureDirectory(dir.parent_path(), 0755);
    if (::mkdir(dir.c_str(), mode) != 0 && errno != EEXIST) return false;
    return std::filesystem::is_directory(dir, ec);
}

}  // namespace winapi
