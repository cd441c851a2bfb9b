// Where this machine's state lives.
//
// Everything the system would keep in the operating system - the registry
// hives, the users' application-data folders, the namespace of named kernel
// objects, drive-letter paths - lives below one root folder chosen by the
// environment variable PLATFORM_STATE_ROOT. Tests point it at a fresh folder
// each, so every test runs on a private, disposable machine. Without the
// variable the root is $XDG_STATE_HOME/zentraviko-machine (or
// ~/.local/state/zentraviko-machine).
//
// Every function reads the environment anew: a test may change the variable
// between cases, and child processes inherit it.
#pragma once

#include <filesystem>
#include <string>

namespace winapi {

inline constexpr const char* kStateRootVariable = "PLATFORM_STATE_ROOT";
// Set to "1" to act as a user without administrator rights: the machine-wide
// registry hive can then be read but not written.
inline constexpr const char* kStandardUserVariable = "PLATFORM_STANDARD_USER";
// Overrides the user name (default: the account's login name).
inline constexpr const char* kUserNameVariable = "PLATFORM_USER";

std::filesystem::path StateRoot();
std::string CurrentUserName();
bool IsStandardUser();

// <root>/registry/machine.hive
std::filesystem::path MachineHivePath();
// <root>/registry/users/<user>.hive
std::filesystem::path UserHivePath();
// <root>/users/<user>: holds AppData/Local, AppData/Roaming, Temp.
std::filesystem::path UserProfileDir();
// The session namespace of named kernel objects, private to the user (mode
// 0700): <namespace root>/<user>. The namespace root lies in memory
// (/dev/shm/zentraviko-kernel-<hash of the state root>), so that what
// named objects hold never rests on a disk; <root>/kernel where the machine
// has no /dev/shm.
std::filesystem::path KernelNamespaceRoot();
std::filesystem::path KernelObjectDir();
// <root>/drives/<letter>: where a path such as "C:\Data" lands.
std::filesystem::path DriveRoot(char letter);

// Creates the folder and its parents with the given mode; true when it exists
// afterwards as a folder.
bool EnsureDirectory(const std::filesystem::path& dir, unsigned mode = 0755);

}  // namespace winapi
