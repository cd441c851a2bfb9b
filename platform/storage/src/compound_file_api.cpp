// StgCreateStorageEx, StgOpenStorageEx and the functions beside them: the
// checks of their arguments, then a document and its root storage.
#include "storage/compound_file.h"

#include "com/com_ptr.h"
#include "com/method_boundary.h"
#include "compound_document.h"
#include "format/file.h"
#include "format/reader.h"
#include "locked_file.h"
#include "storage_modes.h"
#include "storage_object.h"
#include "winapi/errors.h"
#include "winapi/path_mapping.h"

#include <errno.h>
#include <fcntl.h>

#include <memory>
#include <string>

namespace {

HRESULT CheckPath(const WCHAR* path) { return path == nullptr || *path == 0 ? STG_E_INVALIDNAME : S_OK; }

// The format version that creation options ask for: 3 (512-byte sectors) by default.
HRESULT VersionFromOptions(const STGOPTIONS* options, uint16_t* version) {
    *version = 3;
    if (options == nullptr) return S_OK;
    if ((options->usVersion != 1 && options->usVersion != 2) || options->pwcsTemplateFile != nullptr) {
        return STG_E_INVALIDPARAMETER;
    }
    switch (options->ulSectorSize) {
    case 512:
        *version = 3;
        return S_OK;
    case 4096:
        *version = 4;
        return S_OK;
    default:
        return STG_E_INVALIDPARAMETER;
    }
}

HRESULT HandOutRoot(std::shared_ptr<storage::CompoundDocument> document, DWORD mode, REFIID riid, void** object) {
    com::ComPtr<IStorage> root;
    HRESULT hr = storage::CStorage::Make(std::move(document), nullptr, mode, &root);
    if (FAILED(hr)) return hr;
    return root->QueryInterface(riid, object);
}

}  // namespace

HRESULT WINAPI StgCreateStorageEx(const WCHAR* path, DWORD grfMode, DWORD stgfmt, DWORD attributes, STGOPTIONS* options,
                                  PSECURITY_DESCRIPTOR securityDescriptor, REFIID riid, void** object) {
    return com::Boundary([&]() -> HRESULT {
        if (object == nullptr) return STG_E_INVALIDPOINTER;
        *object = nullptr;
        // The new file gets the user's default permissions, as every file
        // this layer creates: a security descriptor is not interpreted.
        (void)securityDescriptor;
        if (HRESULT hr = CheckPath(path); FAILED(hr)) return hr;
        if ((stgfmt != STGFMT_DOCFILE && stgfmt != STGFMT_STORAGE) || attributes != 0) return STG_E_INVALIDPARAMETER;
        uint16_t version = 3;
        if (HRESULT hr = VersionFromOptions(options, &version); FAILED(hr)) return hr;
        if (riid != IID_IStorage && riid != IID_IUnknown) return E_NOINTERFACE;
        if (HRESULT hr = storage::CheckRootMode(grfMode, true); FAILED(hr)) return hr;
        std::shared_ptr<storage::CompoundDocument> document;
        HRESULT hr = storage::CompoundDocument::Create(path, winapi::ToPosixPath(path), grfMode, version,
                                                       (grfMode & STGM_CREATE) != 0, &document);
        if (FAILED(hr)) return hr;
        return HandOutRoot(std::move(document), grfMode, riid, object);
    });
}

HRESULT WINAPI StgOpenStorageEx(const WCHAR* path, DWORD grfMode, DWORD stgfmt, DWORD attributes, STGOPTIONS* options,
                                PSECURITY_DESCRIPTOR securityDescriptor, REFIID riid, void** object) {
    return com::Boundary([&]() -> HRESULT {
        if (object == nullptr) return STG_E_INVALIDPOINTER;
        *object = nullptr;
        (void)securityDescriptor;
        if (HRESULT hr = CheckPath(path); FAILED(hr)) return hr;
        if ((stgfmt != STGFMT_ANY && stgfmt != STGFMT_DOCFILE && stgfmt != STGFMT_STORAGE) || attributes != 0) {
            return STG_E_INVALIDPARAMETER;
        }
        // Options only describe a file being created; an open takes the
        // version and sector size from the file.
        if (options != nullptr && stgfmt != STGFMT_DOCFILE) return STG_E_INVALIDPARAMETER;
        if (riid != IID_IStorage && riid != IID_IUnknown) return E_NOINTERFACE;
        if (HRESULT hr = storage::CheckRootMode(grfMode, false); FAILED(hr)) return hr;
        std::shared_ptr<storage::CompoundDocument> document;
        HRESULT hr = storage::CompoundDocument::Open(path, winapi::ToPosixPath(path), grfMode, &document);
        if (FAILED(hr)) return hr;
        return HandOutRoot(std::move(document), grfMode, riid, object);
    });
}

HRESULT WINAPI StgIsStorageFile(const WCHAR* path) {
    return com::Boundary([&]() -> HRESULT {
        if (HRESULT hr = CheckPath(path); FAILED(hr)) return hr;
        int fd = ::open(winapi::ToPosixPath(path).c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
        if (fd < 0) return storage::StorageErrorFromErrno(errno, STG_E_READFAULT);
        storage::format::File file(fd);
        return storage::format::ProbeSignature(file);
    });
}

HRESULT WINAPI StgCreateDocfile(const WCHAR* path, DWORD grfMode, DWORD reserved, IStorage** storage) {
    if (storage == nullptr) return STG_E_INVALIDPOINTER;
    *storage = nullptr;
    if (reserved != 0) return STG_E_INVALIDPARAMETER;
    return StgCreateStorageEx(path, grfMode, STGFMT_DOCFILE, 0, nullptr, nullptr, IID_IStorage,
                              reinterpret_cast<void**>(storage));
}

HRESULT WINAPI StgOpenStorage(const WCHAR* path, IStorage* priority, DWORD grfMode, SNB exclude, DWORD reserved,
                              IStorage** storage) {
    if (storage == nullptr) return STG_E_INVALIDPOINTER;
    *storage = nullptr;
    if (priority != nullptr || exclude != nullptr || reserved != 0) return STG_E_INVALIDPARAMETER;
    return StgOpenStorageEx(path, grfMode, STGFMT_DOCFILE, 0, nullptr, nullptr, IID_IStorage,
                            reinterpret_cast<void**>(storage));
}
