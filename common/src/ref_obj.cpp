#include "common/ref_obj.h"

void RefObj::AddRef() noexcept {
    // Taking a reference needs no ordering: the caller already holds one.
    count_.fetch_add(1, std::memory_order_relaxed);
}

void RefObj::Release() noexcept {
    // Release order publishes this thread's writes to the object; the acquire
    // fence makes them visible to the thread that deletes it.
    if (count_.fetch_sub(1, std::memory_order_release) == 1) {
        std::atomic_thread_fence(std::memory_order_acquire);
        delete this;
    }
}
