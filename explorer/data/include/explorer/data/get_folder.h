// The folder resolvers of the path checks: the folder that holds a path (and
// the folder above it), and the same for a tree node's object. Each result
// ends in exactly one backslash and is worked out once.
#pragma once

#include "explorer/data/tree_node.h"

#include "common/ref_ptr.h"

#include "winapi/types.h"

#include <string>

namespace HelperUtilsNS {

class GetFolder {
public:
    explicit GetFolder(std::u16string path = {}) : moPath(std::move(path)) {}
    virtual ~GetFolder() = default;
    GetFolder(const GetFolder&) = delete;
    GetFolder& operator=(const GetFolder&) = delete;

    // The folder of the path: a path ending in a backslash is a folder
    // itself, any other loses its last component. False for an empty path.
    virtual bool mbGetFolder();
    // The folder above mbGetFolder's. False when that one fails.
    virtual bool mbGetParentFolder();

    const std::u16string& Path() const noexcept { return moPath; }
    // Empty until worked out.
    const std::u16string& Folder() const noexcept { return moFolder; }
    const std::u16string& ParentFolder() const noexcept { return moParentFolder; }

protected:
    std::u16string moPath;
    std::u16string moFolder;
    std::u16string moParentFolder;
};

// GetFolder of a tree node: without a path given, the path is that of the
// node's object, for a root folder, vault, item folder or item only.
class GetFolderItem : public GetFolder {
public:
    explicit GetFolderItem(RefPtr<CTreeNode> node, std::u16string path = {})
        : GetFolder(std::move(path)), moNode(std::move(node)) {}

    // False when the path cannot be had from the node (no object, another
    // kind of object, a failing get_Type or get_Path, an empty path).
    bool mbGetFolder() override;

private:
    RefPtr<CTreeNode> moNode;
};

}  // namespace HelperUtilsNS
