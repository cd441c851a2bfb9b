#include "item_folders.h"

#include "vennacle/sp_project.h"
#include "winapi/errors.h"
#include "winapi/text.h"

#include <algorithm>

namespace yandrel {

namespace {

std::u16string_view WithoutTrailingSeparators(std::u16string_view path) {
    while (!path.empty() && (path.back() == u'\\' || path.back() == u'/')) path.remove_suffix(1);
    return path;
}

// Appends the folders below folders[index], depth first: each folder is
// followed at once by the folders below it. The depth is bounded by the
// vault's longest path; a folder met twice is not followed again.
HRESULT AppendSubFolders(SpProject& project, size_t index, std::vector<ItemFolder>& folders) {
    std::vector<SpProjectData> children;
    if (HRESULT hr = project.mhGetSubProjects(folders[index].id, children); FAILED(hr)) return hr;
    for (const SpProjectData& child : children) {
        const bool seen = std::any_of(folders.begin(), folders.end(),
                                      [&](const ItemFolder& folder) { return folder.id == child.mlProjectID; });
        if (seen) continue;
        const ItemFolder& parent = folders[index];
        const std::u16string name(child.moName.View());
        ItemFolder folder{child.mlProjectID,
                          parent.id,
                          name,
                          parent.vaultPath + name + u"\\",
                          parent.shownPath.empty() ? name : parent.shownPath + u"\\" + name,
                          parent.depth + 1};
        folders.push_back(std::move(folder));
        if (HRESULT hr = AppendSubFolders(project, folders.size() - 1, folders); FAILED(hr)) return hr;
    }
    return S_OK;
}

}  // namespace

HRESULT ItemFolderTree::Load(SpProject& project, LONG rootId) {
    folders_.clear();
    SpStr rootPath;
    if (HRESULT hr = project.mhGetProjectPath(rootId, &rootPath); FAILED(hr)) return hr;
    std::vector<ItemFolder> folders;
    folders.push_back({rootId, 0, u"", std::u16string(rootPath.View()), u"", 0});
    if (HRESULT hr = AppendSubFolders(project, 0, folders); FAILED(hr)) return hr;
    folders_ = std::move(folders);
    return S_OK;
}

const ItemFolder* ItemFolderTree::Find(LONG id) const {
    for (const ItemFolder& folder : folders_)
        if (folder.id == id) return &folder;
    return nullptr;
}

const ItemFolder* ItemFolderTree::FindShownPath(std::u16string_view path, std::u16string_view basePath) const {
    path = WithoutTrailingSeparators(path);
    basePath = WithoutTrailingSeparators(basePath);
    if (path.size() < basePath.size() || !winapi::EqualsIgnoreCase(path.substr(0, basePath.size()), basePath))
        return nullptr;
    std::u16string_view relative = path.substr(basePath.size());
    if (!relative.empty()) {
        if (relative.front() != u'\\' && relative.front() != u'/') return nullptr;
        relative.remove_prefix(1);
        if (relative.empty()) return nullptr;
    }
    for (const ItemFolder& folder : folders_)
        if (winapi::EqualsIgnoreCase(folder.shownPath, relative)) return &folder;
    return nullptr;
}

std::u16string ItemFolderTree::ShownPath(const ItemFolder& folder, std::u16string_view basePath) {
    std::u16string shown(WithoutTrailingSeparators(basePath));
    if (!folder.shownPath.empty()) shown += u"\\" + folder.shownPath;
    return shown;
}

}  // namespace yandrel
