// Salted password hashes: PBKDF2-HMAC-SHA256 (RFC 8018) over the password's
// UTF-16LE code units with a 16-byte random salt, stored as one text:
//   "pbkdf2-sha256$<iterations>$<salt hex>$<32-byte hash hex>"
// The iteration count travels with the hash, so it can grow later without
// invalidating stored passwords.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace vaultdb {

constexpr uint32_t kDefaultPasswordIterations = 100000;

// A new salted hash of `password` (a fresh salt each call). Throws
// std::runtime_error when the system gives no random bytes for the salt.
std::string HashPassword(std::u16string_view password, uint32_t iterations = kDefaultPasswordIterations);
// True when `password` matches `stored` (HashPassword's text); false for a
// wrong password or a malformed stored text.
bool VerifyPassword(std::u16string_view password, std::string_view stored);

// The KDF itself (libcrypto's), for its test vectors: PBKDF2-HMAC-SHA256.
// Throws std::runtime_error when libcrypto fails.
void Pbkdf2HmacSha256(const void* password, size_t passwordSize, const void* salt, size_t saltSize, uint32_t iterations,
                      uint8_t* out, size_t outSize);

}  // namespace vaultdb
