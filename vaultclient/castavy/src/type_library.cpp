#include "type_library.h"

#include "castavy/ids.h"
#include "castavy/interfaces.h"
#include "castavy/records.h"

namespace castavy {

namespace {

using namespace CASTAVYLib;

constexpr com::TypeLibraryInterface kInterfaces[] = {
    {&IFileCastavy::kIid, u"IFileCastavy", false},
    {&IFileRefCmd3::kIid, u"IFileRefCmd3", false},
    {&IFileRefElement::kIid, u"IFileRefElement", false},
    {&IFileRefItem::kIid, u"IFileRefItem", false},
    {&IFileRefItem3::kIid, u"IFileRefItem3", false},
    {&IEditableFileRefItem::kIid, u"IEditableFileRefItem", false},
    {&IFileRefConfigurations::kIid, u"IFileRefConfigurations", false},
    {&IItemListCmd::kIid, u"IItemListCmd", false},
    {&IFileRefItemList::kIid, u"IFileRefItemList", false},
    {&IFileRefItemEnum::kIid, u"IFileRefItemEnum", false},
    {&IXRefTreeListCtrlCallback::kIid, u"IXRefTreeListCtrlCallback", false},
    {&IUnlockCommandKind::kIid, u"IUnlockCommandKind", false},
};

void RegisterLibraryRecords() { RegisterRecords(); }

constinit const com::TypeLibrary kTypeLibrary{&LIBID_CASTAVYLib,    kLibraryMajorVersion,
                                              kLibraryMinorVersion, u"Castavy 1.0 Type Library",
                                              kInterfaces,          &RegisterLibraryRecords};

}  // namespace

const com::TypeLibrary& TypeLibrary() { return kTypeLibrary; }

}  // namespace castavy
