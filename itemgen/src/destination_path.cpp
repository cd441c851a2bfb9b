#include "destination_path.h"

#include "winapi/text.h"

namespace coravent {

namespace {

constexpr std::u16string_view kItemsRoot = u"\\<items>";

std::u16string_view WithoutLeadingBackslashes(std::u16string_view path) {
    while (!path.empty() && path.front() == u'\\') path.remove_prefix(1);
    return path;
}

}  // namespace

std::u16string_view WithoutTrailingBackslashes(std::u16string_view path) {
    while (!path.empty() && path.back() == u'\\') path.remove_suffix(1);
    return path;
}

std::u16string DestinationFolderPath(std::u16string_view rootPath, std::u16string_view vaultPath) {
    std::u16string text(WithoutTrailingBackslashes(rootPath));
    // Only the leading "\<items>" segment goes: a folder below may carry
    // any name.
    if (vaultPath.starts_with(kItemsRoot) &&
        (vaultPath.size() == kItemsRoot.size() || vaultPath[kItemsRoot.size()] == u'\\'))
        vaultPath.remove_prefix(kItemsRoot.size());
    std::u16string_view tail = WithoutTrailingBackslashes(WithoutLeadingBackslashes(vaultPath));
    if (!tail.empty()) {
        text += u'\\';
        text += tail;
    }
    return std::u16string(WithoutTrailingBackslashes(text));
}

std::optional<std::u16string> DestinationVaultPath(std::u16string_view rootPath, std::u16string_view typed) {
    std::u16string root(WithoutTrailingBackslashes(rootPath));
    root += u'\\';
    std::u16string value(typed);
    if (!value.ends_with(u'\\')) value += u'\\';
    if (value.size() < root.size() ||
        !winapi::EqualsIgnoreCase(std::u16string_view(value).substr(0, root.size()), root))
        return std::nullopt;
    // The tail from the root's last backslash on: "\" for the root itself,
    // "\Parts\" below it.
    return std::u16string(kItemsRoot) + value.substr(root.size() - 1);
}

}  // namespace coravent
