#include "winapi/memory.h"

#include "winapi/errors.h"

#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <unordered_map>

namespace {

// The table keeps addresses of blocks only in a disguised form, so that the
// leak checker still sees a block that the program lost without freeing it.
uintptr_t Disguise(const void* address) {
    return reinterpret_cast<uintptr_t>(address) ^ uintptr_t(0xA5A5A5A5A5A5A5A5u);
}
void* Reveal(uintptr_t disguised) { return reinterpret_cast<void*>(disguised ^ uintptr_t(0xA5A5A5A5A5A5A5A5u)); }

struct Block {
    uintptr_t data = 0;  // disguised
    SIZE_T size = 0;
    bool moveable = false;
    unsigned locks = 0;
};

// Every live block by its (disguised) handle. A moveable block's handle is
// the address of its Block record: unique while the block lives, and never
// the address of any block's data.
class BlockTable {
public:
    static BlockTable& Instance() {
        static BlockTable* table = new BlockTable;  // outlives static destructors that free blocks
        return *table;
    }

    HGLOBAL Allocate(UINT flags, SIZE_T bytes) {
        constexpr UINT kKnown =
            GMEM_MOVEABLE | GMEM_NOCOMPACT | GMEM_NODISCARD | GMEM_ZEROINIT | GMEM_DISCARDABLE | GMEM_SHARE;
        if (flags & ~kKnown) return FailNull(ERROR_INVALID_PARAMETER);
        // malloc(0) may give null; every block has storage of its own.
        void* data = (flags & GMEM_ZEROINIT) ? std::calloc(bytes ? bytes : 1, 1) : std::malloc(bytes ? bytes : 1);
        if (!data) return FailNull(ERROR_NOT_ENOUGH_MEMORY);
        auto block = std::make_unique<Block>();
        block->data = Disguise(data);
        block->size = bytes;
        block->moveable = flags & GMEM_MOVEABLE;
        HGLOBAL handle = block->moveable ? static_cast<HGLOBAL>(block.get()) : data;
        std::lock_guard<std::mutex> lock(mutex_);
        blocks_[Disguise(handle)] = std::move(block);
        return handle;
    }

    HGLOBAL Free(HGLOBAL handle) {
        if (!handle) return nullptr;
        std::unique_ptr<Block> block;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            auto found = blocks_.find(Disguise(handle));
            if (found == blocks_.end()) {
                SetLastError(ERROR_INVALID_HANDLE);
                return handle;
            }
            block = std::move(found->second);
            blocks_.erase(found);
        }
        std::free(Reveal(block->data));
        return nullptr;
    }

    void* Lock(HGLOBAL handle) {
        std::lock_guard<std::mutex> lock(mutex_);
        Block* block = Find(handle);
        if (!block) return nullptr;
        if (block->moveable) ++block->locks;
        return Reveal(block->data);
    }

    BOOL Unlock(HGLOBAL handle) {
        std::lock_guard<std::mutex> lock(mutex_);
        Block* block = Find(handle);
        if (!block) return FALSE;
        if (!block->moveable) {
            SetLastError(NO_ERROR);
            return FALSE;
        }
        if (block->locks == 0) {
            SetLastError(ERROR_NOT_LOCKED);
            return FALSE;
        }
        if (--block->locks > 0) return TRUE;
        SetLastError(NO_ERROR);
        return FALSE;
    }

    SIZE_T Size(HGLOBAL handle) {
        std::lock_guard<std::mutex> lock(mutex_);
        Block* block = Find(handle);
        return block ? block->size : 0;
    }

    HGLOBAL Reallocate(HGLOBAL handle, SIZE_T bytes, UINT flags) {
        if (flags & GMEM_MODIFY) return FailNull(ERROR_INVALID_PARAMETER);
        std::lock_guard<std::mutex> lock(mutex_);
        Block* block = Find(handle);
        if (!block) return nullptr;
        bool mayMove = block->moveable ? block->locks == 0 : (flags & GMEM_MOVEABLE) != 0;
        // Only shrinking is sure to keep the data where it is.
        if (!mayMove && bytes > block->size) return FailNull(ERROR_NOT_ENOUGH_MEMORY);
        void* data = Reveal(block->data);
        if (mayMove) {
            data = std::realloc(data, bytes ? bytes : 1);
            if (!data) return FailNull(ERROR_NOT_ENOUGH_MEMORY);
        }
        if ((flags & GMEM_ZEROINIT) && bytes > block->size)
            std::memset(static_cast<char*>(data) + block->size, 0, bytes - block->size);
        block->data = Disguise(data);
        block->size = bytes;
        if (block->moveable || data == handle) return handle;
        // A fixed block that moved is known by its new address.
        auto record = std::move(blocks_[Disguise(handle)]);
        blocks_.erase(Disguise(handle));
        blocks_[Disguise(data)] = std::move(record);
        return data;
    }

private:
    static HGLOBAL FailNull(DWORD error) {
        SetLastError(error);
        return nullptr;
    }

    Block* Find(HGLOBAL handle) {
        auto found = blocks_.find(Disguise(handle));
        if (found != blocks_.end()) return found->second.get();
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }

    std::mutex mutex_;
    std::unordered_map<uintptr_t, std::unique_ptr<Block>> blocks_;
};

}  // namespace

HGLOBAL WINAPI GlobalAlloc(UINT flags, SIZE_T bytes) { return BlockTable::Instance().Allocate(flags, bytes); }

HGLOBAL WINAPI GlobalFree(HGLOBAL memory) { return BlockTable::Instance().Free(memory); }

LPVOID WINAPI GlobalLock(HGLOBAL memory) { return BlockTable::Instance().Lock(memory); }

BOOL WINAPI GlobalUnlock(HGLOBAL memory) { return BlockTable::Instance().Unlock(memory); }

SIZE_T WINAPI GlobalSize(HGLOBAL memory) { return BlockTable::Instance().Size(memory); }

HGLOBAL WINAPI GlobalReAlloc(HGLOBAL memory, SIZE_T bytes, UINT flags) {
    return BlockTable::Instance().Reallocate(memory, bytes, flags);
}

HLOCAL WINAPI LocalAlloc(UINT flags, SIZE_T bytes) {
    if (flags & ~UINT(LMEM_ZEROINIT)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return BlockTable::Instance().Allocate(flags, bytes);
}

HLOCAL WINAPI LocalFree(HLOCAL memory) { return BlockTable::Instance().Free(memory); }
