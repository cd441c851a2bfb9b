// The failure of an admin operation: a message that tells the administrator
// what went wrong and with what. The program prints it and exits non-zero.
#pragma once

#include <stdexcept>
#include <string>

namespace vaultadmin {

class AdminError : public std::runtime_error {
public:
    explicit AdminError(const std::string& message) : std::runtime_error(message) {}
};

}  // namespace vaultadmin
