// A stream over bytes in memory for the codec tests, which can be told to
// accept only so many bytes (a full disk) or to fail outright, and counts
// its Read and Write calls. Of IStream's own methods only Stat works (the
// size), as the readers of whole streams need.
#pragma once

#include "storage/storage.h"
#include "winapi/errors.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <string>

class MemoryStream : public IStream {
public:
    MemoryStream() = default;
    explicit MemoryStream(std::string bytes) : bytes_(std::move(bytes)) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** object) override {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    // Lives on the test's stack.
    ULONG STDMETHODCALLTYPE AddRef() override { return 1; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }

    HRESULT STDMETHODCALLTYPE Read(void* buffer, ULONG size, ULONG* read) override {
        ++reads_;
        size_t count = std::min<size_t>(size, bytes_.size() - std::min(position_, bytes_.size()));
        if (count > 0) std::memcpy(buffer, bytes_.data() + position_, count);
        position_ += count;
        if (read) *read = static_cast<ULONG>(count);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Write(const void* buffer, ULONG size, ULONG* written) override {
        ++writes_;
        if (failWrites_) return STG_E_WRITEFAULT;
        size_t count = std::min<size_t>(size, capacity_ - std::min(capacity_, position_));
        if (bytes_.size() < position_ + count) bytes_.resize(position_ + count);
        if (count > 0) std::memcpy(bytes_.data() + position_, buffer, count);
        position_ += count;
        if (written) *written = static_cast<ULONG>(count);
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE Stat(STATSTG* stat, DWORD) override {
        *stat = STATSTG{};
        stat->type = STGTY_STREAM;
        stat->cbSize.QuadPart = bytes_.size();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Seek(LARGE_INTEGER, DWORD, ULARGE_INTEGER*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetSize(ULARGE_INTEGER) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CopyTo(IStream*, ULARGE_INTEGER, ULARGE_INTEGER*, ULARGE_INTEGER*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Commit(DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Revert() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Clone(IStream**) override { return E_NOTIMPL; }

    const std::string& bytes() const { return bytes_; }
    int reads() const { return reads_; }
    int writes() const { return writes_; }
    size_t position() const { return position_; }
    void Rewind() { position_ = 0; }
    // Writes beyond `capacity` bytes are cut short (with S_OK).
    void LimitTo(size_t capacity) { capacity_ = capacity; }
    void FailWrites() { failWrites_ = true; }

private:
    std::string bytes_;
    size_t position_ = 0;
    size_t capacity_ = std::numeric_limits<size_t>::max();
    bool failWrites_ = false;
    int reads_ = 0;
    int writes_ = 0;
};

// Little-endian pieces for building expected bytes by hand.
inline std::string Le32(uint32_t value) {
    std::string bytes(4, '\0');
    for (int i = 0; i < 4; ++i) bytes[i] = static_cast<char>(value >> (8 * i));
    return bytes;
}
inline std::string LeDouble(double value) {
    uint64_t bits;
    std::memcpy(&bits, &value, 8);
    std::string bytes(8, '\0');
    for (int i = 0; i < 8; ++i) bytes[i] = static_cast<char>(bits >> (8 * i));
    return bytes;
}
// UTF-16LE with the terminating NUL.
inline std::string Utf16Le(std::u16string_view text) {
    std::string bytes;
    for (char16_t c : text) {
        bytes += static_cast<char>(c & 0xFF);
        bytes += static_cast<char>(c >> 8);
    }
    bytes += std::string(2, '\0');
    return bytes;
}
