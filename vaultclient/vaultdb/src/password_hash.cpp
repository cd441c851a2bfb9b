#include "vaultdb/password_hash.h"

#include "sha256.h"

#include <sys/random.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <stdexcept>
#include <vector>

namespace vaultdb {
namespace {

constexpr std::string_view kScheme = "pbkdf2-sha256";
constexpr size_t kSaltSize = 16;

// HMAC-SHA256 with the key's inner and outer states computed once: PBKDF2
// runs the MAC many thousand times with the same key.
class HmacSha256 {
public:
    HmacSha256(const void* key, size_t keySize) {
        uint8_t block[Sha256::kBlockSize] = {};
        if (keySize > Sha256::kBlockSize) {
            Sha256 hash;
            hash.Update(key, keySize);
            const auto digest = hash.Finish();
            std::memcpy(block, digest.data(), digest.size());
        } else if (keySize > 0) {
            std::memcpy(block, key, keySize);
        }
        uint8_t pad[Sha256::kBlockSize];
        for (size_t i = 0; i < sizeof pad; ++i) pad[i] = block[i] ^ 0x36;
        inner_.Update(pad, sizeof pad);
        for (size_t i = 0; i < sizeof pad; ++i) pad[i] = block[i] ^ 0x5c;
        outer_.Update(pad, sizeof pad);
    }

    std::array<uint8_t, Sha256::kDigestSize> Mac(const void* data, size_t size) const {
        Sha256 inner = inner_;
        inner.Update(data, size);
        const auto innerDigest = inner.Finish();
        Sha256 outer = outer_;
        outer.Update(innerDigest.data(), innerDigest.size());
        return outer.Finish();
    }

private:
    Sha256 inner_;
    Sha256 outer_;
};

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

std::array<uint8_t, Sha256::kDigestSize> Derive(std::u16string_view password, const uint8_t* salt, size_t saltSize,
                                                uint32_t iterations) {
    // The password's UTF-16LE bytes, the same on every machine.
    std::vector<uint8_t> bytes;
    for (char16_t unit : password) {
        bytes.push_back(static_cast<uint8_t>(unit & 0xFF));
        bytes.push_back(static_cast<uint8_t>(unit >> 8));
    }
    std::array<uint8_t, Sha256::kDigestSize> key;
    Pbkdf2HmacSha256(bytes.data(), bytes.size(), salt, saltSize, iterations, key.data(), key.size());
    return key;
}

}  // namespace

void Pbkdf2HmacSha256(const void* password, size_t passwordSize, const void* salt, size_t saltSize,
                      uint32_t iterations, uint8_t* out, size_t outSize) {
    const HmacSha256 mac(password, passwordSize);
    std::vector<uint8_t> first(static_cast<const uint8_t*>(salt), static_cast<const uint8_t*>(salt) + saltSize);
    first.resize(saltSize + 4);
    for (uint32_t blockIndex = 1; outSize > 0; ++blockIndex) {
        first[saltSize] = static_cast<uint8_t>(blockIndex >> 24);
        first[saltSize + 1] = static_cast<uint8_t>(blockIndex >> 16);
        first[saltSize + 2] = static_cast<uint8_t>(blockIndex >> 8);
        first[saltSize + 3] = static_cast<uint8_t>(blockIndex);
        auto u = mac.Mac(first.data(), first.size());
        auto block = u;
        for (uint32_t i = 1; i < iterations; ++i) {
            u = mac.Mac(u.data(), u.size());
            for (size_t j = 0; j < block.size(); ++j) block[j] ^= u[j];
        }
        const size_t take = std::min(outSize, block.size());
        std::memcpy(out, block.data(), take);
        out += take;
        outSize -= take;
    }
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
    if (!FromHex(parts[2], salt) || !FromHex(parts[3], expected) || expected.size() != Sha256::kDigestSize)
        return false;
    const auto key = Derive(password, salt.data(), salt.size(), iterations);
    // Compare every byte whatever the first difference, so the time taken
    // does not tell how much of a guess was right.
    uint8_t difference = 0;
    for (size_t i = 0; i < key.size(); ++i) difference |= key[i] ^ expected[i];
    return difference == 0;
}

}  // namespace vaultdb
