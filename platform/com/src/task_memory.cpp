// Task memory over the C library heap (see com/task_memory.h for why), and
// the task allocator object.
#include "com/task_memory.h"

#include <malloc.h>

#include <atomic>
#include <cstdlib>

namespace {

std::atomic<long long> g_liveBlocks{0};

void Count(long long change) { g_liveBlocks.fetch_add(change, std::memory_order_relaxed); }

// One object for the process; it is never destroyed, so its count is not kept.
class TaskAllocator final : public IMalloc {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
        if (!object) return E_POINTER;
        if (riid == IID_IUnknown || riid == IID_IMalloc) {
            *object = static_cast<IMalloc*>(this);
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    void* STDMETHODCALLTYPE Alloc(SIZE_T size) override { return CoTaskMemAlloc(size); }
    void* STDMETHODCALLTYPE Realloc(void* block, SIZE_T size) override { return CoTaskMemRealloc(block, size); }
    void STDMETHODCALLTYPE Free(void* block) override { CoTaskMemFree(block); }
    SIZE_T STDMETHODCALLTYPE GetSize(void* block) override {
        return block ? malloc_usable_size(block) : static_cast<SIZE_T>(-1);
    }
    int STDMETHODCALLTYPE DidAlloc(void*) override { return -1; }
    void STDMETHODCALLTYPE HeapMinimize() override { malloc_trim(0); }
};

TaskAllocator g_taskAllocator;

}  // namespace

LPVOID WINAPI CoTaskMemAlloc(SIZE_T size) {
    // malloc(0) may return null; a block of 0 bytes must still be a block.
    void* block = std::malloc(size ? size : 1);
    if (block) Count(+1);
    return block;
}

LPVOID WINAPI CoTaskMemRealloc(LPVOID block, SIZE_T size) {
    if (!block) return CoTaskMemAlloc(size);
    if (size == 0) {
        CoTaskMemFree(block);
        return nullptr;
    }
    return std::realloc(block, size);
}

void WINAPI CoTaskMemFree(LPVOID block) {
    if (!block) return;
    Count(-1);
    std::free(block);
}

HRESULT WINAPI CoGetMalloc(DWORD memoryContext, LPMALLOC* allocator) {
    if (!allocator) return E_INVALIDARG;
    *allocator = nullptr;
    if (memoryContext != MEMCTX_TASK) return E_INVALIDARG;
    *allocator = &g_taskAllocator;
    return S_OK;
}

HRESULT WINAPI SHGetMalloc(LPMALLOC* allocator) { return CoGetMalloc(MEMCTX_TASK, allocator); }

namespace com::testing {

long long LiveTaskAllocations() { return g_liveBlocks.load(std::memory_order_relaxed); }

}  // namespace com::testing
