// A small shared library for the module tests: LoadLibraryW(u"TestModule.dll")
// finds it as libTestModule.so beside the test program.
#include <cstdlib>

extern "C" {

__attribute__((visibility("default"))) int TestModuleAnswer() { return 42; }

__attribute__((visibility("default"))) int TestModuleCounter = 7;

// Calls into the C library, so that libc is one of the libraries this
// module uses (whose functions are not this module's exports).
__attribute__((visibility("default"))) int TestModuleAbs(int value) { return std::abs(value); }
}
