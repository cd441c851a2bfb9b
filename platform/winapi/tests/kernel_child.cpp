// A second process for the tests of named kernel objects. The first argument
// chooses what it does; it reports on stdout, one line at a time, so that the
// test can follow it with WaitForLine.
#include "winapi/file_mapping.h"
#include "winapi/state_root.h"
#include "winapi/sync.h"

#include "testsupport/child_process.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

using testsupport::Announce;

std::u16string Wide(const std::string& text) { return std::u16string(text.begin(), text.end()); }

std::string WaitResult(DWORD result) {
    switch (result) {
    case WAIT_OBJECT_0:
        return "signalled";
    case WAIT_ABANDONED:
        return "abandoned";
    case WAIT_TIMEOUT:
        return "timeout";
    default:
        return "failed " + std::to_string(GetLastError());
    }
}

int Failed(const char* what) {
    Announce(std::string(what) + " failed " + std::to_string(GetLastError()));
    return 2;
}

// hold-mutex NAME: takes the mutex, says "held" and keeps it until killed.
int HoldMutex(const std::u16string& name) {
    HANDLE mutex = CreateMutexW(nullptr, FALSE, name.c_str());
    if (!mutex) return Failed("create");
    if (WaitForSingleObject(mutex, INFINITE) != WAIT_OBJECT_0) return Failed("wait");
    Announce("held");
    Sleep(INFINITE);
    return 0;
}

// take-mutex NAME: reports how a wait without delay on the mutex ends.
int TakeMutex(const std::u16string& name) {
    HANDLE mutex = OpenMutexW(SYNCHRONIZE | MUTEX_MODIFY_STATE, FALSE, name.c_str());
    if (!mutex) return Failed("open");
    Announce(WaitResult(WaitForSingleObject(mutex, 0)));
    return 0;
}

// wait-event NAME MS: says "waiting", waits on the event and reports how the
// wait ended.
int WaitEvent(const std::u16string& name, DWORD milliseconds) {
    HANDLE event = OpenEventW(SYNCHRONIZE, FALSE, name.c_str());
    if (!event) return Failed("open");
    Announce("waiting");
    Announce(WaitResult(WaitForSingleObject(event, milliseconds)));
    return 0;
}

// hold-mapping NAME TEXT: makes a 64 KiB mapping holding TEXT, says "created"
// and keeps it until killed.
int HoldMapping(const std::u16string& name, const std::string& text) {
    HANDLE mapping = CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 0x10000, name.c_str());
    if (!mapping) return Failed("create");
    void* view = MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, 0);
    if (!view) return Failed("map");
    std::memcpy(view, text.c_str(), text.size() + 1);
    Announce("created");
    Sleep(INFINITE);
    return 0;
}

// read-mapping NAME: reports the text at the start of the mapping, read
// through a read-only handle and view.
int ReadMapping(const std::u16string& name) {
    HANDLE mapping = OpenFileMappingW(FILE_MAP_READ, FALSE, name.c_str());
    if (!mapping) return Failed("open");
    const char* view = static_cast<const char*>(MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0));
    if (!view) return Failed("map");
    Announce(std::string("text ") + view);
    return 0;
}

// write-mapping NAME TEXT: writes TEXT at the start of the mapping.
int WriteMapping(const std::u16string& name, const std::string& text) {
    HANDLE mapping = OpenFileMappingW(FILE_MAP_ALL_ACCESS, FALSE, name.c_str());
    if (!mapping) return Failed("open");
    void* view = MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, 0);
    if (!view) return Failed("map");
    std::memcpy(view, text.c_str(), text.size() + 1);
    UnmapViewOfFile(view);
    CloseHandle(mapping);
    Announce("written");
    return 0;
}

// write-read-only-view NAME: writes into a read-only view; the write must
// fault, so "wrote" is never said.
int WriteReadOnlyView(const std::u16string& name) {
    HANDLE mapping = OpenFileMappingW(FILE_MAP_READ, FALSE, name.c_str());
    if (!mapping) return Failed("open");
    auto* view = static_cast<volatile char*>(MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0));
    if (!view) return Failed("map");
    Announce("mapped");
    view[0] = 'X';
    Announce("wrote");
    return 0;
}

// open-as-user UID NAME: as the user UID, tries to open the mutex NAME of the
// machine's user (PLATFORM_USER names it) and its object file directly.
int OpenAsUser(uid_t uid, const std::u16string& name, const std::string& fileName) {
    if (::setgid(uid) != 0 || ::setuid(uid) != 0) return Failed("setuid");
    HANDLE mutex = OpenMutexW(SYNCHRONIZE, FALSE, name.c_str());
    Announce(mutex ? "opened" : "open error " + std::to_string(GetLastError()));
    int fd = ::open((winapi::KernelObjectDir() / fileName).c_str(), O_RDONLY);
    Announce(fd >= 0 ? "file opened" : "file error " + std::string(std::strerror(errno)));
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    std::string command = argc > 1 ? argv[1] : "";
    std::u16string name = argc > 2 ? Wide(argv[2]) : u"";
    std::string extra = argc > 3 ? argv[3] : "";
    if (command == "hold-mutex") return HoldMutex(name);
    if (command == "take-mutex") return TakeMutex(name);
    if (command == "wait-event") return WaitEvent(name, static_cast<DWORD>(std::stoul(extra)));
    if (command == "hold-mapping") return HoldMapping(name, extra);
    if (command == "read-mapping") return ReadMapping(name);
    if (command == "write-mapping") return WriteMapping(name, extra);
    if (command == "write-read-only-view") return WriteReadOnlyView(name);
    if (command == "open-as-user" && argc > 4)
        return OpenAsUser(static_cast<uid_t>(std::stoul(argv[2])), Wide(argv[3]), argv[4]);
    Announce("unknown command " + command);
    return 64;
}
