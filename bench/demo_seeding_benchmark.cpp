// Seeding the demo vault (`vaultadmin seed-demo`), and its archive writes
// alone, with the folder entries flushed once per file and once per batch.
// See README.md.
#include "vaultadmin/demo_seeding.h"
#include "vaultadmin/vault_creation.h"
#include "vaultadmin/vault_opening.h"
#include "vaultdb/database.h"
#include "winapi/save_file.h"
#include "winapi/state_root.h"
#include "winapi/text.h"

#include "fresh_state_root.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <set>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace {

namespace fs = std::filesystem;

fs::path gFolder;      // the machine's state root, made for this run
bool gFailed = false;  // a benchmark reported an error: the run fails
int gVaults = 0;       // vaults created so far: each gets a name of its own

// The archive files of one seeding: path below the archive folder, contents.
std::vector<std::pair<fs::path, std::string>> gArchive;

void Fail(benchmark::State& state, const std::string& what) {
    state.SkipWithError(what.c_str());
    gFailed = true;
}

// A new vault in folders of its own, opened.
std::unique_ptr<vaultdb::Database> NewVault() {
    const std::u16string name = u"Seed" + winapi::ToUtf16(std::to_string(gVaults));
    const fs::path folder = gFolder / ("vault-" + std::to_string(gVaults++));
    vaultadmin::VaultCreation request;
    request.name = name;
    request.serverFolder = folder / "server";
    request.viewFolder = folder / "view";
    vaultadmin::CreateVault(request);
    return vaultadmin::OpenRegisteredVault(name);
}

// The archive one seeding writes, kept for the archive cases: every file
// below the archive folder with its contents. Throws what the seeding throws.
void KeepArchiveOfOneSeeding() {
    std::unique_ptr<vaultdb::Database> database = NewVault();
    const int versions = vaultadmin::SeedDemoVault(*database).fileVersions;
    for (const auto& entry : fs::recursive_directory_iterator(database->ArchiveFolder())) {
        if (!entry.is_regular_file()) continue;
        std::ifstream in(entry.path(), std::ios::binary);
        gArchive.emplace_back(entry.path().lexically_relative(database->ArchiveFolder()),
                              std::string(std::istreambuf_iterator<char>(in), {}));
    }
    if (static_cast<int>(gArchive.size()) != versions)
        throw std::runtime_error("the archive holds " + std::to_string(gArchive.size()) + " files for " +
                                 std::to_string(versions) + " versions");
}

// The whole seeding, one transaction, into a new vault (made untimed).
void SeedDemoBenchmark(benchmark::State& state) {
    int versions = 0;
    for (auto _ : state) {
        state.PauseTiming();
        std::unique_ptr<vaultdb::Database> database;
        try {
            database = NewVault();
        } catch (const std::exception& error) {
            Fail(state, std::string("creating a vault: ") + error.what());
            break;
        }
        state.ResumeTiming();
        try {
            versions = vaultadmin::SeedDemoVault(*database).fileVersions;
        } catch (const std::exception& error) {
            Fail(state, std::string("seeding: ") + error.what());
            break;
        }
    }
    state.counters["versions"] = versions;
}

// The seeding's archive files written again into an empty folder, each as
// the archive saves it (contents flushed, renamed into place), with the
// folder entries flushed after every file (`perFile`, as the archive did)
// or once per folder at the end (as a transaction's commit does now).
void ArchiveWritesBenchmark(benchmark::State& state, bool perFile) {
    const fs::path root = gFolder / "archive-writes";
    for (auto _ : state) {
        state.PauseTiming();
        std::error_code ignored;
        fs::remove_all(root, ignored);
        fs::create_directories(root);
        state.ResumeTiming();
        std::set<fs::path> folders;
        int error = 0;
        for (const auto& [name, contents] : gArchive) {
            const fs::path file = root / name;
            fs::create_directories(file.parent_path());
            winapi::SaveFile::Options options;
            options.marker = ".tmp-";
            options.flushFolder = perFile;
            winapi::SaveFile save;
            error = save.Create(file.string(), options);
            if (error == 0) error = save.Write(contents);
            if (error == 0) error = save.Commit();
            if (error != 0) break;
            folders.insert(file.parent_path());
        }
        if (!perFile) folders.insert(root);
        for (auto folder = folders.begin(); error == 0 && !perFile && folder != folders.end(); ++folder)
            error = winapi::FlushFolder(folder->string());
        if (error != 0) {
            Fail(state, "writing the archive: errno " + std::to_string(error));
            break;
        }
    }
    state.counters["files"] = static_cast<double>(gArchive.size());
}

// The floor of the two above: the same files written and renamed into
// place without any flush, as fast as the file system takes them.
void ArchiveWritesUnflushedBenchmark(benchmark::State& state) {
    const fs::path root = gFolder / "archive-writes";
    for (auto _ : state) {
        state.PauseTiming();
        std::error_code ignored;
        fs::remove_all(root, ignored);
        fs::create_directories(root);
        state.ResumeTiming();
        for (const auto& [name, contents] : gArchive) {
            const fs::path file = root / name;
            fs::create_directories(file.parent_path());
            fs::path temporary = file;
            temporary += ".tmp-floor";
            std::ofstream(temporary, std::ios::binary) << contents;
            fs::rename(temporary, file);
        }
    }
    state.counters["files"] = static_cast<double>(gArchive.size());
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 2;

    // A fresh machine: the registry and the vaults live below this root.
    gFolder = MakeFreshStateRoot("seeding-bench");
    if (gFolder.empty()) return 1;

    try {
        KeepArchiveOfOneSeeding();
    } catch (const std::exception& error) {
        std::fprintf(stderr, "seeding the first vault: %s\n", error.what());
        fs::remove_all(gFolder);
        return 1;
    }
    benchmark::RegisterBenchmark("SeedDemoVault", SeedDemoBenchmark)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("ArchiveWrites/FolderFlushPerFile", ArchiveWritesBenchmark, true)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("ArchiveWrites/FolderFlushPerBatch", ArchiveWritesBenchmark, false)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("ArchiveWrites/Unflushed", ArchiveWritesUnflushedBenchmark)
        ->Unit(benchmark::kMillisecond);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    std::error_code ignored;
    fs::remove_all(gFolder, ignored);
    return gFailed ? 1 : 0;
}
