// Counts the pulses of a named event that reach a thread waiting on it.
#pragma once

#include "login_table_test_support.h"

#include "winapi/handles.h"
#include "winapi/sync.h"

#include <unistd.h>

#include <atomic>
#include <thread>

namespace tabletest {

class PulseWatcher {
public:
    explicit PulseWatcher(LPCWSTR eventName)
        : event_(OpenEventW(SYNCHRONIZE | EVENT_MODIFY_STATE, FALSE, eventName)), thread_([this] { Run(); }) {
        while (tid_.load() == 0) std::this_thread::yield();
        WaitUntilBlocked(getpid(), tid_.load());
    }
    ~PulseWatcher() {
        stop_ = true;
        SetEvent(event_);
        thread_.join();
        ResetEvent(event_);
        CloseHandle(event_);
    }
    PulseWatcher(const PulseWatcher&) = delete;
    PulseWatcher& operator=(const PulseWatcher&) = delete;

    bool ok() const { return event_ != nullptr; }
    // The pulses seen so far. A pulse wakes the watcher before it returns;
    // once the watcher sleeps again, every wake is counted.
    int Pulses() const {
        WaitUntilBlocked(getpid(), tid_.load());
        return wakes_.load();
    }

private:
    void Run() {
        tid_ = gettid();
        while (!stop_) {
            if (WaitForSingleObject(event_, INFINITE) != WAIT_OBJECT_0) return;
            if (!stop_) ++wakes_;
        }
    }

    HANDLE event_;
    std::atomic<pid_t> tid_{0};
    std::atomic<int> wakes_{0};
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

}  // namespace tabletest
