// A second process for the login-table tests. The first argument chooses
// what it does; it reports on stdout, one line at a time, for WaitForLine.
#include "login/table/login_table.h"

#include "testsupport/child_process.h"

#include "winapi/handles.h"
#include "winapi/sync.h"
#include "winapi/text.h"

#include <unistd.h>

#include <cstdlib>
#include <string>

namespace {

using testsupport::Announce;

std::u16string Wide(const std::string& text) { return std::u16string(text.begin(), text.end()); }

// add VAULT TIMES: adds the login of VAULT TIMES times over (each replacing
// the one before), as the login server does after a dialog login. Exit code
// 0 when every add was stored.
int Add(const std::string& vault, int times) {
    LoginSyncObjects objects = OpenLoginSyncObjects();
    if (!OpenLoginTableMapping(objects)) return 2;
    const std::u16string name = Wide(vault);
    const std::u16string user = u"user-" + name;
    const std::u16string root = u"C:\\Vaults\\" + name + u"\\";
    int failures = 0;
    for (int i = 0; i < times; ++i) {
        bool stored = false;
        bool added = AddLoginTableEntry(objects, u"DBHOST", name.c_str(), user.c_str(), u"secret", i,
                                        static_cast<int32_t>(getpid()), u"dbuser", u"dbpass", 0x1234, kLoginProgramType,
                                        root.c_str(), &stored);
        if (!added || !stored) ++failures;
    }
    CloseLoginSyncObjects(objects);
    Announce("added");
    return failures == 0 ? 0 : 3;
}

// hold-mutex: takes the login mutex, says "held" and keeps it until killed.
int HoldMutex() {
    LoginSyncObjects objects = OpenLoginSyncObjects();
    if (WaitForSingleObject(objects.mutex, INFINITE) != WAIT_OBJECT_0) return 2;
    Announce("held");
    Sleep(INFINITE);
    return 0;
}

// wait-add VAULT: says "waiting", waits for the add event, then reads the
// login of VAULT and says "found USER" (or "not found", or "timeout").
int WaitAdd(const std::string& vault) {
    LoginSyncObjects objects = OpenLoginSyncObjects();
    if (!OpenLoginTableMapping(objects)) return 2;
    Announce("waiting");
    if (WaitForSingleObject(objects.addEvent, 60000) != WAIT_OBJECT_0) {
        Announce("timeout");
        return 1;
    }
    LoginTableEntry entry;
    if (ReadLoginTableEntry(objects, Wide(vault).c_str(), entry))
        Announce("found " + winapi::ToUtf8(entry.moUserName));
    else
        Announce("not found");
    CloseLoginSyncObjects(objects);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    std::string command = argc > 1 ? argv[1] : "";
    if (command == "add" && argc == 4) return Add(argv[2], std::atoi(argv[3]));
    if (command == "hold-mutex") return HoldMutex();
    if (command == "wait-add" && argc == 3) return WaitAdd(argv[2]);
    Announce("usage: login_table_child add VAULT TIMES | hold-mutex | wait-add VAULT");
    return 64;
}
