// The local path of a fetched object: where it lies below the view folder.
#pragma once

#include "bellquist/records.h"

#include <string>
#include <string_view>

// Sets `path` to the local path of `record` under the view folder
// `viewPath`: the view path without its trailing run of backslashes, then
// the record's vault path, then its file name unless it is a folder (types
// 1, 2, 3). A vault path that already begins with the view path (compared
// ignoring letter case, as the file system does) is first cut so that only
// the view path's last character (its backslash) stays in front of the
// rest. Empty when the record's path or file name is null.
void gvBuildItemPath(const BellquistLib::ItmObjectData& record, std::u16string_view viewPath, std::u16string& path);
