// The item cache's workload on compound files - many items, each a small
// storage of two small streams, in nested storages - through our compound
// files and through libgsf, so that one run prints both figures together.
// See README.md.
#include "com/com_ptr.h"
#include "com/task_memory.h"
#include "storage/compound_file.h"
#include "storage/storage.h"
#include "winapi/text.h"

#include <benchmark/benchmark.h>
#include <gsf/gsf-infile-msole.h>
#include <gsf/gsf-infile.h>
#include <gsf/gsf-input-stdio.h>
#include <gsf/gsf-input.h>
#include <gsf/gsf-outfile-msole.h>
#include <gsf/gsf-outfile.h>
#include <gsf/gsf-output-stdio.h>
#include <gsf/gsf-output.h>
#include <gsf/gsf-utils.h>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

constexpr int kItemsPerFolder = 100;
constexpr size_t kHeaderSize = 200;
constexpr size_t kDataSize = 1024;

// The names and bytes of the workload, made once so that both sides do the
// same work and nothing but the storage is measured.
struct Workload {
    int items = 10000;
    std::string header;    // the first stream of every item
    std::string data;      // the second stream of every item
    uint64_t byteSum = 0;  // of all streams of all items, to check reads

    static int Folders(int items) { return (items + kItemsPerFolder - 1) / kItemsPerFolder; }
    static int ItemsIn(int items, int folder) { return std::min(kItemsPerFolder, items - folder * kItemsPerFolder); }
    static std::string FolderName(int folder) { return "Folder " + std::to_string(folder); }
    static std::string ItemName(int item) { return "Item " + std::to_string(item); }
};

Workload gWorkload;
fs::path gFolder;
// Sizes of the file in which one record is changed and committed.
std::vector<int> gChangeItems = {1000, 10000, 100000};

uint64_t SumOf(const void* bytes, size_t size) {
    uint64_t sum = 0;
    for (size_t i = 0; i < size; ++i) sum += static_cast<const unsigned char*>(bytes)[i];
    return sum;
}

std::u16string Wide(const std::string& text) { return winapi::ToUtf16(text); }

// Ends the benchmark with an error (and false) when `hr` failed.
bool Check(benchmark::State& state, HRESULT hr, const char* what) {
    if (SUCCEEDED(hr)) return true;
    char text[160];
    std::snprintf(text, sizeof text, "%s failed: 0x%08x", what, static_cast<unsigned>(hr));
    state.SkipWithError(text);
    return false;
}

// --- Ours -------------------------------------------------------------------------

// The cache's modes: read-write, exclusive, transacted without scratch.
constexpr DWORD kCacheMode = STGM_READWRITE | STGM_SHARE_EXCLUSIVE | STGM_TRANSACTED | STGM_NOSCRATCH;
constexpr DWORD kChildMode = STGM_READWRITE | STGM_SHARE_EXCLUSIVE;

bool WriteStream(benchmark::State& state, IStorage* parent, const char16_t* name, const std::string& bytes) {
    com::ComPtr<IStream> stream;
    if (!Check(state, parent->CreateStream(name, STGM_CREATE | kChildMode, 0, 0, &stream), "CreateStream"))
        return false;
    ULONG written = 0;
    return Check(state, stream->Write(bytes.data(), static_cast<ULONG>(bytes.size()), &written), "Write");
}

bool OursCreateItems(benchmark::State& state, const fs::path& file, ULONG sectorSize, int items) {
    STGOPTIONS options{1, 0, sectorSize, nullptr};
    com::ComPtr<IStorage> root;
    if (!Check(state,
               StgCreateStorageEx(Wide(file.string()).c_str(), STGM_CREATE | kCacheMode, STGFMT_DOCFILE, 0, &options,
                                  nullptr, IID_IStorage, reinterpret_cast<void**>(&root)),
               "StgCreateStorageEx"))
        return false;
    for (int folder = 0; folder < Workload::Folders(items); ++folder) {
        com::ComPtr<IStorage> folderStorage;
        if (!Check(state,
                   root->CreateStorage(Wide(Workload::FolderName(folder)).c_str(), STGM_CREATE | kChildMode, 0, 0,
                                       &folderStorage),
                   "CreateStorage"))
            return false;
        for (int i = 0; i < Workload::ItemsIn(items, folder); ++i) {
            com::ComPtr<IStorage> item;
            std::u16string name = Wide(Workload::ItemName(folder * kItemsPerFolder + i));
            if (!Check(state, folderStorage->CreateStorage(name.c_str(), STGM_CREATE | kChildMode, 0, 0, &item),
                       "CreateStorage"))
                return false;
            if (!WriteStream(state, item, u"Header", gWorkload.header)) return false;
            if (!WriteStream(state, item, u"Data", gWorkload.data)) return false;
        }
    }
    return Check(state, root->Commit(STGC_DEFAULT), "Commit");
}

bool OursCreate(benchmark::State& state, const fs::path& file, ULONG sectorSize) {
    return OursCreateItems(state, file, sectorSize, gWorkload.items);
}

// Reads every stream below `storage`, found by enumeration as a reader that
// knows no names would; adds the bytes to `sum`.
bool OursReadAll(benchmark::State& state, IStorage* storage, uint64_t& sum, std::vector<char>& buffer) {
    com::ComPtr<IEnumSTATSTG> elements;
    if (!Check(state, storage->EnumElements(0, nullptr, 0, &elements), "EnumElements")) return false;
    STATSTG stat{};
    ULONG fetched = 0;
    while (elements->Next(1, &stat, &fetched) == S_OK && fetched == 1) {
        bool ok = true;
        if (stat.type == STGTY_STORAGE) {
            com::ComPtr<IStorage> child;
            ok = Check(state, storage->OpenStorage(stat.pwcsName, nullptr, kChildMode, nullptr, 0, &child),
                       "OpenStorage") &&
                 OursReadAll(state, child, sum, buffer);
        } else {
            com::ComPtr<IStream> stream;
            ok = Check(state, storage->OpenStream(stat.pwcsName, nullptr, kChildMode, 0, &stream), "OpenStream");
            ULONG read = 0;
            buffer.resize(stat.cbSize.QuadPart);
            ok = ok && Check(state, stream->Read(buffer.data(), static_cast<ULONG>(buffer.size()), &read), "Read");
            sum += SumOf(buffer.data(), read);
        }
        CoTaskMemFree(stat.pwcsName);
        if (!ok) return false;
    }
    return true;
}

bool OursOpenAndRead(benchmark::State& state, const fs::path& file, uint64_t& sum) {
    com::ComPtr<IStorage> root;
    if (!Check(state,
               StgOpenStorageEx(Wide(file.string()).c_str(), kCacheMode, STGFMT_ANY, 0, nullptr, nullptr, IID_IStorage,
                                reinterpret_cast<void**>(&root)),
               "StgOpenStorageEx"))
        return false;
    std::vector<char> buffer;
    return OursReadAll(state, root, sum, buffer);
}

// --- libgsf -------------------------------------------------------------------------

bool GsfFailed(benchmark::State& state, GError* error, const char* what) {
    std::string text = std::string(what) + " failed" + (error != nullptr ? ": " + std::string(error->message) : "");
    if (error != nullptr) g_error_free(error);
    state.SkipWithError(text.c_str());
    return false;
}

bool GsfWriteStream(GsfOutfile* parent, const char* name, const std::string& bytes) {
    GsfOutput* stream = gsf_outfile_new_child(parent, name, FALSE);
    bool ok = stream != nullptr &&
              gsf_output_write(stream, bytes.size(), reinterpret_cast<const guint8*>(bytes.data())) &&
              gsf_output_close(stream);
    if (stream != nullptr) g_object_unref(stream);
    return ok;
}

// libgsf builds the whole file in memory and writes it at close. Always
// version 3 (512-byte sectors), its default: with 4096-byte sectors
// (gsf_outfile_msole_new_full) it leaves some files a sector short, which
// neither it nor other readers can open again.
bool GsfCreate(benchmark::State& state, const fs::path& file, ULONG sectorSize) {
    if (sectorSize != 512) return GsfFailed(state, nullptr, "libgsf with other than 512-byte sectors");
    GError* error = nullptr;
    GsfOutput* sink = gsf_output_stdio_new(file.c_str(), &error);
    if (sink == nullptr) return GsfFailed(state, error, "gsf_output_stdio_new");
    GsfOutfile* root = gsf_outfile_msole_new(sink);
    g_object_unref(sink);
    bool ok = root != nullptr;
    for (int folder = 0; ok && folder < Workload::Folders(gWorkload.items); ++folder) {
        GsfOutput* folderOutput = gsf_outfile_new_child(root, Workload::FolderName(folder).c_str(), TRUE);
        ok = folderOutput != nullptr;
        for (int i = 0; ok && i < Workload::ItemsIn(gWorkload.items, folder); ++i) {
            std::string name = Workload::ItemName(folder * kItemsPerFolder + i);
            GsfOutput* item = gsf_outfile_new_child(GSF_OUTFILE(folderOutput), name.c_str(), TRUE);
            ok = item != nullptr && GsfWriteStream(GSF_OUTFILE(item), "Header", gWorkload.header) &&
                 GsfWriteStream(GSF_OUTFILE(item), "Data", gWorkload.data) && gsf_output_close(item);
            if (item != nullptr) g_object_unref(item);
        }
        if (folderOutput != nullptr) {
            ok = gsf_output_close(folderOutput) && ok;
            g_object_unref(folderOutput);
        }
    }
    if (root != nullptr) {
        ok = gsf_output_close(GSF_OUTPUT(root)) && ok;
        g_object_unref(root);
    }
    return ok || GsfFailed(state, nullptr, "writing with libgsf");
}

bool GsfReadAll(GsfInfile* storage, uint64_t& sum, std::vector<guint8>& buffer) {
    int count = gsf_infile_num_children(storage);
    for (int i = 0; i < count; ++i) {
        GsfInput* child = gsf_infile_child_by_index(storage, i);
        if (child == nullptr) return false;
        bool ok = true;
        int grandchildren = GSF_IS_INFILE(child) ? gsf_infile_num_children(GSF_INFILE(child)) : -1;
        if (grandchildren >= 0) {
            ok = GsfReadAll(GSF_INFILE(child), sum, buffer);
        } else {
            size_t size = static_cast<size_t>(gsf_input_size(child));
            buffer.resize(size);
            ok = size == 0 || gsf_input_read(child, size, buffer.data()) != nullptr;
            sum += SumOf(buffer.data(), size);
        }
        g_object_unref(child);
        if (!ok) return false;
    }
    return true;
}

bool GsfOpenAndRead(benchmark::State& state, const fs::path& file, uint64_t& sum) {
    GError* error = nullptr;
    GsfInput* input = gsf_input_stdio_new(file.c_str(), &error);
    if (input == nullptr) return GsfFailed(state, error, "gsf_input_stdio_new");
    GsfInfile* root = gsf_infile_msole_new(input, &error);
    g_object_unref(input);
    if (root == nullptr) return GsfFailed(state, error, "gsf_infile_msole_new");
    std::vector<guint8> buffer;
    bool ok = GsfReadAll(root, sum, buffer);
    g_object_unref(root);
    return ok || GsfFailed(state, nullptr, "reading with libgsf");
}

// --- The benchmarks -------------------------------------------------------------------

using CreateFunction = bool (*)(benchmark::State&, const fs::path&, ULONG sectorSize);
using ReadFunction = bool (*)(benchmark::State&, const fs::path&, uint64_t&);

void Report(benchmark::State& state, const fs::path& file) {
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * gWorkload.items);
    state.counters["file_bytes"] = static_cast<double>(fs::file_size(file));
}

void CreateBenchmark(benchmark::State& state, CreateFunction create, ULONG sectorSize, const std::string& file) {
    fs::path path = gFolder / file;
    for (auto _ : state) {
        if (!create(state, path, sectorSize)) return;
    }
    Report(state, path);
}

// The file is written once, outside the timing, by the same library.
void ReadBenchmark(benchmark::State& state, CreateFunction create, ReadFunction read, ULONG sectorSize,
                   const std::string& file) {
    fs::path path = gFolder / file;
    if (!create(state, path, sectorSize)) return;
    for (auto _ : state) {
        uint64_t sum = 0;
        if (!read(state, path, sum)) return;
        if (sum != gWorkload.byteSum) {
            state.SkipWithError("the bytes read differ from the bytes written");
            return;
        }
    }
    Report(state, path);
}

// One record of an item in a file of `items` items changed and committed,
// on a file open as the cache opens it; the file is written once, outside
// the timing. Each round changes another item's record.
void ChangeOneRecordBenchmark(benchmark::State& state, int items) {
    fs::path path = gFolder / ("change-" + std::to_string(items) + ".cfb");
    if (!OursCreateItems(state, path, 4096, items)) return;
    com::ComPtr<IStorage> root;
    if (!Check(state,
               StgOpenStorageEx(Wide(path.string()).c_str(), kCacheMode, STGFMT_ANY, 0, nullptr, nullptr, IID_IStorage,
                                reinterpret_cast<void**>(&root)),
               "StgOpenStorageEx"))
        return;
    std::string record = gWorkload.header;
    int round = 0;
    for (auto _ : state) {
        const int item = round * 7919 % items;
        record[0] = static_cast<char>('a' + round++ % 26);
        com::ComPtr<IStorage> folder;
        com::ComPtr<IStorage> itemStorage;
        if (!Check(state,
                   root->OpenStorage(Wide(Workload::FolderName(item / kItemsPerFolder)).c_str(), nullptr, kChildMode,
                                     nullptr, 0, &folder),
                   "OpenStorage") ||
            !Check(state,
                   folder->OpenStorage(Wide(Workload::ItemName(item)).c_str(), nullptr, kChildMode, nullptr, 0,
                                       &itemStorage),
                   "OpenStorage") ||
            !WriteStream(state, itemStorage, u"Header", record) || !Check(state, root->Commit(STGC_DEFAULT), "Commit"))
            return;
    }
    root = nullptr;
    state.counters["file_bytes"] = static_cast<double>(fs::file_size(path));
    fs::remove(path);
}

// The floor beside it: the same bytes written into a file of the same size
// with one pwrite and made durable with one fdatasync.
void RawWriteFloorBenchmark(benchmark::State& state) {
    fs::path path = gFolder / "floor.bin";
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0644);
    if (fd < 0 || ::ftruncate(fd, 16 << 20) != 0) {
        state.SkipWithError("cannot make the floor's file");
        return;
    }
    std::string record = gWorkload.header;
    int round = 0;
    for (auto _ : state) {
        record[0] = static_cast<char>('a' + round % 26);
        const off_t offset = static_cast<off_t>(round++ * 7919 % 4096) * 4096;
        if (::pwrite(fd, record.data(), record.size(), offset) != static_cast<ssize_t>(record.size()) ||
            ::fdatasync(fd) != 0) {
            state.SkipWithError("pwrite or fdatasync failed");
            break;
        }
    }
    ::close(fd);
    fs::remove(path);
}

// Takes --items=N and --change-items=N[,N...] out of the arguments Google
// Benchmark did not know.
bool TakeArguments(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--items=", 8) == 0) {
            gWorkload.items = std::atoi(argv[i] + 8);
            if (gWorkload.items <= 0) return false;
        } else if (std::strncmp(argv[i], "--change-items=", 15) == 0) {
            gChangeItems.clear();
            for (const char* p = argv[i] + 15; *p != '\0';) {
                char* end = nullptr;
                const long items = std::strtol(p, &end, 10);
                if (items <= 0 || end == p) return false;
                gChangeItems.push_back(static_cast<int>(items));
                p = *end == ',' ? end + 1 : end;
            }
        } else {
            std::fprintf(stderr, "unknown argument: %s\n", argv[i]);
            return false;
        }
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (!TakeArguments(argc, argv)) return 2;

    gWorkload.header.resize(kHeaderSize);
    gWorkload.data.resize(kDataSize);
    for (size_t i = 0; i < kHeaderSize; ++i) gWorkload.header[i] = static_cast<char>('A' + i % 26);
    for (size_t i = 0; i < kDataSize; ++i) gWorkload.data[i] = static_cast<char>(i * 131 % 251);
    gWorkload.byteSum = static_cast<uint64_t>(gWorkload.items) *
                        (SumOf(gWorkload.header.data(), kHeaderSize) + SumOf(gWorkload.data.data(), kDataSize));

    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/storage-bench-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) {
        std::perror("mkdtemp");
        return 1;
    }
    gFolder = pattern;
    gsf_init();

    // Ours in both versions (the cache writes version 4), libgsf in the
    // version it writes reliably; each figure beside its counterpart.
    struct Subject {
        const char* name;
        CreateFunction create;
        ReadFunction read;
        ULONG sectorSize;
    };
    const Subject subjects[] = {
        {"ours/v4", OursCreate, OursOpenAndRead, 4096},
        {"ours/v3", OursCreate, OursOpenAndRead, 512},
        {"libgsf/v3", GsfCreate, GsfOpenAndRead, 512},
    };
    std::string items = "/items:" + std::to_string(gWorkload.items);
    for (const Subject& subject : subjects) {
        std::string name = std::string(subject.create == GsfCreate ? "CreateWriteClose/" : "CreateWriteCommit/") +
                           subject.name + items;
        std::string file = "create-" + std::to_string(&subject - subjects) + ".cfb";
        benchmark::RegisterBenchmark(name.c_str(), CreateBenchmark, subject.create, subject.sectorSize, file)
            ->Unit(benchmark::kMillisecond);
    }
    for (const Subject& subject : subjects) {
        std::string name = std::string("OpenReadAll/") + subject.name + items;
        std::string file = "read-" + std::to_string(&subject - subjects) + ".cfb";
        benchmark::RegisterBenchmark(name.c_str(), ReadBenchmark, subject.create, subject.read, subject.sectorSize,
                                     file)
            ->Unit(benchmark::kMillisecond);
    }
    benchmark::RegisterBenchmark("ChangeOneRecordAndCommit/floor/pwrite+fdatasync", RawWriteFloorBenchmark)
        ->Unit(benchmark::kMillisecond);
    for (int items : gChangeItems) {
        std::string name = "ChangeOneRecordAndCommit/ours/v4/items:" + std::to_string(items);
        benchmark::RegisterBenchmark(name.c_str(), ChangeOneRecordBenchmark, items)->Unit(benchmark::kMillisecond);
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    gsf_shutdown();
    std::error_code ignored;
    fs::remove_all(gFolder, ignored);
    return 0;
}
