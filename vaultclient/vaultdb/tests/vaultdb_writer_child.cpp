// A second process writing one vault, for the tests that need real processes.
//
//   vaultdb_writer_child <database> count <n> <tag>
//       n transactions, each adding a counter row "<tag>-<i>" and raising the
//       shared tally by one through read-modify-write; prints "first" after
//       the first commit and "done" at the end.
//   vaultdb_writer_child <database> hold <rows> <blob bytes>
//       begins a transaction, adds <rows> rows with a blob each, prints
//       "written" and waits (for SIGKILL) without committing.
#include "vaultdb/database.h"
#include "vaultdb/errors.h"
#include "vaultdb/transaction.h"
#include "testsupport/child_process.h"
#include "winapi/text.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

int Fail(const char* what, vaultdb::Database* db, HRESULT hr) {
    std::fprintf(stderr, "%s failed: 0x%08X %s\n", what, static_cast<unsigned>(hr),
                 db ? db->LastErrorText().c_str() : "");
    return 2;
}

int Count(vaultdb::Database& db, int n, const std::string& tag) {
    HRESULT hr =
        db.Execute("CREATE TABLE IF NOT EXISTS tally (id INTEGER NOT NULL PRIMARY KEY, value INTEGER NOT NULL)");
    if (FAILED(hr)) return Fail("create tally", &db, hr);
    for (int i = 0; i < n; ++i) {
        vaultdb::Transaction tx(db);
        if (FAILED(hr = tx.Begin())) return Fail("begin", &db, hr);
        std::unique_ptr<vaultdb::Statement> st;
        if (FAILED(hr = db.Prepare("INSERT INTO counters (name) VALUES (?)", st))) return Fail("prepare", &db, hr);
        st->BindText(1, winapi::ToUtf16(tag + "-" + std::to_string(i)));
        if (FAILED(hr = st->Execute())) return Fail("insert", &db, hr);
        // Read, then write what was read plus one: a lost update would show
        // in the final tally.
        if (FAILED(hr = db.Prepare("SELECT value FROM tally WHERE id = 1", st))) return Fail("prepare", &db, hr);
        if (FAILED(hr = st->Step())) return Fail("read tally", &db, hr);
        const int value = hr == S_OK ? st->ColumnInt32(0) : 0;
        if (FAILED(hr = db.Prepare(value == 0 ? "INSERT INTO tally (value, id) VALUES (?, 1)"
                                              : "UPDATE tally SET value = ? WHERE id = 1",
                                   st)))
            return Fail("prepare", &db, hr);
        st->BindInt32(1, value + 1);
        if (FAILED(hr = st->Execute())) return Fail("write tally", &db, hr);
        if (FAILED(hr = tx.Commit())) return Fail("commit", &db, hr);
        if (i == 0) testsupport::Announce("first");
    }
    testsupport::Announce("done");
    return 0;
}

int Hold(vaultdb::Database& db, int rows, size_t blobBytes) {
    vaultdb::Transaction tx(db);
    HRESULT hr = tx.Begin();
    if (FAILED(hr)) return Fail("begin", &db, hr);
    const std::vector<uint8_t> blob(blobBytes, 0x5A);
    for (int i = 0; i < rows; ++i) {
        std::unique_ptr<vaultdb::Statement> st;
        if (FAILED(hr = db.Prepare("INSERT INTO counters (name, reserved_view_guid) VALUES (?, ?)", st)))
            return Fail("prepare", &db, hr);
        st->BindText(1, winapi::ToUtf16("held-" + std::to_string(i)));
        st->BindBlob(2, blob.data(), blob.size());
        if (FAILED(hr = st->Execute())) return Fail("insert", &db, hr);
    }
    if (FAILED(hr = db.Execute("UPDATE vault SET date_format = date_format + 1"))) return Fail("update", &db, hr);
    testsupport::Announce("written");
    for (;;) pause();  // the test kills us here, mid-transaction
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 5) return 1;
    std::unique_ptr<vaultdb::Database> db;
    std::string errorText;
    HRESULT hr = vaultdb::OpenVaultDatabase(argv[1], vaultdb::OpenMode::OpenOrCreate, db, &errorText);
    if (FAILED(hr)) {
        std::fprintf(stderr, "open failed: 0x%08X %s\n", static_cast<unsigned>(hr), errorText.c_str());
        return 2;
    }
    const std::string mode = argv[2];
    if (mode == "count") return Count(*db, std::atoi(argv[3]), argv[4]);
    if (mode == "hold") return Hold(*db, std::atoi(argv[3]), std::strtoul(argv[4], nullptr, 10));
    return 1;
}
