// Gallowick: creates the login table's mapping, zero-filled (an empty
// table), and holds it until SIGTERM or SIGINT. When the mapping exists
// already another instance keeps it, and this one exits at once.
//
//   Gallowick            serve the table (how the login server starts it)
//   Gallowick /install   record this program's folder as the machine's
//                        SharedLocation, where the login server finds it
//
// Exit codes: 0 after a clean end or when the table exists already, 1 when
// the mapping (or the install value) cannot be made, 2 for other arguments.
#include "shared_location.h"

#include "common/login_table_codec.h"

#include "winapi/file_mapping.h"
#include "winapi/handles.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <string>

namespace {

// Stop signals are taken by sigwait, so they end the wait instead of the
// process; blocked before the table exists, so none is lost.
sigset_t BlockStopSignals() {
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGINT);
    sigprocmask(SIG_BLOCK, &signals, nullptr);
    return signals;
}

// A server outlives its starter: it must not keep the starter's terminal or
// pipes open (a reader of the starter's output would never see its end).
void DetachStandardStreams() {
    int null = open("/dev/null", O_RDWR);
    if (null < 0) return;
    for (int fd = 0; fd <= 2; ++fd) dup2(null, fd);
    if (null > 2) close(null);
}

int Serve() {
    const sigset_t stopSignals = BlockStopSignals();

    HANDLE table = CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                      static_cast<DWORD>(kLoginTableBytes), kLoginTableMappingName);
    if (table == nullptr) {
        std::fprintf(stderr, "Gallowick: cannot create the login table (error %u)\n", GetLastError());
        return 1;
    }
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        CloseHandle(table);
        return 0;
    }
    DetachStandardStreams();

    int received = 0;
    while (sigwait(&stopSignals, &received) != 0) {}
    CloseHandle(table);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 1) return Serve();
    const std::string option = argv[1];
    if (argc == 2 && (option == "/install" || option == "-install")) return RecordSharedLocation() ? 0 : 1;
    std::fprintf(stderr, "usage: Gallowick [/install]\n");
    return 2;
}
