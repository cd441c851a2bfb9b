// Mutexes: a process-shared, robust, recursive C-library mutex in the
// object's shared page. Robust: when the owning thread or process ends, the
// kernel marks the mutex and the next locker gets EOWNERDEAD, which is the
// platform's WAIT_ABANDONED; recursive: the owning thread may take it again.
// An abandoned mutex is handed over once the dead owner's process has ended
// (see owner_process.h).
#include "mutex_mapping.h"
#include "named_object.h"
#include "owner_process.h"
#include "wait_deadline.h"
#include "winapi/errors.h"
#include "winapi/sync.h"

#include <pthread.h>

#include <cerrno>
#include <memory>
#include <typeinfo>

namespace winapi::kernel {

namespace {

// A dying process ends within moments; one that takes longer lives on after
// the death of the one thread that held the mutex.
constexpr DWORD kDeadOwnerEndLimitMs = 10000;

class MutexObject final : public KernelObject {
public:
    MutexObject(std::unique_ptr<ObjectFile> file, MappedMutex* mapped, ACCESS_MASK access)
        : file_(std::move(file)), mapped_(mapped), access_(access) {}
    ~MutexObject() override { DetachMutex(mapped_); }

    DWORD Wait(DWORD timeoutMs) override {
        if ((access_ & SYNCHRONIZE) == 0) {
            SetLastError(ERROR_ACCESS_DENIED);
            return WAIT_FAILED;
        }
        pthread_mutex_t* mutex = mapped_->mutex();
        int rc;
        if (timeoutMs == INFINITE)
            rc = ::pthread_mutex_lock(mutex);
        else if (timeoutMs == 0)
            rc = ::pthread_mutex_trylock(mutex);
        else
            rc = ::pthread_mutex_clocklock(mutex, CLOCK_MONOTONIC, WaitDeadline(timeoutMs).when());
        switch (rc) {
        case 0:
            NoteMutexAcquired(mapped_, false);
            mapped_->state()->lastOwner = CurrentProcessIdentity();
            return WAIT_OBJECT_0;
        case EOWNERDEAD: {
            // The owner ended while holding it; we hold it now, and mark it
            // sound so that it stays usable after our release.
            ::pthread_mutex_consistent(mutex);
            NoteMutexAcquired(mapped_, true);
            ProcessIdentity deadOwner = mapped_->state()->lastOwner;
            mapped_->state()->lastOwner = CurrentProcessIdentity();
            WaitForProcessEnd(deadOwner, kDeadOwnerEndLimitMs);
            return WAIT_ABANDONED;
        }
        case EBUSY:
        case ETIMEDOUT:
            return WAIT_TIMEOUT;
        default:
            SetLastErrorFromErrno(rc);
            return WAIT_FAILED;
        }
    }

    BOOL Release() {
        // Counted while still held: only the holder changes the count.
        if (!NoteMutexReleasing(mapped_)) {
            SetLastError(ERROR_NOT_OWNER);
            return FALSE;
        }
        int rc = ::pthread_mutex_unlock(mapped_->mutex());
        if (rc != 0) {
            SetLastError(rc == EPERM ? ERROR_NOT_OWNER : Win32ErrorFromErrno(rc));
            return FALSE;
        }
        return TRUE;
    }

private:
    std::unique_ptr<ObjectFile> file_;  // this handle's hold on the object
    MappedMutex* mapped_;               // shared with the process's other handles to it
    ACCESS_MASK access_;
};

bool InitialiseSharedMutex(pthread_mutex_t* mutex) {
    pthread_mutexattr_t attributes;
    ::pthread_mutexattr_init(&attributes);
    ::pthread_mutexattr_setpshared(&attributes, PTHREAD_PROCESS_SHARED);
    ::pthread_mutexattr_setrobust(&attributes, PTHREAD_MUTEX_ROBUST);
    ::pthread_mutexattr_settype(&attributes, PTHREAD_MUTEX_RECURSIVE);
    int rc = ::pthread_mutex_init(mutex, &attributes);
    ::pthread_mutexattr_destroy(&attributes);
    if (rc != 0) SetLastErrorFromErrno(rc);
    return rc == 0;
}

}  // namespace

}  // namespace winapi::kernel

HANDLE WINAPI CreateMutexW(LPSECURITY_ATTRIBUTES, BOOL initialOwner, LPCWSTR name) {
    using namespace winapi::kernel;
    ObjectHeader header;
    header.kind = ObjectKind::Mutex;
    MappedMutex* mapped = nullptr;
    bool owned = false;
    bool created = false;
    // Initial ownership is taken before the object becomes visible, so no
    // other process can take the mutex first.
    auto file = CreateObject(
        name, header,
        [&](int fd) {
            mapped = AttachMutex(fd);
            if (!mapped || !InitialiseSharedMutex(mapped->mutex())) return false;
            if (initialOwner) {
                owned = ::pthread_mutex_lock(mapped->mutex()) == 0;
                if (owned) {
                    NoteMutexAcquired(mapped, false);
                    mapped->state()->lastOwner = CurrentProcessIdentity();
                }
            }
            return true;
        },
        &created);
    if (!file) {
        if (owned) {
            NoteMutexReleasing(mapped);
            ::pthread_mutex_unlock(mapped->mutex());
        }
        if (mapped) DetachMutex(mapped);
        return nullptr;
    }
    if (!created && !(mapped = AttachMutex(file->fd()))) return nullptr;
    HANDLE handle = winapi::RegisterHandle(std::make_shared<MutexObject>(std::move(file), mapped, MUTEX_ALL_ACCESS));
    SetLastError(created ? ERROR_SUCCESS : ERROR_ALREADY_EXISTS);
    return handle;
}

HANDLE WINAPI OpenMutexW(DWORD access, BOOL, LPCWSTR name) {
    using namespace winapi::kernel;
    auto file = OpenObject(name, ObjectKind::Mutex);
    if (!file) return nullptr;
    MappedMutex* mapped = AttachMutex(file->fd());
    if (!mapped) return nullptr;
    return winapi::RegisterHandle(std::make_shared<MutexObject>(std::move(file), mapped, access));
}

BOOL WINAPI ReleaseMutex(HANDLE mutex) {
    using winapi::kernel::MutexObject;
    // The class is final: its type alone tells, without a dynamic_cast's
    // walk of the hierarchy.
    auto object = winapi::LookupHandle(mutex);
    if (!object) return FALSE;
    if (typeid(*object) != typeid(MutexObject)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return static_cast<MutexObject&>(*object).Release();
}
