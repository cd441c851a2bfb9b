// The records made from an item object: its item cache record here, its
// link record in itm_link_rules.cpp.
#include "itemstore/itm_object_records.h"

#include "bellquist/item_interfaces.h"
#include "com/bstr.h"
#include "com/task_memory.h"

#include <string_view>

using namespace BellquistLib;

namespace {

// GetItmLink through the object's interface `Interface`.
template <class Interface>
bool ReadItmLink(IItmObject* object, ItmLink* link) {
    Interface* typed = nullptr;
    if (FAILED(object->QueryInterface(IID_PPV_ARGS(&typed))) || !typed) return false;
    ItmLink* made = nullptr;
    const HRESULT hr = typed->GetItmLink(&made);
    typed->Release();
    if (FAILED(hr) || !made) return false;
    *link = *made;
    CoTaskMemFree(made);
    return true;
}

// A string property, null read as empty.
bool ReadText(IItmObject* object, HRESULT (STDMETHODCALLTYPE IItmObject::*get)(BSTR*), std::u16string* text) {
    BSTR value = nullptr;
    if (FAILED((object->*get)(&value))) return false;
    *text = value ? std::u16string(value, SysStringLen(value)) : std::u16string();
    SysFreeString(value);
    return true;
}

}  // namespace

RefPtr<ChildWithLink> goMakeChildWithLink(IItmObject* object, bool withLinkWords) {
    if (!object) return nullptr;
    LONG id = 0, parentProject = 0, attached = 0;
    ItmObjectType type{};
    DATE modified = 0;
    GUID lockView{};
    VARIANT_BOOL dirty = VARIANT_FALSE;
    std::u16string name, path;
    if (FAILED(object->get_ID(&id)) || FAILED(object->get_Type(&type)) ||
        FAILED(object->get_ParentProjectID(&parentProject)) || FAILED(object->get_AttachedVersion(&attached)) ||
        FAILED(object->get_ModifiedDate(&modified)) || FAILED(object->get_LockViewID(&lockView)) ||
        FAILED(object->get_IsDirty(&dirty)) || !ReadText(object, &IItmObject::get_Name, &name) ||
        !ReadText(object, &IItmObject::get_Path, &path)) {
        return nullptr;
    }
    RefPtr<ChildWithLink> child(new ChildWithLink);
    child->mlObjectID = id;
    child->meObjectType = type;
    child->mlParentProjectID = parentProject;
    child->mlAttachedVersion = attached;
    child->mdModifiedDate = modified;
    child->moLockViewID = lockView;
    child->mlDirty = dirty ? 1 : 0;
    child->mvSetFileName(name);
    child->mvSetPath(path);
    if (type == ItmObjectType_File || type == ItmObjectType_Item) {
        ItmLink link{};
        const bool read =
            type == ItmObjectType_File ? ReadItmLink<IItmFile>(object, &link) : ReadItmLink<IItmItem>(object, &link);
        if (!read) return nullptr;
        child->mlConfigID = link.mlConfigID;
        if (withLinkWords) {
            child->meLinkType = child->meInitialLinkType = link.meLinkType;
            child->meLinkOperation = child->meInitialLinkOperation = link.meLinkOperation;
        }
    }
    return child;
}
