// Threading models of server objects: how an object counts its references
// and guards its state.
//
// CComSingleThreadModel is for apartment objects, which only the thread of
// their apartment calls: a plain count, and a lock that does nothing.
// CComMultiThreadModel is for free-threaded objects (callbacks that another
// component may call from its own threads): an atomic count and a critical
// section.
#pragma once

#include "winapi/sync.h"
#include "winapi/types.h"

#include <atomic>

class CComSingleThreadModel {
public:
    class RefCount {
    public:
        LONG Increment() { return ++value_; }
        LONG Decrement() { return --value_; }
        // Called by the thread that saw the count reach zero, before it
        // destroys the object; one thread needs no ordering.
        void AcquireBeforeDestroy() {}
        LONG Get() const { return value_; }
        void Set(LONG value) { value_ = value; }

    private:
        LONG value_ = 0;
    };

    class CriticalSection {
    public:
        void Lock() {}
        void Unlock() {}
    };
};

class CComMultiThreadModel {
public:
    // Memory orders:
    // - Increment is relaxed: a reference is only ever made from another
    //   live reference, so the object cannot die meanwhile and there is
    //   nothing to order; the update itself only has to be atomic.
    // - Decrement is a release: every access this thread made to the object
    //   happens before its reference is given up.
    // - The thread that brings the count to zero issues an acquire fence
    //   (AcquireBeforeDestroy) before it destroys the object, which pairs
    //   with the release of every other thread's last decrement: the
    //   destructor sees all their writes and none of them still runs.
    class RefCount {
    public:
        LONG Increment() { return value_.fetch_add(1, std::memory_order_relaxed) + 1; }
        LONG Decrement() { return value_.fetch_sub(1, std::memory_order_release) - 1; }
        void AcquireBeforeDestroy() { std::atomic_thread_fence(std::memory_order_acquire); }
        LONG Get() const { return value_.load(std::memory_order_relaxed); }
        void Set(LONG value) { value_.store(value, std::memory_order_relaxed); }

    private:
        std::atomic<LONG> value_{0};
    };

    // Re-entrant for the thread that holds it.
    class CriticalSection {
    public:
        CriticalSection() { InitializeCriticalSection(&section_); }
        ~CriticalSection() { DeleteCriticalSection(&section_); }
        CriticalSection(const CriticalSection&) = delete;
        CriticalSection& operator=(const CriticalSection&) = delete;
        void Lock() { EnterCriticalSection(&section_); }
        void Unlock() { LeaveCriticalSection(&section_); }

    private:
        CRITICAL_SECTION section_;
    };
};
