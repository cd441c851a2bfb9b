// Identities of the older client library TavroskClientLib: the class of its
// main object, which callers create by CLSID (context 23, then OleRun) and
// ask for the interfaces of client_interfaces.h.
#pragma once

#include "com/unknown.h"

namespace TavroskClientLib {

inline constexpr CLSID CLSID_TavroskClient = com::MakeGuid("F43A00EC-A520-4C02-8785-FF7967B0F57E");

}  // namespace TavroskClientLib
