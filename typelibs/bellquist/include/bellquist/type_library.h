// The description of BellquistLib: identity, version, interfaces and the
// registration of its record descriptions.
#pragma once

#include "com/server/type_library.h"
#include "winapi/types.h"

namespace BellquistLib {

// Registers the description of every record of the library with the
// component runtime (GetRecordInfoFromGuids finds them from then on).
// Registering again replaces the earlier descriptions.
void RegisterRecords();

// Registers the descriptions of the records that other libraries declare as
// well - UdtGUID, ItmLink and ItmObjectData, with the same record GUIDs and
// layouts - under `library` of version major.minor, so that each library
// that declares them finds them under its own identity. RegisterRecords
// registers them under this library.
void RegisterSharedRecords(const GUID& library, WORD major, WORD minor);

// Registers the descriptions of the records of the menu information and the
// information supplement - MenuVersionInfo, MenuTransitionInfo,
// MenuStatusNotificationInfo and ItmInfoSupplement - under `library` of
// version major.minor: the client library makes their arrays under its own
// identity, which the item server hands on. RegisterRecords registers them
// under this library.
void RegisterMenuRecords(const GUID& library, WORD major, WORD minor);

// The library as the server registers it.
const com::TypeLibrary& TypeLibrary();

}  // namespace BellquistLib
