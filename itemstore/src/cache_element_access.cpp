#include "cache_element_access.h"

#include "record_codec.h"
#include "stream_io.h"

#include "common/error_codes.h"
#include "itemstore/item_cache_file.h"

#include "winapi/errors.h"

#include <algorithm>
#include <new>
#include <string>
#include <vector>

namespace {

// Temporary names beside a children list while it is replaced. Every element
// name of an item ends in "S" or "F" (stream or piece storage), so these two
// never meet one.
constexpr const char16_t* kPendingListName = u"~list.new";
constexpr const char16_t* kPreviousListName = u"~list.old";

}  // namespace

CStorageChain* gpoScopeChain(CItemCacheFile& file, CItemCacheLock& lock) {
    if (!file.mbOpenIn(lock)) return nullptr;
    return lock.mpoChain();
}

HRESULT ghOpenElementStream(CStorageChain& chain, std::u16string_view escapedName, DWORD access, IStream** stream) {
    *stream = nullptr;
    HRESULT hr = chain.mhOpenPath(escapedName, false);
    if (FAILED(hr)) return hr;
    IStream* opened = nullptr;
    hr = chain.mpoCurrentStorage()->OpenStream(chain.mpoElementName(), nullptr, STGM_SHARE_EXCLUSIVE | access, 0,
                                               &opened);
    if (FAILED(hr)) return hr;
    chain.mvSetStream(opened);
    *stream = opened;
    return S_OK;
}

HRESULT ghCreateElementStream(CStorageChain& chain, std::u16string_view escapedName, IStream** stream) {
    *stream = nullptr;
    HRESULT hr = chain.mhOpenPath(escapedName, true);
    if (FAILED(hr)) return hr;
    IStream* created = nullptr;
    hr = chain.mpoCurrentStorage()->CreateStream(chain.mpoElementName(),
                                                 STGM_CREATE | STGM_SHARE_EXCLUSIVE | STGM_WRITE, 0, 0, &created);
    if (FAILED(hr)) return hr;
    chain.mvSetStream(created);
    *stream = created;
    return S_OK;
}

HRESULT ghDestroyElementIfPresent(CStorageChain& chain, std::u16string_view escapedName) {
    HRESULT hr = chain.mhDestroyElement(escapedName);
    return hr == STG_E_FILENOTFOUND ? S_OK : hr;
}

HRESULT ghReadItemStream(IStream* stream, RefPtr<ItemObject>& item) {
    std::vector<uint8_t> bytes;
    const HRESULT read = ghReadWholeStream(stream, bytes);
    if (read == E_OUTOFMEMORY) return read;
    ByteReader in(bytes);
    const HRESULT hr = ghLoadItemRecord(in, item);
    return FAILED(read) ? read : hr;
}

HRESULT ghReadChildrenStream(IStream* stream, ChildList& children) {
    std::vector<uint8_t> bytes;
    const HRESULT read = ghReadWholeStream(stream, bytes);
    if (read == E_OUTOFMEMORY) return read;
    const HRESULT hr = ghDecodeChildRecords(bytes, children);
    return FAILED(read) ? read : hr;
}

HRESULT ghReadStoredList(CStorageChain& chain, std::u16string_view escapedName, ChildList& children) {
    StreamHold hold(chain);
    IStream* stream = nullptr;
    HRESULT hr = ghOpenElementStream(chain, escapedName, STGM_READ, &stream);
    if (FAILED(hr)) return hr;
    return ghReadChildrenStream(stream, children);
}

HRESULT ghWriteElementUnlessSame(CStorageChain& chain, std::u16string_view escapedName,
                                 std::span<const uint8_t> bytes) {
    StreamHold hold(chain);
    IStream* stream = nullptr;
    HRESULT hr = ghOpenElementStream(chain, escapedName, STGM_READWRITE, &stream);
    if (SUCCEEDED(hr)) {
        std::vector<uint8_t> stored;
        hr = ghReadWholeStream(stream, stored);
        if (hr == E_OUTOFMEMORY) return hr;
        if (SUCCEEDED(hr) && stored.size() >= bytes.size() && std::equal(bytes.begin(), bytes.end(), stored.begin()))
            return S_OK;
        LARGE_INTEGER start{};
        hr = stream->Seek(start, STREAM_SEEK_SET, nullptr);
    } else if (hr == STG_E_FILENOTFOUND) {
        hr = ghCreateElementStream(chain, escapedName, &stream);
    }
    if (FAILED(hr)) return hr;
    if (!gbWriteExactly(stream, bytes.data(), bytes.size())) return E_OXN_IO_ERROR;
    return chain.mhCommitIfDirect();
}

HRESULT ghReplaceChildrenList(CStorageChain& chain, std::u16string_view escapedName, const ChildList& children) {
    std::vector<uint8_t> encoded;
    try {
        gvEncodeChildRecords(children, encoded);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    // The same list again (a fetch of what the cache holds) changes nothing.
    {
        StreamHold hold(chain);
        IStream* old = nullptr;
        if (SUCCEEDED(ghOpenElementStream(chain, escapedName, STGM_READ, &old))) {
            std::vector<uint8_t> stored;
            if (SUCCEEDED(ghReadWholeStream(old, stored)) && stored == encoded) return S_OK;
        }
    }

    chain.mvReleaseStream();
    HRESULT hr = chain.mhOpenPath(escapedName, true);
    if (FAILED(hr)) return hr;
    IStorage* storage = chain.mpoCurrentStorage();
    const std::u16string listName = chain.mpoElementName();

    // Leftovers of a process that died in the middle of a replacement.
    storage->DestroyElement(kPendingListName);
    storage->DestroyElement(kPreviousListName);

    IStream* pending = nullptr;
    hr = storage->CreateStream(kPendingListName, STGM_CREATE | STGM_SHARE_EXCLUSIVE | STGM_WRITE, 0, 0, &pending);
    if (FAILED(hr)) return hr;
    hr = gbWriteExactly(pending, encoded.data(), encoded.size()) ? S_OK : E_OXN_IO_ERROR;
    pending->Release();
    if (FAILED(hr)) {
        storage->DestroyElement(kPendingListName);
        return hr;
    }

    // The old list steps aside (kept until the new one is safely in place).
    hr = storage->RenameElement(listName.c_str(), kPreviousListName);
    const bool hadOldList = SUCCEEDED(hr);
    if (FAILED(hr) && hr != STG_E_FILENOTFOUND) {
        storage->DestroyElement(kPendingListName);
        return hr;
    }
    auto putOldListBack = [&] {
        if (hadOldList) storage->RenameElement(kPreviousListName, listName.c_str());
    };
    hr = storage->RenameElement(kPendingListName, listName.c_str());
    if (FAILED(hr)) {
        storage->DestroyElement(kPendingListName);
        putOldListBack();
        return hr;
    }
    hr = chain.mhCommitIfDirect();
    if (FAILED(hr)) {
        storage->DestroyElement(listName.c_str());
        putOldListBack();
        return hr;
    }
    // Persisted by the next commit (or, in a direct scope, the file's close);
    // a copy left by a crash before that is removed by the next replacement.
    if (hadOldList) storage->DestroyElement(kPreviousListName);
    return S_OK;
}
