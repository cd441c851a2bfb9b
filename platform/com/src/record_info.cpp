// IRecordInfo over a registered record layout: clears, copies and reaches
// the fields of records in memory the caller owns.
#include "com/record_info.h"

#include "com/hresults.h"
#include "com/safearray.h"
#include "com/task_memory.h"
#include "record_layouts.h"
#include "typed_values.h"
#include "winapi/text.h"

#include <atomic>
#include <cstring>
#include <new>

namespace com::detail {
namespace {

char* FieldAt(PVOID record, const FieldLayout& field) { return static_cast<char*>(record) + field.offset; }
const char* FieldAt(const void* record, const FieldLayout& field) {
    return static_cast<const char*>(record) + field.offset;
}

// Gives back what the fields own; the first failure is returned, the other
// fields are still cleared.
HRESULT ClearFields(const RecordLayout& layout, PVOID record) {
    HRESULT result = S_OK;
    for (const FieldLayout& field : layout.fields) {
        const HRESULT hr = field.type == VT_RECORD ? ClearFields(*field.nested, FieldAt(record, field))
                                                   : ClearValue(field.type, FieldAt(record, field));
        if (SUCCEEDED(result)) result = hr;
    }
    return result;
}

// Forgets (without giving back) what the fields of a bitwise copy point at.
void DetachFields(const RecordLayout& layout, PVOID record) {
    for (const FieldLayout& field : layout.fields) {
        if (field.type == VT_RECORD) {
            DetachFields(*field.nested, FieldAt(record, field));
        } else if (field.type == VT_VARIANT) {
            VARIANT empty;
            VariantInit(&empty);
            StoreValue(FieldAt(record, field), empty);
        } else if (IsOwningType(field.type)) {
            StoreValue<void*>(FieldAt(record, field), nullptr);
        }
    }
}

// Fills the detached owning fields of `dest` with copies of those of `source`.
HRESULT CopyFields(const RecordLayout& layout, const void* source, PVOID dest) {
    for (const FieldLayout& field : layout.fields) {
        HRESULT hr = S_OK;
        if (field.type == VT_RECORD) {
            hr = CopyFields(*field.nested, FieldAt(source, field), FieldAt(dest, field));
        } else if (IsOwningType(field.type)) {
            hr = CopyValue(field.type, FieldAt(source, field), FieldAt(dest, field));
        }
        if (FAILED(hr)) return hr;
    }
    return S_OK;
}

HRESULT CopyRecord(const RecordLayout& layout, const void* source, PVOID dest) {
    if (source == dest) return S_OK;
    std::memmove(dest, source, layout.size);
    DetachFields(layout, dest);
    const HRESULT hr = CopyFields(layout, source, dest);
    if (FAILED(hr)) ClearFields(layout, dest);
    return hr;
}

class RecordInfo final : public IRecordInfo {
public:
    // One reference for the caller; null without memory.
    static IRecordInfo* Create(std::shared_ptr<const RecordLayout> layout) {
        auto* info = new (std::nothrow) RecordInfo(std::move(layout));
        if (info && !info->MakeNested()) {
            info->Release();
            return nullptr;
        }
        return info;
    }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
        if (!object) return E_POINTER;
        if (riid == IID_IUnknown || riid == IID_IRecordInfo) {
            *object = static_cast<IRecordInfo*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }

    // Increments need no ordering; the last decrement must see every write
    // made through other references before the object is destroyed, hence
    // release on each decrement and an acquire fence before deleting.
    ULONG STDMETHODCALLTYPE AddRef() override { return references_.fetch_add(1, std::memory_order_relaxed) + 1; }

    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG remaining = references_.fetch_sub(1, std::memory_order_release) - 1;
        if (remaining == 0) {
            std::atomic_thread_fence(std::memory_order_acquire);
            delete this;
        }
        return remaining;
    }

    HRESULT STDMETHODCALLTYPE RecordInit(PVOID record) override {
        if (!record) return E_INVALIDARG;
        std::memset(record, 0, layout_->size);
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE RecordClear(PVOID record) override {
        if (!record) return E_INVALIDARG;
        return ClearFields(*layout_, record);
    }

    HRESULT STDMETHODCALLTYPE RecordCopy(PVOID source, PVOID dest) override {
        if (!source || !dest) return E_INVALIDARG;
        return CopyRecord(*layout_, source, dest);
    }

    HRESULT STDMETHODCALLTYPE GetGuid(GUID* guid) override {
        if (!guid) return E_INVALIDARG;
        *guid = layout_->record;
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE GetName(BSTR* name) override {
        if (!name) return E_INVALIDARG;
        *name = SysAllocString(layout_->name.c_str());
        return *name ? S_OK : E_OUTOFMEMORY;
    }

    HRESULT STDMETHODCALLTYPE GetSize(ULONG* size) override {
        if (!size) return E_INVALIDARG;
        *size = layout_->size;
        return S_OK;
    }

    // Type information would need a type-library reader, which this runtime
    // does not have: the records are described by registration instead.
    HRESULT STDMETHODCALLTYPE GetTypeInfo(ITypeInfo** typeInfo) override {
        if (!typeInfo) return E_INVALIDARG;
        *typeInfo = nullptr;
        return E_NOTIMPL;
    }

    HRESULT STDMETHODCALLTYPE GetField(PVOID record, LPCOLESTR name, VARIANT* value) override {
        size_t index = 0;
        const HRESULT hr = FindField(record, name, value, &index);
        if (FAILED(hr)) return hr;
        return CopyFieldOut(index, FieldAt(record, layout_->fields[index]), value);
    }

    HRESULT STDMETHODCALLTYPE GetFieldNoCopy(PVOID record, LPCOLESTR name, VARIANT* value, PVOID* fieldData) override {
        size_t index = 0;
        const HRESULT hr = FindField(record, name, value, &index);
        if (FAILED(hr)) return hr;
        const FieldLayout& field = layout_->fields[index];
        char* data = FieldAt(record, field);
        VariantInit(value);
        value->vt = VT_BYREF | field.type;
        if (field.type == VT_RECORD) {
            // A reference owns nothing: the nested description lives as long as this one.
            value->pvRecord = data;
            value->pRecInfo = nested_[index];
        } else {
            value->byref = data;
        }
        if (fieldData) *fieldData = data;
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE PutField(ULONG flags, PVOID record, LPCOLESTR name, VARIANT* value) override {
        size_t index = 0;
        HRESULT hr = FindFieldToPut(flags, record, name, value, &index);
        if (FAILED(hr)) return hr;
        // A copy of the value (dereferenced), which the field then takes over.
        VARIANT copy;
        VariantInit(&copy);
        hr = VariantCopyInd(&copy, value);
        if (SUCCEEDED(hr)) hr = ConvertForField(layout_->fields[index], &copy);
        if (SUCCEEDED(hr)) hr = MoveIntoField(index, record, &copy);
        if (FAILED(hr)) VariantClear(&copy);
        return hr;
    }

    HRESULT STDMETHODCALLTYPE PutFieldNoCopy(ULONG flags, PVOID record, LPCOLESTR name, VARIANT* value) override {
        size_t index = 0;
        const HRESULT hr = FindFieldToPut(flags, record, name, value, &index);
        if (FAILED(hr)) return hr;
        const FieldLayout& field = layout_->fields[index];
        // Only values that fit the field as they are can be handed over; a
        // record or an array would leave the caller with memory to free.
        if (field.type == VT_RECORD || field.count > 1) return DISP_E_TYPEMISMATCH;
        if (field.type != VT_VARIANT && value->vt != field.type) return DISP_E_TYPEMISMATCH;
        if (field.type & VT_ARRAY) {
            const HRESULT checked = CheckArrayForField(field, *value);
            if (FAILED(checked)) return checked;
        }
        VARIANT taken = *value;
        return MoveIntoField(index, record, &taken);
    }

    HRESULT STDMETHODCALLTYPE GetFieldNames(ULONG* count, BSTR* names) override {
        if (!count) return E_INVALIDARG;
        const ULONG available = static_cast<ULONG>(layout_->fields.size());
        if (!names) {
            *count = available;
            return S_OK;
        }
        const ULONG wanted = *count < available ? *count : available;
        for (ULONG i = 0; i < wanted; ++i) {
            names[i] = SysAllocString(layout_->fields[i].name.c_str());
            if (!names[i]) {
                for (ULONG j = 0; j < i; ++j) SysFreeString(names[j]);
                return E_OUTOFMEMORY;
            }
        }
        *count = wanted;
        return S_OK;
    }

    BOOL STDMETHODCALLTYPE IsMatchingType(IRecordInfo* other) override {
        GUID otherRecord{};
        return other && SUCCEEDED(other->GetGuid(&otherRecord)) && otherRecord == layout_->record;
    }

    PVOID STDMETHODCALLTYPE RecordCreate() override {
        void* record = CoTaskMemAlloc(layout_->size);
        if (record) std::memset(record, 0, layout_->size);
        return record;
    }

    HRESULT STDMETHODCALLTYPE RecordCreateCopy(PVOID source, PVOID* copy) override {
        if (!source || !copy) return E_INVALIDARG;
        *copy = nullptr;
        void* record = CoTaskMemAlloc(layout_->size);
        if (!record) return E_OUTOFMEMORY;
        const HRESULT hr = CopyRecord(*layout_, source, record);
        if (FAILED(hr)) {
            CoTaskMemFree(record);
            return hr;
        }
        *copy = record;
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE RecordDestroy(PVOID record) override {
        if (!record) return S_OK;
        const HRESULT hr = ClearFields(*layout_, record);
        CoTaskMemFree(record);
        return hr;
    }

private:
    explicit RecordInfo(std::shared_ptr<const RecordLayout> layout) : layout_(std::move(layout)) {}

    // Nested descriptions are made up front: GetFieldNoCopy hands them out
    // without a reference, valid as long as this one.
    bool MakeNested() {
        try {
            nested_.assign(layout_->fields.size(), nullptr);
        } catch (const std::bad_alloc&) {
            return false;
        }
        for (size_t i = 0; i < layout_->fields.size(); ++i) {
            if (layout_->fields[i].type != VT_RECORD) continue;
            nested_[i] = Create(layout_->fields[i].nested);
            if (!nested_[i]) return false;
        }
        return true;
    }

    ~RecordInfo() {
        for (IRecordInfo* nested : nested_) {
            if (nested) nested->Release();
        }
    }

    HRESULT FindField(PVOID record, LPCOLESTR name, VARIANT* value, size_t* index) const {
        if (!record || !name || !value) return E_INVALIDARG;
        for (size_t i = 0; i < layout_->fields.size(); ++i) {
            // Names in a type library are matched without regard to case.
            if (winapi::EqualsIgnoreCase(layout_->fields[i].name, name)) {
                *index = i;
                return S_OK;
            }
        }
        return TYPE_E_ELEMENTNOTFOUND;
    }

    HRESULT FindFieldToPut(ULONG flags, PVOID record, LPCOLESTR name, VARIANT* value, size_t* index) const {
        if (!(flags & (INVOKE_PROPERTYPUT | INVOKE_PROPERTYPUTREF))) return E_INVALIDARG;
        return FindField(record, name, value, index);
    }

    // `value` receives a copy of the field (its old content is not looked at).
    HRESULT CopyFieldOut(size_t index, const char* data, VARIANT* value) const {
        const FieldLayout& field = layout_->fields[index];
        VARIANT result;
        VariantInit(&result);
        HRESULT hr = S_OK;
        if (field.type == VT_RECORD) {
            IRecordInfo* nested = nested_[index];
            void* copy = nested->RecordCreate();
            if (!copy) return E_OUTOFMEMORY;
            hr = CopyRecord(*field.nested, data, copy);
            if (FAILED(hr)) {
                CoTaskMemFree(copy);
                return hr;
            }
            result.vt = VT_RECORD;
            result.pvRecord = copy;
            result.pRecInfo = nested;
            nested->AddRef();
        } else if (field.count > 1) {
            SAFEARRAY* array = SafeArrayCreateVector(field.type, 0, field.count);
            if (!array) return E_OUTOFMEMORY;
            std::memcpy(array->pvData, data, size_t{field.elementSize} * field.count);
            result.vt = VT_ARRAY | field.type;
            result.parray = array;
        } else if (field.type == VT_VARIANT) {
            hr = CopyValue(VT_VARIANT, data, &result);
        } else {
            result.vt = field.type;
            hr = CopyValue(field.type, data, &result.byref);
        }
        if (FAILED(hr)) return hr;
        *value = result;
        return S_OK;
    }

    // A SAFEARRAY(T) field takes an array of T - of the field's own record
    // when T is a record - or no array.
    static HRESULT CheckArrayForField(const FieldLayout& field, const VARIANT& value) {
        if (value.vt != field.type) return DISP_E_TYPEMISMATCH;
        if (!value.parray || !field.nested) return S_OK;
        IRecordInfo* elements = nullptr;
        if (FAILED(SafeArrayGetRecordInfo(value.parray, &elements)) || !elements) return DISP_E_TYPEMISMATCH;
        GUID record{};
        const HRESULT hr = elements->GetGuid(&record);
        elements->Release();
        return SUCCEEDED(hr) && record == field.nested->record ? S_OK : DISP_E_TYPEMISMATCH;
    }

    // Brings an owned copy of a value to the field's own type.
    static HRESULT ConvertForField(const FieldLayout& field, VARIANT* value) {
        if (field.type == VT_VARIANT) return S_OK;
        if (field.type & VT_ARRAY) return CheckArrayForField(field, *value);
        if (field.type == VT_RECORD) return value->vt == VT_RECORD ? S_OK : DISP_E_TYPEMISMATCH;
        if (field.count > 1) {
            VARTYPE elementType = VT_EMPTY;
            if (value->vt != (VT_ARRAY | field.type) || SafeArrayGetDim(value->parray) != 1 ||
                value->parray->rgsabound[0].cElements != field.count ||
                FAILED(SafeArrayGetVartype(value->parray, &elementType)) || elementType != field.type) {
                return DISP_E_TYPEMISMATCH;
            }
            return S_OK;
        }
        if (field.type == VT_UNKNOWN || field.type == VT_DISPATCH) {
            if (value->vt != VT_UNKNOWN && value->vt != VT_DISPATCH) return DISP_E_TYPEMISMATCH;
            if (field.type == VT_DISPATCH && value->vt == VT_UNKNOWN) {
                // Any object goes into an IUnknown field; an IDispatch field asks for the interface.
                IDispatch* dispatch = nullptr;
                if (value->punkVal) {
                    if (FAILED(value->punkVal->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch)))) {
                        return DISP_E_TYPEMISMATCH;
                    }
                }
                VariantClear(value);
                value->vt = VT_DISPATCH;
                value->pdispVal = dispatch;
            }
            return S_OK;
        }
        return VariantChangeType(value, value, 0, field.type);
    }

    // The field gives back its old value and takes over what `value` owns.
    HRESULT MoveIntoField(size_t index, PVOID record, VARIANT* value) {
        const FieldLayout& field = layout_->fields[index];
        char* data = FieldAt(record, field);
        if (field.type == VT_RECORD) {
            ULONG size = 0;
            if (!nested_[index]->IsMatchingType(value->pRecInfo) || FAILED(value->pRecInfo->GetSize(&size)) ||
                size != field.nested->size) {
                return DISP_E_TYPEMISMATCH;
            }
            HRESULT hr = ClearFields(*field.nested, data);
            if (FAILED(hr)) return hr;
            if (value->pvRecord) {
                // The copy's content moves into the field; only its memory is left to free.
                std::memcpy(data, value->pvRecord, field.nested->size);
                CoTaskMemFree(value->pvRecord);
            } else {
                std::memset(data, 0, field.nested->size);
            }
            if (value->pRecInfo) value->pRecInfo->Release();
            return S_OK;
        }
        if (field.count > 1) {
            std::memcpy(data, value->parray->pvData, size_t{field.elementSize} * field.count);
            return VariantClear(value);
        }
        const HRESULT hr = ClearValue(field.type, data);
        if (FAILED(hr)) return hr;
        if (field.type == VT_VARIANT) {
            StoreValue(data, *value);
        } else {
            std::memcpy(data, &value->byref, field.elementSize);
        }
        return S_OK;
    }

    std::atomic<ULONG> references_{1};
    const std::shared_ptr<const RecordLayout> layout_;
    std::vector<IRecordInfo*> nested_;  // per field: the nested record's description, or null
};

}  // namespace
}  // namespace com::detail

HRESULT WINAPI GetRecordInfoFromGuids(REFGUID library, ULONG major, ULONG minor, LCID, REFGUID record,
                                      IRecordInfo** recordInfo) {
    if (!recordInfo) return E_INVALIDARG;
    *recordInfo = nullptr;
    HRESULT hr = S_OK;
    auto layout = com::detail::FindRecordLayout(library, major, minor, record, &hr);
    if (!layout) return hr;
    *recordInfo = com::detail::RecordInfo::Create(std::move(layout));
    return *recordInfo ? S_OK : E_OUTOFMEMORY;
}
