// The rules every writer of the vault checks new names by.
#include "vaultdb/vault_names.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using vaultdb::NameFault;

TEST(VaultNamesTest, ANameMustBeOneEveryViewCanHold) {
    const std::u16string longest(vaultdb::kMaxVaultNameBytes, u'x');
    const std::u16string tooLong = longest + u'x';
    // Three UTF-8 bytes each: the limit counts bytes, not characters.
    const std::u16string wideTooLong(vaultdb::kMaxVaultNameBytes / 3 + 1, u'\u20AC');
    const struct {
        std::u16string name;
        NameFault expected;
    } cases[] = {
        {u"Bolts", NameFault::kNone},
        {u"M6 x 20.<item>", NameFault::kBadCharacter},
        {u"", NameFault::kEmpty},
        {u".", NameFault::kDotName},
        {u"..", NameFault::kDotName},
        {u"...", NameFault::kTrailingDotOrSpace},
        {u"a\\b", NameFault::kBadCharacter},
        {u"a/b", NameFault::kBadCharacter},
        {u"a:b", NameFault::kBadCharacter},
        {u"tab\there", NameFault::kBadCharacter},
        {u"trailing ", NameFault::kTrailingDotOrSpace},
        {u".hidden", NameFault::kNone},
        {longest, NameFault::kNone},
        {tooLong, NameFault::kTooLong},
        {wideTooLong, NameFault::kTooLong},
    };
    for (const auto& c : cases)
        EXPECT_EQ(vaultdb::CheckVaultName(c.name), c.expected) << std::string(c.name.begin(), c.name.end());
}

}  // namespace
