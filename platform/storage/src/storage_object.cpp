#include "storage_object.h"

#include "com/com_ptr.h"
#include "com/method_boundary.h"
#include "compound_document.h"
#include "element_copy.h"
#include "element_enumerator.h"
#include "element_stat.h"
#include "storage_modes.h"
#include "stream_object.h"
#include "winapi/errors.h"
#include "winapi/system_time.h"

#include <utility>

namespace storage {

HRESULT CStorage::Make(std::shared_ptr<CompoundDocument> document, format::Element* element, DWORD mode,
                       IStorage** storage) {
    CComObject<CStorage>* object = nullptr;
    HRESULT hr = CComObject<CStorage>::CreateInstance(&object);
    if (FAILED(hr)) return hr;
    object->document_ = std::move(document);
    object->element_ = element;
    object->mode_ = mode;
    object->generation_ = object->document_->Generation();
    if (element != nullptr) object->document_->NoteOpened(*element);
    object->AddRef();
    *storage = object;
    return S_OK;
}

void CStorage::FinalRelease() {
    if (element_ != nullptr) document_->NoteClosed(*element_, generation_);
    // The root's document may go with this reference: direct changes are
    // written and the file's lock is given up (compound_document.h).
    document_.reset();
}

format::Element* CStorage::Current() {
    if (IsRoot()) return &document_->Root();
    return generation_ == document_->Generation() ? element_ : nullptr;
}

format::Element* CStorage::FindChild(format::Element& self, const OLECHAR* name, HRESULT* hr) {
    if (name == nullptr) {
        *hr = STG_E_INVALIDNAME;
        return nullptr;
    }
    *hr = format::ValidateElementName(name);
    if (FAILED(*hr)) return nullptr;
    format::Element* child = self.FindChild(name);
    *hr = child != nullptr ? S_OK : STG_E_FILENOTFOUND;
    return child;
}

HRESULT CStorage::CreateChild(format::Element& self, const OLECHAR* name, bool stream, DWORD mode,
                              format::Element** created) {
    if (name == nullptr) return STG_E_INVALIDNAME;
    std::u16string_view childName(name);
    HRESULT hr = format::ValidateElementName(childName);
    if (FAILED(hr)) return hr;
    if (format::Element* existing = self.FindChild(childName)) {
        if ((mode & STGM_CREATE) == 0) return STG_E_FILEALREADYEXISTS;
        if (document_->HasOpenElementWithin(*existing)) return STG_E_ACCESSDENIED;
        self.DestroyChild(childName);
    }
    hr = self.CreateChild(stream ? format::ElementType::Stream : format::ElementType::Storage, childName, created);
    if (FAILED(hr)) return hr;
    if (!stream) {
        FILETIME now = winapi::Now();
        (*created)->SetCreationTime(FromFileTime(now));
        (*created)->SetModifiedTime(FromFileTime(now));
    }
    document_->NoteChange();
    return S_OK;
}

bool CStorage::IsWithin(IUnknown* target, const format::Element& source) {
    com::ComPtr<IElementAccess> access(target);
    if (access == nullptr || access->OwningDocument() != document_.get()) return false;
    for (const format::Element* e = access->ValidElement(); e != nullptr; e = e->Parent()) {
        if (e == &source) return true;
    }
    return false;
}

HRESULT CStorage::CreateStream(const OLECHAR* name, DWORD mode, DWORD reserved1, DWORD reserved2, IStream** stream) {
    return com::Boundary([&]() -> HRESULT {
        if (stream == nullptr) return STG_E_INVALIDPOINTER;
        *stream = nullptr;
        format::Element* self = Current();
        if (self == nullptr) return STG_E_REVERTED;
        if (reserved1 != 0 || reserved2 != 0) return STG_E_INVALIDPARAMETER;
        HRESULT hr = CheckElementMode(mode, true);
        if (FAILED(hr)) return hr;
        if (!CanWrite(mode_) || !AccessWithin(mode, mode_)) return STG_E_ACCESSDENIED;
        format::Element* created = nullptr;
        hr = CreateChild(*self, name, true, mode, &created);
        if (FAILED(hr)) return hr;
        return CStream::Make(document_, created, mode, 0, stream);
    });
}

HRESULT CStorage::OpenStream(const OLECHAR* name, void* reserved1, DWORD mode, DWORD reserved2, IStream** stream) {
    return com::Boundary([&]() -> HRESULT {
        if (stream == nullptr) return STG_E_INVALIDPOINTER;
        *stream = nullptr;
        format::Element* self = Current();
        if (self == nullptr) return STG_E_REVERTED;
        if (reserved1 != nullptr || reserved2 != 0) return STG_E_INVALIDPARAMETER;
        HRESULT hr = CheckElementMode(mode, false);
        if (FAILED(hr)) return hr;
        if (!AccessWithin(mode, mode_)) return STG_E_ACCESSDENIED;
        format::Element* child = FindChild(*self, name, &hr);
        if (child == nullptr) return hr;
        if (!child->IsStream()) return STG_E_FILENOTFOUND;
        if (document_->IsOpen(*child)) return STG_E_ACCESSDENIED;
        return CStream::Make(document_, child, mode, 0, stream);
    });
}

HRESULT CStorage::CreateStorage(const OLECHAR* name, DWORD mode, DWORD reserved1, DWORD reserved2, IStorage** storage) {
    return com::Boundary([&]() -> HRESULT {
        if (storage == nullptr) return STG_E_INVALIDPOINTER;
        *storage = nullptr;
        format::Element* self = Current();
        if (self == nullptr) return STG_E_REVERTED;
        if (reserved1 != 0 || reserved2 != 0) return STG_E_INVALIDPARAMETER;
        HRESULT hr = CheckElementMode(mode, true);
        if (FAILED(hr)) return hr;
        if (!CanWrite(mode_) || !AccessWithin(mode, mode_)) return STG_E_ACCESSDENIED;
        format::Element* created = nullptr;
        hr = CreateChild(*self, name, false, mode, &created);
        if (FAILED(hr)) return hr;
        return Make(document_, created, mode, storage);
    });
}

HRESULT CStorage::OpenStorage(const OLECHAR* name, IStorage* priority, DWORD mode, SNB exclude, DWORD reserved,
                              IStorage** storage) {
    return com::Boundary([&]() -> HRESULT {
        if (storage == nullptr) return STG_E_INVALIDPOINTER;
        *storage = nullptr;
        format::Element* self = Current();
        if (self == nullptr) return STG_E_REVERTED;
        // Priority opens and exclusion lists belong to the priority mode,
        // which this implementation does not offer.
        if (priority != nullptr || exclude != nullptr || reserved != 0) return STG_E_INVALIDPARAMETER;
        HRESULT hr = CheckElementMode(mode, false);
        if (FAILED(hr)) return hr;
        if (!AccessWithin(mode, mode_)) return STG_E_ACCESSDENIED;
        format::Element* child = FindChild(*self, name, &hr);
        if (child == nullptr) return hr;
        if (child->IsStream()) return STG_E_FILENOTFOUND;
        if (document_->IsOpen(*child)) return STG_E_ACCESSDENIED;
        return Make(document_, child, mode, storage);
    });
}

HRESULT CStorage::CopyTo(DWORD excludedIidCount, const IID* excludedIids, SNB exclude, IStorage* target) {
    return com::Boundary([&]() -> HRESULT {
        if (target == nullptr || (excludedIidCount != 0 && excludedIids == nullptr)) return STG_E_INVALIDPOINTER;
        format::Element* self = Current();
        if (self == nullptr) return STG_E_REVERTED;
        if (!CanRead(mode_)) return STG_E_ACCESSDENIED;
        if (IsWithin(target, *self)) return STG_E_ACCESSDENIED;
        CopyExclusions exclusions;
        exclusions.names = exclude;
        for (DWORD i = 0; i < excludedIidCount; ++i) {
            if (excludedIids[i] == IID_IStorage) exclusions.storages = true;
            if (excludedIids[i] == IID_IStream) exclusions.streams = true;
        }
        return CopyStorageContents(*self, target, exclusions);
    });
}

HRESULT CStorage::MoveElementTo(const OLECHAR* name, IStorage* target, const OLECHAR* newName, DWORD flags) {
    return com::Boundary([&]() -> HRESULT {
        if (target == nullptr) return STG_E_INVALIDPOINTER;
        if (flags != STGMOVE_MOVE && flags != STGMOVE_COPY) return STG_E_INVALIDFLAG;
        format::Element* self = Current();
        if (self == nullptr) return STG_E_REVERTED;
        if (!CanRead(mode_) || (flags == STGMOVE_MOVE && !CanWrite(mode_))) return STG_E_ACCESSDENIED;
        HRESULT hr = S_OK;
        format::Element* source = FindChild(*self, name, &hr);
        if (source == nullptr) return hr;
        if (newName == nullptr) return STG_E_INVALIDNAME;
        if (flags == STGMOVE_MOVE && document_->HasOpenElementWithin(*source)) return STG_E_ACCESSDENIED;
        if (IsWithin(target, *source)) return STG_E_ACCESSDENIED;
        if (source->IsStream()) {
            com::ComPtr<IStream> copy;
            hr = target->CreateStream(newName, STGM_WRITE | STGM_SHARE_EXCLUSIVE, 0, 0, &copy);
            if (SUCCEEDED(hr)) hr = CopyStreamContent(source->Content(), copy);
        } else {
            com::ComPtr<IStorage> copy;
            hr = target->CreateStorage(newName, STGM_READWRITE | STGM_SHARE_EXCLUSIVE, 0, 0, &copy);
            if (SUCCEEDED(hr)) hr = CopyStorageContents(*source, copy, CopyExclusions{});
        }
        if (FAILED(hr) || flags == STGMOVE_COPY) return hr;
        // The copy was made through interfaces and cannot have touched the
        // source: it is still the child of that name.
        self->DestroyChild(name);
        document_->NoteChange();
        return S_OK;
    });
}

HRESULT CStorage::Commit(DWORD commitFlags) {
    return com::Boundary([&]() -> HRESULT {
        if (Current() == nullptr) return STG_E_REVERTED;
        HRESULT hr = CheckCommitFlags(commitFlags);
        if (FAILED(hr)) return hr;
        // Below a transacted root a storage is part of the root's
        // transaction: only the root's Commit makes changes durable.
        if (document_->Transacted() && !IsRoot()) return S_OK;
        return document_->Commit();
    });
}

HRESULT CStorage::Revert() {
    return com::Boundary([&]() -> HRESULT {
        if (Current() == nullptr) return STG_E_REVERTED;
        // Direct storages have nothing to take back; nested ones in a
        // transacted root leave the transaction to the root.
        if (!IsRoot()) return S_OK;
        return document_->Revert();
    });
}

HRESULT CStorage::EnumElements(DWORD reserved1, void* reserved2, DWORD reserved3, IEnumSTATSTG** enumerator) {
    return com::Boundary([&]() -> HRESULT {
        if (enumerator == nullptr) return STG_E_INVALIDPOINTER;
        *enumerator = nullptr;
        format::Element* self = Current();
        if (self == nullptr) return STG_E_REVERTED;
        if (reserved1 != 0 || reserved2 != nullptr || reserved3 != 0) return STG_E_INVALIDPARAMETER;
        if (!CanRead(mode_)) return STG_E_ACCESSDENIED;
        return CEnumSTATSTG::Make(*self, enumerator);
    });
}

HRESULT CStorage::DestroyElement(const OLECHAR* name) {
    return com::Boundary([&]() -> HRESULT {
        format::Element* self = Current();
        if (self == nullptr) return STG_E_REVERTED;
        if (!CanWrite(mode_)) return STG_E_ACCESSDENIED;
        HRESULT hr = S_OK;
        format::Element* child = FindChild(*self, name, &hr);
        if (child == nullptr) return hr;
        if (document_->HasOpenElementWithin(*child)) return STG_E_ACCESSDENIED;
        self->DestroyChild(name);
        document_->NoteChange();
        return S_OK;
    });
}

HRESULT CStorage::RenameElement(const OLECHAR* oldName, const OLECHAR* newName) {
    return com::Boundary([&]() -> HRESULT {
        format::Element* self = Current();
        if (self == nullptr) return STG_E_REVERTED;
        if (!CanWrite(mode_)) return STG_E_ACCESSDENIED;
        HRESULT hr = S_OK;
        if (FindChild(*self, oldName, &hr) == nullptr) return hr;
        if (newName == nullptr) return STG_E_INVALIDNAME;
        hr = self->RenameChild(oldName, newName);
        if (SUCCEEDED(hr)) document_->NoteChange();
        return hr;
    });
}

HRESULT CStorage::SetElementTimes(const OLECHAR* name, const FILETIME* created, const FILETIME* accessed,
                                  const FILETIME* modified) {
    return com::Boundary([&]() -> HRESULT {
        format::Element* self = Current();
        if (self == nullptr) return STG_E_REVERTED;
        if (!CanWrite(mode_)) return STG_E_ACCESSDENIED;
        // A null name sets the times of this storage itself.
        format::Element* element = self;
        if (name != nullptr) {
            HRESULT hr = S_OK;
            element = FindChild(*self, name, &hr);
            if (element == nullptr) return hr;
        }
        // The format keeps no access time, and no times for streams (their
        // entries hold zeros): those are accepted and not stored.
        (void)accessed;
        if (element->IsStream()) return S_OK;
        if (created != nullptr) element->SetCreationTime(FromFileTime(*created));
        if (modified != nullptr) element->SetModifiedTime(FromFileTime(*modified));
        document_->NoteChange();
        return S_OK;
    });
}

HRESULT CStorage::SetClass(REFCLSID clsid) {
    return com::Boundary([&]() -> HRESULT {
        format::Element* self = Current();
        if (self == nullptr) return STG_E_REVERTED;
        if (!CanWrite(mode_)) return STG_E_ACCESSDENIED;
        self->SetClsid(clsid);
        document_->NoteChange();
        return S_OK;
    });
}

HRESULT CStorage::SetStateBits(DWORD stateBits, DWORD mask) {
    return com::Boundary([&]() -> HRESULT {
        format::Element* self = Current();
        if (self == nullptr) return STG_E_REVERTED;
        if (!CanWrite(mode_)) return STG_E_ACCESSDENIED;
        self->SetStateBits((self->StateBits() & ~mask) | (stateBits & mask));
        document_->NoteChange();
        return S_OK;
    });
}

HRESULT CStorage::Stat(STATSTG* stat, DWORD statFlag) {
    return com::Boundary([&]() -> HRESULT {
        if (stat == nullptr) return STG_E_INVALIDPOINTER;
        format::Element* self = Current();
        if (self == nullptr) return STG_E_REVERTED;
        // The root reports the file it was opened as.
        std::u16string_view name = IsRoot() ? std::u16string_view(document_->DisplayPath()) : self->Name();
        return FillStat(*self, name, mode_, statFlag, stat);
    });
}

}  // namespace storage
