// The settings' rule for folder paths: they end in a separator. Paths are in
// the system's form, but the special folders come back as Linux paths with
// '/', so either separator counts as one already there.
#pragma once

#include "winapi/types.h"

#include <string>

inline bool gbIsPathSeparator(WCHAR c) { return c == u'\\' || c == u'/'; }

// Adds a backslash unless the path already ends in a separator; an empty
// path becomes "\".
inline std::u16string goWithBackslash(std::u16string path) {
    if (path.empty() || !gbIsPathSeparator(path.back())) path += u'\\';
    return path;
}
