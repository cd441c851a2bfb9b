#include "vaultdb/password_hash.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace {

std::string Hex(const uint8_t* data, size_t size) {
    std::string text;
    char digits[3];
    for (size_t i = 0; i < size; ++i) {
        std::snprintf(digits, sizeof digits, "%02x", data[i]);
        text += digits;
    }
    return text;
}

// Published PBKDF2-HMAC-SHA256 vectors (RFC 7914, section 11, and the
// widely used c = 1 / 2 / 4096 set).
TEST(VaultPasswordHash, Pbkdf2MatchesPublishedVectors) {
    struct Case {
        std::string password, salt;
        uint32_t iterations;
        size_t length;
        const char* expected;
    } const cases[] = {
        {"passwd", "salt", 1, 64,
         "55ac046e56e3089fec1691c22544b605f94185216dde0465e68b9d57c20dacbc"
         "49ca9cccf179b645991664b39d77ef317c71b845b1e30bd509112041d3a19783"},
        {"password", "salt", 1, 32, "120fb6cffcf8b32c43e7225256c4f837a86548c92ccc35480805987cb70be17b"},
        {"password", "salt", 2, 32, "ae4d0c95af6b46d32d0adff928f06dd02a303f8ef3c251dfd6e2d85a95474c43"},
        {"password", "salt", 4096, 32, "c5e478d59288c841aa530db6845c4c8d962893a001ce4e11a4963873aa98134a"},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> out(c.length);
        vaultdb::Pbkdf2HmacSha256(c.password.data(), c.password.size(), c.salt.data(), c.salt.size(), c.iterations,
                                  out.data(), out.size());
        EXPECT_EQ(Hex(out.data(), out.size()), c.expected) << c.password << " c=" << c.iterations;
    }
}

TEST(VaultPasswordHash, VerifiesOnlyTheRightPassword) {
    const std::u16string password = u"Grüße-Ω-secret";
    const std::string stored = vaultdb::HashPassword(password, 1000);
    EXPECT_EQ(stored.rfind("pbkdf2-sha256$1000$", 0), 0u) << stored;
    EXPECT_TRUE(vaultdb::VerifyPassword(password, stored));
    EXPECT_FALSE(vaultdb::VerifyPassword(u"grüße-Ω-secret", stored));  // case matters
    EXPECT_FALSE(vaultdb::VerifyPassword(u"", stored));
    // A fresh salt every time: the same password never hashes alike.
    EXPECT_NE(stored, vaultdb::HashPassword(password, 1000));
    EXPECT_TRUE(vaultdb::VerifyPassword(u"", vaultdb::HashPassword(u"", 10)));
}

// A hash stored by an earlier release (written by an independent PBKDF2:
// Python's hashlib) must keep verifying, whatever computes it now.
TEST(VaultPasswordHash, HashesStoredBeforeStillVerify) {
    const std::string stored =
        "pbkdf2-sha256$2000$000102030405060708090a0b0c0d0e0f$"
        "71f676a5510e2610711b1a68cd470a76d62697996a059a7706f3c52138c0a0ea";
    EXPECT_TRUE(vaultdb::VerifyPassword(u"Grüße-Ω-secret", stored));
    EXPECT_FALSE(vaultdb::VerifyPassword(u"Grüße-Ω-secreT", stored));
}

TEST(VaultPasswordHash, RefusesMalformedStoredText) {
    const std::string good = vaultdb::HashPassword(u"pw", 10);
    for (const std::string& bad :
         {std::string(), std::string("pw"), std::string("pbkdf2-sha256$10$00$"),
          std::string("md5$10$00$") + good.substr(good.rfind('$') + 1), good.substr(0, good.size() - 2), good + "00",
          std::string("pbkdf2-sha256$0") + good.substr(good.find("$", 14)),
          std::string("pbkdf2-sha256$x") + good.substr(good.find("$", 14))}) {
        EXPECT_FALSE(vaultdb::VerifyPassword(u"pw", bad)) << bad;
    }
}

}  // namespace
