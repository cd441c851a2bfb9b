#include "element_enumerator.h"

#include "com/method_boundary.h"
#include "com/task_memory.h"
#include "element_stat.h"
#include "winapi/errors.h"

#include <utility>

namespace storage {

HRESULT CEnumSTATSTG::Make(const format::Element& storage, IEnumSTATSTG** enumerator) {
    auto entries = std::make_shared<Snapshot>();
    entries->reserve(storage.ChildCount());
    for (const auto& [name, child] : storage.Children()) {
        Entry entry{child->Name(), {}};
        HRESULT hr = FillStat(*child, {}, 0, STATFLAG_NONAME, &entry.stat);
        if (FAILED(hr)) return hr;
        entries->push_back(std::move(entry));
    }
    return MakeOver(std::move(entries), 0, enumerator);
}

HRESULT CEnumSTATSTG::MakeOver(std::shared_ptr<const Snapshot> entries, size_t position, IEnumSTATSTG** enumerator) {
    CComObject<CEnumSTATSTG>* object = nullptr;
    HRESULT hr = CComObject<CEnumSTATSTG>::CreateInstance(&object);
    if (FAILED(hr)) return hr;
    object->entries_ = std::move(entries);
    object->position_ = position;
    object->AddRef();
    *enumerator = object;
    return S_OK;
}

HRESULT CEnumSTATSTG::Next(ULONG count, STATSTG* elements, ULONG* fetched) {
    return com::Boundary([&]() -> HRESULT {
        if (fetched != nullptr) *fetched = 0;
        if (elements == nullptr || (fetched == nullptr && count != 1)) return STG_E_INVALIDPOINTER;
        ULONG given = 0;
        while (given < count && position_ < entries_->size()) {
            const Entry& entry = (*entries_)[position_];
            STATSTG stat = entry.stat;
            stat.pwcsName = TaskMemoryString(entry.name);
            if (stat.pwcsName == nullptr) {
                // Nothing is handed out when not everything can be.
                for (ULONG i = 0; i < given; ++i) {
                    CoTaskMemFree(elements[i].pwcsName);
                    elements[i].pwcsName = nullptr;
                }
                position_ -= given;
                return E_OUTOFMEMORY;
            }
            elements[given++] = stat;
            ++position_;
        }
        if (fetched != nullptr) *fetched = given;
        return given == count ? S_OK : S_FALSE;
    });
}

HRESULT CEnumSTATSTG::Skip(ULONG count) {
    size_t left = entries_->size() - position_;
    if (count > left) {
        position_ = entries_->size();
        return S_FALSE;
    }
    position_ += count;
    return S_OK;
}

HRESULT CEnumSTATSTG::Reset() {
    position_ = 0;
    return S_OK;
}

HRESULT CEnumSTATSTG::Clone(IEnumSTATSTG** clone) {
    return com::Boundary([&]() -> HRESULT {
        if (clone == nullptr) return STG_E_INVALIDPOINTER;
        *clone = nullptr;
        return MakeOver(entries_, position_, clone);
    });
}

}  // namespace storage
