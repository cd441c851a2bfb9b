// What the link manager tests share: item objects loaded with the fields a
// test cares about, the arrays IItmLinkManager takes, and a compact
// description of the links a manager holds.
#pragma once

#include "source_record.h"

#include "bellquist/ids.h"
#include "bellquist/item_interfaces.h"
#include "bellquist/type_library.h"
#include "com/safearray.h"
#include "com/server/com_object.h"
#include "common/record_array.h"
#include "itemstore/itm_bom_class.h"
#include "itemstore/itm_file_class.h"
#include "itemstore/itm_folder_class.h"
#include "itemstore/itm_item_class.h"
#include "itemstore/itm_link_manager.h"
#include "itemstore/itm_object_class.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <initializer_list>
#include <string>
#include <vector>

namespace link_test {

using namespace BellquistLib;

// A new object of class T with one reference for the caller, as `Wanted`.
template <class T, class Wanted = IItmObject>
Wanted* New() {
    CComObject<T>* created = nullptr;
    EXPECT_EQ(CComObject<T>::CreateInstance(&created), S_OK);
    if (!created) return nullptr;
    created->AddRef();
    Wanted* answer = nullptr;
    EXPECT_EQ(created->QueryInterface(Wanted::kIid, reinterpret_cast<void**>(&answer)), S_OK);
    created->Release();
    return answer;
}

// Interface `Wanted` of `object`, with a reference; null when not answered.
template <class Wanted>
Wanted* As(IUnknown* object) {
    Wanted* answer = nullptr;
    if (object) object->QueryInterface(Wanted::kIid, reinterpret_cast<void**>(&answer));
    return answer;
}

// The fields of an object that the links read.
struct Fields {
    ItmObjectType type = ItmObjectType_File;
    LONG id = 1;
    LONG config = -1;
    ItmLinkType linkType = LinkType_Static;
    ItmLinkOperation linkOperation = LinkOp_None;
    const char16_t* name = u"part.sldprt";
    VARIANT_BOOL hasChildren = VARIANT_FALSE;
};

// The record of `fields`: the shared complete record, clean, with the
// fields' values; owner id 41 (its parent object id) for files and BOMs.
struct Record : itemstore_test::SourceRecord {
    explicit Record(const Fields& f) {
        d.meObjectType = f.type;
        d.mlObjectID = f.id;
        d.mlConfigID = f.config;
        d.meLinkType = f.linkType;
        d.meLinkOperation = f.linkOperation;
        d.mbHasChildren = f.hasChildren;
        d.mbIsDirty = VARIANT_FALSE;
        d.mlParentObjectID = 41;
        SysFreeString(d.moFilename);
        d.moFilename = SysAllocString(f.name);
    }
};

// A loaded object of the class the item server uses for `fields.type`:
// CItmFolder for 1 to 3, CItmItem for 4, CItmFile for 6, CItmBOM for 7,
// else CItmObject.
inline IItmObject* NewLoaded(const Fields& fields) {
    IItmObject* object = nullptr;
    switch (fields.type) {
    case ItmObjectType_Root_ItemFolder:
    case ItmObjectType_Vault:
    case ItmObjectType_ItemFolder:
        object = New<CItmFolder>();
        break;
    case ItmObjectType_Item:
        object = New<CItmItem>();
        break;
    case ItmObjectType_File:
        object = New<CItmFile>();
        break;
    case ItmObjectType_BOM:
        object = New<CItmBOM>();
        break;
    default:
        object = New<CItmObject>();
        break;
    }
    Record record(fields);
    if (object) {
        EXPECT_EQ(object->Load(&record.d, nullptr), S_OK);
    }
    return object;
}
inline IItmObject* File(LONG id, ItmLinkType linkType = LinkType_Static, LONG config = -1) {
    return NewLoaded({.type = ItmObjectType_File, .id = id, .config = config, .linkType = linkType});
}
inline IItmObject* Item(LONG id, const char16_t* name = u"Valve.<item>") {
    return NewLoaded({.type = ItmObjectType_Item, .id = id, .linkType = LinkType_BOM, .name = name});
}

// A new link manager, not attached to any owner, with one reference.
inline IItmLinkManager* NewLinkManager() { return New<CItmLinkManager, IItmLinkManager>(); }

// The link manager of `owner`, with a reference (null when it has none).
inline IItmLinkManager* LinkManagerOf(IItmObject* owner) {
    IItmLinkManager* manager = nullptr;
    EXPECT_EQ(owner->get_LinkManager(&manager), S_OK);
    return manager;
}

// A SAFEARRAY(VARIANT) holding `objects` (each with a reference of the
// array's own); the caller destroys it.
inline SAFEARRAY* ObjectArray(std::initializer_list<IItmObject*> objects) {
    SAFEARRAY* array = SafeArrayCreateVector(VT_VARIANT, 0, static_cast<ULONG>(objects.size()));
    VARIANT* values = nullptr;
    EXPECT_EQ(SafeArrayAccessData(array, reinterpret_cast<void**>(&values)), S_OK);
    for (IItmObject* object : objects) {
        values->vt = VT_DISPATCH;
        values->pdispVal = object;
        object->AddRef();
        ++values;
    }
    SafeArrayUnaccessData(array);
    return array;
}

// A SAFEARRAY of records; the caller destroys it.
template <class Record>
SAFEARRAY* RecordsArray(const std::vector<Record>& records) {
    RecordArray<Record> array;
    array.mvCreate(static_cast<ULONG>(records.size()), LIBID_BellquistLib, kLibraryMajorVersion, kLibraryMinorVersion);
    std::copy(records.begin(), records.end(), array.mpoBegin());
    SAFEARRAY* out = nullptr;
    array.mvHandOut(&out);
    return out;
}
inline SAFEARRAY* LinkArray(const std::vector<ItmLink>& links) { return RecordsArray(links); }
inline SAFEARRAY* IdArray(const std::vector<ItmUniqueID>& ids) { return RecordsArray(ids); }

// "type:id:config:linkType:op" for each link of GetLinks(LinkType_All), in
// the manager's order.
inline std::vector<std::string> Links(IItmLinkManager* manager) {
    SAFEARRAY* array = nullptr;
    EXPECT_EQ(manager->GetLinks(LinkType_All, &array), S_OK);
    std::vector<std::string> out;
    if (!array) return out;
    {
        RecordArray<ItmLink> links(array);
        for (const ItmLink* l = links.mpoBegin(); l != links.mpoEnd(); ++l) {
            out.push_back(std::to_string(l->meObjectType) + ":" + std::to_string(l->mlObjectID) + ":" +
                          std::to_string(l->mlConfigID) + ":" + std::to_string(l->meLinkType) + ":" +
                          std::to_string(l->meLinkOperation));
        }
    }
    SafeArrayDestroy(array);
    return out;
}

// Releases each object.
inline void ReleaseAll(std::initializer_list<IUnknown*> objects) {
    for (IUnknown* object : objects) {
        if (object) object->Release();
    }
}

// Registers the item server's records in this process once (record arrays
// need their descriptions).
inline void RegisterRecordsOnce() {
    static const bool registered = [] {
        RegisterRecords();
        return true;
    }();
    (void)registered;
}

}  // namespace link_test
