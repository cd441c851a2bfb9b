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

HRESULT ghWriteChildRecords(ISequentialStream* stream, const ChildList& children) {
    int32_t live = 0, stored = 0;
    for (const auto& child : children) {
        if (!IsStored(child)) continue;
        ++stored;
        if (gbIsLiveChild(*child)) ++live;
    }
    if (!gbWriteInt32(stream, live) || !gbWriteInt32(stream, stored)) return E_OXN_IO_ERROR;
    for (const auto& child : children) {
        if (!IsStored(child)) continue;
        HRESULT hr = ghWriteItemRecord(stream, *child);
        if (FAILED(hr)) return hr;
    }
    return S_OK;
}

HRESULT ghReadChildRecords(ISequentialStream* stream, ChildList& children) {
    uint32_t live, count;
    if (!gbReadUInt32(stream, live) || !gbReadUInt32(stream, count)) return E_OXN_IO_ERROR;
    // The stored count may be damaged: grow with what is actually read.
    try {
        for (uint32_t i = 0; i < count; ++i) {
            RefPtr<ChildWithLink> child(new ChildWithLink);
            HRESULT hr = ghReadItemRecord(stream, *child);
            if (FAILED(hr)) return hr;
            children.push_back(std::move(child));
        }
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    return S_OK;
}
