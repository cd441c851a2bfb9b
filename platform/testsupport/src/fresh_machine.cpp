#include "testsupport/fresh_machine.h"

#include "winapi/state_root.h"

#include <cstdlib>
#include <system_error>

namespace testsupport {

FreshMachine::FreshMachine() {
    if (const char* previous = std::getenv(winapi::kStateRootVariable)) {
        hadPreviousRoot_ = true;
        previousRoot_ = previous;
    }
    std::string pattern = (std::filesystem::temp_directory_path() / "machine-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::system_error(errno, std::generic_category(), "mkdtemp");
    root_ = pattern;
    setenv(winapi::kStateRootVariable, root_.c_str(), 1);
    unsetenv(winapi::kStandardUserVariable);
}

FreshMachine::~FreshMachine() {
    // The named objects' folder lies outside the root, in memory.
    setenv(winapi::kStateRootVariable, root_.c_str(), 1);
    const std::filesystem::path kernel = winapi::KernelNamespaceRoot();
    if (hadPreviousRoot_)
        setenv(winapi::kStateRootVariable, previousRoot_.c_str(), 1);
    else
        unsetenv(winapi::kStateRootVariable);
    std::error_code ec;
    std::filesystem::remove_all(root_, ec);
    std::filesystem::remove_all(kernel, ec);
}

}  // namespace testsupport
