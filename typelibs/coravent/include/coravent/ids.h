// Identities of the item generation server's type library, its application
// and its classes.
#pragma once

#include "com/unknown.h"

namespace CoraventLib {

inline constexpr GUID LIBID_CoraventLib = com::MakeGuid("0A81CD2A-F8D5-4B84-8410-F8974CE4C65E");
inline constexpr WORD kLibraryMajorVersion = 1;
inline constexpr WORD kLibraryMinorVersion = 0;
inline constexpr GUID APPID_Coravent = com::MakeGuid("395AE04D-5C8C-44B0-BFC5-E1F248C8C702");

inline constexpr CLSID CLSID_ItemOperation = com::MakeGuid("719AA075-950B-4455-8582-0EEE00A249C4");
inline constexpr CLSID CLSID_ItemOp = com::MakeGuid("FF81C56B-BD06-4B71-AB2B-12BF7066ADD5");
inline constexpr CLSID CLSID_ItemOperationImpl = com::MakeGuid("55348229-32BD-4889-9033-DA53BC54E43E");

}  // namespace CoraventLib
