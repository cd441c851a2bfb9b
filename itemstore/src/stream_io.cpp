#include "stream_io.h"

#include "winapi/errors.h"

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

bool gbWriteInt32(ISequentialStream* stream, int32_t value) {
    const uint32_t bits = static_cast<uint32_t>(value);
    const uint8_t bytes[4] = {static_cast<uint8_t>(bits), static_cast<uint8_t>(bits >> 8),
                              static_cast<uint8_t>(bits >> 16), static_cast<uint8_t>(bits >> 24)};
    return gbWriteExactly(stream, bytes, sizeof bytes);
}

bool gbWriteUInt64(ISequentialStream* stream, uint64_t value) {
    uint8_t bytes[8];
    for (int i = 0; i < 8; ++i) bytes[i] = static_cast<uint8_t>(value >> (8 * i));
    return gbWriteExactly(stream, bytes, sizeof bytes);
}

bool gbReadUInt32(ISequentialStream* stream, uint32_t& value) {
    uint8_t bytes[4];
    if (!gbReadExactly(stream, bytes, sizeof bytes)) return false;
    value = static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 |
            static_cast<uint32_t>(bytes[2]) << 16 | static_cast<uint32_t>(bytes[3]) << 24;
    return true;
}

bool gbReadInt32(ISequentialStream* stream, int32_t& value) {
    uint32_t bits;
    if (!gbReadUInt32(stream, bits)) return false;
    value = static_cast<int32_t>(bits);
    return true;
}

bool gbReadUInt64(ISequentialStream* stream, uint64_t& value) {
    uint8_t bytes[8];
    if (!gbReadExactly(stream, bytes, sizeof bytes)) return false;
    value = 0;
    for (int i = 0; i < 8; ++i) value |= static_cast<uint64_t>(bytes[i]) << (8 * i);
    return true;
}
