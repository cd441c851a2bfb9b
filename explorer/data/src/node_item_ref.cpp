#include "explorer/data/node_item_ref.h"

#include "explorer/data/checked_out_here.h"

#include <utility>

using namespace BellquistLib;

namespace {

// The live object a node's cached object keeps; null when there is none.
IItmObject* LiveObjectOf(const RefPtr<CTreeNode>& node) {
    if (!node || !node->moCacheObj || !node->moCacheObj->moInner) return nullptr;
    return node->moCacheObj->moInner->mpoItem.GetInterfacePtr();
}

}  // namespace

NodeItemRef::NodeItemRef(RefPtr<CTreeNode>&& node, CViewHelper* viewHelper)
    : mpoItem(LiveObjectOf(node)), mpoView(viewHelper), moNode(std::move(node)) {}

RefPtr<CTreeNode> NodeItemRef::GetParentNode() const {
    RefPtr<CTreeNode> parent;
    if (!mpoView || !moNode || !mpoView->mbGetParentNode(moNode, parent)) return RefPtr<CTreeNode>();
    return parent;
}

bool NodeItemRef::mbParentIsLatest() const {
    RefPtr<CTreeNode> parent = GetParentNode();
    if (!parent) return true;
    IItmObject* item = LiveObjectOf(parent);
    LONG local = 0, latest = 0;
    return item && SUCCEEDED(item->get_LocalVersion(&local)) && SUCCEEDED(item->get_LatestVersion(&latest)) &&
           local == latest;
}

CComPtr<IItmObject> NodeItemRef::ParentItem() const {
    RefPtr<CTreeNode> parent = GetParentNode();
    CComPtr<IItmObject> item(LiveObjectOf(parent));
    ItmObjectType type = ItmObjectType_Undefined;
    if (!item || FAILED(item->get_Type(&type)) || type != ItmObjectType_Item) return nullptr;
    return item;
}

bool NodeItemRef::mbIsCheckedOutHere(IItmObject* item) const {
    RefPtr<CVaultNode> vault = mpoView ? mpoView->GetViewVault() : RefPtr<CVaultNode>();
    return vault && gbIsCheckedOutHere(item, vault->moViewID, vault->mlUserID);
}

bool NodeItemRef::mbParentLockedHere() const {
    CComPtr<IItmObject> item = ParentItem();
    return item && mbIsCheckedOutHere(item);
}

bool NodeItemRef::mbParentLockedElsewhere() const {
    CComPtr<IItmObject> item = ParentItem();
    if (!item || mbIsCheckedOutHere(item)) return false;
    GUID lockView{};
    return SUCCEEDED(item->get_LockViewID(&lockView)) && lockView != GUID_NULL;
}
