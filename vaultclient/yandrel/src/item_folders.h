// The item folders a folder choice offers: one folder (the items root) and
// every folder below it, read from the vault once per choice, each with the
// path the user sees for it: the base path standing for the root, then the
// folders' names ("C:\Vault\<items>\Parts\Screws").
#pragma once

#include "winapi/types.h"

#include <string>
#include <string_view>
#include <vector>

class SpProject;

namespace yandrel {

struct ItemFolder {
    LONG id = 0;
    LONG parentId = 0;         // 0 for the root
    std::u16string name;       // the root's is empty
    std::u16string vaultPath;  // "\<items>\Parts\"
    std::u16string shownPath;  // relative to the root, no separators at the ends: "Parts\Screws"
    int depth = 0;             // 0 for the root
};

class ItemFolderTree {
public:
    // Reads `rootId` and every folder below it. The failure of a read, or
    // E_OXN_FOLDER_NOT_FOUND for an unknown root; the tree is empty then.
    HRESULT Load(SpProject& project, LONG rootId);

    // The root first, then depth first, each folder's sub-folders in name
    // order (as the vault gives them).
    const std::vector<ItemFolder>& Folders() const { return folders_; }
    // The folder of that id, null when the tree has none.
    const ItemFolder* Find(LONG id) const;
    // The folder that the shown path `path` names below `basePath`: the base
    // path itself is the root, else the base path, a backslash and the
    // folders' names. Case does not matter, nor do separators at the end of
    // either. Null when no folder of the tree has that path.
    const ItemFolder* FindShownPath(std::u16string_view path, std::u16string_view basePath) const;
    // The path a user sees for `folder` below `basePath`.
    static std::u16string ShownPath(const ItemFolder& folder, std::u16string_view basePath);

private:
    std::vector<ItemFolder> folders_;
};

}  // namespace yandrel
