// CViewHelper: what a view answers about its rows - the selected nodes, the
// object it shows, a row's parent row and the vault its document shows. The
// explorer's views implement it; selection snapshots and node references
// keep a pointer to it (not owned: the view outlives the commands that run
// on it).
#pragma once

#include "explorer/data/tree_node.h"
#include "explorer/data/vault_node.h"

#include "common/ref_ptr.h"

#include "winapi/types.h"

#include <vector>

class CViewHelper {
public:
    // The object-kind masks of the row queries: any type, and one bit per
    // kind; kAllRowKinds takes every row a view shows.
    static constexpr LONG kAnyKind = 0x400;
    static constexpr LONG kFileKind = 2;
    static constexpr LONG kBomKind = 4;
    static constexpr LONG kItemKind = 8;
    static constexpr LONG kFolderKind = 16;  // a vault or an item folder
    static constexpr LONG kAllRowKinds = kFolderKind | kItemKind | kBomKind | kFileKind;

    // Appends the nodes of the selected rows, in selection order, whose
    // cached object passes `mask`; nothing when the view shows no vault.
    virtual void GetSelectedNodes(std::vector<RefPtr<CTreeNode>>& nodes, LONG mask) const = 0;
    // GetSelectedNodes; when that yields nothing and `useShownObject` is set,
    // the object the view shows (the action pane's folder or item) when it
    // passes `mask`.
    virtual void mvGetSelectedNodesOrFolder(std::vector<RefPtr<CTreeNode>>& nodes, LONG mask,
                                            bool useShownObject) const = 0;
    // The node of the parent row of `node`'s row; false when the row has no
    // parent row or is not shown.
    virtual bool mbGetParentNode(const RefPtr<CTreeNode>& node, RefPtr<CTreeNode>& parent) const = 0;
    // The vault node the view's document shows; empty when there is none.
    virtual RefPtr<CVaultNode> GetViewVault() const = 0;

protected:
    ~CViewHelper() = default;
};
