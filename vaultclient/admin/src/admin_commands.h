// The admin tool's commands, from a command line to an exit code, so that
// the program is only its main() and tests run the same path.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace vaultadmin {

inline constexpr int kExitSuccess = 0;
inline constexpr int kExitFailure = 1;  // the operation failed; nothing was changed
inline constexpr int kExitUsage = 2;    // the command line cannot be used

// Runs the command of `args` (the command name first, without the program's
// name). Results go to `out`, the usage and failures to `err`.
int RunAdminCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace vaultadmin
