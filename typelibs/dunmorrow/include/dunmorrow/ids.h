// Identities of the login server's type library, its application and its
// class.
#pragma once

#include "com/unknown.h"

namespace DunmorrowLib {

inline constexpr GUID LIBID_DunmorrowLib = com::MakeGuid("1B1E6B53-F57D-416D-BEF4-98D0E61291BB");
inline constexpr WORD kLibraryMajorVersion = 1;
inline constexpr WORD kLibraryMinorVersion = 0;
inline constexpr GUID APPID_Dunmorrow = com::MakeGuid("202173E7-C999-4711-8666-C46B228756B7");

inline constexpr CLSID CLSID_Login = com::MakeGuid("CC1F0832-FEBB-42C2-92B3-4D8CAD1E7584");

}  // namespace DunmorrowLib
