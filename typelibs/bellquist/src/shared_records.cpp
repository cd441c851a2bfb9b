#include "bellquist/records.h"
#include "bellquist/type_library.h"
#include "record_registrar.h"

namespace BellquistLib {

void RegisterSharedRecords(const GUID& library, WORD major, WORD minor) {
    const RecordRegistrar records{library, major, minor};
    // UdtGUID first: the runtime resolves nested records at registration.
    records.Add<UdtGUID>(u"UdtGUID",
                         {BELLQUIST_FIELD(UdtGUID, Data1, VT_I4), BELLQUIST_FIELD(UdtGUID, Data2, VT_I2),
                          BELLQUIST_FIELD(UdtGUID, Data3, VT_I2), BELLQUIST_FIELD(UdtGUID, Data4, VT_UI1, 8)});
    records.Add<ItmLink>(
        u"ItmLink", {BELLQUIST_FIELD(ItmLink, meObjectType, VT_I4), BELLQUIST_FIELD(ItmLink, mlObjectID, VT_I4),
                     BELLQUIST_FIELD(ItmLink, mlParentID, VT_I4), BELLQUIST_FIELD(ItmLink, mlConfigID, VT_I4),
                     BELLQUIST_FIELD(ItmLink, meLinkType, VT_I4), BELLQUIST_FIELD(ItmLink, meLinkOperation, VT_I4)});
    using D = ItmObjectData;
    records.Add<D>(u"ItmObjectData",
                   {BELLQUIST_FIELD(D, mlParentObjectID, VT_I4),  BELLQUIST_FIELD(D, meParentDocType, VT_I4),
                    BELLQUIST_FIELD(D, meObjectType, VT_I4),      BELLQUIST_FIELD(D, meLinkType, VT_I4),
                    BELLQUIST_FIELD(D, meLinkOperation, VT_I4),   BELLQUIST_FIELD(D, mlObjectID, VT_I4),
                    BELLQUIST_FIELD(D, mlParentProjectID, VT_I4), BELLQUIST_FIELD(D, moFilename, VT_BSTR),
                    BELLQUIST_FIELD(D, moPath, VT_BSTR),          BELLQUIST_FIELD(D, mlAttachedVersion, VT_I4),
                    BELLQUIST_FIELD(D, mlLocalVersion, VT_I4),    BELLQUIST_FIELD(D, mlLatestVersion, VT_I4),
                    BELLQUIST_FIELD(D, mlConfigID, VT_I4),        BELLQUIST_FIELD(D, moConfigName, VT_BSTR),
                    BELLQUIST_FIELD(D, mlLockedBy, VT_I4),        BELLQUIST_FIELD(D, moLockedBy, VT_BSTR),
                    BELLQUIST_FIELD(D, moLockedPath, VT_BSTR),    BELLQUIST_FIELD(D, mlStatusID, VT_I4),
                    BELLQUIST_FIELD(D, moState, VT_BSTR),         BELLQUIST_FIELD(D, moModified, VT_DATE),
                    BELLQUIST_FIELD(D, moDomain, VT_BSTR),        BELLQUIST_GUID_FIELD(D, moLockViewID),
                    BELLQUIST_FIELD(D, mbHasChildren, VT_BOOL),   BELLQUIST_FIELD(D, mpoConnection, VT_UNKNOWN),
                    BELLQUIST_FIELD(D, mlResult, VT_I4),          BELLQUIST_FIELD(D, moAlternateName, VT_BSTR),
                    BELLQUIST_FIELD(D, mbIsUpToDate, VT_I4),      BELLQUIST_FIELD(D, mlItmObjectFlags, VT_I4),
                    BELLQUIST_FIELD(D, mbsLinkedFile, VT_BSTR),   BELLQUIST_FIELD(D, mlDynLinkedFileVersion, VT_I4),
                    BELLQUIST_FIELD(D, mbIsDirty, VT_BOOL),       BELLQUIST_FIELD(D, mbIsCutlist, VT_BOOL)});
}

}  // namespace BellquistLib
