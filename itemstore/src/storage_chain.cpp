#include "itemstore/storage_chain.h"

#include "itemstore/element_names.h"

#include "winapi/errors.h"

#include <utility>

namespace {

constexpr DWORD kOpenStorageMode = STGM_SHARE_EXCLUSIVE | STGM_READWRITE;
constexpr DWORD kCreateStorageMode = STGM_CREATE | STGM_SHARE_EXCLUSIVE | STGM_READWRITE;

// S_OK when `storage` holds no element, S_FALSE when it holds one, or the
// enumeration's failure.
HRESULT IsEmpty(IStorage* storage) {
    IEnumSTATSTG* elements = nullptr;
    HRESULT hr = storage->EnumElements(0, nullptr, 0, &elements);
    if (FAILED(hr)) return hr;
    hr = elements->Skip(1);
    elements->Release();
    if (hr == S_FALSE) return S_OK;
    return SUCCEEDED(hr) ? S_FALSE : hr;
}

}  // namespace

CStorageChain::CStorageChain(IStorage* root, bool transacted) : root_(root), transacted_(transacted) {
    paths_[0].current = root;
    paths_[1].current = root;
}

CStorageChain::~CStorageChain() {
    mvReleaseStream();
    mhReleaseFrom(mCurrent(), 0);
    mvClearPath(paths_[0]);
    mvClearPath(paths_[1]);
}

void CStorageChain::mvSplitPath(std::u16string_view escapedName) {
    SplitElementName split;
    gvSplitElementName(escapedName, split);
    StoragePath& scratch = mScratch();
    scratch.storageNames = std::move(split.storages);
    scratch.elementName = std::move(split.stream);
}

HRESULT CStorageChain::mhOpenPath(std::u16string_view escapedName, bool create) {
    // A stream left by a failed operation would keep its storage from being
    // released or destroyed.
    mvReleaseStream();
    mvSplitPath(escapedName);
    StoragePath& old = mCurrent();
    StoragePath& next = mScratch();

    size_t kept = 0;
    while (kept < old.open.size() && kept < next.storageNames.size() && old.open[kept].name == next.storageNames[kept])
        ++kept;

    // The storages past the common prefix are released (their parents are
    // still in `old`), then the prefix moves over to the new path.
    HRESULT released = mhReleaseFrom(old, kept);
    next.open.clear();
    for (size_t i = 0; i < kept; ++i) next.open.push_back(std::move(old.open[i]));
    next.current = kept ? next.open.back().storage : root_;
    old.open.clear();
    old.storageNames.clear();
    old.elementName.clear();
    old.current = root_;
    selector_ ^= 1;
    if (FAILED(released)) return released;

    HRESULT hr = released;
    IStorage* innermost = next.current;
    for (size_t i = kept; i < next.storageNames.size(); ++i) {
        const std::u16string& name = next.storageNames[i];
        IStorage* storage = nullptr;
        hr = innermost->OpenStorage(name.c_str(), nullptr, kOpenStorageMode, nullptr, 0, &storage);
        if (hr == STG_E_FILENOTFOUND && create)
            hr = innermost->CreateStorage(name.c_str(), kCreateStorageMode, 0, 0, &storage);
        if (FAILED(hr)) return hr;  // current stays where it was; the opened ones stay recorded
        next.open.push_back(OpenStorage{name, storage});
        innermost = storage;
    }
    next.current = innermost;
    return hr;
}

HRESULT CStorageChain::mhReleaseFrom(StoragePath& path, size_t position) {
    HRESULT result = S_FALSE;
    std::u16string pending;  // an emptied storage to destroy in its parent
    HRESULT failure = S_OK;
    while (path.open.size() > position) {
        OpenStorage record = std::move(path.open.back());
        path.open.pop_back();
        if (SUCCEEDED(failure) && !pending.empty()) {
            failure = record.storage->DestroyElement(pending.c_str());
            if (SUCCEEDED(failure)) result = S_OK;
            pending.clear();
        }
        // After a failure the rest are only released, never destroyed.
        if (SUCCEEDED(failure) && IsEmpty(record.storage) == S_OK) pending = record.name;
        record.storage->Release();
    }
    if (FAILED(failure)) return failure;
    if (!pending.empty()) {
        IStorage* parent = position ? path.open[position - 1].storage : root_;
        HRESULT hr = parent->DestroyElement(pending.c_str());
        if (FAILED(hr)) return hr;
        result = S_OK;
    }
    return result;
}

void CStorageChain::mvClearPath(StoragePath& path) {
    if (path.stream) {
        path.stream->Release();
        path.stream = nullptr;
    }
    while (!path.open.empty()) {  // deepest first
        path.open.back().storage->Release();
        path.open.pop_back();
    }
    path.storageNames.clear();
    path.elementName.clear();
    path.current = root_;
}

HRESULT CStorageChain::mhDestroyElement(std::u16string_view escapedName) {
    if (escapedName.empty()) return E_INVALIDARG;
    HRESULT hr = mhOpenPath(escapedName, false);
    if (FAILED(hr)) return hr;
    hr = mpoCurrentStorage()->DestroyElement(mpoElementName());
    if (FAILED(hr)) return hr;
    return mhCommitIfDirect();
}

HRESULT CStorageChain::mhCommitIfDirect() {
    if (transacted_) return S_OK;
    pending_ = true;
    return mhCommitPending();
}

HRESULT CStorageChain::mhCommitPending() {
    if (!pending_ || batchDepth_ != 0) return S_OK;
    ++commits_;
    HRESULT hr = root_->Commit(STGC_DEFAULT);
    // A failed commit leaves the change pending: the next one writes it.
    if (SUCCEEDED(hr)) pending_ = false;
    return hr;
}

CStorageChain::CommitBatch::CommitBatch(CStorageChain& chain) : chain_(&chain) { ++chain.batchDepth_; }

CStorageChain::CommitBatch::~CommitBatch() { mhEnd(); }

HRESULT CStorageChain::CommitBatch::mhEnd() {
    if (!chain_) return S_OK;
    CStorageChain& chain = *chain_;
    chain_ = nullptr;
    --chain.batchDepth_;
    return chain.mhCommitPending();
}

IStorage* CStorageChain::mpoCurrentStorage() const { return mCurrent().current; }

const WCHAR* CStorageChain::mpoElementName() const { return mCurrent().elementName.c_str(); }

void CStorageChain::mvSetStream(IStream* stream) {
    mvReleaseStream();
    mCurrent().stream = stream;
}

IStream* CStorageChain::mpoStream() const { return mCurrent().stream; }

void CStorageChain::mvReleaseStream() {
    StoragePath& path = mCurrent();
    if (path.stream) {
        path.stream->Release();
        path.stream = nullptr;
    }
}
