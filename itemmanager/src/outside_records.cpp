#include "outside_libraries.h"

#include "bellquist/records.h"
#include "com/record_info.h"
#include "coravent/type_library.h"

#include <cstddef>
#include <utility>
#include <vector>

using namespace BellquistLib;

namespace {

// A field of `Record` described by its own name and offset.
#define OUTSIDE_FIELD(Record, field, ...) \
    com::RecordField { u"" #field, static_cast<ULONG>(offsetof(Record, field)), __VA_ARGS__ }

template <class Record>
void Register(const GUID& library, const char16_t* name, std::vector<com::RecordField> fields) {
    com::RegisterRecordDescription(
        {library, 1, 0, Record::kRecordGuid, name, static_cast<ULONG>(sizeof(Record)), std::move(fields)});
}

}  // namespace

void gvRegisterOutsideRecords() {
    Register<MenuSysRightInfo>(kMenuInfoLibrary, u"MenuSysRightInfo",
                               {OUTSIDE_FIELD(MenuSysRightInfo, muiRight, VT_UI4)});
    Register<UniqueDocument>(
        kMenuInfoLibrary, u"UniqueDocument",
        {OUTSIDE_FIELD(UniqueDocument, mlDocumentID, VT_I4), OUTSIDE_FIELD(UniqueDocument, mlParentProjectID, VT_I4),
         OUTSIDE_FIELD(UniqueDocument, mlVersion, VT_I4), OUTSIDE_FIELD(UniqueDocument, mlObjectTypeID, VT_I4)});
    Register<ItmDbInfo>(kMenuInfoLibrary, u"ItmDbInfo",
                        {OUTSIDE_FIELD(ItmDbInfo, meItemType, VT_I4), OUTSIDE_FIELD(ItmDbInfo, mlDocumentID, VT_I4),
                         OUTSIDE_FIELD(ItmDbInfo, mlProjectID, VT_I4), OUTSIDE_FIELD(ItmDbInfo, moItemName, VT_BSTR),
                         OUTSIDE_FIELD(ItmDbInfo, moItemPath, VT_BSTR)});
    // The nested record first: the runtime resolves it at registration.
    Register<XRefUpdatePath>(
        kXRefLibrary, u"XRefUpdatePath",
        {OUTSIDE_FIELD(XRefUpdatePath, mbsOldPath, VT_BSTR), OUTSIDE_FIELD(XRefUpdatePath, mbsNewPath, VT_BSTR)});
    using X = XRefRootObject;
    Register<X>(kXRefLibrary, u"XRefRootObject",
                {OUTSIDE_FIELD(X, meType, VT_I4), OUTSIDE_FIELD(X, mlDocumentID, VT_I4),
                 OUTSIDE_FIELD(X, moFileDate, VT_VARIANT), OUTSIDE_FIELD(X, mlProjectID, VT_I4),
                 OUTSIDE_FIELD(X, mbsConfig, VT_BSTR), OUTSIDE_FIELD(X, mbsItemName, VT_BSTR),
                 OUTSIDE_FIELD(X, mlDestFolderID, VT_I4), OUTSIDE_FIELD(X, mbsPath, VT_BSTR),
                 OUTSIDE_FIELD(X, mbsRoot, VT_BSTR), OUTSIDE_FIELD(X, mbsWebRoot, VT_BSTR),
                 OUTSIDE_FIELD(X, mlDocumentVersion, VT_I4), OUTSIDE_FIELD(X, mlLocalVersion, VT_I4),
                 OUTSIDE_FIELD(X, mlLockedBy, VT_I4), OUTSIDE_FIELD(X, mlVersionUID, VT_I8),
                 OUTSIDE_FIELD(X, mdwFileSize, VT_UI4),
                 OUTSIDE_FIELD(X, mpoPathToUpdate, VT_ARRAY | VT_RECORD, 1, XRefUpdatePath::kRecordGuid)});
    // ItemData with its nested records, as the item generation server
    // describes them; the item server may run without that server loaded.
    CoraventLib::RegisterRecords();
}
