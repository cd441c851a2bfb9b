// Helpers of the login-table tests: entries, a table buffer, the table's
// mapping as the server program makes it, and following other processes.
#pragma once

#include "login/table/login_table.h"

#include "testsupport/child_process.h"
#include "testsupport/futex_wait.h"

#include "winapi/file_mapping.h"
#include "winapi/handles.h"

#include <sys/syscall.h>
#include <sys/types.h>

#include <chrono>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace tabletest {

// Only a guard against a hung test, never a measure of speed.
constexpr auto kGuard = std::chrono::seconds(60);

inline std::u16string Wide(const std::string& text) { return std::u16string(text.begin(), text.end()); }

inline std::filesystem::path TableChild() { return testsupport::SiblingProgram("login_table_child"); }

// An entry as the login server writes it after a dialog login.
inline LoginTableEntry MakeEntry(const std::u16string& vault, const std::u16string& user = u"ann") {
    LoginTableEntry entry;
    entry.moDbServer = u"DBHOST\\SQL";
    entry.moVaultName = vault;
    entry.moUserName = user;
    entry.moPassword = u"secret";
    entry.moDbUser = u"dbuser";
    entry.moDbPassword = u"dbpass";
    entry.moShellRoot = u"C:\\Vaults\\" + vault + u"\\";
    entry.mlLoginValue = 77;
    entry.mlUserID = 5;
    entry.mlVerification = 0x1234;
    entry.mlProgramType = kLoginProgramType;
    return entry;
}

// A table in memory of exactly `size` bytes, so that the address sanitizer
// catches any read past its end.
struct TableBuffer {
    explicit TableBuffer(size_t size = kLoginTableBytes, BYTE fill = 0) : bytes(size, fill) {}
    LoginTableView View() { return LoginTableView{bytes.data(), bytes.size(), 0}; }
    std::vector<BYTE> bytes;
};

// The entries of a table in order, and the offset where it ends.
struct TableContents {
    std::vector<LoginTableEntry> entries;
    size_t end = 0;
};

inline TableContents ReadTable(LoginTableView view) {
    TableContents contents;
    view.cursor = 0;
    LoginTableEntry entry;
    while (ParseLoginTableEntry(view, entry)) {
        contents.entries.push_back(entry);
        view.cursor += LoginTableEntry::mlEntrySize(view);
    }
    contents.end = view.cursor;
    return contents;
}

inline std::vector<std::u16string> VaultNames(const TableContents& contents) {
    std::vector<std::u16string> names;
    for (const LoginTableEntry& entry : contents.entries) names.push_back(entry.moVaultName);
    return names;
}

// The table's mapping, made as the server program makes it; the test holds
// it open, so it lives while the test runs.
class TableMapping {
public:
    explicit TableMapping(DWORD size = static_cast<DWORD>(kLoginTableBytes))
        : handle_(CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, size, kLoginTableMappingName)) {}
    ~TableMapping() {
        if (handle_ != nullptr) CloseHandle(handle_);
    }
    TableMapping(const TableMapping&) = delete;
    TableMapping& operator=(const TableMapping&) = delete;

    bool ok() const { return handle_ != nullptr; }
    TableContents Read() const {
        LoginTableView view;
        if (!MapLoginTableView(handle_, FILE_MAP_READ, view)) return {};
        TableContents contents = ReadTable(view);
        UnmapLoginTableView(view);
        return contents;
    }

private:
    HANDLE handle_;
};

// Blocks until thread `tid` of process `pid` sleeps in a futex wait; false
// when the guard time passes first.
inline bool WaitUntilBlocked(pid_t pid, pid_t tid) { return testsupport::WaitUntilBlockedInFutex(pid, tid, kGuard); }
inline bool WaitUntilBlocked(pid_t pid) { return WaitUntilBlocked(pid, pid); }

}  // namespace tabletest
