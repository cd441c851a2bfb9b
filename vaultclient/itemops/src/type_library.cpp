#include "type_library.h"

#include "bellquist/type_library.h"
#include "itemops/ids.h"
#include "itemops/revision_interface.h"

namespace itemops {

namespace {

using namespace ItemOperationsLib;

constexpr com::TypeLibraryInterface kInterfaces[] = {
    {&IItmRevision::kIid, u"IItmRevision", true},
};

}  // namespace

void RegisterRecords() {
    // UdtGUID, ItmLink and ItmObjectData with the item server's GUIDs and layouts.
    BellquistLib::RegisterSharedRecords(LIBID_ItemOperationsLib, kLibraryMajorVersion, kLibraryMinorVersion);
}

constinit const com::TypeLibrary kTypeLibrary{
    &LIBID_ItemOperationsLib,           kLibraryMajorVersion, kLibraryMinorVersion,
    u"ItemOperations 1.0 Type Library", kInterfaces,          &RegisterRecords};

const com::TypeLibrary& TypeLibrary() { return kTypeLibrary; }

}  // namespace itemops
