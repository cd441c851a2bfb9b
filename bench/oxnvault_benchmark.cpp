// Getting and checking out files through the vault's public interface, as
// the item server drives it, beside the floors of the same work: the
// archive's files copied with `cp`, and the check-out's lock rows written
// straight on the vault's database with SQLite. See README.md.
#include "com/com_ptr.h"
#include "com/record_info.h"
#include "com/runtime.h"
#include "com/safearray.h"
#include "oxnvault/ids.h"
#include "oxnvault/interfaces.h"
#include "oxnvault/selection.h"
#include "oxnvault/vault_object.h"
#include "vaultadmin/admin_error.h"
#include "vaultadmin/vault_creation.h"
#include "vaultadmin/vault_opening.h"
#include "vaultdb/schema.h"
#include "vaultdb/transaction.h"
#include "winapi/guid_text.h"
#include "winapi/path_mapping.h"
#include "winapi/state_root.h"
#include "winapi/text.h"

// The admin library's own writers of folders and documents (its src/).
#include "document_rows.h"
#include "vault_folders.h"
#include "vault_sql.h"

#include "fresh_state_root.h"

#include <benchmark/benchmark.h>
#include <spawn.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <utility>
#include <vector>

extern char** environ;

using namespace OxnVaultLib;

namespace {

namespace fs = std::filesystem;

constexpr char16_t kVault[] = u"OxnBench";
constexpr int kFilesPerFolder = 100;

int gFiles = 1000;
size_t gFileBytes = 10 * 1024;  // 1,000 files: 10 MB in all
fs::path gFolder;               // the machine's state root, made for this run
bool gFailed = false;           // a case reported an error: the run fails

struct Vault {
    vaultadmin::CreatedVault created;
    int32_t projectsFolder = 0;  // every file lies below it
    int32_t admin = 0;
    std::vector<int32_t> files;
    fs::path archive;
    fs::path view;
    com::ComPtr<IOxnVault11> object;
};
Vault* gVault = nullptr;

std::u16string Numbered(const char* prefix, int number, const char* suffix) {
    char text[48];
    std::snprintf(text, sizeof text, "%s%05d%s", prefix, number, suffix);
    return winapi::ToUtf16(text);
}

// Fills the vault in one transaction: gFiles files of gFileBytes each, each
// its own contents, kFilesPerFolder to a folder below "\Projects\".
void FillVault(Vault& vault) {
    std::unique_ptr<vaultdb::Database> database = vaultadmin::OpenRegisteredVault(kVault);
    vaultdb::Transaction transaction(*database);
    if (FAILED(transaction.Begin())) throw vaultadmin::AdminError("cannot begin the vault's transaction");
    vaultadmin::VaultSql sql(*database);
    vault.admin =
        *sql.QueryInt("SELECT id FROM users WHERE name_key = ?", {vaultdb::FoldKey(vaultadmin::kAdminUserName)});
    vault.projectsFolder = vaultadmin::EnsureVaultFolder(sql, u"\\Projects\\", vault.admin);
    int32_t folder = 0;
    std::string contents(gFileBytes, '\0');
    for (int index = 0; index < gFiles; ++index) {
        if (index % kFilesPerFolder == 0)
            folder = vaultadmin::EnsureVaultFolder(sql, Numbered("\\Projects\\Batch ", index / kFilesPerFolder, "\\"),
                                                   vault.admin);
        for (size_t i = 0; i < contents.size(); ++i) contents[i] = static_cast<char>('a' + (i * 7 + index) % 26);
        const int32_t file =
            vaultadmin::InsertFileDocument(sql, folder, Numbered("P-", index + 1, ".zvkprt"), vault.admin);
        vaultadmin::AddFileVersion(sql, file, contents, vault.admin, u"Initial version");
        vault.files.push_back(file);
    }
    if (FAILED(transaction.Commit())) throw vaultadmin::AdminError("cannot commit the generated vault");
    vault.archive = database->ArchiveFolder();
}

bool Fail(const char* what, HRESULT hr = E_FAIL) {
    std::fprintf(stderr, "%s failed: 0x%08x\n", what, static_cast<unsigned>(hr));
    return false;
}

bool StartSession(Vault& vault) {
    try {
        vaultadmin::VaultCreation request;
        request.name = kVault;
        request.serverFolder = gFolder / "server";
        request.viewFolder = gFolder / "view";
        vault.created = vaultadmin::CreateVault(request);
        vault.view = request.viewFolder;
        FillVault(vault);
    } catch (const vaultadmin::AdminError& error) {
        std::fprintf(stderr, "making the vault failed: %s\n", error.what());
        return false;
    }
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return Fail("CoInitializeEx");
    oxnvault::VaultObjectLogin login;
    login.databaseFile = vault.created.databaseFile;
    login.userName = vaultadmin::kAdminUserName;
    login.password = vaultadmin::kDefaultAdminPassword;
    login.viewGuid = vault.created.viewId;
    login.viewPath = winapi::FromPosixPath(vault.view.string());
    login.computer = u"BENCH";
    HRESULT hr = oxnvault::OpenVaultObject(login, &vault.object);
    return SUCCEEDED(hr) || Fail("opening the vault object", hr);
}

// Removes what a round put into the view folder (its files; the view's own
// desktop.ini stays).
void EmptyView() {
    for (const auto& entry : fs::directory_iterator(gVault->view))
        if (entry.is_directory()) fs::remove_all(entry.path());
}

// One batch get of every file below "\Projects\" with `treeFlags`: the
// number of files it got, or -1 after a failure.
long RunBatchGet(LONG treeFlags) {
    com::ComPtr<IDispatch> utility;
    if (FAILED(gVault->object->CreateUtility(kUtilityBatchGet, &utility))) return -1;
    com::ComPtr<IOxnBatchGet> get;
    if (FAILED(utility->QueryInterface(IID_PPV_ARGS(&get)))) return -1;
    IRecordInfo* record = nullptr;
    if (FAILED(GetRecordInfoFromGuids(LIBID_OxnVaultLib, kLibraryMajorVersion, kLibraryMinorVersion, 0,
                                      OxnSelection::kRecordGuid, &record)))
        return -1;
    SAFEARRAY* selection = SafeArrayCreateVectorEx(VT_RECORD, 0, 1, record);
    record->Release();
    if (!selection) return -1;
    static_cast<OxnSelection*>(selection->pvData)[0] = {0, gVault->projectsFolder};
    HRESULT hr = get->AddSelection(gVault->object, selection);
    SafeArrayDestroy(selection);
    LONG count = 0;
    if (SUCCEEDED(hr)) hr = get->BuildTree(0, treeFlags);
    if (SUCCEEDED(hr)) hr = get->GetFileCount(&count);
    if (SUCCEEDED(hr)) hr = get->Run(0, nullptr);
    com::ComPtr<IOxnResultList> problems;
    if (SUCCEEDED(hr)) hr = get->GetResultList(kListProblems, &problems);
    VARIANT_BOOL none = VARIANT_FALSE;
    if (SUCCEEDED(hr)) hr = problems->IsEmpty(&none);
    if (FAILED(hr) || none != VARIANT_TRUE) return -1;
    return count;
}

// Every file of the round is in the view folder, whole.
bool ViewHoldsEveryFile() {
    size_t files = 0;
    for (const auto& entry : fs::recursive_directory_iterator(gVault->view))
        if (entry.is_regular_file() && entry.path().extension() == ".zvkprt") {
            if (entry.file_size() != gFileBytes) return false;
            ++files;
        }
    return files == static_cast<size_t>(gFiles);
}

void GetLatestBenchmark(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        EmptyView();
        state.ResumeTiming();
        if (RunBatchGet(kTreeGetLatest) != gFiles) {
            state.SkipWithError("the batch get failed");
            gFailed = true;
            return;
        }
    }
    if (!ViewHoldsEveryFile()) {
        state.SkipWithError("the view folder misses files");
        gFailed = true;
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * gFiles * gFileBytes);
}

// `cp -r` of the archive's version files into a fresh folder.
void CopyBenchmark(benchmark::State& state) {
    const fs::path target = gFolder / "copy";
    for (auto _ : state) {
        state.PauseTiming();
        fs::remove_all(target);
        state.ResumeTiming();
        const std::string source = gVault->archive.string(), destination = target.string();
        char* argv[] = {const_cast<char*>("cp"), const_cast<char*>("-r"), const_cast<char*>(source.c_str()),
                        const_cast<char*>(destination.c_str()), nullptr};
        pid_t child = 0;
        int status = 0;
        if (posix_spawnp(&child, "cp", nullptr, nullptr, argv, environ) != 0 || waitpid(child, &status, 0) != child ||
            !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            state.SkipWithError("cp failed");
            gFailed = true;
            return;
        }
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * gFiles * gFileBytes);
}

// Drops every lock, so the next round checks out again.
bool ReleaseLocks() {
    sqlite3* db = nullptr;
    bool done = sqlite3_open(gVault->created.databaseFile.c_str(), &db) == SQLITE_OK &&
                sqlite3_exec(db, "DELETE FROM locks", nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_close(db);
    return done;
}

void CheckOutBenchmark(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        if (!ReleaseLocks()) {
            state.SkipWithError("releasing the locks failed");
            gFailed = true;
            return;
        }
        state.ResumeTiming();
        if (RunBatchGet(kTreeCheckOut) != gFiles) {
            state.SkipWithError("the check-out failed");
            gFailed = true;
            return;
        }
    }
}

// The rows a check-out writes - each file's lock and its history entry - in
// one transaction straight on the database.
void LockRowsBenchmark(benchmark::State& state) {
    sqlite3* db = nullptr;
    sqlite3_stmt* lock = nullptr;
    sqlite3_stmt* history = nullptr;
    if (sqlite3_open(gVault->created.databaseFile.c_str(), &db) != SQLITE_OK ||
        sqlite3_prepare_v2(db,
                           "INSERT INTO locks (document_id, user_id, view_guid, computer, locked_path, locked_utc) "
                           "VALUES (?, ?, ?, 'BENCH', ?, 46000.5)",
                           -1, &lock, nullptr) != SQLITE_OK ||
        sqlite3_prepare_v2(db,
                           "INSERT INTO history (action, object_type, object_id, version, user_id, time_utc) "
                           "VALUES (?, ?, ?, 1, ?, 46000.5)",
                           -1, &history, nullptr) != SQLITE_OK) {
        state.SkipWithError("preparing the rows failed");
        gFailed = true;
    }
    const std::string view = winapi::ToUtf8(winapi::GuidToString(gVault->created.viewId));
    const std::string path = winapi::ToUtf8(winapi::FromPosixPath(gVault->view.string()));
    for (auto _ : state) {
        if (!history) break;
        state.PauseTiming();
        sqlite3_exec(db, "DELETE FROM locks", nullptr, nullptr, nullptr);
        state.ResumeTiming();
        bool written = sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) == SQLITE_OK;
        for (int32_t file : gVault->files) {
            sqlite3_bind_int(lock, 1, file);
            sqlite3_bind_int(lock, 2, gVault->admin);
            sqlite3_bind_text(lock, 3, view.c_str(), -1, SQLITE_STATIC);
            sqlite3_bind_text(lock, 4, path.c_str(), -1, SQLITE_STATIC);
            sqlite3_bind_int(history, 1, vaultdb::kHistoryCheckOut);
            sqlite3_bind_int(history, 2, vaultdb::kObjectFile);
            sqlite3_bind_int(history, 3, file);
            sqlite3_bind_int(history, 4, gVault->admin);
            written = written && sqlite3_step(lock) == SQLITE_DONE && sqlite3_step(history) == SQLITE_DONE;
            sqlite3_reset(lock);
            sqlite3_reset(history);
        }
        written = sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr) == SQLITE_OK && written;
        if (!written) {
            state.SkipWithError("writing the rows failed");
            gFailed = true;
            break;
        }
    }
    sqlite3_exec(db, "DELETE FROM locks", nullptr, nullptr, nullptr);
    sqlite3_finalize(lock);
    sqlite3_finalize(history);
    sqlite3_close(db);
}

// The console's table, then each case beside its floor.
class SideBySideReporter : public benchmark::ConsoleReporter {
public:
    SideBySideReporter() : ConsoleReporter(isatty(fileno(stdout)) ? OO_Color : OO_None) {}

    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.run_type != Run::RT_Iteration || run.error_occurred) continue;
            const std::string name = run.benchmark_name();
            const double time = run.GetAdjustedRealTime();
            auto [entry, added] = times_.emplace(name.substr(0, name.find('/')), time);
            if (!added && time < entry->second) entry->second = time;
        }
    }

    void PrintSideBySide() const {
        std::printf("\nSide by side (per round, best of the repetitions)\n");
        Row("GetLatest", "CopyFiles", "the get should stay within 3x");
        Row("CheckOut", "LockRows", "");
    }

private:
    void Row(const char* name, const char* floor, const char* note) const {
        auto it = times_.find(name), base = times_.find(floor);
        if (it == times_.end() || base == times_.end()) return;
        std::printf("  %-10s %9.1f ms   %-10s %9.1f ms   %6.2fx  %s\n", name, it->second, floor, base->second,
                    it->second / base->second, note);
    }

    std::map<std::string, double> times_;
};

// Takes --files=N and --file-bytes=N out of the arguments Google Benchmark
// did not know.
bool TakeArguments(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--files=", 8) == 0) {
            gFiles = std::atoi(argv[i] + 8);
        } else if (std::strncmp(argv[i], "--file-bytes=", 13) == 0) {
            gFileBytes = static_cast<size_t>(std::atol(argv[i] + 13));
        } else {
            std::fprintf(stderr, "unknown argument: %s\n", argv[i]);
            return false;
        }
    }
    return gFiles > 0 && gFileBytes > 0;
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (!TakeArguments(argc, argv)) return 2;

    // A fresh machine: registry, vault and view live below this root.
    gFolder = MakeFreshStateRoot("oxnvault-bench");
    if (gFolder.empty()) return 1;

    {
        Vault vault;
        gVault = &vault;
        if (StartSession(vault)) {
            const std::string files = "/files:" + std::to_string(gFiles);
            benchmark::RegisterBenchmark(("GetLatest" + files).c_str(), GetLatestBenchmark)
                ->Unit(benchmark::kMillisecond)
                ->UseRealTime();
            benchmark::RegisterBenchmark(("CopyFiles" + files).c_str(), CopyBenchmark)
                ->Unit(benchmark::kMillisecond)
                ->UseRealTime();
            benchmark::RegisterBenchmark(("CheckOut" + files).c_str(), CheckOutBenchmark)
                ->Unit(benchmark::kMillisecond)
                ->UseRealTime();
            benchmark::RegisterBenchmark(("LockRows" + files).c_str(), LockRowsBenchmark)
                ->Unit(benchmark::kMillisecond)
                ->UseRealTime();
            SideBySideReporter reporter;
            benchmark::RunSpecifiedBenchmarks(&reporter);
            reporter.PrintSideBySide();
        } else {
            gFailed = true;
        }
        vault.object = nullptr;
        gVault = nullptr;
        CoUninitialize();
    }
    benchmark::Shutdown();

    std::error_code ignored;
    fs::remove_all(gFolder, ignored);
    return gFailed ? 1 : 0;
}
