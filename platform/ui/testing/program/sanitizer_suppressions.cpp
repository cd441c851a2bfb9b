// Compiled into every test program that links ui_testing (the sanitizer
// asks the program itself for its suppressions).
//
// The system's font library keeps caches for the life of the process that
// LeakSanitizer reports at exit; they are Qt's, not ours.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }
