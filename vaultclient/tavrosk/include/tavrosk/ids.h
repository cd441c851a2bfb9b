// Identities of the older client library TavroskClientLib: the class of its
// main object, which callers create by CLSID (context 23, then OleRun) and
// ask for the interfaces of client_interfaces.h, and the library under
// which it describes the records of the arrays it hands out (ItmObjectData,
// DelOrDestroyed, LinkRecord, the menu information's records and
// ItmInfoSupplement), version 1.0.
#pragma once

#include "com/unknown.h"
#include "winapi/types.h"

namespace TavroskClientLib {

inline constexpr CLSID CLSID_TavroskClient = com::MakeGuid("F43A00EC-A520-4C02-8785-FF7967B0F57E");
inline constexpr GUID LIBID_TavroskClientLib = com::MakeGuid("3D973C12-893C-4C39-AC2A-D2681D67DB62");
inline constexpr WORD kLibraryMajorVersion = 1;
inline constexpr WORD kLibraryMinorVersion = 0;

}  // namespace TavroskClientLib
