#include "vaultdb/vault_names.h"

#include "winapi/text.h"

namespace vaultdb {

NameFault CheckVaultName(std::u16string_view name) {
    if (name.empty()) return NameFault::kEmpty;
    if (name == u"." || name == u"..") return NameFault::kDotName;
    for (char16_t c : name)
        if (c < 0x20 || std::u16string_view(u"\\/:*?\"<>|").find(c) != std::u16string_view::npos)
            return NameFault::kBadCharacter;
    if (name.back() == u'.' || name.back() == u' ') return NameFault::kTrailingDotOrSpace;
    if (winapi::ToUtf8(name).size() > kMaxVaultNameBytes) return NameFault::kTooLong;
    return NameFault::kNone;
}

}  // namespace vaultdb
