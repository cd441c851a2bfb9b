#include "winapi/path_mapping.h"

#include "winapi/state_root.h"
#include "winapi/text.h"

#include <filesystem>
#include <vector>

namespace winapi {

namespace {

constexpr std::u16string_view kLongPathPrefix = u"\\\\?\\";

bool IsSeparator(char16_t c) { return c == u'\\' || c == u'/'; }

bool StartsWithDrive(std::u16string_view path) {
    return path.size() >= 2 && path[1] == u':' &&
           ((path[0] >= u'A' && path[0] <= u'Z') || (path[0] >= u'a' && path[0] <= u'z'));
}

}  // namespace

std::string ToPosixPath(std::u16string_view path) {
    if (path.substr(0, kLongPathPrefix.size()) == kLongPathPrefix) path.remove_prefix(kLongPathPrefix.size());
    std::string posix;
    if (StartsWithDrive(path)) {
        std::filesystem::path driveRoot = DriveRoot(static_cast<char>(path[0]));
        EnsureDirectory(driveRoot);
        posix = driveRoot.string();
        path.remove_prefix(2);
        // "X:name" is relative to the drive's root, which is the only
        // current folder a drive has here.
        if (!path.empty() && !IsSeparator(path[0])) posix += '/';
    }
    std::u16string rest(path);
    for (char16_t& c : rest) {
        if (c == u'\\') c = u'/';
    }
    return posix + ToUtf8(rest);
}

std::u16string FromPosixPath(std::string_view posixPath) { return ToUtf16(posixPath); }

std::u16string CollapseDotSegments(std::u16string_view path) {
    size_t rootLength = StartsWithDrive(path) ? 2 : 0;
    if (rootLength < path.size() && IsSeparator(path[rootLength])) ++rootLength;
    const bool rooted = rootLength > 0;

    struct Element {
        char16_t separatorBefore;
        std::u16string_view name;
    };
    std::vector<Element> kept;
    char16_t separatorBefore = 0;
    for (size_t pos = rootLength; pos < path.size();) {
        size_t end = pos;
        while (end < path.size() && !IsSeparator(path[end])) ++end;
        std::u16string_view name = path.substr(pos, end - pos);
        if (name == u"..") {
            if (!kept.empty() && kept.back().name != u"..")
                kept.pop_back();
            else if (!rooted)
                kept.push_back({separatorBefore, name});
        } else if (!name.empty() && name != u".") {
            kept.push_back({separatorBefore, name});
        }
        if (end < path.size()) separatorBefore = path[end];
        pos = end + 1;
    }

    std::u16string result(path.substr(0, rootLength));
    for (size_t i = 0; i < kept.size(); ++i) {
        if (i > 0) result += kept[i].separatorBefore;
        result += kept[i].name;
    }
    if (!kept.empty() && path.size() > rootLength && IsSeparator(path.back())) result += path.back();
    return result;
}

}  // namespace winapi
