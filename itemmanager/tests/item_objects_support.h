// Loaded item objects of the item store and lists of them, for the tests of
// the client back end's conversions and operations.
#pragma once

#include "itemstore/itm_object_data.h"

#include "bellquist/item_interfaces.h"
#include "com/bstr.h"
#include "com/ccom_ptr.h"
#include "com/safearray.h"
#include "com/server/com_object.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

namespace conversion_test {

// A new item-store object of class T, as its registered class makes one
// (one reference, the caller's).
template <class T>
IUnknown* NewUnknown() {
    CComObject<T>* created = nullptr;
    CComObject<T>::CreateInstance(&created);
    IUnknown* unknown = nullptr;
    created->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&unknown));
    return unknown;
}

// What a test object is loaded with; the strings are copied at the load.
struct ObjectValues {
    BellquistLib::ItmObjectType type = BellquistLib::ItmObjectType_File;
    LONG id = 61;
    LONG parentProjectID = 62;
    LONG parentObjectID = 60;
    BellquistLib::ItmObjectType parentType = BellquistLib::ItmObjectType_Item;
    LONG configID = 5;
    BellquistLib::ItmLinkType linkType = BellquistLib::LinkType_Static;
    BellquistLib::ItmLinkOperation linkOperation = BellquistLib::LinkOp_New;
    LONG attached = 3;
    LONG local = 2;
    LONG latest = 4;
    LONG flags = 0;
    LONG dynVersion = 9;
    std::u16string name = u"pump.part";
    std::u16string path = u"C:\\View\\Pumps\\pump.part";
    std::u16string linkedFile = u"";
};

// A new object of class T loaded with `v`; one reference for the caller.
template <class T>
CComPtr<BellquistLib::IItmObject> Loaded(const ObjectValues& v, IUnknown* connection = nullptr) {
    CComObject<T>* created = nullptr;
    EXPECT_EQ(CComObject<T>::CreateInstance(&created), S_OK);
    CComPtr<BellquistLib::IItmObject> object;
    created->QueryInterface(BellquistLib::IItmObject::kIid, reinterpret_cast<void**>(&object));
    BellquistLib::ItmObjectData d{};
    ghInitItmObjectData(&d, nullptr);
    d.meObjectType = v.type;
    d.mlObjectID = v.id;
    d.mlParentProjectID = v.parentProjectID;
    d.mlParentObjectID = v.parentObjectID;
    d.meParentDocType = v.parentType;
    d.mlConfigID = v.configID;
    d.meLinkType = v.linkType;
    d.meLinkOperation = v.linkOperation;
    d.mlAttachedVersion = v.attached;
    d.mlLocalVersion = v.local;
    d.mlLatestVersion = v.latest;
    d.mlItmObjectFlags = v.flags;
    d.mlDynLinkedFileVersion = v.dynVersion;
    d.mlLockedBy = 8;
    d.moFilename = SysAllocString(v.name.c_str());
    d.moPath = SysAllocString(v.path.c_str());
    d.moConfigName = SysAllocString(u"Default");
    d.moLockedBy = SysAllocString(u"ann");
    d.moLockedPath = SysAllocString(u"");
    d.moState = SysAllocString(u"Released");
    d.moDomain = SysAllocString(u"");
    d.moAlternateName = SysAllocString(u"");
    d.mbsLinkedFile = SysAllocString(v.linkedFile.c_str());
    d.mpoConnection = connection;
    if (connection) connection->AddRef();
    EXPECT_EQ(object->Load(&d, nullptr), S_OK);
    object->put_DynamicFileLinkVersion(v.dynVersion);  // the load does not take it
    gvFreeItmObjectData(&d);
    return object;
}

// A SAFEARRAY of VARIANTs holding the objects (VT_DISPATCH; a null object
// gives VT_EMPTY). The holder destroys it.
class ObjectList {
public:
    explicit ObjectList(std::initializer_list<BellquistLib::IItmObject*> objects) {
        array_ = SafeArrayCreateVector(VT_VARIANT, 0, static_cast<ULONG>(objects.size()));
        LONG index = 0;
        for (BellquistLib::IItmObject* object : objects) {
            VARIANT element;
            VariantInit(&element);
            if (object) {
                element.vt = VT_DISPATCH;
                element.pdispVal = object;
            }
            SafeArrayPutElement(array_, &index, &element);  // copies (AddRef)
            ++index;
        }
    }
    ~ObjectList() { SafeArrayDestroy(array_); }
    ObjectList(const ObjectList&) = delete;
    ObjectList& operator=(const ObjectList&) = delete;
    SAFEARRAY* get() const { return array_; }

private:
    SAFEARRAY* array_ = nullptr;
};

// The objects of a result array (VARIANTs holding item objects), which it
// destroys; null for an element without one.
inline std::vector<CComPtr<BellquistLib::IItmObject>> TakeObjects(SAFEARRAY* array) {
    std::vector<CComPtr<BellquistLib::IItmObject>> objects;
    if (!array) return objects;
    VARIANT* values = nullptr;
    EXPECT_EQ(SafeArrayAccessData(array, reinterpret_cast<void**>(&values)), S_OK);
    for (ULONG i = 0; i < array->rgsabound[0].cElements; ++i)
        objects.push_back(CComQIPtr<BellquistLib::IItmObject>(values[i].pdispVal));
    SafeArrayUnaccessData(array);
    SafeArrayDestroy(array);
    return objects;
}

}  // namespace conversion_test
