// A second process for the storage tests.
//
//   storage_child hold <file>
//       opens the file exclusively, says "holding", and keeps it open until
//       a file "<file>.release" appears; then releases it, says "released"
//       and exits 0 (or is killed before).
//   storage_child commit-loop <file> <large size>
//       opens the file transacted and commits generation after generation
//       (storage_test_support.h), saying "committed <n>" after each one,
//       until it is killed.
//   storage_child die-at-write <file> <large size> <n>
//       opens the file transacted, writes the next generation and commits
//       it, killing itself (SIGKILL) just before the commit's n-th write;
//       says "committed <n>" and exits 0 when the commit needs fewer writes.
#include "format/file.h"
#include "storage_test_support.h"
#include "testsupport/child_process.h"

#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <string>

using namespace storage_test;

namespace {

int Hold(const fs::path& path) {
    ComPtr<IStorage> root;
    HRESULT hr = OpenFile(path, kOpenDirect, &root);
    if (FAILED(hr)) {
        std::fprintf(stderr, "open failed: 0x%08x\n", static_cast<unsigned>(hr));
        return 2;
    }
    testsupport::Announce("holding");
    fs::path release = path.string() + ".release";
    while (!fs::exists(release)) ::usleep(10 * 1000);
    root = nullptr;
    testsupport::Announce("released");
    return 0;
}

int CommitLoop(const fs::path& path, size_t largeSize) {
    ComPtr<IStorage> root;
    HRESULT hr = OpenFile(path, kOpenTransacted, &root);
    if (FAILED(hr)) {
        std::fprintf(stderr, "open failed: 0x%08x\n", static_cast<unsigned>(hr));
        return 2;
    }
    std::string problem;
    uint32_t generation = ReadGeneration(root, largeSize, &problem);
    if (!problem.empty()) {
        std::fprintf(stderr, "generation %u damaged: %s\n", generation, problem.c_str());
        return 3;
    }
    testsupport::Announce("ready");
    for (;;) {
        ++generation;
        hr = WriteGeneration(root, generation, largeSize);
        if (SUCCEEDED(hr)) hr = root->Commit(STGC_DEFAULT);
        if (FAILED(hr)) {
            std::fprintf(stderr, "generation %u failed: 0x%08x\n", generation, static_cast<unsigned>(hr));
            return 4;
        }
        testsupport::Announce("committed " + std::to_string(generation));
    }
}

int DieAtWrite(const fs::path& path, size_t largeSize, int fatalWrite) {
    ComPtr<IStorage> root;
    HRESULT hr = OpenFile(path, kOpenTransacted, &root);
    std::string problem;
    uint32_t generation = SUCCEEDED(hr) ? ReadGeneration(root, largeSize, &problem) + 1 : 0;
    if (FAILED(hr) || !problem.empty()) return 3;
    if (FAILED(WriteGeneration(root, generation, largeSize))) return 4;
    int writes = 0;
    storage::format::SetWriteHook([&](uint64_t, size_t) {
        if (++writes == fatalWrite) ::raise(SIGKILL);
        return 0;
    });
    if (FAILED(root->Commit(STGC_DEFAULT))) return 5;
    testsupport::Announce("committed " + std::to_string(generation));
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "hold" && argc == 3) return Hold(argv[2]);
    if (mode == "commit-loop" && argc == 4) return CommitLoop(argv[2], std::stoul(argv[3]));
    if (mode == "die-at-write" && argc == 5) return DieAtWrite(argv[2], std::stoul(argv[3]), std::stoi(argv[4]));
    std::fprintf(stderr,
                 "usage: storage_child hold <file> | commit-loop <file> <large size> | "
                 "die-at-write <file> <large size> <n>\n");
    return 1;
}
