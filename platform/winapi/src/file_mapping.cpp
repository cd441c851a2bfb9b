// File mappings: the object file's data, from its second page on, mapped
// into each process that asks. The object file is the "page file" behind
// the mapping: it is sized and zero-filled when the mapping is made.
#include "named_object.h"
#include "winapi/errors.h"
#include "winapi/file_mapping.h"

#include <sys/mman.h>

#include <cerrno>
#include <map>
#include <memory>
#include <mutex>

namespace winapi::kernel {

namespace {

constexpr uint64_t kAllocationGranularity = 0x10000;

class FileMappingObject final : public KernelObject {
public:
    FileMappingObject(std::unique_ptr<ObjectFile> file, bool mayWrite) : file_(std::move(file)), mayWrite_(mayWrite) {}

    const ObjectFile& file() const { return *file_; }
    bool mayWrite() const { return mayWrite_; }

private:
    std::unique_ptr<ObjectFile> file_;  // this handle's hold on the object
    bool mayWrite_;
};

// The views this process has mapped: base address -> length.
struct ViewTable {
    std::mutex lock;
    std::map<const void*, size_t> views;
};

ViewTable& Views() {
    // Never destroyed: views may be unmapped from static destructors.
    static ViewTable* table = new ViewTable;
    return *table;
}

HANDLE Fail(DWORD error) {
    SetLastError(error);
    return nullptr;
}

}  // namespace

}  // namespace winapi::kernel

HANDLE WINAPI CreateFileMappingW(HANDLE file, LPSECURITY_ATTRIBUTES, DWORD protect, DWORD sizeHigh, DWORD sizeLow,
                                 LPCWSTR name) {
    using namespace winapi::kernel;
    if (file != INVALID_HANDLE_VALUE) return Fail(ERROR_INVALID_HANDLE);
    if (protect != PAGE_READONLY && protect != PAGE_READWRITE) return Fail(ERROR_INVALID_PARAMETER);
    uint64_t size = uint64_t{sizeHigh} << 32 | sizeLow;
    if (size == 0) return Fail(ERROR_INVALID_PARAMETER);
    ObjectHeader header;
    header.kind = ObjectKind::FileMapping;
    header.protect = protect;
    header.dataSize = size;
    bool created = false;
    auto object = CreateObject(
        name, header, [](int) { return true; }, &created);
    if (!object) return nullptr;
    bool mayWrite = protect == PAGE_READWRITE;
    if (mayWrite && object->header().protect != PAGE_READWRITE) return Fail(ERROR_ACCESS_DENIED);
    HANDLE handle = winapi::RegisterHandle(std::make_shared<FileMappingObject>(std::move(object), mayWrite));
    SetLastError(created ? ERROR_SUCCESS : ERROR_ALREADY_EXISTS);
    return handle;
}

HANDLE WINAPI OpenFileMappingW(DWORD access, BOOL, LPCWSTR name) {
    using namespace winapi::kernel;
    auto object = OpenObject(name, ObjectKind::FileMapping);
    if (!object) return nullptr;
    bool mayWrite = (access & FILE_MAP_WRITE) != 0;
    if (mayWrite && object->header().protect != PAGE_READWRITE) return Fail(ERROR_ACCESS_DENIED);
    return winapi::RegisterHandle(std::make_shared<FileMappingObject>(std::move(object), mayWrite));
}

LPVOID WINAPI MapViewOfFile(HANDLE mapping, DWORD access, DWORD offsetHigh, DWORD offsetLow, SIZE_T bytes) {
    using namespace winapi::kernel;
    auto object = winapi::LookupHandleAs<FileMappingObject>(mapping);
    if (!object) return nullptr;
    int protection;
    int sharing = MAP_SHARED;
    if (access & FILE_MAP_WRITE) {
        if (!object->mayWrite()) return Fail(ERROR_ACCESS_DENIED);
        protection = PROT_READ | PROT_WRITE;
    } else if (access & FILE_MAP_COPY) {
        // Copy-on-write: writes stay in this view.
        protection = PROT_READ | PROT_WRITE;
        sharing = MAP_PRIVATE;
    } else if (access & FILE_MAP_READ) {
        protection = PROT_READ;
    } else {
        return Fail(ERROR_INVALID_PARAMETER);
    }
    uint64_t offset = uint64_t{offsetHigh} << 32 | offsetLow;
    uint64_t size = object->file().header().dataSize;
    if (offset % kAllocationGranularity != 0) return Fail(ERROR_MAPPED_ALIGNMENT);
    if (offset >= size || bytes > size - offset) return Fail(ERROR_ACCESS_DENIED);
    size_t length = bytes != 0 ? bytes : static_cast<size_t>(size - offset);
    void* view =
        ::mmap(nullptr, length, protection, sharing, object->file().fd(), static_cast<off_t>(kDataOffset + offset));
    if (view == MAP_FAILED) {
        winapi::SetLastErrorFromErrno(errno);
        return nullptr;
    }
    ViewTable& table = Views();
    std::lock_guard guard(table.lock);
    table.views[view] = length;
    return view;
}

BOOL WINAPI UnmapViewOfFile(LPCVOID base) {
    using namespace winapi::kernel;
    ViewTable& table = Views();
    size_t length;
    {
        std::lock_guard guard(table.lock);
        auto it = table.views.find(base);
        if (it == table.views.end()) {
            SetLastError(ERROR_INVALID_ADDRESS);
            return FALSE;
        }
        length = it->second;
        table.views.erase(it);
    }
    ::munmap(const_cast<void*>(base), length);
    return TRUE;
}
