// Building the nodes of a tree from the vault (IXRefTree::Build): the roots
// from the selection, their references below them, the proposed item names
// and the counter ids behind the new ones.
#pragma once

#include "tree_item.h"

#include "com/ccom_ptr.h"
#include "hastrel/records.h"
#include "hastrel/tree_source.h"
#include "winapi/types.h"

#include <vector>

namespace hastrel {

struct BuiltTree {
    std::vector<NodeRef> roots;
    std::vector<NodeRef> nodes;     // every node, depth first, a node before its children
    std::vector<SourceItem> items;  // the vault's items
};

// Builds the nodes over `count` selection entries with the option word
// `options`, reading `source`. Counter ids for new names are taken first
// from `reusable` (those still reserved, in order), then reserved anew; the
// reusable ids left over are freed. Raises the source's failures and
// E_OXN_FILE_NOT_FOUND for a selected document the vault does not have.
// Whatever happens, `held` ends as the counter ids still reserved for the
// tree: on success those of the nodes, on a failure the ids taken so far
// (the reusable ones when the names were not reached).
void BuildTreeNodes(TreeSource& source, LONG options, const HastrelLib::SelectionEntry* entries, LONG count,
                    std::vector<LONG> reusable, BuiltTree& tree, std::vector<SerialNoInfo>& held);

}  // namespace hastrel
