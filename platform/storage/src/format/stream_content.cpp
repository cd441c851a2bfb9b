#include "format/stream_content.h"

#include "format/source_image.h"
#include "winapi/errors.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <utility>

namespace storage::format {

StreamContent::StreamContent(std::shared_ptr<const SourceImage> source, uint32_t streamIndex, uint64_t size)
    : source_(std::move(source)), sourceIndex_(streamIndex), storedSize_(size), size_(size) {}

HRESULT StreamContent::Read(uint64_t offset, void* buffer, size_t count, size_t* read) const {
    *read = 0;
    if (offset >= size_) {
        return S_OK;
    }
    count = static_cast<size_t>(std::min<uint64_t>(count, size_ - offset));
    auto* out = static_cast<uint8_t*>(buffer);
    // The stored part, then zeros.
    size_t stored = 0;
    if (offset < storedSize_) {
        stored = static_cast<size_t>(std::min<uint64_t>(count, storedSize_ - offset));
        if (source_) {
            if (const HRESULT hr = source_->ReadStream(sourceIndex_, offset, out, stored); FAILED(hr)) {
                return hr;
            }
        } else {
            std::memcpy(out, bytes_.data() + offset, stored);
        }
    }
    std::memset(out + stored, 0, count - stored);
    *read = count;
    return S_OK;
}

HRESULT StreamContent::Materialize() {
    if (!source_) {
        return S_OK;
    }
    std::vector<uint8_t> bytes;
    try {
        bytes.resize(static_cast<size_t>(storedSize_));
    } catch (const std::bad_alloc&) {
        return STG_E_INSUFFICIENTMEMORY;
    }
    if (const HRESULT hr = source_->ReadStream(sourceIndex_, 0, bytes.data(), bytes.size()); FAILED(hr)) {
        return hr;
    }
    bytes_ = std::move(bytes);
    source_.reset();
    return S_OK;
}

HRESULT StreamContent::Write(uint64_t offset, const void* data, size_t count) {
    if (count == 0) {
        return S_OK;
    }
    if (offset > kMaxStreamSize || count > kMaxStreamSize - offset) {
        return STG_E_MEDIUMFULL;
    }
    if (const HRESULT hr = Materialize(); FAILED(hr)) {
        return hr;
    }
    const uint64_t end = offset + count;
    if (end > bytes_.size()) {
        try {
            // Bytes between the stored end and `offset` are zeros, as they read.
            bytes_.resize(static_cast<size_t>(end));
        } catch (const std::bad_alloc&) {
            return STG_E_INSUFFICIENTMEMORY;
        }
    }
    std::memcpy(bytes_.data() + offset, data, count);
    storedSize_ = bytes_.size();
    size_ = std::max(size_, end);
    return S_OK;
}

HRESULT StreamContent::SetSize(uint64_t size) {
    if (size > kMaxStreamSize) {
        return STG_E_MEDIUMFULL;
    }
    if (size < storedSize_) {
        storedSize_ = size;
        if (!source_) {
            bytes_.resize(static_cast<size_t>(size));
            bytes_.shrink_to_fit();
        }
    }
    size_ = size;
    return S_OK;
}

}  // namespace storage::format
