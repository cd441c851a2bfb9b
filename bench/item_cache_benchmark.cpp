// The item cache file under its real workload: item records with their
// children lists written and read through CItemCacheFile's operations, all
// in one lock scope or in one scope per item, in direct and transacted
// scopes. See README.md.
#include "itemstore/item_cache_file.h"
#include "itemstore/item_cache_lock.h"
#include "itemstore/item_object.h"
#include "itemstore/ref_ptr.h"
#include "winapi/state_root.h"
#include "winapi/text.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

constexpr int kChildrenPerItem = 3;

// Every commit writes the whole compound file anew (and syncs it), and every
// scope opens it whole: the cases that commit at every step (writes in a
// direct scope) or open the file for every item take time that grows with
// the square of the count, so they run on fewer items.
int gItems = 10000;       // one scope: transacted writes, all reads
int gDirectItems = 1000;  // one direct scope: writes
int gScopeItems = 1000;   // one scope per item: writes and reads
fs::path gFolder;         // the machine's state root, made for this run
bool gFailed = false;     // a benchmark reported an error: the run fails

// Ends the benchmark with an error (and false) when `hr` is not S_OK.
bool Check(benchmark::State& state, HRESULT hr, const char* what) {
    if (hr == S_OK) return true;
    char text[160];
    std::snprintf(text, sizeof text, "%s failed: 0x%08x", what, static_cast<unsigned>(hr));
    state.SkipWithError(text);
    gFailed = true;
    return false;
}

std::u16string ItemName(int item) { return winapi::ToUtf16("Pump assembly " + std::to_string(item) + ".<item>"); }

// The records are made once, outside the timing: only the cache is measured.
struct Workload {
    std::vector<RefPtr<ItemObject>> items;
    std::vector<ChildList> children;

    explicit Workload(int count) {
        for (int i = 0; i < count; ++i) {
            RefPtr<ItemObject> item(new ItemObject);
            item->mvSetFileName(ItemName(i));
            item->mvSetPath(u"\\<items>\\Pumps\\" + std::u16string(item->moFileName()));
            item->mlObjectID = 100000 + i;
            item->meObjectType = kObjectTypeItem;
            item->mdModifiedDate = 45000.5;
            items.push_back(item);
            ChildList list;
            for (int c = 0; c < kChildrenPerItem; ++c) {
                RefPtr<ChildWithLink> child(new ChildWithLink);
                child->mvSetFileName(winapi::ToUtf16("Part " + std::to_string(i) + "-" + std::to_string(c) + ".ipt"));
                child->mlObjectID = 200000 + i * kChildrenPerItem + c;
                child->meObjectType = kObjectTypeFile;
                child->mlConfigID = c;
                child->meLinkType = 1;
                child->meLinkOperation = 1;
                child->meInitialLinkType = 1;
                child->meInitialLinkOperation = 1;
                list.push_back(child);
            }
            children.push_back(list);
        }
    }
};

// One cache file per benchmark, in the state root.
RefPtr<CItemCacheFile> NewCacheFile(const std::string& name) {
    fs::path path = gFolder / (name + ".Items");
    std::error_code ignored;
    fs::remove(path, ignored);
    return RefPtr<CItemCacheFile>(new CItemCacheFile(winapi::ToUtf16(path.string())));
}

bool WriteOne(benchmark::State& state, CItemCacheFile& file, CItemCacheLock& lock, const Workload& work, int i) {
    return Check(state, file.mhWriteItem(lock, work.items[i]), "mhWriteItem") &&
           Check(state, file.mhWriteChildren(lock, work.items[i]->moFileName(), work.children[i]), "mhWriteChildren");
}

// Reads an item and its list back and checks them against the workload.
bool ReadOne(benchmark::State& state, CItemCacheFile& file, CItemCacheLock& lock, const Workload& work, int i) {
    const std::u16string name = ItemName(i);
    RefPtr<ItemObject> item;
    ChildList children;
    if (!Check(state, file.mhReadItem(lock, name, item), "mhReadItem")) return false;
    if (!Check(state, file.mhReadChildren(lock, name, children), "mhReadChildren")) return false;
    if (item->mlObjectID != work.items[i]->mlObjectID || children.size() != work.children[i].size() ||
        children.back()->mlObjectID != work.children[i].back()->mlObjectID) {
        state.SkipWithError("an item read back differs from the one written");
        gFailed = true;
        return false;
    }
    return true;
}

using ItemStep = bool (*)(benchmark::State&, CItemCacheFile&, CItemCacheLock&, const Workload&, int);

// Runs `step` over every item: in one scope, or in a scope per item.
bool RunItems(benchmark::State& state, const RefPtr<CItemCacheFile>& file, int mode, bool scopePerItem,
              const Workload& work, ItemStep step) {
    const int count = static_cast<int>(work.items.size());
    if (!scopePerItem) {
        CItemCacheLock lock(file, mode);
        for (int i = 0; i < count; ++i)
            if (!step(state, *file, lock, work, i)) return false;
        return mode != kCacheLockTransacted || Check(state, file->mhCommit(lock), "mhCommit");
    }
    for (int i = 0; i < count; ++i) {
        CItemCacheLock lock(file, mode);
        if (!step(state, *file, lock, work, i)) return false;
        if (mode == kCacheLockTransacted && !Check(state, file->mhCommit(lock), "mhCommit")) return false;
    }
    return true;
}

void Report(benchmark::State& state, const RefPtr<CItemCacheFile>& file, size_t items) {
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * items));
    std::error_code error;
    const auto bytes = fs::file_size(fs::path(winapi::ToUtf8(file->mPath())), error);
    state.counters["file_bytes"] = error ? 0.0 : static_cast<double>(bytes);
}

// Every iteration writes the items into a new, empty cache file.
void WriteBenchmark(benchmark::State& state, int mode, bool scopePerItem, int count, const std::string& file) {
    const Workload work(count);
    RefPtr<CItemCacheFile> cache;
    for (auto _ : state) {
        state.PauseTiming();
        cache = NewCacheFile(file);
        state.ResumeTiming();
        if (!RunItems(state, cache, mode, scopePerItem, work, WriteOne)) return;
    }
    Report(state, cache, work.items.size());
}

// The file is written once, outside the timing, in one transacted scope.
void ReadBenchmark(benchmark::State& state, int mode, bool scopePerItem, int count, const std::string& file) {
    const Workload work(count);
    RefPtr<CItemCacheFile> cache = NewCacheFile(file);
    if (!RunItems(state, cache, kCacheLockTransacted, false, work, WriteOne)) return;
    for (auto _ : state) {
        if (!RunItems(state, cache, mode, scopePerItem, work, ReadOne)) return;
    }
    Report(state, cache, work.items.size());
}

// Takes --items=N, --direct-items=N and --scope-items=N out of the
// arguments Google Benchmark did not know.
bool TakeArguments(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--items=", 8) == 0) {
            gItems = std::atoi(argv[i] + 8);
        } else if (std::strncmp(argv[i], "--direct-items=", 15) == 0) {
            gDirectItems = std::atoi(argv[i] + 15);
        } else if (std::strncmp(argv[i], "--scope-items=", 14) == 0) {
            gScopeItems = std::atoi(argv[i] + 14);
        } else {
            std::fprintf(stderr, "unknown argument: %s\n", argv[i]);
            return false;
        }
    }
    return gItems > 0 && gDirectItems > 0 && gScopeItems > 0;
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (!TakeArguments(argc, argv)) return 2;

    // A fresh machine: the cache mutex and the file live below this root.
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/item-cache-bench-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) {
        std::perror("mkdtemp");
        return 1;
    }
    gFolder = pattern;
    setenv(winapi::kStateRootVariable, gFolder.c_str(), 1);

    struct Case {
        const char* scope;
        bool scopePerItem;
        const char* modeName;
        int mode;
        int writeItems;
        int readItems;
    };
    const Case cases[] = {
        {"OneScope", false, "direct", kCacheLockDirect, gDirectItems, gItems},
        {"OneScope", false, "transacted", kCacheLockTransacted, gItems, gItems},
        {"ScopePerItem", true, "direct", kCacheLockDirect, gScopeItems, gScopeItems},
        {"ScopePerItem", true, "transacted", kCacheLockTransacted, gScopeItems, gScopeItems},
    };
    for (const Case& c : cases) {
        const std::string what = std::string(c.scope) + "/" + c.modeName + "/items:";
        const std::string file = std::string(c.scope) + "-" + c.modeName;
        benchmark::RegisterBenchmark(("Write/" + what + std::to_string(c.writeItems)).c_str(), WriteBenchmark, c.mode,
                                     c.scopePerItem, c.writeItems, "write-" + file)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("Read/" + what + std::to_string(c.readItems)).c_str(), ReadBenchmark, c.mode,
                                     c.scopePerItem, c.readItems, "read-" + file)
            ->Unit(benchmark::kMillisecond);
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    std::error_code ignored;
    fs::remove_all(gFolder, ignored);
    return gFailed ? 1 : 0;
}
