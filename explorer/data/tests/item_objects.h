// Real item objects of the item server for the data layer's tests, made by
// class id from ItmObjectData records as the explorer receives them, with
// links between them, and the item arrays the item server's calls take.
//
// Items and links: an item made by its own class id (ItmItem) and loaded
// through IItmObject::Load has no link manager - only the item manager gives
// an item one, over its item cache file. A folder's link manager takes any
// owner, so LinkedItem makes the item server's ItmFolder loaded with an
// item's record: it answers get_Type 4, its record's properties and a real
// link manager (without a cache file: AddLinks2, RemoveLinks2 and SwitchLinks
// change its links but write nothing), and it does not answer IItmItem. Tests
// that need items with the item cache file behind them log in to a vault
// (itemmanager/tests/server_session_fixture.h).
#pragma once

#include "bellquist/enums.h"
#include "bellquist/ids.h"
#include "bellquist/item_interfaces.h"
#include "bellquist/item_names.h"
#include "bellquist/records.h"
#include "com/bstr.h"
#include "com/ccom_ptr.h"
#include "com/error_info.h"
#include "com/runtime.h"
#include "com/safearray.h"
#include "com/variant.h"
#include "com_testing/registered_server_test.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

namespace item_objects {

using BellquistLib::IItmObject;

// What an object is loaded with. The defaults are an item folder's; the
// makers below set what each kind needs.
struct ObjectRecord {
    BellquistLib::ItmObjectType type = BellquistLib::ItmObjectType_ItemFolder;
    LONG id = 0;
    LONG parentProjectId = 0;  // the folder that holds the object
    // The parent the object was fetched under (mlParentObjectID): the item
    // for an item's child, else the folder.
    LONG parentId = 0;
    BellquistLib::ItmObjectType parentType = BellquistLib::ItmObjectType_ItemFolder;
    LONG configId = -1;
    std::u16string name;
    std::u16string path;
    GUID lockViewId{};
    LONG lockedBy = 0;
    LONG attachedVersion = 1;
    LONG localVersion = 1;
    LONG latestVersion = 1;
    DATE modified = 0.0;
    bool dirty = false;
    bool hasChildren = false;  // the link manager's has-unloaded-children flag
    bool upToDate = true;
    BellquistLib::ItmLinkType linkType = BellquistLib::LinkType_Undefined;
    BellquistLib::ItmLinkOperation linkOperation = BellquistLib::LinkOp_None;
};

// `record` fetched as the child of item `itemId` (parent type 4).
inline ObjectRecord UnderItem(ObjectRecord record, LONG itemId) {
    record.parentType = BellquistLib::ItmObjectType_Item;
    record.parentId = itemId;
    return record;
}

inline ObjectRecord FolderRecord(LONG id, LONG parentFolderId, std::u16string name) {
    ObjectRecord r;
    r.type = BellquistLib::ItmObjectType_ItemFolder;
    r.id = id;
    r.parentProjectId = r.parentId = parentFolderId;
    r.path = u"\\<items>\\" + name + u"\\";
    r.name = std::move(name);
    r.linkType = BellquistLib::LinkType_BOM;
    return r;
}
// The vault root as the vault node makes it: type 2, "<items>".
inline ObjectRecord VaultRecord(LONG id) {
    ObjectRecord r;
    r.type = BellquistLib::ItmObjectType_Vault;
    r.id = id;
    r.name = u"<items>";
    r.path = u"\\<items>\\";
    return r;
}
// An item of folder `folderId`; the name gets the item extension when it
// has none.
inline ObjectRecord ItemRecord(LONG id, LONG folderId, std::u16string name) {
    ObjectRecord r;
    r.type = BellquistLib::ItmObjectType_Item;
    r.id = id;
    r.parentProjectId = r.parentId = folderId;
    if (!BellquistLib::HasItemExtension(name)) name += BellquistLib::kItemExtension;
    r.path = u"\\<items>\\" + name;
    r.name = std::move(name);
    r.linkType = BellquistLib::LinkType_BOM;
    return r;
}
// A file of vault folder `projectId` as the item server places it in its
// folder (parent type 3), linked statically by default.
inline ObjectRecord FileRecord(LONG id, LONG projectId, LONG configId, std::u16string name) {
    ObjectRecord r;
    r.type = BellquistLib::ItmObjectType_File;
    r.id = id;
    r.parentProjectId = r.parentId = projectId;
    r.configId = configId;
    r.path = u"C:\\View\\" + name;
    r.name = std::move(name);
    r.linkType = BellquistLib::LinkType_Static;
    return r;
}
inline ObjectRecord BomRecord(LONG id, LONG projectId, LONG configId, std::u16string name) {
    ObjectRecord r = FileRecord(id, projectId, configId, std::move(name));
    r.type = BellquistLib::ItmObjectType_BOM;
    r.linkType = BellquistLib::LinkType_BOM;
    return r;
}

// A new object of class `clsid` loaded with `record`; null (and a failed
// expectation) when the class cannot be made or refuses the record.
inline CComPtr<IItmObject> MakeObject(const CLSID& clsid, const ObjectRecord& record) {
    CComPtr<IItmObject> object;
    HRESULT hr =
        CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IItmObject::kIid, reinterpret_cast<void**>(&object));
    EXPECT_EQ(hr, S_OK) << "the item server's classes are registered (ItemObjectsTest)";
    if (FAILED(hr)) return nullptr;
    BellquistLib::ItmObjectData d{};
    d.meObjectType = record.type;
    d.mlObjectID = record.id;
    d.mlParentProjectID = record.parentProjectId;
    d.mlParentObjectID = record.parentId;
    d.meParentDocType = record.parentType;
    d.mlConfigID = record.configId;
    d.meLinkType = record.linkType;
    d.meLinkOperation = record.linkOperation;
    d.mlAttachedVersion = record.attachedVersion;
    d.mlLocalVersion = record.localVersion;
    d.mlLatestVersion = record.latestVersion;
    d.mlLockedBy = record.lockedBy;
    d.moLockViewID = record.lockViewId;
    d.moModified = record.modified;
    d.mbIsDirty = record.dirty ? VARIANT_TRUE : VARIANT_FALSE;
    d.mbHasChildren = record.hasChildren ? VARIANT_TRUE : VARIANT_FALSE;
    d.mbIsUpToDate = record.upToDate ? 1 : 0;
    BSTR strings[] = {
        d.moFilename = SysAllocString(record.name.c_str()),
        d.moPath = SysAllocString(record.path.c_str()),
        d.moConfigName = SysAllocString(u""),
        d.moLockedBy = SysAllocString(u""),
        d.moLockedPath = SysAllocString(u""),
        d.moState = SysAllocString(u""),
        d.moDomain = SysAllocString(u""),
        d.moAlternateName = SysAllocString(u""),
        d.mbsLinkedFile = SysAllocString(u""),
    };
    hr = object->Load(&d, nullptr);  // copies the strings
    for (BSTR text : strings) SysFreeString(text);
    EXPECT_EQ(hr, S_OK);
    return SUCCEEDED(hr) ? object : nullptr;
}

// A new object of class `clsid` that was never loaded: every getter fails
// (E_POINTER).
inline CComPtr<IItmObject> Unloaded(const CLSID& clsid) {
    CComPtr<IItmObject> object;
    EXPECT_EQ(
        CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IItmObject::kIid, reinterpret_cast<void**>(&object)),
        S_OK);
    return object;
}

// The class the explorer receives an object of `type` as: folders (root,
// vault, item folder, project) as ItmFolder, files as ItmFile, BOMs as
// ItmBOM; an item as LinkedItem makes it (see above).
inline CComPtr<IItmObject> Make(const ObjectRecord& record) {
    switch (record.type) {
    case BellquistLib::ItmObjectType_File:
        return MakeObject(BellquistLib::CLSID_ItmFile, record);
    case BellquistLib::ItmObjectType_BOM:
        return MakeObject(BellquistLib::CLSID_ItmBOM, record);
    case BellquistLib::ItmObjectType_Root_ItemFolder:
    case BellquistLib::ItmObjectType_Vault:
    case BellquistLib::ItmObjectType_ItemFolder:
    case BellquistLib::ItmObjectType_Project:
    case BellquistLib::ItmObjectType_Item:
        return MakeObject(BellquistLib::CLSID_ItmFolder, record);
    default:
        return MakeObject(BellquistLib::CLSID_ItmObject, record);
    }
}
// An item with a link manager (the item server's folder class, see above).
inline CComPtr<IItmObject> LinkedItem(const ObjectRecord& record) {
    return MakeObject(BellquistLib::CLSID_ItmFolder, record);
}
// An item of the item server's item class, which has no link manager
// (get_LinkManager fails with E_POINTER).
inline CComPtr<IItmObject> ItemWithoutLinkManager(const ObjectRecord& record) {
    return MakeObject(BellquistLib::CLSID_ItmItem, record);
}

inline CComPtr<IItmObject> Folder(LONG id, LONG parentFolderId, std::u16string name) {
    return Make(FolderRecord(id, parentFolderId, std::move(name)));
}
inline CComPtr<IItmObject> Vault(LONG id) { return Make(VaultRecord(id)); }
inline CComPtr<IItmObject> Item(LONG id, LONG folderId, std::u16string name) {
    return Make(ItemRecord(id, folderId, std::move(name)));
}
inline CComPtr<IItmObject> File(LONG id, LONG projectId, LONG configId, std::u16string name) {
    return Make(FileRecord(id, projectId, configId, std::move(name)));
}
inline CComPtr<IItmObject> Bom(LONG id, LONG projectId, LONG configId, std::u16string name) {
    return Make(BomRecord(id, projectId, configId, std::move(name)));
}

// The link manager of an item or folder; null when it has none.
inline CComPtr<BellquistLib::IItmLinkManager> LinkManagerOf(IItmObject* object) {
    CComPtr<BellquistLib::IItmLinkManager> manager;
    if (object && FAILED(object->get_LinkManager(&manager))) return nullptr;
    return manager;
}

// The link record of `child` under `parent`: the child's type, id and
// configuration, the parent's id; the link type by the child's kind (a file
// static, anything else LinkType_BOM) unless given.
inline BellquistLib::ItmLink LinkRecord(IItmObject* parent, IItmObject* child,
                                        BellquistLib::ItmLinkType linkType = BellquistLib::LinkType_Undefined,
                                        BellquistLib::ItmLinkOperation operation = BellquistLib::LinkOp_None) {
    BellquistLib::ItmLink link{};
    child->get_Type(&link.meObjectType);
    child->get_ID(&link.mlObjectID);
    parent->get_ID(&link.mlParentID);
    link.mlConfigID = -1;
    if (link.meObjectType == BellquistLib::ItmObjectType_File) {
        if (CComQIPtr<BellquistLib::IItmFile> file(child); file) file->get_ConfigID(&link.mlConfigID);
    } else if (link.meObjectType == BellquistLib::ItmObjectType_BOM) {
        if (CComQIPtr<BellquistLib::IItmBOM> bom(child); bom) bom->get_ConfigID(&link.mlConfigID);
    }
    link.meLinkType = linkType != BellquistLib::LinkType_Undefined            ? linkType
                      : link.meObjectType == BellquistLib::ItmObjectType_File ? BellquistLib::LinkType_Static
                                                                              : BellquistLib::LinkType_BOM;
    link.meLinkOperation = operation;
    return link;
}

// Links `child` under `parent` (IItmLinkManager::AddLink, which takes the
// operations None and New). The link manager's result.
inline HRESULT Link(IItmObject* parent, IItmObject* child,
                    BellquistLib::ItmLinkType linkType = BellquistLib::LinkType_Undefined,
                    BellquistLib::ItmLinkOperation operation = BellquistLib::LinkOp_None) {
    CComPtr<BellquistLib::IItmLinkManager> manager = LinkManagerOf(parent);
    if (!manager) return E_POINTER;
    BellquistLib::ItmLink link = LinkRecord(parent, child, linkType, operation);
    return manager->AddLink(&link);
}

// The identities ({type, id, config} of each ItmUniqueID) of `object`'s
// links in the link manager's order, which is by kind and id, not the order
// they were added in; empty without links or link manager.
struct LinkId {
    LONG type;
    LONG id;
    LONG config;
    friend bool operator==(const LinkId&, const LinkId&) = default;
};
inline std::vector<LinkId> LinkIds(IItmObject* object) {
    std::vector<LinkId> ids;
    CComPtr<BellquistLib::IItmLinkManager> manager = LinkManagerOf(object);
    SAFEARRAY* array = nullptr;
    if (!manager || FAILED(manager->GetLinksID(&array)) || !array) return ids;
    BellquistLib::ItmUniqueID* records = nullptr;
    if (SUCCEEDED(SafeArrayAccessData(array, reinterpret_cast<void**>(&records)))) {
        for (ULONG i = 0; i < array->rgsabound[0].cElements; ++i)
            ids.push_back({records[i].meObjectType, records[i].mlObjectID, records[i].mlConfigID});
        SafeArrayUnaccessData(array);
    }
    SafeArrayDestroy(array);
    return ids;
}

// An item array as the item server takes and returns them: a SAFEARRAY of
// VARIANTs, each VT_DISPATCH holding an object. A null object gives an
// element that holds none (VT_EMPTY); a VT_I4 element is made by Number.
// The holder destroys the array.
class ItemArray {
public:
    struct Element {
        Element(IItmObject* object) : object(object) {}  // NOLINT: the list reads as objects
        static Element Number(LONG value) {
            Element e(nullptr);
            e.isNumber = true;
            e.number = value;
            return e;
        }
        IItmObject* object = nullptr;
        bool isNumber = false;
        LONG number = 0;
    };

    ItemArray(std::initializer_list<Element> elements) {
        array_ = SafeArrayCreateVector(VT_VARIANT, 0, static_cast<ULONG>(elements.size()));
        LONG index = 0;
        for (const Element& e : elements) {
            VARIANT value;
            VariantInit(&value);
            if (e.isNumber) {
                value.vt = VT_I4;
                value.lVal = e.number;
            } else if (e.object) {
                value.vt = VT_DISPATCH;
                value.pdispVal = e.object;
            }
            SafeArrayPutElement(array_, &index, &value);  // copies (AddRef)
            ++index;
        }
    }
    explicit ItemArray(const std::vector<CComPtr<IItmObject>>& objects) {
        array_ = SafeArrayCreateVector(VT_VARIANT, 0, static_cast<ULONG>(objects.size()));
        for (LONG index = 0; index < static_cast<LONG>(objects.size()); ++index) {
            VARIANT value;
            VariantInit(&value);
            value.vt = VT_DISPATCH;
            value.pdispVal = objects[index].GetInterfacePtr();
            SafeArrayPutElement(array_, &index, &value);
        }
    }
    ~ItemArray() { SafeArrayDestroy(array_); }
    ItemArray(const ItemArray&) = delete;
    ItemArray& operator=(const ItemArray&) = delete;
    SAFEARRAY* get() const { return array_; }

private:
    SAFEARRAY* array_ = nullptr;
};

// The objects of an item array in order (null for an element without one);
// the array stays with its owner.
inline std::vector<CComPtr<IItmObject>> ObjectsOf(SAFEARRAY* array) {
    std::vector<CComPtr<IItmObject>> objects;
    if (!array) return objects;
    VARIANT* values = nullptr;
    EXPECT_EQ(SafeArrayAccessData(array, reinterpret_cast<void**>(&values)), S_OK);
    if (!values) return objects;
    for (ULONG i = 0; i < array->rgsabound[0].cElements; ++i) {
        IUnknown* held = values[i].vt == VT_DISPATCH  ? values[i].pdispVal
                         : values[i].vt == VT_UNKNOWN ? values[i].punkVal
                                                      : nullptr;
        objects.push_back(CComQIPtr<IItmObject>(held));
    }
    SafeArrayUnaccessData(array);
    return objects;
}

// Fixture: a fresh machine with the item server registered, the apartment
// entered, and every allocation checked to be given back. Objects the test
// keeps in members must be released in the test's own TearDown before this
// one runs.
class ItemObjectsTest : public com_testing::RegisteredServerTest {
protected:
    ItemObjectsTest() : RegisteredServerTest({u"Bellquist.dll"}) {}
};

}  // namespace item_objects
