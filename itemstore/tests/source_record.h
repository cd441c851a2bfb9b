// A complete ItmObjectData record for tests, whose strings the holder owns.
#pragma once

#include "itemstore/itm_object_data.h"

#include "bellquist/enums.h"
#include "bellquist/records.h"
#include "com/bstr.h"

namespace itemstore_test {

// A complete source record whose strings the holder owns.
struct SourceRecord {
    SourceRecord() {
        using namespace BellquistLib;
        d.mlParentObjectID = 40;
        d.meParentDocType = ItmObjectType_ItemFolder;
        d.meObjectType = ItmObjectType_Item;
        d.meLinkType = LinkType_Static;
        d.meLinkOperation = LinkOp_None;
        d.mlObjectID = 41;
        d.mlParentProjectID = 42;
        d.moFilename = SysAllocString(u"Pump.<item>");
        d.moPath = SysAllocString(u"C:\\vault\\<items>\\Pump.<item>");
        d.mlAttachedVersion = 3;
        d.mlLocalVersion = 2;
        d.mlLatestVersion = 4;
        d.mlConfigID = 5;
        d.moConfigName = SysAllocString(u"Default");
        d.mlLockedBy = 6;
        d.moLockedBy = SysAllocString(u"ann");
        d.moLockedPath = SysAllocString(u"C:\\work");
        d.mlStatusID = 7;
        d.moState = SysAllocString(u"Released");
        d.moModified = 45000.5;
        d.moDomain = SysAllocString(u"plant");
        d.moLockViewID = GUID{1, 2, 3, {4, 5, 6, 7, 8, 9, 10, 11}};
        d.mbHasChildren = VARIANT_TRUE;
        d.mlResult = 8;
        d.moAlternateName = SysAllocString(u"Pump (alt)");
        d.mbIsUpToDate = 0;
        d.mlItmObjectFlags = 1;
        d.mbsLinkedFile = SysAllocString(u"pump.sldasm");
        d.mlDynLinkedFileVersion = 9;
        d.mbIsDirty = VARIANT_TRUE;
        d.mbIsCutlist = 1;
    }
    ~SourceRecord() { gvFreeItmObjectData(&d); }
    SourceRecord(const SourceRecord&) = delete;
    SourceRecord& operator=(const SourceRecord&) = delete;

    BellquistLib::ItmObjectData d{};
};

}  // namespace itemstore_test
