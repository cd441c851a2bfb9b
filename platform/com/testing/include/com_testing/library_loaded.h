// Whether a server library is in the process, for the tests of unloading.
#pragma once

#include <string>

namespace com_testing {

// Whether the loader holds the shared library at `path`, whoever loaded it;
// asking does not load it.
bool LibraryLoaded(const std::string& path);

}  // namespace com_testing
