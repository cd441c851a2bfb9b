#include "itemstore/item_path.h"

#include "itemstore/item_object.h"

#include "winapi/text.h"

using namespace BellquistLib;

namespace {

bool StartsWithIgnoreCase(std::u16string_view text, std::u16string_view prefix) {
    return text.size() >= prefix.size() && winapi::EqualsIgnoreCase(text.substr(0, prefix.size()), prefix);
}

}  // namespace

void gvBuildItemPath(const ItmObjectData& record, std::u16string_view viewPath, std::u16string& path) {
    path.clear();
    if (!record.moPath || !record.moFilename) return;

    std::u16string_view vaultPath(record.moPath);
    // A vault path that already holds the view folder keeps only the view
    // path's last character (its backslash) in front of the rest. Letter case
    // is ignored as the file system ignores it, so that a path differing from
    // the view path only in case is not put below the view folder twice.
    if (!viewPath.empty() && StartsWithIgnoreCase(vaultPath, viewPath)) vaultPath.remove_prefix(viewPath.size() - 1);

    std::u16string_view viewFolder = viewPath;
    while (!viewFolder.empty() && viewFolder.back() == u'\\') viewFolder.remove_suffix(1);

    path.append(viewFolder);
    path.append(vaultPath);
    if (!gbIsFolderType(record.meObjectType, true)) path.append(record.moFilename);
}
