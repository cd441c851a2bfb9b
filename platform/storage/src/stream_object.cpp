#include "stream_object.h"

#include "com/method_boundary.h"
#include "compound_document.h"
#include "element_stat.h"
#include "storage_modes.h"
#include "winapi/errors.h"

#include <algorithm>
#include <cstdint>
#include <utility>
#include <vector>

namespace storage {

HRESULT CStream::Make(std::shared_ptr<CompoundDocument> document, format::Element* element, DWORD mode,
                      uint64_t position, IStream** stream) {
    CComObject<CStream>* object = nullptr;
    HRESULT hr = CComObject<CStream>::CreateInstance(&object);
    if (FAILED(hr)) return hr;
    object->document_ = std::move(document);
    object->element_ = element;
    object->mode_ = mode;
    object->generation_ = object->document_->Generation();
    object->position_ = position;
    object->document_->NoteOpened(*element);
    object->AddRef();
    *stream = object;
    return S_OK;
}

void CStream::FinalRelease() {
    document_->NoteClosed(*element_, generation_);
    document_.reset();
}

format::Element* CStream::Current() { return generation_ == document_->Generation() ? element_ : nullptr; }

HRESULT CStream::Read(void* buffer, ULONG size, ULONG* read) {
    return com::Boundary([&]() -> HRESULT {
        if (read != nullptr) *read = 0;
        if (buffer == nullptr && size != 0) return STG_E_INVALIDPOINTER;
        format::Element* self = Current();
        if (self == nullptr) return STG_E_REVERTED;
        if (!CanRead(mode_)) return STG_E_ACCESSDENIED;
        size_t count = 0;
        HRESULT hr = self->Content().Read(position_, buffer, size, &count);
        if (FAILED(hr)) return hr;
        position_ += count;
        if (read != nullptr) *read = static_cast<ULONG>(count);
        return S_OK;
    });
}

HRESULT CStream::Write(const void* buffer, ULONG size, ULONG* written) {
    return com::Boundary([&]() -> HRESULT {
        if (written != nullptr) *written = 0;
        if (buffer == nullptr && size != 0) return STG_E_INVALIDPOINTER;
        format::Element* self = Current();
        if (self == nullptr) return STG_E_REVERTED;
        if (!CanWrite(mode_)) return STG_E_ACCESSDENIED;
        if (size == 0) return S_OK;
        HRESULT hr = self->MutableContent().Write(position_, buffer, size);
        if (FAILED(hr)) return hr;
        document_->NoteChange();
        position_ += size;
        if (written != nullptr) *written = size;
        return S_OK;
    });
}

HRESULT CStream::Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* newPosition) {
    return com::Boundary([&]() -> HRESULT {
        format::Element* self = Current();
        if (self == nullptr) return STG_E_REVERTED;
        int64_t base = 0;
        switch (origin) {
        case STREAM_SEEK_SET:
            base = 0;
            break;
        case STREAM_SEEK_CUR:
            base = static_cast<int64_t>(position_);
            break;
        case STREAM_SEEK_END:
            base = static_cast<int64_t>(self->Content().Size());
            break;
        default:
            return STG_E_INVALIDFUNCTION;
        }
        int64_t target = 0;
        if (__builtin_add_overflow(base, move.QuadPart, &target) || target < 0) return STG_E_INVALIDFUNCTION;
        // Past the end is allowed: a write there grows the stream.
        position_ = static_cast<uint64_t>(target);
        if (newPosition != nullptr) newPosition->QuadPart = position_;
        return S_OK;
    });
}

HRESULT CStream::SetSize(ULARGE_INTEGER newSize) {
    return com::Boundary([&]() -> HRESULT {
        format::Element* self = Current();
        if (self == nullptr) return STG_E_REVERTED;
        if (!CanWrite(mode_)) return STG_E_ACCESSDENIED;
        if (newSize.QuadPart == self->Content().Size()) return S_OK;
        HRESULT hr = self->MutableContent().SetSize(newSize.QuadPart);
        if (SUCCEEDED(hr)) document_->NoteChange();
        return hr;
    });
}

HRESULT CStream::CopyTo(IStream* target, ULARGE_INTEGER size, ULARGE_INTEGER* read, ULARGE_INTEGER* written) {
    return com::Boundary([&]() -> HRESULT {
        if (read != nullptr) read->QuadPart = 0;
        if (written != nullptr) written->QuadPart = 0;
        if (target == nullptr) return STG_E_INVALIDPOINTER;
        format::Element* self = Current();
        if (self == nullptr) return STG_E_REVERTED;
        if (!CanRead(mode_)) return STG_E_ACCESSDENIED;
        std::vector<uint8_t> buffer(static_cast<size_t>(std::min<uint64_t>(size.QuadPart, 64 * 1024)));
        uint64_t totalRead = 0;
        uint64_t totalWritten = 0;
        HRESULT hr = S_OK;
        while (totalRead < size.QuadPart) {
            size_t chunk = static_cast<size_t>(std::min<uint64_t>(buffer.size(), size.QuadPart - totalRead));
            size_t count = 0;
            hr = self->Content().Read(position_, buffer.data(), chunk, &count);
            if (FAILED(hr) || count == 0) break;
            position_ += count;
            totalRead += count;
            ULONG chunkWritten = 0;
            hr = target->Write(buffer.data(), static_cast<ULONG>(count), &chunkWritten);
            totalWritten += chunkWritten;
            if (FAILED(hr)) break;
        }
        if (read != nullptr) read->QuadPart = totalRead;
        if (written != nullptr) written->QuadPart = totalWritten;
        return hr;
    });
}

HRESULT CStream::Commit(DWORD commitFlags) {
    return com::Boundary([&]() -> HRESULT {
        if (Current() == nullptr) return STG_E_REVERTED;
        if (HRESULT hr = CheckCommitFlags(commitFlags); FAILED(hr)) return hr;
        // A stream has no transaction of its own: in a direct file this
        // writes what is pending, in a transacted one the root decides.
        if (document_->Transacted()) return S_OK;
        return document_->Commit();
    });
}

HRESULT CStream::Revert() {
    return com::Boundary([&]() -> HRESULT { return Current() == nullptr ? STG_E_REVERTED : S_OK; });
}

HRESULT CStream::LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) {
    // Compound-file streams offer no range locks; the file as a whole is
    // locked by its root.
    return com::Boundary([&]() -> HRESULT { return Current() == nullptr ? STG_E_REVERTED : STG_E_INVALIDFUNCTION; });
}

HRESULT CStream::UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) {
    return com::Boundary([&]() -> HRESULT { return Current() == nullptr ? STG_E_REVERTED : STG_E_INVALIDFUNCTION; });
}

HRESULT CStream::Stat(STATSTG* stat, DWORD statFlag) {
    return com::Boundary([&]() -> HRESULT {
        if (stat == nullptr) return STG_E_INVALIDPOINTER;
        format::Element* self = Current();
        if (self == nullptr) return STG_E_REVERTED;
        return FillStat(*self, self->Name(), mode_, statFlag, stat);
    });
}

HRESULT CStream::Clone(IStream** clone) {
    return com::Boundary([&]() -> HRESULT {
        if (clone == nullptr) return STG_E_INVALIDPOINTER;
        *clone = nullptr;
        format::Element* self = Current();
        if (self == nullptr) return STG_E_REVERTED;
        return Make(document_, self, mode_, position_, clone);
    });
}

}  // namespace storage
