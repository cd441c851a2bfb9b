// The type libraries of the vault client under which the item manager asks
// for the record information of records it hands to the client library and
// to outside item operations (GetRecordInfoFromGuids, version 1.0).
#pragma once

#include "com/unknown.h"

// MenuSysRightInfo, UniqueDocument and ItmDbInfo.
inline constexpr GUID kMenuInfoLibrary = com::MakeGuid("2AD42553-0C16-46B0-B449-10C9D68DB993");
// XRefRootObject (with XRefUpdatePath).
inline constexpr GUID kXRefLibrary = com::MakeGuid("EE57D7C7-40FC-423E-B3A3-222F34497849");

// Registers, under those libraries and the item generation server's, the
// descriptions of the records the item server makes arrays of: MenuSysRightInfo,
// UniqueDocument and ItmDbInfo; XRefUpdatePath and XRefRootObject; ItemData.
// No component of this platform's vault client registers them, so the item
// server does as it loads. Registering again replaces the descriptions.
void gvRegisterOutsideRecords();
