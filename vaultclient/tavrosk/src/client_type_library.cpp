#include "client_type_library.h"

#include "bellquist/records.h"
#include "bellquist/type_library.h"
#include "com/record_info.h"
#include "tavrosk/client_interfaces.h"
#include "tavrosk/ids.h"
#include "tavrosk/link_record.h"

#include <cstddef>

namespace tavrosk {

namespace {

using namespace TavroskClientLib;

constexpr com::TypeLibraryInterface kInterfaces[] = {
    {&ITavroskClient::kIid, u"ITavroskClient", false},
    {&ITavroskServices::kIid, u"ITavroskServices", false},
    {&ITavroskFolders::kIid, u"ITavroskFolders", true},
    {&ITavroskFileInfo::kIid, u"ITavroskFileInfo", false},
};

#define TAVROSK_FIELD(Record, field, type) \
    com::RecordField { u"" #field, static_cast<ULONG>(offsetof(Record, field)), type }

com::RecordDescription Describe(const GUID& record, const char16_t* name, ULONG size,
                                std::vector<com::RecordField> fields) {
    return {LIBID_TavroskClientLib, kLibraryMajorVersion, kLibraryMinorVersion, record, name, size, std::move(fields)};
}

}  // namespace

void RegisterRecords() {
    // UdtGUID, ItmLink and ItmObjectData with the item server's GUIDs and layouts.
    BellquistLib::RegisterSharedRecords(LIBID_TavroskClientLib, kLibraryMajorVersion, kLibraryMinorVersion);
    // MenuVersionInfo, MenuTransitionInfo, MenuStatusNotificationInfo and
    // ItmInfoSupplement, the records of the menu information's arrays.
    BellquistLib::RegisterMenuRecords(LIBID_TavroskClientLib, kLibraryMajorVersion, kLibraryMinorVersion);
    using BellquistLib::DelOrDestroyed;
    com::RegisterRecordDescription(
        Describe(DelOrDestroyed::kRecordGuid, u"DelOrDestroyed", sizeof(DelOrDestroyed),
                 {TAVROSK_FIELD(DelOrDestroyed, meType, VT_I4), TAVROSK_FIELD(DelOrDestroyed, mlId, VT_I4),
                  TAVROSK_FIELD(DelOrDestroyed, mbDestroyed, VT_BOOL)}));
    com::RegisterRecordDescription(
        Describe(LinkRecord::kRecordGuid, u"LinkRecord", sizeof(LinkRecord),
                 {TAVROSK_FIELD(LinkRecord, mbsItemName, VT_BSTR), TAVROSK_FIELD(LinkRecord, meOperation, VT_I4),
                  TAVROSK_FIELD(LinkRecord, mlObjectID, VT_I4), TAVROSK_FIELD(LinkRecord, mlParentProjectID, VT_I4),
                  TAVROSK_FIELD(LinkRecord, mlAttachedVersion, VT_I4), TAVROSK_FIELD(LinkRecord, mlConfigID, VT_I4),
                  TAVROSK_FIELD(LinkRecord, meObjectType, VT_I4), TAVROSK_FIELD(LinkRecord, moModified, VT_DATE),
                  TAVROSK_FIELD(LinkRecord, moFilename, VT_BSTR), TAVROSK_FIELD(LinkRecord, moPath, VT_BSTR),
                  TAVROSK_FIELD(LinkRecord, meLinkType, VT_I4), TAVROSK_FIELD(LinkRecord, meLinkOperation, VT_I4),
                  TAVROSK_FIELD(LinkRecord, meInitialLinkType, VT_I4),
                  TAVROSK_FIELD(LinkRecord, meInitialLinkOperation, VT_I4)}));
}

constinit const com::TypeLibrary kTypeLibrary{
    &LIBID_TavroskClientLib,           kLibraryMajorVersion, kLibraryMinorVersion,
    u"TavroskClient 1.0 Type Library", kInterfaces,          &RegisterRecords};

const com::TypeLibrary& TypeLibrary() { return kTypeLibrary; }

}  // namespace tavrosk
