#include "itemstore/item_cache_file.h"

#include "cache_mutex.h"

#include "common/error_codes.h"
#include "itemstore/cache_location.h"
#include "itemstore/element_names.h"
#include "itemstore/item_cache_lock.h"

#include "com/com_error.h"
#include "storage/compound_file.h"
#include "winapi/errors.h"
#include "winapi/files.h"
#include "winapi/handles.h"

#include <cerrno>
#include <new>
#include <utility>

namespace {

constexpr DWORD kFileMode = STGM_SHARE_EXCLUSIVE | STGM_READWRITE;
constexpr DWORD kTransactedModeBits = STGM_TRANSACTED | STGM_NOSCRATCH;
constexpr DWORD kCreateStreamMode = STGM_CREATE | STGM_SHARE_EXCLUSIVE | STGM_WRITE;

// The cache's codes for a storage failure: not found, name refused, or any
// other cache failure.
HRESULT MapOpenError(HRESULT hr) {
    if (hr == STG_E_FILENOTFOUND || hr == E_OXN_FILE_NOT_FOUND) return E_OXN_FILE_NOT_FOUND;
    if (hr == STG_E_INVALIDNAME || hr == E_OXN_INVALID_NAME) return E_OXN_INVALID_NAME;
    return E_OXN_IO_ERROR;
}

std::u16string HeaderTextOrRaise() {
    std::u16string text;
    HRESULT hr = ghItemCacheHeaderText(text);
    if (FAILED(hr)) _com_issue_error(hr);
    return text;
}

}  // namespace

CItemCacheFile::CItemCacheFile(REFGUID vault) : headerText_(HeaderTextOrRaise()) {
    HRESULT hr = ghItemCacheFilePath(vault, path_);
    if (FAILED(hr)) _com_issue_error(hr);
}

CItemCacheFile::CItemCacheFile(std::u16string path) : path_(std::move(path)), headerText_(HeaderTextOrRaise()) {}

CItemCacheFile::~CItemCacheFile() {
    if (cacheMutex_) CloseHandle(cacheMutex_);
}

HANDLE CItemCacheFile::mpoCacheMutex() {
    std::lock_guard<std::mutex> guard(cacheMutexGuard_);
    if (!cacheMutex_) cacheMutex_ = gpoOpenCacheMutex();
    return cacheMutex_;
}

HRESULT CItemCacheFile::mhOpen(CItemCacheLock& lock, int mode) {
    if (lock.mpoFile() != this) return E_FAIL;  // the scope ends through its lock: it must hold this file
    // Another scope (the same thread nested inside its own scope) has the
    // file open: leave its storage, chain and pending changes alone.
    if (root_) return E_OXN_IO_ERROR;
    bool transacted = mode == kCacheLockTransacted;
    transacted_ = transacted;
    try {
        errno = 0;
        // Created only when it is certainly absent: any other reason for a
        // failed access test goes to the open, which reports it.
        if (_waccess(path_.c_str(), 0) != 0 && errno == ENOENT) {
            HRESULT hr = mhCreate(lock, transacted);
            if (hr != STG_E_FILEALREADYEXISTS) return hr;
            // Created meanwhile by a scope running without the mutex: open it.
        }
        return mhOpenExisting(lock, transacted);
    } catch (const std::bad_alloc&) {
        if (!lock.mpoChain()) root_ = nullptr;
        return E_OXN_IO_ERROR;
    }
}

// Returns STG_E_FILEALREADYEXISTS unmapped when the file exists after all.
HRESULT CItemCacheFile::mhCreate(CItemCacheLock& lock, bool transacted) {
    STGOPTIONS options{};
    options.usVersion = 1;
    options.ulSectorSize = 4096;
    options.pwcsTemplateFile = nullptr;
    // Without STGM_CREATE: an existing cache is never replaced.
    DWORD mode = kFileMode | (transacted ? kTransactedModeBits : 0);
    com::ComPtr<IStorage> root;
    HRESULT hr = StgCreateStorageEx(path_.c_str(), mode, STGFMT_DOCFILE, 0, &options, nullptr, IID_IStorage,
                                    reinterpret_cast<void**>(&root));
    if (hr == STG_E_FILEALREADYEXISTS) return hr;
    if (FAILED(hr)) return MapOpenError(hr);
    root_ = std::move(root);
    owner_ = &lock;
    hr = lock.mhAttachChain(root_, transacted);
    if (FAILED(hr)) {
        root_ = nullptr;
        owner_ = nullptr;
        return MapOpenError(hr);
    }
    // A failure here leaves the scope open, without a header stream.
    return mhWriteHeader(lock);
}

HRESULT CItemCacheFile::mhWriteHeader(CItemCacheLock& lock) {
    CStorageChain& chain = *lock.mpoChain();
    HRESULT hr = chain.mhOpenPath(kHeaderStreamName, true);
    if (FAILED(hr)) return MapOpenError(hr);
    IStream* stream = nullptr;
    hr = chain.mpoCurrentStorage()->CreateStream(chain.mpoElementName(), kCreateStreamMode, 0, 0, &stream);
    if (FAILED(hr)) return MapOpenError(hr);
    chain.mvSetStream(stream);
    ULONG bytes = static_cast<ULONG>((headerText_.size() + 1) * sizeof(char16_t));
    stream->Write(headerText_.c_str(), bytes, nullptr);  // nothing reads the header: its result is not examined
    chain.mvReleaseStream();
    // The new file with its header in one commit.
    hr = chain.mhCommitIfDirect();
    return FAILED(hr) ? MapOpenError(hr) : S_OK;
}

HRESULT CItemCacheFile::mhOpenExisting(CItemCacheLock& lock, bool transacted) {
    DWORD mode = kFileMode | (transacted ? kTransactedModeBits : 0);
    com::ComPtr<IStorage> root;
    HRESULT hr = StgOpenStorageEx(path_.c_str(), mode, STGFMT_ANY, 0, nullptr, nullptr, IID_IStorage,
                                  reinterpret_cast<void**>(&root));
    // A holder that died inside its scope holds the file no longer: the cache
    // mutex is handed on only once the dead holder's process has ended and
    // its files are closed (see item_cache_lock.h).
    if (FAILED(hr)) return MapOpenError(hr);
    root_ = std::move(root);
    owner_ = &lock;
    hr = lock.mhAttachChain(root_, transacted);
    if (FAILED(hr)) {
        root_ = nullptr;
        owner_ = nullptr;
        return MapOpenError(hr);
    }
    return S_OK;
}

HRESULT CItemCacheFile::mhCommit(const CItemCacheLock& lock) {
    if (!mbOpenIn(lock) || !transacted_) return E_FAIL;
    transacted_ = false;
    return root_->Commit(STGC_DEFAULT);
}

HRESULT CItemCacheFile::mhRevert(const CItemCacheLock& lock) {
    if (!mbOpenIn(lock) || !transacted_) return E_FAIL;
    transacted_ = false;
    return root_->Revert();
}

void CItemCacheFile::mvCloseScope() {
    if (!root_) return;
    if (transacted_) {
        transacted_ = false;
        root_->Commit(STGC_DEFAULT);
    }
    root_ = nullptr;
    owner_ = nullptr;
}
