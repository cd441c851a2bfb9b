// SelectionHelper: the snapshot of the nodes a view had selected when a
// command, a menu or a permission check started. It never changes, so a
// command that runs after modal dialogs still sees the rows selected at its
// start, and it holds its nodes as long as it lives.
#pragma once

#include "explorer/data/tree_node.h"
#include "explorer/data/view_helper.h"

#include "common/ref_obj.h"
#include "common/ref_ptr.h"

#include <cstddef>
#include <vector>

class SelectionHelper : public RefObj {
public:
    // The nodes of [first, last), each with a reference of the snapshot's.
    template <class Iterator>
    SelectionHelper(CViewHelper* viewHelper, Iterator first, Iterator last) : nodes(first, last), view(viewHelper) {}
    // The selected rows of every kind; when none is selected and
    // `allowFolder` is set, the object the view shows (fromFolderFallback
    // then set). Nothing without a view.
    SelectionHelper(CViewHelper* viewHelper, bool allowFolder);

    std::size_t mnCount() const noexcept { return nodes.size(); }
    // The first node; empty for an empty snapshot.
    RefPtr<CTreeNode> First() const { return nodes.empty() ? RefPtr<CTreeNode>() : nodes.front(); }

    std::vector<RefPtr<CTreeNode>> nodes;  // in the order the view reported its rows
    CViewHelper* view = nullptr;           // Not owned; may be null.
    bool allowFolderFallback = false;
    bool fromFolderFallback = false;  // nodes holds the shown object, not selected rows

protected:
    ~SelectionHelper() override = default;
};
