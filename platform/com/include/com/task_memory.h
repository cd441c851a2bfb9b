// Task memory: the heap that blocks handed between components come from
// (texts and records returned through out-parameters, list nodes, item id
// lists), so that whoever receives a block can free it.
//
// Task memory is the C library heap: CoTaskMemAlloc is malloc,
// CoTaskMemFree is free. That is deliberate: the item id lists of the
// special-folder functions (winapi/shell_folders.h) come from malloc and
// are freed with free (winapi::FreeIdList), and the shell's callers free
// them through the task allocator - both must be the same heap.
#pragma once

#include "com/unknown.h"

// A block of `size` bytes (a block of 0 bytes is a valid block); null when
// out of memory.
LPVOID WINAPI CoTaskMemAlloc(SIZE_T size);
// Null `block`: a new block. Size 0 with a block: frees it and returns null.
// Otherwise the block resized, keeping its contents; null when out of memory,
// and the block stays as it was.
LPVOID WINAPI CoTaskMemRealloc(LPVOID block, SIZE_T size);
// Null is allowed.
void WINAPI CoTaskMemFree(LPVOID block);

// The task allocator as an object. Its functions are those above.
struct IMalloc : IUnknown {
    COM_INTERFACE_ID("00000002-0000-0000-C000-000000000046");
    virtual void* STDMETHODCALLTYPE Alloc(SIZE_T size) = 0;
    virtual void* STDMETHODCALLTYPE Realloc(void* block, SIZE_T size) = 0;
    virtual void STDMETHODCALLTYPE Free(void* block) = 0;
    // The usable size of the block, which may be more than was asked for
    // (the heap rounds sizes up); (SIZE_T)-1 for null.
    virtual SIZE_T STDMETHODCALLTYPE GetSize(void* block) = 0;
    // 1: allocated here, 0: not, -1: cannot tell. Every block of the C heap
    // is task memory here and the heap cannot tell its blocks from other
    // addresses, so the answer is always -1.
    virtual int STDMETHODCALLTYPE DidAlloc(void* block) = 0;
    // Returns free memory at the top of the heap to the system.
    virtual void STDMETHODCALLTYPE HeapMinimize() = 0;

protected:
    ~IMalloc() = default;
};
typedef IMalloc* LPMALLOC;

inline constexpr IID IID_IMalloc = IMalloc::kIid;

#define MEMCTX_TASK 1

// The task allocator, one object for the whole process (its reference count
// does not matter, but callers Release it as usual). E_INVALIDARG for a null
// out-pointer or a memory context other than MEMCTX_TASK.
HRESULT WINAPI CoGetMalloc(DWORD memoryContext, LPMALLOC* allocator);
// The shell's allocator: the same object as CoGetMalloc gives.
HRESULT WINAPI SHGetMalloc(LPMALLOC* allocator);

namespace com::testing {

// Blocks allocated and not yet freed through the task allocator: successful
// allocations minus frees of non-null blocks (a reallocation moves a block
// and keeps the count). Tests compare it before and after; blocks from
// malloc that are freed as task memory (item id lists) lower it.
long long LiveTaskAllocations();

}  // namespace com::testing
