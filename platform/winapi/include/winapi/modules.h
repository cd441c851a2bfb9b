// Modules: the running program and the shared libraries it loads by the
// names the system gives them.
//
// A library named "Name.dll" is the shared library "libName.so" or
// "Name.so" (the name as given, then in lower case). A name with a folder is
// looked for in that folder first; then, as for a bare name, beside the
// running program (the folder where the build puts every program and
// library) and in the folders of PLATFORM_LIBRARY_PATH (colon-separated). A
// path ending in ".so" names the file itself: a bare one is looked for in
// the same folders, one with a folder is used as is.
//
// The system libraries the system asks for by name ("Shell32.dll",
// "Rpcrt4.dll", ...) are built into this layer: each is a module whose
// exports are the layer functions registered for it with
// RegisterBuiltinExport. A system library with no registered export is
// missing, as any other.
//
// Loading a library that is loaded already returns the same module and
// counts; FreeLibrary unloads it when the count drops to zero. Module
// handles are never reused, so a freed one stays invalid.
#pragma once

#include "winapi/types.h"

#include <string_view>

// LoadLibraryExW flags. Only LOAD_LIBRARY_AS_DATAFILE changes anything: the
// file need only exist and be readable, and its module has no exports.
#define DONT_RESOLVE_DLL_REFERENCES 0x00000001u
#define LOAD_LIBRARY_AS_DATAFILE 0x00000002u
#define LOAD_WITH_ALTERED_SEARCH_PATH 0x00000008u

// NULL with ERROR_MOD_NOT_FOUND when no such library is found or one that
// it needs is missing; ERROR_BAD_EXE_FORMAT when the file is no shared
// library; ERROR_ACCESS_DENIED when it cannot be read.
HMODULE WINAPI LoadLibraryW(LPCWSTR fileName);
// `file` must be NULL.
HMODULE WINAPI LoadLibraryExW(LPCWSTR fileName, HANDLE file, DWORD flags);
// Drops one load of the module. The program and built-in libraries stay.
BOOL WINAPI FreeLibrary(HMODULE module);

// An exported function of the module (NULL: the program), looked up by
// name; NULL with ERROR_PROC_NOT_FOUND when the module has no such export
// (functions of the libraries a module uses are not its exports; nor has a
// data-file module any), ERROR_MOD_NOT_FOUND for an invalid module. Ordinal
// numbers (a value below 0x10000 in place of the name) name no export here.
FARPROC WINAPI GetProcAddress(HMODULE module, LPCSTR procName);

// NULL: the program. A name: the loaded library of that name, as
// LoadLibraryW finds it, without counting a load; NULL with
// ERROR_MOD_NOT_FOUND when it is not loaded.
HMODULE WINAPI GetModuleHandleW(LPCWSTR moduleName);

// The full path of the module's file (NULL: the program) as a path of the
// system's form (winapi::FromPosixPath). Returns its length; when it does not
// fit, copies size - 1 characters and a terminating zero, returns `size` and
// sets ERROR_INSUFFICIENT_BUFFER. A built-in library names this layer's own
// file; a data-file module names its file. 0 with ERROR_MOD_NOT_FOUND for
// an invalid module.
DWORD WINAPI GetModuleFileNameW(HMODULE module, LPWSTR fileName, DWORD size);

namespace winapi {

// The module (program or shared library) whose code or data holds
// `address`, without counting a load; NULL with ERROR_MOD_NOT_FOUND when no
// module holds it. A library loaded by other means than LoadLibraryW stays
// loaded from then on.
HMODULE ModuleFromAddress(const void* address);

// Makes `function` the export `name` of the built-in system library
// `library` (e.g. u"shell32.dll"; case does not matter, ".dll" is added when
// the name has no extension). Layer files call it for the functions they own
// before the system first asks for them, e.g. from a static initialiser.
void RegisterBuiltinExport(std::u16string_view library, const char* name, FARPROC function);

}  // namespace winapi
