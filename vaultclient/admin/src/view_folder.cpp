#include "view_folder.h"

#include "vaultadmin/admin_error.h"
#include "system_error_text.h"

#include "winapi/errors.h"
#include "winapi/guid_text.h"
#include "winapi/path_mapping.h"
#include "winapi/profile.h"

namespace vaultadmin {

std::u16string ShellRootText(const std::filesystem::path& folder) {
    std::string posix = std::filesystem::absolute(folder).lexically_normal().string();
    while (posix.size() > 1 && posix.back() == '/') posix.pop_back();
    std::u16string text = winapi::FromPosixPath(posix);
    if (text.back() != u'/') text += u'\\';
    return text;
}

void WriteViewIds(const std::filesystem::path& folder, const GUID& viewId, const GUID& vaultId) {
    const std::u16string file = winapi::FromPosixPath((folder / "desktop.ini").string());
    const std::u16string view = winapi::GuidToString(viewId);
    const std::u16string vault = winapi::GuidToString(vaultId);
    // The vault id goes first: a creation killed between the two writes then
    // leaves a desktop.ini that names its vault, which the retry recognises
    // as its own and removes (a desktop.ini with only a view id would bar
    // the retry for good).
    if (!WritePrivateProfileStringW(u"Tavrosk", u"VaultID", vault.c_str(), file.c_str()) ||
        !WritePrivateProfileStringW(u"Tavrosk", u"ViewID", view.c_str(), file.c_str()))
        throw AdminError("cannot write " + (folder / "desktop.ini").string() + ": " + SystemErrorText(GetLastError()));
}

}  // namespace vaultadmin
