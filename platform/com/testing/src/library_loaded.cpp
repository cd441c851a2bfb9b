#include "com_testing/library_loaded.h"

#include <dlfcn.h>

namespace com_testing {

bool LibraryLoaded(const std::string& path) {
    void* handle = dlopen(path.c_str(), RTLD_LAZY | RTLD_NOLOAD);
    if (handle) dlclose(handle);  // NOLOAD still counts a reference
    return handle != nullptr;
}

}  // namespace com_testing
