// RefObj: the intrusive reference-counted base of the system's own heap
// objects (the item store's records and cache file, the explorer's cache). Held through RefPtr<T> (ref_ptr.h).
#pragma once

#include <atomic>
#include <cstdint>

class RefObj {
public:
    RefObj() = default;
    // A copy is a new object: it copies the derived data, never the count.
    RefObj(const RefObj&) noexcept {}
    RefObj& operator=(const RefObj&) noexcept { return *this; }

    // Interlocked. The count starts at 0, so the first RefPtr makes it 1.
    void AddRef() noexcept;
    // The Release that takes the count from 1 to 0 deletes the object.
    void Release() noexcept;

    // The current count, for diagnostics and tests only.
    int32_t mlRefCount() const noexcept { return count_.load(std::memory_order_relaxed); }

protected:
    // Only Release deletes: no one else may destroy a shared object.
    virtual ~RefObj() = default;

private:
    std::atomic<int32_t> count_{0};
};
