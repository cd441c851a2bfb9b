// SHA-256 (FIPS 180-4), for the password hashes.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace vaultdb {

class Sha256 {
public:
    static constexpr size_t kDigestSize = 32;
    static constexpr size_t kBlockSize = 64;

    Sha256();
    void Update(const void* data, size_t size);
    std::array<uint8_t, kDigestSize> Finish();

private:
    void Compress(const uint8_t* block);

    uint32_t state_[8];
    uint8_t buffer_[kBlockSize];
    size_t buffered_ = 0;
    uint64_t totalBytes_ = 0;
};

}  // namespace vaultdb
