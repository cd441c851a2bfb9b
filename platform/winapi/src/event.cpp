// Events across processes, built on a generation counter that waiters sleep
// on with a futex. Every SetEvent and PulseEvent advances the generation and
// wakes all sleepers; each waiter then decides from the shared state whether
// it is released:
// - manual reset: released while the event is set, or when the generation
//   moved since it began to wait (a set or pulse it was there for, even if
//   the event was reset again since). A waiter that begins after a pulse
//   sees the new generation as its start and sleeps on.
// - auto reset: released by claiming the set flag (one claimant wins), or by
//   claiming an auto-reset pulse, which only a waiter that began before the
//   pulse may claim, and only one.
// Waking everyone costs a little with many waiters, but a waiter that dies
// after being woken cannot swallow a wake-up meant for the others.
#include "futex.h"
#include "named_object.h"
#include "wait_deadline.h"
#include "winapi/errors.h"
#include "winapi/sync.h"

#include <atomic>
#include <memory>

namespace winapi::kernel {

namespace {

struct EventState {
    uint32_t generation;  // the futex word
    uint32_t signalled;   // 1 while set
    uint32_t manualReset;
    uint32_t reserved;
    uint64_t pulse;  // auto reset: the generation of the last pulse << 32, | 1 while unclaimed
};

class EventObject final : public KernelObject {
public:
    EventObject(std::unique_ptr<ObjectFile> file, void* page, ACCESS_MASK access)
        : file_(std::move(file)), page_(page), state_(StateIn<EventState>(page)), access_(access) {}
    ~EventObject() override { UnmapStatePage(page_); }

    DWORD Wait(DWORD timeoutMs) override {
        if ((access_ & SYNCHRONIZE) == 0) {
            SetLastError(ERROR_ACCESS_DENIED);
            return WAIT_FAILED;
        }
        WaitDeadline deadline(timeoutMs);
        const uint32_t start = Generation().load();
        for (;;) {
            uint32_t seen = Generation().load();
            if (TryRelease(start, seen)) return WAIT_OBJECT_0;
            if (timeoutMs == 0 || !FutexWait(&state_->generation, seen, deadline.when())) {
                // A last look, so that a set racing the time-out is not lost.
                return TryRelease(start, Generation().load()) ? WAIT_OBJECT_0 : WAIT_TIMEOUT;
            }
        }
    }

    BOOL Set() {
        if (!MayModify()) return FALSE;
        Signalled().store(1);
        Generation().fetch_add(1);
        FutexWakeAll(&state_->generation);
        return TRUE;
    }

    BOOL Reset() {
        if (!MayModify()) return FALSE;
        Signalled().store(0);
        return TRUE;
    }

    BOOL Pulse() {
        if (!MayModify()) return FALSE;
        Signalled().store(0);
        uint32_t generation = Generation().fetch_add(1) + 1;
        if (!state_->manualReset) PulseTicket().store(uint64_t{generation} << 32 | 1);
        FutexWakeAll(&state_->generation);
        return TRUE;
    }

private:
    std::atomic_ref<uint32_t> Generation() const { return std::atomic_ref(state_->generation); }
    std::atomic_ref<uint32_t> Signalled() const { return std::atomic_ref(state_->signalled); }
    std::atomic_ref<uint64_t> PulseTicket() const { return std::atomic_ref(state_->pulse); }

    bool MayModify() const {
        if ((access_ & EVENT_MODIFY_STATE) != 0) return true;
        SetLastError(ERROR_ACCESS_DENIED);
        return false;
    }

    bool TryRelease(uint32_t start, uint32_t seen) {
        if (state_->manualReset) return Signalled().load() == 1 || seen != start;
        uint32_t set = 1;
        return Signalled().compare_exchange_strong(set, 0) || ClaimPulse(start);
    }

    bool ClaimPulse(uint32_t start) {
        uint64_t ticket = PulseTicket().load();
        while (ticket & 1) {
            uint32_t pulsedAt = static_cast<uint32_t>(ticket >> 32);
            // Signed distance, so that the counter may wrap.
            if (static_cast<int32_t>(pulsedAt - start) <= 0) return false;  // pulsed before this wait began
            if (PulseTicket().compare_exchange_weak(ticket, ticket & ~uint64_t{1})) return true;
        }
        return false;
    }

    std::unique_ptr<ObjectFile> file_;  // this handle's hold on the object
    void* page_;
    EventState* state_;  // in page_, shared with every process
    ACCESS_MASK access_;
};

std::shared_ptr<EventObject> LookupEvent(HANDLE handle) { return LookupHandleAs<EventObject>(handle); }

HANDLE RegisterEvent(std::unique_ptr<ObjectFile> file, ACCESS_MASK access) {
    void* page = MapStatePage(file->fd());
    if (!page) return nullptr;
    return RegisterHandle(std::make_shared<EventObject>(std::move(file), page, access));
}

}  // namespace

}  // namespace winapi::kernel

HANDLE WINAPI CreateEventW(LPSECURITY_ATTRIBUTES, BOOL manualReset, BOOL initialState, LPCWSTR name) {
    using namespace winapi::kernel;
    ObjectHeader header;
    header.kind = ObjectKind::Event;
    bool created = false;
    auto file = CreateObject(
        name, header,
        [&](int fd) {
            void* page = MapStatePage(fd);
            if (!page) return false;
            EventState* state = StateIn<EventState>(page);
            state->manualReset = manualReset ? 1 : 0;
            state->signalled = initialState ? 1 : 0;
            UnmapStatePage(page);
            return true;
        },
        &created);
    if (!file) return nullptr;
    HANDLE handle = RegisterEvent(std::move(file), EVENT_ALL_ACCESS);
    if (handle) SetLastError(created ? ERROR_SUCCESS : ERROR_ALREADY_EXISTS);
    return handle;
}

HANDLE WINAPI OpenEventW(DWORD access, BOOL, LPCWSTR name) {
    using namespace winapi::kernel;
    auto file = OpenObject(name, ObjectKind::Event);
    return file ? RegisterEvent(std::move(file), access) : nullptr;
}

BOOL WINAPI SetEvent(HANDLE event) {
    auto object = winapi::kernel::LookupEvent(event);
    return object ? object->Set() : FALSE;
}

BOOL WINAPI ResetEvent(HANDLE event) {
    auto object = winapi::kernel::LookupEvent(event);
    return object ? object->Reset() : FALSE;
}

BOOL WINAPI PulseEvent(HANDLE event) {
    auto object = winapi::kernel::LookupEvent(event);
    return object ? object->Pulse() : FALSE;
}
