// NodeItemRef: one row's node with its live item object and the view it is
// shown in, answering what the permission rules ask about the node's parent
// row: is it at its latest version, is it checked out here or elsewhere.
#pragma once

#include "explorer/data/tree_node.h"
#include "explorer/data/view_helper.h"

#include "common/ref_ptr.h"

#include "bellquist/item_interfaces.h"
#include "com/ccom_ptr.h"

class NodeItemRef {
public:
    // Takes the node over (`node` is left empty); the item is the node's
    // cached live object, with a reference of its own.
    NodeItemRef(RefPtr<CTreeNode>&& node, CViewHelper* viewHelper);

    // The node of the parent row; empty for a top-level row or without a
    // view.
    RefPtr<CTreeNode> GetParentNode() const;
    // True without a parent row; otherwise whether the parent's local
    // version is its latest one (false when a call fails).
    bool mbParentIsLatest() const;
    // A parent row that is an item checked out here by this user
    // (gbIsCheckedOutHere, for the view's vault).
    bool mbParentLockedHere() const;
    // A parent row that is an item checked out, but not here by this user.
    bool mbParentLockedElsewhere() const;

    // Released in the reverse order: the node, the view, then the item.
    CComPtr<BellquistLib::IItmObject> mpoItem;
    CViewHelper* mpoView = nullptr;  // Not owned; may be null.
    RefPtr<CTreeNode> moNode;

private:
    // The live object of the parent row when that is an item; else null.
    CComPtr<BellquistLib::IItmObject> ParentItem() const;
    bool mbIsCheckedOutHere(BellquistLib::IItmObject* item) const;
};
