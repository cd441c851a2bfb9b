#include "type_library.h"

#include "brevanne/ids.h"
#include "brevanne/interfaces.h"
#include "brevanne/records.h"

namespace brevanne {

namespace {

using namespace BrevanneLib;

constexpr com::TypeLibraryInterface kInterfaces[] = {
    {&IUnlockCommand::kIid, u"IUnlockCommand", false},
    {&IUnlockStart::kIid, u"IUnlockStart", false},
    {&IUnlockOpCallback::kIid, u"IUnlockOpCallback", false},
    {&IUnlockOpDb::kIid, u"IUnlockOpDb", false},
};

void RegisterLibraryRecords() { RegisterRecords(); }

constinit const com::TypeLibrary kTypeLibrary{&LIBID_BrevanneLib,   kLibraryMajorVersion,
                                              kLibraryMinorVersion, u"Brevanne 1.0 Type Library",
                                              kInterfaces,          &RegisterLibraryRecords};

}  // namespace

const com::TypeLibrary& TypeLibrary() { return kTypeLibrary; }

}  // namespace brevanne
