#include "bellquist/records.h"
#include "bellquist/type_library.h"
#include "record_registrar.h"

namespace BellquistLib {

void RegisterMenuRecords(const GUID& library, WORD major, WORD minor) {
    const RecordRegistrar records{library, major, minor};
    records.Add<MenuVersionInfo>(u"MenuVersionInfo", {BELLQUIST_FIELD(MenuVersionInfo, meType, VT_I4),
                                                      BELLQUIST_FIELD(MenuVersionInfo, mlVersion, VT_I4),
                                                      BELLQUIST_FIELD(MenuVersionInfo, moText, VT_BSTR)});
    records.Add<MenuTransitionInfo>(u"MenuTransitionInfo", {BELLQUIST_FIELD(MenuTransitionInfo, moName, VT_BSTR),
                                                            BELLQUIST_FIELD(MenuTransitionInfo, mbIsRevoke, VT_BOOL),
                                                            BELLQUIST_FIELD(MenuTransitionInfo, mlCommitsNum, VT_I4),
                                                            BELLQUIST_FIELD(MenuTransitionInfo, mlRequiredNum, VT_I4)});
    using S = MenuStatusNotificationInfo;
    records.Add<S>(u"MenuStatusNotificationInfo",
                   {BELLQUIST_FIELD(S, mlDocumentID, VT_I4), BELLQUIST_FIELD(S, mlObjectTypeID, VT_I4),
                    BELLQUIST_FIELD(S, mlLockedByUserID, VT_I4), BELLQUIST_FIELD(S, moStateName, VT_BSTR)});
    records.Add<ItmInfoSupplement>(u"ItmInfoSupplement", {BELLQUIST_FIELD(ItmInfoSupplement, mlVariableID, VT_I4),
                                                          BELLQUIST_FIELD(ItmInfoSupplement, moName, VT_BSTR),
                                                          BELLQUIST_FIELD(ItmInfoSupplement, mlValueType, VT_I4),
                                                          BELLQUIST_FIELD(ItmInfoSupplement, mbIsUnique, VT_BOOL),
                                                          BELLQUIST_FIELD(ItmInfoSupplement, mbIsMandatory, VT_BOOL)});
}

}  // namespace BellquistLib
