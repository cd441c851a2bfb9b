#include "oxnvault/type_library.h"

#include "com/record_info.h"
#include "oxnvault/ids.h"
#include "oxnvault/interfaces.h"
#include "oxnvault/selection.h"

#include <cstddef>

namespace OxnVaultLib {
namespace {

constexpr com::TypeLibraryInterface kInterfaces[] = {
    {&IOxnVault11::kIid, u"IOxnVault11", true},
    {&IOxnBatchGet::kIid, u"IOxnBatchGet", true},
    {&IOxnBatchChangeState::kIid, u"IOxnBatchChangeState", true},
    {&IOxnBatchChangeState2::kIid, u"IOxnBatchChangeState2", true},
    {&IOxnBatchDelete::kIid, u"IOxnBatchDelete", true},
    {&IOxnBatchDeleteSource::kIid, u"IOxnBatchDeleteSource", false},
    {&IOxnResultList::kIid, u"IOxnResultList", true},
    {&IOxnListPosition::kIid, u"IOxnListPosition", true},
    {&IOxnGetOpCallback::kIid, u"IOxnGetOpCallback", false},
    {&IOxnGetOpCallback2::kIid, u"IOxnGetOpCallback2", false},
    {&IOxnGetOpCallback3::kIid, u"IOxnGetOpCallback3", false},
    {&IOxnProgress::kIid, u"IOxnProgress", true},
};

}  // namespace

void RegisterRecords() {
    com::RegisterRecordDescription({LIBID_OxnVaultLib,
                                    kLibraryMajorVersion,
                                    kLibraryMinorVersion,
                                    OxnSelection::kRecordGuid,
                                    u"OxnSelection",
                                    sizeof(OxnSelection),
                                    {
                                        {u"fileId", offsetof(OxnSelection, fileId), VT_I4},
                                        {u"folderId", offsetof(OxnSelection, folderId), VT_I4},
                                    }});
}

constinit const com::TypeLibrary kTypeLibrary{&LIBID_OxnVaultLib,   kLibraryMajorVersion,
                                              kLibraryMinorVersion, u"OxnVault 5.23 Type Library",
                                              kInterfaces,          &RegisterRecords};

const com::TypeLibrary& TypeLibrary() { return kTypeLibrary; }

}  // namespace OxnVaultLib
