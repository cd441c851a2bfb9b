#include "itemstore/children_codec.h"

#include "common/error_codes.h"
#include "record_codec.h"
#include "stream_io.h"

#include <new>

namespace {

bool IsStored(const RefPtr<ChildWithLink>& child) { return child && child->meObjectType != kObjectTypeBom; }

}  // namespace

bool gbIsLiveChild(const ItemObject& child) {
    // Unsigned: -1 and every value other than 3 and 4 count as live.
    return static_cast<uint32_t>(child.meLinkOperation) - static_cast<uint32_t>(kLinkOpRemove) > 1u;
}

void gvEncodeChildRecords(const ChildList& children, std::vector<uint8_t>& bytes) {
    int32_t live = 0, stored = 0;
    for (const auto& child : children) {
        if (!IsStored(child)) continue;
        ++stored;
        if (gbIsLiveChild(*child)) ++live;
    }
    gvAppendInt32(bytes, live);
    gvAppendInt32(bytes, stored);
    for (const auto& child : children)
        if (IsStored(child)) gvEncodeItemRecord(*child, bytes);
}

HRESULT ghDecodeChildRecords(std::span<const uint8_t> bytes, ChildList& children) {
    ByteReader in(bytes);
    uint32_t live, count;
    if (!in.mbTakeUInt32(live) || !in.mbTakeUInt32(count)) return E_OXN_IO_ERROR;
    // The stored count may be damaged: grow with what is actually decoded.
    try {
        for (uint32_t i = 0; i < count; ++i) {
            RefPtr<ChildWithLink> child(new ChildWithLink);
            HRESULT hr = ghDecodeItemRecord(in, *child);
            if (FAILED(hr)) return hr;
            children.push_back(std::move(child));
        }
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    return S_OK;
}

HRESULT ghWriteChildRecords(ISequentialStream* stream, const ChildList& children) {
    std::vector<uint8_t> bytes;
    try {
        gvEncodeChildRecords(children, bytes);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    return gbWriteExactly(stream, bytes.data(), bytes.size()) ? S_OK : E_OXN_IO_ERROR;
}

HRESULT ghReadChildRecords(ISequentialStream* stream, ChildList& children) {
    std::vector<uint8_t> bytes;
    const HRESULT read = ghReadRestOfStream(stream, bytes);
    if (read == E_OUTOFMEMORY) return read;
    // After a failed read the records read before it still count.
    const HRESULT hr = ghDecodeChildRecords(bytes, children);
    return FAILED(read) ? read : hr;
}
