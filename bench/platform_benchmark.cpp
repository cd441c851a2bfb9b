// The platform layer's hot calls beside their floors, measured in the same
// run: a named mutex's wait and release beside a robust process-shared C
// library mutex, and registry reads beside a small file read and a lookup in
// an in-memory map. See README.md.
#include "winapi/errors.h"
#include "winapi/registry.h"
#include "winapi/registry_write_batch.h"
#include "winapi/state_root.h"
#include "winapi/sync.h"

#include "fresh_state_root.h"

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <pthread.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

bool gFailed = false;  // a benchmark reported an error: the run fails

void Fail(benchmark::State& state, const char* what) {
    state.SkipWithError(what);
    gFailed = true;
}

// A machine of its own for one benchmark: a state root below $TMPDIR, made
// before the benchmark's set-up and removed after it.
class FreshMachine {
public:
    FreshMachine() { root_ = MakeFreshStateRoot("platform-bench"); }
    ~FreshMachine() {
        unsetenv(winapi::kStateRootVariable);
        std::error_code ignored;
        if (!root_.empty()) fs::remove_all(root_, ignored);
    }
    FreshMachine(const FreshMachine&) = delete;
    FreshMachine& operator=(const FreshMachine&) = delete;

    bool ok() const { return !root_.empty(); }
    const fs::path& root() const { return root_; }

private:
    fs::path root_;
};

// --- named mutex -------------------------------------------------------------

void MutexNamed(benchmark::State& state) {
    FreshMachine machine;
    HANDLE mutex = CreateMutexW(nullptr, FALSE, u"Local\\PlatformBenchmarkMutex");
    if (!machine.ok() || mutex == nullptr) return Fail(state, "CreateMutexW failed");
    for (auto _ : state) {
        if (WaitForSingleObject(mutex, INFINITE) != WAIT_OBJECT_0) return Fail(state, "wait failed");
        if (!ReleaseMutex(mutex)) return Fail(state, "release failed");
    }
    CloseHandle(mutex);
}

// The floor: the C library's robust process-shared mutex in a shared page,
// the mechanism the named mutex is built on.
void MutexPthreadRobustShared(benchmark::State& state) {
    void* page = ::mmap(nullptr, sizeof(pthread_mutex_t), PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
    if (page == MAP_FAILED) return Fail(state, "mmap failed");
    auto* mutex = static_cast<pthread_mutex_t*>(page);
    pthread_mutexattr_t attributes;
    ::pthread_mutexattr_init(&attributes);
    ::pthread_mutexattr_setpshared(&attributes, PTHREAD_PROCESS_SHARED);
    ::pthread_mutexattr_setrobust(&attributes, PTHREAD_MUTEX_ROBUST);
    ::pthread_mutex_init(mutex, &attributes);
    ::pthread_mutexattr_destroy(&attributes);
    for (auto _ : state) {
        if (::pthread_mutex_lock(mutex) != 0) return Fail(state, "lock failed");
        ::pthread_mutex_unlock(mutex);
    }
    ::pthread_mutex_destroy(mutex);
    ::munmap(page, sizeof(pthread_mutex_t));
}

// --- registry reads ----------------------------------------------------------

// A registered server's class key and the value read from it.
constexpr const char16_t* kClassKey = u"CLSID\\{6B0D3A52-1F4E-4C8B-9A27-5E3D1C0B7F41}\\InprocServer32";
constexpr const char16_t* kValueName = u"ThreadingModel";
const std::u16string kValueText = u"Apartment";

std::vector<BYTE> TextBytes(const std::u16string& text) {
    std::vector<BYTE> bytes((text.size() + 1) * sizeof(char16_t));
    std::memcpy(bytes.data(), text.c_str(), bytes.size());
    return bytes;
}

// Fills the machine's classes as registration does: a few hundred classes
// with their server key and two values each, so that the hive has the size
// of a machine with the servers registered, written in one batch. The key
// read is one of them.
bool RegisterClasses() {
    winapi::RegistryWriteBatch batch;
    auto write = [](const std::u16string& path, const char16_t* name, const std::u16string& text) {
        HKEY key = nullptr;
        if (RegCreateKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr))
            return false;
        std::vector<BYTE> bytes = TextBytes(text);
        LSTATUS status = RegSetValueExW(key, name, 0, REG_SZ, bytes.data(), static_cast<DWORD>(bytes.size()));
        RegCloseKey(key);
        return status == ERROR_SUCCESS;
    };
    for (int i = 0; i < 300; ++i) {
        char id[64];
        std::snprintf(id, sizeof id, "CLSID\\{%08X-0000-4000-8000-%012X}\\InprocServer32", 0x10000000 + i, i);
        std::u16string path(id, id + std::strlen(id));
        if (!write(path, nullptr, u"/opt/servers/server" + std::u16string(1, u'0' + i % 10) + u".so")) return false;
        if (!write(path, kValueName, kValueText)) return false;
    }
    return write(kClassKey, nullptr, u"/opt/servers/widgets.so") && write(kClassKey, kValueName, kValueText) &&
           batch.Finish() == ERROR_SUCCESS;
}

bool IsValueText(const WCHAR* buffer, DWORD bytes) {
    return bytes == (kValueText.size() + 1) * sizeof(WCHAR) && kValueText == buffer;
}

// A value read through a key held open: the call a server makes again and
// again on a key it keeps. `root` is HKEY_CLASSES_ROOT (two hives to
// consult) or HKEY_LOCAL_MACHINE (one).
void RegistryQueryOpenKey(benchmark::State& state, HKEY root) {
    FreshMachine machine;
    if (!machine.ok() || !RegisterClasses()) return Fail(state, "registering the classes failed");
    std::u16string path = kClassKey;
    if (root == HKEY_LOCAL_MACHINE) path = u"Software\\Classes\\" + path;
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key)) return Fail(state, "RegOpenKeyExW failed");
    WCHAR buffer[64];
    for (auto _ : state) {
        DWORD type = 0, bytes = sizeof buffer;
        if (RegQueryValueExW(key, kValueName, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &bytes) ||
            !IsValueText(buffer, bytes))
            return Fail(state, "RegQueryValueExW failed");
        benchmark::DoNotOptimize(buffer);
    }
    RegCloseKey(key);
}

// Opening the class key by its path, reading the value and closing the key,
// as class creation does for each CoCreateInstance.
void RegistryOpenQueryClose(benchmark::State& state) {
    FreshMachine machine;
    if (!machine.ok() || !RegisterClasses()) return Fail(state, "registering the classes failed");
    WCHAR buffer[64];
    for (auto _ : state) {
        HKEY key = nullptr;
        if (RegOpenKeyExW(HKEY_CLASSES_ROOT, kClassKey, 0, KEY_READ, &key)) return Fail(state, "RegOpenKeyExW failed");
        DWORD type = 0, bytes = sizeof buffer;
        LSTATUS status = RegQueryValueExW(key, kValueName, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &bytes);
        RegCloseKey(key);
        if (status || !IsValueText(buffer, bytes)) return Fail(state, "RegQueryValueExW failed");
        benchmark::DoNotOptimize(buffer);
    }
}

// A floor for a read that asks the kernel: a small file opened, read and
// closed.
void SmallFileOpenReadClose(benchmark::State& state) {
    FreshMachine machine;
    const fs::path file = machine.root() / "value.txt";
    std::ofstream(file, std::ios::binary) << "Apartment";
    char buffer[64];
    for (auto _ : state) {
        int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) return Fail(state, "open failed");
        ssize_t n = ::read(fd, buffer, sizeof buffer);
        ::close(fd);
        if (n != 9) return Fail(state, "read failed");
        benchmark::DoNotOptimize(buffer);
    }
}

// The floor for a read from memory: a value found by name in a map of the
// key's size and copied out.
void InMemoryMapLookup(benchmark::State& state) {
    std::map<std::u16string, std::vector<BYTE>> values;
    for (int i = 0; i < 8; ++i) values[u"Value" + std::u16string(1, u'A' + i)] = TextBytes(u"other");
    values[kValueName] = TextBytes(kValueText);
    const std::u16string name = kValueName;
    WCHAR buffer[64];
    for (auto _ : state) {
        auto it = values.find(name);
        if (it == values.end() || it->second.size() > sizeof buffer) return Fail(state, "lookup failed");
        std::memcpy(buffer, it->second.data(), it->second.size());
        if (!IsValueText(buffer, static_cast<DWORD>(it->second.size()))) return Fail(state, "lookup failed");
        benchmark::DoNotOptimize(buffer);
    }
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 2;

    benchmark::RegisterBenchmark("Mutex/named/WaitRelease", MutexNamed);
    benchmark::RegisterBenchmark("Mutex/pthread_robust_shared/LockUnlock", MutexPthreadRobustShared);
    benchmark::RegisterBenchmark("RegistryRead/OpenKey/HKLM", RegistryQueryOpenKey, HKEY_LOCAL_MACHINE);
    benchmark::RegisterBenchmark("RegistryRead/OpenKey/HKCR", RegistryQueryOpenKey, HKEY_CLASSES_ROOT);
    benchmark::RegisterBenchmark("RegistryRead/OpenQueryClose/HKCR", RegistryOpenQueryClose);
    benchmark::RegisterBenchmark("Floor/SmallFile/OpenReadClose", SmallFileOpenReadClose);
    benchmark::RegisterBenchmark("Floor/StdMap/Lookup", InMemoryMapLookup);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return gFailed ? 1 : 0;
}
