#include "explorer/data/selection_helper.h"

SelectionHelper::SelectionHelper(CViewHelper* viewHelper, bool allowFolder)
    : view(viewHelper), allowFolderFallback(allowFolder) {
    if (!view) return;
    view->GetSelectedNodes(nodes, CViewHelper::kAllRowKinds);
    if (!nodes.empty() || !allowFolderFallback) return;
    view->mvGetSelectedNodesOrFolder(nodes, CViewHelper::kAllRowKinds, true);
    fromFolderFallback = !nodes.empty();
}
