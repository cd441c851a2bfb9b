#include "stream_io.h"

#include "common/error_codes.h"

#include "winapi/errors.h"

#include <cstring>
#include <limits>
#include <new>

namespace {

// The first block of a read without a size: a children list of a few
// records fits.
constexpr size_t kFirstReadBlock = 4096;

uint32_t DecodeUInt32(const uint8_t* bytes) {
    return static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 |
           static_cast<uint32_t>(bytes[2]) << 16 | static_cast<uint32_t>(bytes[3]) << 24;
}

}  // namespace

bool gbWriteExactly(ISequentialStream* stream, const void* bytes, size_t count) {
    ULONG written = 0;
    HRESULT hr = stream->Write(bytes, static_cast<ULONG>(count), &written);
    return SUCCEEDED(hr) && written == count;
}

bool gbReadExactly(ISequentialStream* stream, void* bytes, size_t count) {
    ULONG read = 0;
    HRESULT hr = stream->Read(bytes, static_cast<ULONG>(count), &read);
    return SUCCEEDED(hr) && read == count;
}

bool gbReadUInt32(ISequentialStream* stream, uint32_t& value) {
    uint8_t bytes[4];
    if (!gbReadExactly(stream, bytes, sizeof bytes)) return false;
    value = DecodeUInt32(bytes);
    return true;
}

HRESULT ghReadWholeStream(IStream* stream, std::vector<uint8_t>& bytes) {
    bytes.clear();
    STATSTG stat{};
    if (FAILED(stream->Stat(&stat, STATFLAG_NONAME))) return E_OXN_IO_ERROR;
    if (stat.cbSize.QuadPart > std::numeric_limits<ULONG>::max()) return E_OXN_IO_ERROR;
    const ULONG size = static_cast<ULONG>(stat.cbSize.QuadPart);
    try {
        bytes.resize(size);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    ULONG read = 0;
    const HRESULT hr = size != 0 ? stream->Read(bytes.data(), size, &read) : S_OK;
    bytes.resize(SUCCEEDED(hr) ? read : 0);
    return SUCCEEDED(hr) ? S_OK : E_OXN_IO_ERROR;
}

HRESULT ghReadRestOfStream(ISequentialStream* stream, std::vector<uint8_t>& bytes) {
    bytes.clear();
    size_t block = kFirstReadBlock;
    try {
        for (;;) {
            const size_t start = bytes.size();
            bytes.resize(start + block);
            ULONG read = 0;
            const HRESULT hr = stream->Read(bytes.data() + start, static_cast<ULONG>(block), &read);
            bytes.resize(start + (SUCCEEDED(hr) ? read : 0));
            if (FAILED(hr)) return E_OXN_IO_ERROR;
            if (read < block) return S_OK;
            block *= 2;
        }
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

void gvAppendInt32(std::vector<uint8_t>& bytes, int32_t value) {
    const uint32_t bits = static_cast<uint32_t>(value);
    const uint8_t word[4] = {static_cast<uint8_t>(bits), static_cast<uint8_t>(bits >> 8),
                             static_cast<uint8_t>(bits >> 16), static_cast<uint8_t>(bits >> 24)};
    bytes.insert(bytes.end(), word, word + 4);
}

void gvAppendUInt64(std::vector<uint8_t>& bytes, uint64_t value) {
    uint8_t word[8];
    for (int i = 0; i < 8; ++i) word[i] = static_cast<uint8_t>(value >> (8 * i));
    bytes.insert(bytes.end(), word, word + 8);
}

bool ByteReader::mbTake(void* target, size_t count) {
    std::span<const uint8_t> view;
    if (!mbTakeView(count, view)) return false;
    if (count != 0) std::memcpy(target, view.data(), count);
    return true;
}

bool ByteReader::mbTakeView(size_t count, std::span<const uint8_t>& view) {
    if (rest_.size() < count) return false;
    view = rest_.first(count);
    rest_ = rest_.subspan(count);
    return true;
}

bool ByteReader::mbTakeUInt32(uint32_t& value) {
    if (rest_.size() < 4) return false;
    value = DecodeUInt32(rest_.data());
    rest_ = rest_.subspan(4);
    return true;
}

bool ByteReader::mbTakeInt32(int32_t& value) {
    uint32_t bits;
    if (!mbTakeUInt32(bits)) return false;
    value = static_cast<int32_t>(bits);
    return true;
}

bool ByteReader::mbTakeUInt64(uint64_t& value) {
    if (rest_.size() < 8) return false;
    value = 0;
    for (int i = 0; i < 8; ++i) value |= static_cast<uint64_t>(rest_[i]) << (8 * i);
    rest_ = rest_.subspan(8);
    return true;
}
