// An environment variable set for one test: child processes started meanwhile
// inherit it, and the process gets its earlier value (or its absence) back.
#pragma once

#include <optional>
#include <string>

namespace testsupport {

class ScopedEnvironment {
public:
    ScopedEnvironment(const char* name, const std::string& value);
    ~ScopedEnvironment();
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

private:
    std::string name_;
    std::optional<std::string> previous_;
};

}  // namespace testsupport
