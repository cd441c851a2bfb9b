// The admin tool's commands, from a command line to an exit code, so that
// the program is only its main() and tests run the same path.
#pragma once

#include <unistd.h>

#include <iosfwd>
#include <string>
#include <vector>

namespace vaultadmin {

inline constexpr int kExitSuccess = 0;
inline constexpr int kExitFailure = 1;  // the operation failed; nothing was changed
inline constexpr int kExitUsage = 2;    // the command line cannot be used

// Runs the command of `args` (the command name first, without the program's
// name). Results go to `out`, the usage, password prompts and failures to
// `err`; passwords are read from `input` (ReadPassword).
int RunAdminCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                    int input = STDIN_FILENO);

}  // namespace vaultadmin
