#include "winapi/state_root.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cstdlib>
#include <system_error>

namespace winapi {

namespace {

std::string EnvOrEmpty(const char* name) {
    const char* value = std::getenv(name);
    return value ? std::string(value) : std::string();
}

}  // namespace

std::filesystem::path StateRoot() {
    std::string root = EnvOrEmpty(kStateRootVariable);
    if (!root.empty()) return std::filesystem::path(root);
    std::string state = EnvOrEmpty("XDG_STATE_HOME");
    if (!state.empty()) return std::filesystem::path(state) / "zentraviko-machine";
    std::string home = EnvOrEmpty("HOME");
    if (home.empty()) {
        if (const passwd* pw = getpwuid(getuid())) home = pw->pw_dir;
    }
    return std::filesystem::path(home) / ".local/state/zentraviko-machine";
}

std::string CurrentUserName() {
    std::string name = EnvOrEmpty(kUserNameVariable);
    if (!name.empty()) return name;
    if (const passwd* pw = getpwuid(getuid())) return pw->pw_name;
    return "user" + std::to_string(getuid());
}

bool IsStandardUser() { return EnvOrEmpty(kStandardUserVariable) == "1"; }

std::filesystem::path MachineHivePath() { return StateRoot() / "registry" / "machine.hive"; }

std::filesystem::path UserHivePath() { return StateRoot() / "registry" / "users" / (CurrentUserName() + ".hive"); }

std::filesystem::path UserProfileDir() { return StateRoot() / "users" / CurrentUserName(); }

std::filesystem::path KernelObjectDir() { return StateRoot() / "kernel" / CurrentUserName(); }

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
