// The type libraries of the vault client under which the item manager asks
// for the record information of records it hands to the client library and
// to outside item operations (GetRecordInfoFromGuids, version 1.0). Their
// descriptions come from the vault client, not from the item server.
#pragma once

#include "com/unknown.h"

// MenuSysRightInfo, UniqueDocument and ItmDbInfo.
inline constexpr GUID kMenuInfoLibrary = com::MakeGuid("2AD42553-0C16-46B0-B449-10C9D68DB993");
// XRefRootObject (with XRefUpdatePath).
inline constexpr GUID kXRefLibrary = com::MakeGuid("EE57D7C7-40FC-423E-B3A3-222F34497849");
