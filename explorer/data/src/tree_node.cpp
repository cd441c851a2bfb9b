#include "explorer/data/tree_node.h"

#include "bellquist/item_names.h"
#include "com/bstr.h"
#include "com/error_info.h"

#include <string>
#include <utility>

using namespace BellquistLib;

CTreeNode::CTreeNode(RefPtr<CCacheObj>&& object) : moCacheObj(std::move(object)) {}

CString CTreeNode::GetDisplayName() const {
    if (!moCacheObj || !moCacheObj->moInner) return CString();
    const CCacheObjInner& inner = *moCacheObj->moInner;
    std::u16string name;
    if (inner.mlID != 0) {
        // The live name: a rename shows at once. A failing call shows nothing.
        BSTR live = nullptr;
        if (inner.mpoItem) {
            if (SUCCEEDED(inner.mpoItem->get_Name(&live))) {
                if (live) name.assign(live, SysStringLen(live));
            } else {
                SetErrorInfo(0, nullptr);
            }
        }
        SysFreeString(live);
    } else {
        name = inner.moName;
    }
    // An item's file name ends in the item extension, which is never shown.
    if (inner.meType == ItmObjectType_Item) name = std::u16string(WithoutItemExtension(name));
    return CString(name.c_str());
}
