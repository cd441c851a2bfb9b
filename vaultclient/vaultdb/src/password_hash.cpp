#include "vaultdb/password_hash.h"

#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <sys/random.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <stdexcept>
#include <vector>

namespace vaultdb {
namespace {

constexpr std::string_view kScheme = "pbkdf2-sha256";
constexpr size_t kSaltSize = 16;
constexpr size_t kKeySize = 32;  // one SHA-256 digest

std::string ToHex(const uint8_t* data, size_t size) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string text;
    for (size_t i = 0; i < size; ++i) {
        text += kDigits[data[i] >> 4];
        text += kDigits[data[i] & 15];
    }
    return text;
}

bool FromHex(std::string_view text, std::vector<uint8_t>& bytes) {
    if (text.size() % 2 != 0) return false;
    bytes.clear();
    for (size_t i = 0; i < text.size(); i += 2) {
        uint8_t value = 0;
        const auto [end, ec] = std::from_chars(text.data() + i, text.data() + i + 2, value, 16);
        if (ec != std::errc() || end != text.data() + i + 2) return false;
        bytes.push_back(value);
    }
    return true;
}

void RandomBytes(uint8_t* out, size_t size) {
    while (size > 0) {
        const ssize_t got = getrandom(out, size, 0);
        if (got < 0) {
            if (errno == EINTR) continue;
            // No salt means no safe hash: refuse rather than store a weak one.
            throw std::runtime_error("no random bytes for a password salt");
        }
        out += got;
        size -= static_cast<size_t>(got);
    }
}

std::array<uint8_t, kKeySize> Derive(std::u16string_view password, const uint8_t* salt, size_t saltSize,
                                     uint32_t iterations) {
    // The password's UTF-16LE bytes, the same on every machine.
    std::vector<uint8_t> bytes;
    for (char16_t unit : password) {
        bytes.push_back(static_cast<uint8_t>(unit & 0xFF));
        bytes.push_back(static_cast<uint8_t>(unit >> 8));
    }
    std::array<uint8_t, kKeySize> key;
    Pbkdf2HmacSha256(bytes.data(), bytes.size(), salt, saltSize, iterations, key.data(), key.size());
    return key;
}

}  // namespace

void Pbkdf2HmacSha256(const void* password, size_t passwordSize, const void* salt, size_t saltSize, uint32_t iterations,
                      uint8_t* out, size_t outSize) {
    // libcrypto takes int sizes; a password, salt or key beyond that is no
    // input this vault makes, and is refused rather than cut.
    constexpr size_t kMax = 1u << 30;
    if (passwordSize > kMax || saltSize > kMax || outSize > kMax || iterations > kMax ||
        PKCS5_PBKDF2_HMAC(static_cast<const char*>(password), static_cast<int>(passwordSize),
                          static_cast<const unsigned char*>(salt), static_cast<int>(saltSize),
                          static_cast<int>(iterations), EVP_sha256(), static_cast<int>(outSize), out) != 1)
        throw std::runtime_error("the password hash could not be computed");
}

std::string HashPassword(std::u16string_view password, uint32_t iterations) {
    if (iterations == 0) iterations = 1;
    uint8_t salt[kSaltSize];
    RandomBytes(salt, sizeof salt);
    const auto key = Derive(password, salt, sizeof salt, iterations);
    return std::string(kScheme) + "$" + std::to_string(iterations) + "$" + ToHex(salt, sizeof salt) + "$" +
           ToHex(key.data(), key.size());
}

bool VerifyPassword(std::u16string_view password, std::string_view stored) {
    // scheme $ iterations $ salt $ hash
    std::string_view parts[4];
    for (int i = 0; i < 3; ++i) {
        const size_t dollar = stored.find('$');
        if (dollar == std::string_view::npos) return false;
        parts[i] = stored.substr(0, dollar);
        stored.remove_prefix(dollar + 1);
    }
    parts[3] = stored;
    if (parts[0] != kScheme) return false;
    uint32_t iterations = 0;
    const auto [end, ec] = std::from_chars(parts[1].data(), parts[1].data() + parts[1].size(), iterations);
    if (ec != std::errc() || end != parts[1].data() + parts[1].size() || iterations == 0) return false;
    std::vector<uint8_t> salt, expected;
    if (!FromHex(parts[2], salt) || !FromHex(parts[3], expected) || expected.size() != kKeySize) return false;
    std::array<uint8_t, kKeySize> key;
    try {
        key = Derive(password, salt.data(), salt.size(), iterations);
    } catch (const std::runtime_error&) {
        return false;  // a stored text libcrypto cannot take (e.g. 2^31 iterations) matches nothing
    }
    // Compare every byte whatever the first difference, so the time taken
    // does not tell how much of a guess was right.
    return CRYPTO_memcmp(key.data(), expected.data(), kKeySize) == 0;
}

}  // namespace vaultdb
