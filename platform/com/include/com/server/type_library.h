// Type libraries: a server's description of its library - identity, version,
// the interfaces it defines - and its registration under HKCR, in the places
// where the rest of the system looks for them.
//
// There are no type-library files here: the library is this C++ description,
// kept in the server. Registering writes
//   HKCR\TypeLib\{LIBID}\<major>.<minor>          = name
//       FLAGS = "0", HELPDIR = help folder, 0\win64 = the server's path
//   HKCR\Interface\{IID}                           = interface name
//       TypeLib = {LIBID} with the value Version = "<major>.<minor>"
//       ProxyStubClsid32 = {00020424-0000-0000-C000-000000000046}
//                          (Automation interfaces - dual or dispatch - only)
// Version numbers are written in hexadecimal, as the platform writes them
// ("1.0", "5.17" for 5.23).
#pragma once

#include "winapi/types.h"

#include <span>
#include <string>
#include <string_view>

namespace com {

struct TypeLibraryInterface {
    const IID* iid;
    std::u16string_view name;
    bool automation;  // dual or dispatch interface, marshalled by the Automation proxy
};

struct TypeLibrary {
    const GUID* libraryId;
    WORD majorVersion;
    WORD minorVersion;
    std::u16string_view name;  // e.g. "Bellquist 1.0 Type Library"
    std::span<const TypeLibraryInterface> interfaces;
    // Registers the library's record descriptions (com/record_info.h) with
    // the process, so that record information can be found by the library's
    // GUID and version. The server module runs it when the server library is
    // loaded. Null: the library declares no records.
    void (*registerRecords)() = nullptr;
};

// Writes the library's keys as above. An empty `helpDir` stands for the
// folder of `modulePath`. Rewriting replaces what an earlier registration of
// the same version wrote. S_OK, or the registry's failure as an HRESULT.
HRESULT RegisterTypeLib(const TypeLibrary& library, std::u16string_view modulePath, std::u16string_view helpDir);

// Removes the library's version key (and the library's key when no other
// version is left) and the keys of its interfaces - those that still name
// this library; an interface registered since by another library stays.
// Keys already missing are no failure.
HRESULT UnRegisterTypeLib(const TypeLibrary& library);

}  // namespace com
