// SAFEARRAY: descriptors, element ownership, locks, bounds and copies.
//
// Each descriptor is allocated behind a small block of our own that keeps
// what the platform keeps before the descriptor (the element type, the
// record information, the interface id) and a guard that stops the process
// when a pointer that is not a live array is passed in.
#include "com/safearray.h"

#include "com/automation_counters.h"
#include "com/dispatch.h"
#include "com/hresults.h"
#include "com/record_info.h"
#include "typed_values.h"

#include <atomic>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace {

using com::detail::ClearValue;
using com::detail::CopyValue;
using com::detail::LoadValue;
using com::detail::StoreValue;

constexpr uint32_t kLiveGuard = 0x53414652;   // "SAFR"
constexpr uint32_t kFreedGuard = 0x64656164;  // "dead"
// The platform's limit of nested locks.
constexpr ULONG kMaxLocks = 65535;

struct ArrayBlock {
    uint32_t guard;
    VARTYPE type;
    IRecordInfo* recordInfo;  // VT_RECORD arrays: one reference held
    IID iid;                  // FADF_HAVEIID arrays
    SAFEARRAY descriptor;     // followed by cDims - 1 more bounds
};

std::atomic<int64_t> liveArrays{0};

ArrayBlock* BlockOf(SAFEARRAY* array) {
    auto* block = reinterpret_cast<ArrayBlock*>(reinterpret_cast<char*>(array) - offsetof(ArrayBlock, descriptor));
    if (block->guard != kLiveGuard) {
        std::fprintf(stderr, "SAFEARRAY: %s\n",
                     block->guard == kFreedGuard ? "array used after it was destroyed"
                                                 : "pointer is not a live array made by SafeArrayCreate*");
        std::abort();
    }
    return block;
}

// Bounds through a pointer: the descriptor declares one but holds cDims.
SAFEARRAYBOUND* Bounds(SAFEARRAY* array) { return array->rgsabound; }

// The bound of dimension `dim` (1 = leftmost), stored in reverse.
SAFEARRAYBOUND& BoundOf(SAFEARRAY* array, UINT dim) { return Bounds(array)[array->cDims - dim]; }

size_t ElementCount(SAFEARRAY* array) {
    size_t count = 1;
    for (USHORT i = 0; i < array->cDims; ++i) count *= Bounds(array)[i].cElements;
    return count;
}

// Elements times element size, or false when it cannot be allocated at all.
bool DataSize(const SAFEARRAYBOUND* bounds, UINT dims, ULONG elementSize, size_t* size) {
    size_t total = elementSize;
    for (UINT i = 0; i < dims; ++i) {
        if (bounds[i].cElements != 0 && total > std::numeric_limits<size_t>::max() / 2 / bounds[i].cElements) {
            return false;
        }
        total *= bounds[i].cElements;
    }
    *size = total;
    return true;
}

USHORT FeaturesOf(VARTYPE type) {
    switch (type) {
    case VT_BSTR:
        return FADF_BSTR | FADF_HAVEVARTYPE;
    case VT_VARIANT:
        return FADF_VARIANT | FADF_HAVEVARTYPE;
    case VT_UNKNOWN:
        return FADF_UNKNOWN | FADF_HAVEIID;
    case VT_DISPATCH:
        return FADF_DISPATCH | FADF_HAVEIID;
    case VT_RECORD:
        return FADF_RECORD;
    default:
        return FADF_HAVEVARTYPE;
    }
}

// The type that decides how elements are owned: from the features, as the
// platform derives it (the features are public and may have been read).
VARTYPE OwnershipType(SAFEARRAY* array) {
    const USHORT features = array->fFeatures;
    if (features & FADF_RECORD) return VT_RECORD;
    if (features & FADF_VARIANT) return VT_VARIANT;
    if (features & FADF_BSTR) return VT_BSTR;
    if (features & (FADF_UNKNOWN | FADF_DISPATCH)) return VT_UNKNOWN;
    return VT_EMPTY;
}

char* ElementAt(SAFEARRAY* array, size_t index) {
    return static_cast<char*>(array->pvData) + index * array->cbElements;
}

// Gives back elements [first, last). Failures of single elements (a VARIANT
// holding a locked array) cannot be reported by the callers; the rest are
// still given back.
void ClearElements(SAFEARRAY* array, size_t first, size_t last) {
    const VARTYPE type = OwnershipType(array);
    if (type == VT_EMPTY) return;
    IRecordInfo* recordInfo = BlockOf(array)->recordInfo;
    for (size_t i = first; i < last; ++i) {
        if (type == VT_RECORD) {
            if (recordInfo) recordInfo->RecordClear(ElementAt(array, i));
        } else {
            ClearValue(type, ElementAt(array, i));
        }
    }
}

// A deep copy of one element over `dest` (whose content is not looked at).
HRESULT CopyElement(SAFEARRAY* array, const void* source, void* dest) {
    const VARTYPE type = OwnershipType(array);
    if (type == VT_RECORD) {
        IRecordInfo* recordInfo = BlockOf(array)->recordInfo;
        if (!recordInfo) return E_UNEXPECTED;
        std::memset(dest, 0, array->cbElements);
        return recordInfo->RecordCopy(const_cast<void*>(source), dest);
    }
    if (type == VT_EMPTY) {
        std::memmove(dest, source, array->cbElements);
        return S_OK;
    }
    return CopyValue(type, source, dest);
}

SAFEARRAY* Create(VARTYPE type, UINT dims, const SAFEARRAYBOUND* bounds, IRecordInfo* recordInfo, const IID* iid) {
    if (dims == 0 || dims > 0xFFFF || !bounds) return nullptr;
    ULONG elementSize = 0;
    if (type == VT_RECORD) {
        if (!recordInfo || FAILED(recordInfo->GetSize(&elementSize)) || elementSize == 0) return nullptr;
    } else {
        elementSize = static_cast<ULONG>(com::detail::ValueSize(type));
        if (elementSize == 0) return nullptr;
    }
    size_t dataSize = 0;
    if (!DataSize(bounds, dims, elementSize, &dataSize)) return nullptr;

    const size_t blockSize = sizeof(ArrayBlock) + (dims - 1) * sizeof(SAFEARRAYBOUND);
    auto* block = static_cast<ArrayBlock*>(std::calloc(1, blockSize));
    if (!block) return nullptr;
    // At least one byte, so that an empty array still has a data pointer to access.
    void* data = std::calloc(1, dataSize ? dataSize : 1);
    if (!data) {
        std::free(block);
        return nullptr;
    }
    block->guard = kLiveGuard;
    block->type = type;
    if (type == VT_RECORD) {
        block->recordInfo = recordInfo;
        recordInfo->AddRef();
    }
    if (type == VT_UNKNOWN || type == VT_DISPATCH) {
        block->iid = iid ? *iid : (type == VT_UNKNOWN ? IID_IUnknown : IID_IDispatch);
    }
    SAFEARRAY* array = &block->descriptor;
    array->cDims = static_cast<USHORT>(dims);
    array->fFeatures = FeaturesOf(type);
    array->cbElements = elementSize;
    array->pvData = data;
    for (UINT dim = 1; dim <= dims; ++dim) BoundOf(array, dim) = bounds[dim - 1];
    liveArrays.fetch_add(1, std::memory_order_relaxed);
    return array;
}

// The element index of a vector of indices (leftmost dimension first).
HRESULT ElementIndex(SAFEARRAY* array, const LONG* indices, size_t* index) {
    size_t position = 0;
    size_t stride = 1;
    for (UINT dim = 1; dim <= array->cDims; ++dim) {
        const SAFEARRAYBOUND& bound = BoundOf(array, dim);
        const int64_t offset = static_cast<int64_t>(indices[dim - 1]) - bound.lLbound;
        if (offset < 0 || offset >= static_cast<int64_t>(bound.cElements)) return DISP_E_BADINDEX;
        position += static_cast<size_t>(offset) * stride;
        stride *= bound.cElements;
    }
    *index = position;
    return S_OK;
}

}  // namespace

SAFEARRAY* WINAPI SafeArrayCreate(VARTYPE type, UINT dims, SAFEARRAYBOUND* bounds) {
    // Record arrays need their record information: SafeArrayCreateVectorEx.
    if (type == VT_RECORD) return nullptr;
    return Create(type, dims, bounds, nullptr, nullptr);
}

SAFEARRAY* WINAPI SafeArrayCreateVector(VARTYPE type, LONG lowerBound, ULONG count) {
    return SafeArrayCreateVectorEx(type, lowerBound, count, nullptr);
}

SAFEARRAY* WINAPI SafeArrayCreateVectorEx(VARTYPE type, LONG lowerBound, ULONG count, PVOID extra) {
    const SAFEARRAYBOUND bound{count, lowerBound};
    switch (type) {
    case VT_RECORD:
        return Create(type, 1, &bound, static_cast<IRecordInfo*>(extra), nullptr);
    case VT_UNKNOWN:
    case VT_DISPATCH:
        return Create(type, 1, &bound, nullptr, static_cast<const IID*>(extra));
    default:
        return Create(type, 1, &bound, nullptr, nullptr);
    }
}

HRESULT WINAPI SafeArrayDestroy(SAFEARRAY* array) {
    if (!array) return S_OK;
    ArrayBlock* block = BlockOf(array);
    if (array->cLocks > 0) return DISP_E_ARRAYISLOCKED;
    ClearElements(array, 0, ElementCount(array));
    std::free(array->pvData);
    if (block->recordInfo) block->recordInfo->Release();
    block->guard = kFreedGuard;
    liveArrays.fetch_sub(1, std::memory_order_relaxed);
    std::free(block);
    return S_OK;
}

HRESULT WINAPI SafeArrayLock(SAFEARRAY* array) {
    if (!array) return E_INVALIDARG;
    BlockOf(array);
    if (array->cLocks >= kMaxLocks) return E_UNEXPECTED;
    ++array->cLocks;
    return S_OK;
}

HRESULT WINAPI SafeArrayUnlock(SAFEARRAY* array) {
    if (!array) return E_INVALIDARG;
    BlockOf(array);
    if (array->cLocks == 0) return E_UNEXPECTED;
    --array->cLocks;
    return S_OK;
}

HRESULT WINAPI SafeArrayAccessData(SAFEARRAY* array, void** data) {
    if (!array || !data) return E_INVALIDARG;
    const HRESULT hr = SafeArrayLock(array);
    *data = SUCCEEDED(hr) ? array->pvData : nullptr;
    return hr;
}

HRESULT WINAPI SafeArrayUnaccessData(SAFEARRAY* array) { return SafeArrayUnlock(array); }

UINT WINAPI SafeArrayGetDim(SAFEARRAY* array) {
    if (!array) return 0;
    return BlockOf(array)->descriptor.cDims;
}

UINT WINAPI SafeArrayGetElemsize(SAFEARRAY* array) {
    if (!array) return 0;
    return BlockOf(array)->descriptor.cbElements;
}

HRESULT WINAPI SafeArrayGetLBound(SAFEARRAY* array, UINT dim, LONG* lowerBound) {
    if (!array || !lowerBound) return E_INVALIDARG;
    BlockOf(array);
    if (dim < 1 || dim > array->cDims) return DISP_E_BADINDEX;
    *lowerBound = BoundOf(array, dim).lLbound;
    return S_OK;
}

HRESULT WINAPI SafeArrayGetUBound(SAFEARRAY* array, UINT dim, LONG* upperBound) {
    if (!array || !upperBound) return E_INVALIDARG;
    BlockOf(array);
    if (dim < 1 || dim > array->cDims) return DISP_E_BADINDEX;
    const SAFEARRAYBOUND& bound = BoundOf(array, dim);
    // An empty dimension has its upper bound just below its lower bound.
    *upperBound = static_cast<LONG>(static_cast<int64_t>(bound.lLbound) + bound.cElements - 1);
    return S_OK;
}

HRESULT WINAPI SafeArrayGetVartype(SAFEARRAY* array, VARTYPE* type) {
    if (!array || !type) return E_INVALIDARG;
    ArrayBlock* block = BlockOf(array);
    const USHORT features = array->fFeatures;
    if (features & FADF_RECORD) {
        *type = VT_RECORD;
    } else if (features & FADF_HAVEIID) {
        *type = (features & FADF_DISPATCH) ? VT_DISPATCH : VT_UNKNOWN;
    } else if (features & FADF_HAVEVARTYPE) {
        *type = block->type;
    } else {
        return E_INVALIDARG;
    }
    return S_OK;
}

HRESULT WINAPI SafeArrayGetIID(SAFEARRAY* array, GUID* iid) {
    if (!array || !iid) return E_INVALIDARG;
    ArrayBlock* block = BlockOf(array);
    if (!(array->fFeatures & FADF_HAVEIID)) return E_INVALIDARG;
    *iid = block->iid;
    return S_OK;
}

HRESULT WINAPI SafeArrayGetRecordInfo(SAFEARRAY* array, IRecordInfo** recordInfo) {
    if (!array || !recordInfo) return E_INVALIDARG;
    *recordInfo = nullptr;
    ArrayBlock* block = BlockOf(array);
    if (!(array->fFeatures & FADF_RECORD) || !block->recordInfo) return E_INVALIDARG;
    *recordInfo = block->recordInfo;
    block->recordInfo->AddRef();
    return S_OK;
}

HRESULT WINAPI SafeArraySetRecordInfo(SAFEARRAY* array, IRecordInfo* recordInfo) {
    if (!array || !recordInfo) return E_INVALIDARG;
    ArrayBlock* block = BlockOf(array);
    if (!(array->fFeatures & FADF_RECORD)) return E_INVALIDARG;
    // The elements already laid out must keep fitting.
    ULONG size = 0;
    if (FAILED(recordInfo->GetSize(&size)) || size != array->cbElements) return E_INVALIDARG;
    recordInfo->AddRef();
    if (block->recordInfo) block->recordInfo->Release();
    block->recordInfo = recordInfo;
    return S_OK;
}

HRESULT WINAPI SafeArrayPutElement(SAFEARRAY* array, LONG* indices, void* value) {
    if (!array || !indices) return E_INVALIDARG;
    BlockOf(array);
    size_t index = 0;
    HRESULT hr = ElementIndex(array, indices, &index);
    if (FAILED(hr)) return hr;
    char* element = ElementAt(array, index);
    const VARTYPE type = OwnershipType(array);
    if (type == VT_BSTR || type == VT_UNKNOWN) {
        // These elements are passed as the pointer itself; null is a valid value.
        void* copy = nullptr;
        hr = CopyValue(type, &value, &copy);
        if (FAILED(hr)) return hr;
        ClearValue(type, element);
        StoreValue(element, copy);
        return S_OK;
    }
    if (!value) return E_INVALIDARG;
    // Copied aside first, so that the old element (which `value` may be) is
    // given back only once the copy exists.
    void* copy = std::malloc(array->cbElements);
    if (!copy) return E_OUTOFMEMORY;
    hr = CopyElement(array, value, copy);
    if (SUCCEEDED(hr)) {
        ClearElements(array, index, index + 1);
        std::memcpy(element, copy, array->cbElements);
    }
    std::free(copy);
    return hr;
}

HRESULT WINAPI SafeArrayGetElement(SAFEARRAY* array, LONG* indices, void* value) {
    if (!array || !indices || !value) return E_INVALIDARG;
    BlockOf(array);
    size_t index = 0;
    const HRESULT hr = ElementIndex(array, indices, &index);
    if (FAILED(hr)) return hr;
    return CopyElement(array, ElementAt(array, index), value);
}

HRESULT WINAPI SafeArrayRedim(SAFEARRAY* array, SAFEARRAYBOUND* newBound) {
    if (!array || !newBound) return E_INVALIDARG;
    BlockOf(array);
    if (array->cLocks > 0) return DISP_E_ARRAYISLOCKED;
    SAFEARRAYBOUND* bounds = Bounds(array);
    const size_t oldCount = ElementCount(array);
    const SAFEARRAYBOUND oldBound = bounds[0];
    bounds[0] = *newBound;
    size_t newSize = 0;
    const bool fits = DataSize(bounds, array->cDims, array->cbElements, &newSize);
    bounds[0] = oldBound;
    if (!fits) return E_OUTOFMEMORY;
    const size_t newCount = newSize / array->cbElements;
    if (newCount < oldCount) ClearElements(array, newCount, oldCount);
    void* data = std::realloc(array->pvData, newSize ? newSize : 1);
    if (!data) {
        if (newCount < oldCount) {
            // The dropped elements are already given back: keep the larger block, smaller count.
            bounds[0] = *newBound;
            return S_OK;
        }
        return E_OUTOFMEMORY;
    }
    array->pvData = data;
    if (newCount > oldCount) {
        std::memset(ElementAt(array, oldCount), 0, (newCount - oldCount) * array->cbElements);
    }
    bounds[0] = *newBound;
    return S_OK;
}

HRESULT WINAPI SafeArrayCopy(SAFEARRAY* source, SAFEARRAY** copy) {
    if (!copy) return E_INVALIDARG;
    *copy = nullptr;
    if (!source) return S_OK;
    ArrayBlock* block = BlockOf(source);
    // The bounds leftmost first, as SafeArrayCreate takes them.
    const UINT dims = source->cDims;
    SAFEARRAYBOUND* bounds = static_cast<SAFEARRAYBOUND*>(std::malloc(dims * sizeof(SAFEARRAYBOUND)));
    if (!bounds) return E_OUTOFMEMORY;
    for (UINT dim = 1; dim <= dims; ++dim) bounds[dim - 1] = BoundOf(source, dim);
    SAFEARRAY* result = Create(block->type, dims, bounds, block->recordInfo, &block->iid);
    std::free(bounds);
    if (!result) return E_OUTOFMEMORY;
    result->fFeatures = source->fFeatures;
    const HRESULT hr = SafeArrayCopyData(source, result);
    if (FAILED(hr)) {
        SafeArrayDestroy(result);
        return hr;
    }
    *copy = result;
    return S_OK;
}

HRESULT WINAPI SafeArrayCopyData(SAFEARRAY* source, SAFEARRAY* dest) {
    if (!source || !dest) return E_INVALIDARG;
    BlockOf(source);
    BlockOf(dest);
    if (source == dest) return S_OK;
    if (source->cDims != dest->cDims || source->cbElements != dest->cbElements ||
        OwnershipType(source) != OwnershipType(dest)) {
        return E_INVALIDARG;
    }
    for (USHORT i = 0; i < source->cDims; ++i) {
        if (Bounds(source)[i].cElements != Bounds(dest)[i].cElements ||
            Bounds(source)[i].lLbound != Bounds(dest)[i].lLbound) {
            return E_INVALIDARG;
        }
    }
    const size_t count = ElementCount(source);
    ClearElements(dest, 0, count);
    for (size_t i = 0; i < count; ++i) {
        const HRESULT hr = CopyElement(dest, ElementAt(source, i), ElementAt(dest, i));
        if (FAILED(hr)) {
            // Elements copied so far stay in `dest` and are its own; the rest are empty.
            std::memset(ElementAt(dest, i), 0, (count - i) * dest->cbElements);
            return hr;
        }
    }
    return S_OK;
}

int64_t com::testing::LiveSafeArrayCount() { return liveArrays.load(std::memory_order_relaxed); }
