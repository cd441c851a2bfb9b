#include "vault_names.h"

#include "vaultadmin/admin_error.h"

#include "winapi/text.h"

namespace vaultadmin {

std::u16string StrictUtf16(std::string_view text, const std::string& what) {
    std::u16string wide;
    for (std::size_t pos = 0; pos < text.size();)
        if (!winapi::ReadUtf8Character(text, pos, wide))
            throw AdminError(what + " is not valid UTF-8 text (byte " + std::to_string(pos) + " of \"" +
                             winapi::ToUtf8(winapi::ToUtf16(text)) + "\")");
    return wide;
}

void CheckVaultName(std::u16string_view name, const std::string& what) {
    const std::string shown = "\"" + winapi::ToUtf8(name) + "\"";
    switch (vaultdb::CheckVaultName(name)) {
    case vaultdb::NameFault::kNone:
        return;
    case vaultdb::NameFault::kEmpty:
        throw AdminError(what + " is empty");
    case vaultdb::NameFault::kDotName:
        throw AdminError(shown + " cannot be " + what + ": it names a folder itself");
    case vaultdb::NameFault::kBadCharacter:
        throw AdminError(what + " " + shown +
                         " holds a character a path may not hold (\\ / : * ? \" < > | or a control character)");
    case vaultdb::NameFault::kTrailingDotOrSpace:
        throw AdminError(what + " " + shown + " ends with a dot or a space, which the views' file systems drop");
    case vaultdb::NameFault::kTooLong:
        break;
    }
    const std::size_t bytes = winapi::ToUtf8(name).size();
    throw AdminError(what + " " + shown.substr(0, 40) + "...\" is " + std::to_string(bytes) +
                     " bytes long; a vault allows " + std::to_string(kMaxVaultNameBytes));
}

}  // namespace vaultadmin
