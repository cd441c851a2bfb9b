#include "type_library.h"

#include "castavy/records.h"
#include "hastrel/ids.h"
#include "hastrel/interfaces.h"
#include "hastrel/records.h"

namespace hastrel {

namespace {

using namespace HastrelLib;

constexpr com::TypeLibraryInterface kInterfaces[] = {
    {&IXRefTreeManager::kIid, u"IXRefTreeManager", false},
    {&IXRefTreeManagerSerials::kIid, u"IXRefTreeManagerSerials", false},
    {&IXRefFunction::kIid, u"IXRefFunction", false},
    {&IXRefTree::kIid, u"IXRefTree", false},
    {&IXRefTreeSerials::kIid, u"IXRefTreeSerials", false},
    {&IXRefTreeItems::kIid, u"IXRefTreeItems", false},
    {&IXRefColumnState::kIid, u"IXRefColumnState", false},
    {&IXRefItemControl::kIid, u"IXRefItemControl", false},
    {&IXRefNode::kIid, u"IXRefNode", false},
    {&IXRefNodeReferences::kIid, u"IXRefNodeReferences", false},
    {&IXRefNodeChildren::kIid, u"IXRefNodeChildren", false},
    {&IXRefTreeItem::kIid, u"IXRefTreeItem", false},
    {&IXRefColumns::kIid, u"IXRefColumns", false},
    {&IXRefItmItem::kIid, u"IXRefItmItem", false},
};

void RegisterLibraryRecords() {
    HastrelLib::RegisterRecords();
    CASTAVYLib::RegisterRecords();
}

constinit const com::TypeLibrary kTypeLibrary{&LIBID_HastrelLib,    kLibraryMajorVersion,
                                              kLibraryMinorVersion, u"Hastrel 1.0 Type Library",
                                              kInterfaces,          &RegisterLibraryRecords};

}  // namespace

const com::TypeLibrary& TypeLibrary() { return kTypeLibrary; }

}  // namespace hastrel
