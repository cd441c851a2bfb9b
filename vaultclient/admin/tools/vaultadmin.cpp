// vaultadmin: creates and registers vaults, adds users, imports files, lists
// the registered vaults and seeds the demo vault. Run without arguments for
// its usage. Exit code: 0 on success, 1 when the operation failed, 2 for a
// command line it cannot use.
#include "admin_commands.h"

#include <iostream>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    return vaultadmin::RunAdminCommand(args, std::cout, std::cerr);
}
