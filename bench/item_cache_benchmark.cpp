// The item cache file under its real workload: item records with their
// children lists written and read through CItemCacheFile's operations, all
// in one lock scope or in one scope per item, in direct and transacted
// scopes. See README.md.
#include "itemstore/item_cache_file.h"
#include "itemstore/item_cache_lock.h"
#include "itemstore/item_object.h"
#include "common/ref_ptr.h"
#include "itemstore/storage_chain.h"
#include "winapi/state_root.h"
#include "winapi/text.h"

#include "fresh_state_root.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include <unistd.h>

namespace {

namespace fs = std::filesystem;

constexpr int kChildrenPerItem = 3;

// The cases that commit at every operation (writes in a direct scope) or
// open the file for every item run at two sizes, and the program prints how
// their time grows from the smaller to the larger: with commits that cost
// what they change and opens that reuse what is unchanged, ten times the
// items should take about ten times as long (under 15x), where a commit that
// rewrites the whole file makes it a hundred.
int gItems = 10000;                          // one scope: transacted writes, all reads
std::vector<int> gDirectItems{1000, 10000};  // one direct scope: writes
std::vector<int> gScopeItems{1000, 10000};   // one scope per item: writes and reads
constexpr double kLinearGrowthLimit = 15.0;  // for ten times the items
fs::path gFolder;                            // the machine's state root, made for this run
bool gFailed = false;                        // a benchmark reported an error: the run fails

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

// The whole workload as one tree, as a fetch stores it
// (mhWriteItemsWithChildren): one operation, so one commit in a direct scope.
bool WriteTree(benchmark::State& state, CItemCacheFile& file, CItemCacheLock& lock, const Workload& work, int) {
    ItemTree tree;
    for (size_t i = 0; i < work.items.size(); ++i) tree.emplace(work.items[i], work.children[i]);
    return Check(state, file.mhWriteItemsWithChildren(lock, tree, GUID{}, true, false), "mhWriteItemsWithChildren");
}

using ItemStep = bool (*)(benchmark::State&, CItemCacheFile&, CItemCacheLock&, const Workload&, int);

enum class Scopes { One, PerItem, OneCall };

// The root-storage commits of a scope's operations (a transacted scope's own
// commit at its end not counted).
unsigned long CommitsOf(const CItemCacheLock& lock) { return lock.mpoChain() ? lock.mpoChain()->mlCommits() : 0; }

// Runs `step` over every item: in one scope, or in a scope per item; or
// once in one scope (OneCall, for a step that takes every item). Adds the
// scopes' commits to `commits`.
bool RunItems(benchmark::State& state, const RefPtr<CItemCacheFile>& file, int mode, Scopes scopes,
              const Workload& work, ItemStep step, unsigned long& commits) {
    const int count = scopes == Scopes::OneCall ? 1 : static_cast<int>(work.items.size());
    if (scopes != Scopes::PerItem) {
        CItemCacheLock lock(file, mode);
        for (int i = 0; i < count; ++i)
            if (!step(state, *file, lock, work, i)) return false;
        commits += CommitsOf(lock);
        return mode != kCacheLockTransacted || Check(state, file->mhCommit(lock), "mhCommit");
    }
    for (int i = 0; i < count; ++i) {
        CItemCacheLock lock(file, mode);
        if (!step(state, *file, lock, work, i)) return false;
        commits += CommitsOf(lock);
        if (mode == kCacheLockTransacted && !Check(state, file->mhCommit(lock), "mhCommit")) return false;
    }
    return true;
}

void Report(benchmark::State& state, const RefPtr<CItemCacheFile>& file, size_t items, unsigned long commits) {
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * items));
    std::error_code error;
    const auto bytes = fs::file_size(fs::path(winapi::ToUtf8(file->mPath())), error);
    state.counters["file_bytes"] = error ? 0.0 : static_cast<double>(bytes);
    state.counters["commits"] = benchmark::Counter(static_cast<double>(commits), benchmark::Counter::kAvgIterations);
}

// Every iteration writes the items into a new, empty cache file.
void WriteBenchmark(benchmark::State& state, int mode, Scopes scopes, int count, const std::string& file) {
    const Workload work(count);
    RefPtr<CItemCacheFile> cache;
    unsigned long commits = 0;
    for (auto _ : state) {
        state.PauseTiming();
        cache = NewCacheFile(file);
        state.ResumeTiming();
        if (!RunItems(state, cache, mode, scopes, work, scopes == Scopes::OneCall ? WriteTree : WriteOne, commits))
            return;
    }
    Report(state, cache, work.items.size(), commits);
}

// The file is written once, outside the timing, in one transacted scope.
void ReadBenchmark(benchmark::State& state, int mode, Scopes scopes, int count, const std::string& file) {
    const Workload work(count);
    RefPtr<CItemCacheFile> cache = NewCacheFile(file);
    unsigned long commits = 0;
    if (!RunItems(state, cache, kCacheLockTransacted, Scopes::One, work, WriteOne, commits)) return;
    commits = 0;
    for (auto _ : state) {
        if (!RunItems(state, cache, mode, scopes, work, ReadOne, commits)) return;
    }
    Report(state, cache, work.items.size(), commits);
}

// "N" or "N,M,...": every count above 0.
bool ParseSizes(const char* text, std::vector<int>& sizes) {
    sizes.clear();
    for (const char* at = text; *at != '\0';) {
        char* end = nullptr;
        const long size = std::strtol(at, &end, 10);
        if (end == at || size <= 0 || (*end != ',' && *end != '\0')) return false;
        sizes.push_back(static_cast<int>(size));
        at = *end == ',' ? end + 1 : end;
    }
    return !sizes.empty();
}

// Takes --items=N, --direct-items=N[,M...] and --scope-items=N[,M...] out of
// the arguments Google Benchmark did not know.
bool TakeArguments(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--items=", 8) == 0) {
            gItems = std::atoi(argv[i] + 8);
        } else if (std::strncmp(argv[i], "--direct-items=", 15) == 0) {
            if (!ParseSizes(argv[i] + 15, gDirectItems)) return false;
        } else if (std::strncmp(argv[i], "--scope-items=", 14) == 0) {
            if (!ParseSizes(argv[i] + 14, gScopeItems)) return false;
        } else {
            std::fprintf(stderr, "unknown argument: %s\n", argv[i]);
            return false;
        }
    }
    return gItems > 0;
}

// The console output, and each run's time per iteration kept by its name
// for the growth table (the fastest of repetitions).
class GrowthReporter : public benchmark::ConsoleReporter {
public:
    // Coloured on a terminal only, as the library's own console output.
    GrowthReporter() : ConsoleReporter(isatty(fileno(stdout)) ? OO_Color : OO_None) {}

    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.run_type != Run::RT_Iteration || run.error_occurred) continue;
            const std::string name = run.benchmark_name();
            const double time = run.GetAdjustedRealTime();
            auto [entry, added] = times_.emplace(name, time);
            if (!added && time < entry->second) entry->second = time;
        }
    }

    // For each case run at two or more sizes ("<case>/items:N"): the time at
    // the largest size over the time at the smallest, beside the ratio of
    // the sizes.
    void PrintGrowth() const {
        std::map<std::string, std::map<int, double>> cases;
        for (const auto& [name, time] : times_) {
            const size_t at = name.rfind("/items:");
            if (at != std::string::npos) cases[name.substr(0, at)][std::atoi(name.c_str() + at + 7)] = time;
        }
        bool header = false;
        for (const auto& [name, sizes] : cases) {
            if (sizes.size() < 2) continue;
            if (!header) {
                std::printf(
                    "\nGrowth from the smallest to the largest size (linear: about the size ratio; "
                    "target under %.0fx for 10x the items)\n",
                    kLinearGrowthLimit);
                header = true;
            }
            const auto& [small, smallTime] = *sizes.begin();
            const auto& [large, largeTime] = *sizes.rbegin();
            const double growth = largeTime / smallTime;
            const double items = static_cast<double>(large) / small;
            std::printf("  %-36s %6d -> %6d items (%4.0fx): time %7.1fx%s\n", name.c_str(), small, large, items, growth,
                        items == 10.0 && growth >= kLinearGrowthLimit ? "  above target" : "");
        }
    }

private:
    std::map<std::string, double> times_;
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (!TakeArguments(argc, argv)) return 2;

    // A fresh machine: the cache mutex and the file live below this root.
    gFolder = MakeFreshStateRoot("item-cache-bench");
    if (gFolder.empty()) return 1;

    struct Case {
        const char* scope;
        Scopes scopes;
        const char* modeName;
        int mode;
        std::vector<int> writeItems;
        std::vector<int> readItems;  // none: no read case
    };
    const Case cases[] = {
        {"OneScope", Scopes::One, "direct", kCacheLockDirect, gDirectItems, {gItems}},
        {"OneScope", Scopes::OneCall, "direct-tree", kCacheLockDirect, gDirectItems, {}},
        {"OneScope", Scopes::One, "transacted", kCacheLockTransacted, {gItems}, {gItems}},
        {"ScopePerItem", Scopes::PerItem, "direct", kCacheLockDirect, gScopeItems, gScopeItems},
        {"ScopePerItem", Scopes::PerItem, "transacted", kCacheLockTransacted, gScopeItems, gScopeItems},
    };
    for (const Case& c : cases) {
        const std::string what = std::string(c.scope) + "/" + c.modeName + "/items:";
        const std::string file = std::string(c.scope) + "-" + c.modeName;
        for (int items : c.writeItems)
            benchmark::RegisterBenchmark(("Write/" + what + std::to_string(items)).c_str(), WriteBenchmark, c.mode,
                                         c.scopes, items, "write-" + file)
                ->Unit(benchmark::kMillisecond);
        for (int items : c.readItems)
            benchmark::RegisterBenchmark(("Read/" + what + std::to_string(items)).c_str(), ReadBenchmark, c.mode,
                                         c.scopes, items, "read-" + file)
                ->Unit(benchmark::kMillisecond);
    }
    GrowthReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintGrowth();
    benchmark::Shutdown();

    std::error_code ignored;
    fs::remove_all(gFolder, ignored);
    return gFailed ? 1 : 0;
}
