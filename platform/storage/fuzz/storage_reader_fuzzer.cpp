// Fuzz target of the compound-file reader: any bytes, opened as a compound
// file, must give an error or a tree whose every element can be walked and
// every stream read - forwards, backwards, past its end - without a crash,
// a hang or an allocation the input does not justify. Reads must also agree
// with themselves: a stream never gives more bytes than its size, and the
// same bytes in whichever order it is read.
//
// A file that reads without any error is then committed by a writer (a
// change made and undone, so the whole file is written anew) and read
// again: it must hold the same tree, so that whatever we accept we never
// damage further.
//
// tools/fuzz-storage.sh builds and runs it.
#include "com/com_ptr.h"
#include "com/task_memory.h"
#include "storage/compound_file.h"
#include "storage/storage.h"
#include "winapi/text.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace {

// The file each input is written to: the interfaces open files by path.
std::string gPath;
std::u16string gWidePath;

// A fault the reader must never show: stop here so libFuzzer keeps the input.
[[noreturn]] void Fault(const char* what) {
    std::fprintf(stderr, "storage_reader_fuzzer: %s\n", what);
    std::abort();
}

void WriteInput(const uint8_t* data, size_t size) {
    int fd = open(gPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) Fault("cannot write the input file");
    for (size_t done = 0; done < size;) {
        ssize_t n = write(fd, data + done, size - done);
        if (n <= 0) Fault("cannot write the input file");
        done += static_cast<size_t>(n);
    }
    close(fd);
}

void Seek(IStream* stream, int64_t offset, DWORD origin) {
    LARGE_INTEGER move{};
    move.QuadPart = offset;
    ULARGE_INTEGER position{};
    if (stream->Seek(move, origin, &position) != S_OK) Fault("Seek inside a stream failed");
}

// What a walk found: every element's path and, for a stream, its bytes;
// and whether any call failed on the way.
struct WalkResult {
    std::map<std::u16string, std::string> elements;
    bool complete = true;
};

// Reads a whole stream forwards in pieces of changing size, then backwards,
// then past its end. False when the stream could not be read.
bool ReadStream(IStream* stream, std::string& forwards) {
    STATSTG stat{};
    if (FAILED(stream->Stat(&stat, STATFLAG_NONAME))) return false;
    const uint64_t size = stat.cbSize.QuadPart;

    char buffer[4096 + 97];
    ULONG piece = 1;
    for (;;) {
        ULONG read = 0;
        HRESULT hr = stream->Read(buffer, piece, &read);
        if (FAILED(hr)) return false;  // a damaged chain may fail a read: an error, not a fault
        if (read > piece) Fault("Read reported more bytes than asked for");
        forwards.append(buffer, read);
        if (forwards.size() > size) Fault("a stream gave more bytes than its size");
        if (read < piece) break;
        piece = piece * 3 % (sizeof buffer) + 1;
    }
    if (forwards.size() != size) Fault("a read ended early with S_OK, before the stream's size");

    // Backwards, in pieces that do not line up with the forward ones.
    const size_t backPiece = 700;
    for (size_t end = forwards.size(); end > 0;) {
        size_t begin = end > backPiece ? end - backPiece : 0;
        Seek(stream, static_cast<int64_t>(begin), STREAM_SEEK_SET);
        ULONG read = 0;
        if (FAILED(stream->Read(buffer, static_cast<ULONG>(end - begin), &read))) Fault("a re-read failed");
        if (read != end - begin || std::memcmp(buffer, forwards.data() + begin, read) != 0) {
            Fault("reading backwards gave other bytes than reading forwards");
        }
        end = begin;
    }

    // At and past the end a read gives nothing.
    Seek(stream, 0, STREAM_SEEK_END);
    ULONG read = 1;
    if (FAILED(stream->Read(buffer, 10, &read)) || read != 0) Fault("a read at the end gave bytes");
    Seek(stream, 12345, STREAM_SEEK_END);
    read = 1;
    if (FAILED(stream->Read(buffer, 10, &read)) || read != 0) Fault("a read past the end gave bytes");
    return true;
}

// Walks every storage below `root` with an explicit stack (a damaged file
// may nest deeply), reading every stream.
WalkResult Walk(IStorage* root) {
    WalkResult result;
    struct Pending {
        com::ComPtr<IStorage> storage;
        std::u16string path;
    };
    std::vector<Pending> pending{{com::ComPtr<IStorage>(root), u""}};
    size_t visited = 0;
    while (!pending.empty()) {
        Pending next = pending.back();
        pending.pop_back();
        IStorage* storage = next.storage;
        STATSTG self{};
        if (SUCCEEDED(storage->Stat(&self, STATFLAG_DEFAULT))) CoTaskMemFree(self.pwcsName);

        com::ComPtr<IEnumSTATSTG> elements;
        if (FAILED(storage->EnumElements(0, nullptr, 0, &elements))) {
            result.complete = false;
            continue;
        }
        // Skip over everything once, then list it two at a time.
        while (elements->Skip(1) == S_OK) {
            if (++visited > 1000000) Fault("an enumeration does not end");
        }
        if (elements->Reset() != S_OK) Fault("Reset of an enumeration failed");
        STATSTG stats[2]{};
        ULONG fetched = 0;
        for (;;) {
            HRESULT hr = elements->Next(2, stats, &fetched);
            if (FAILED(hr) || fetched > 2) {
                result.complete = false;
                break;
            }
            for (ULONG i = 0; i < fetched; ++i) {
                const STATSTG& stat = stats[i];
                std::u16string path = next.path + u"/" + stat.pwcsName;
                if (stat.type == STGTY_STORAGE) {
                    com::ComPtr<IStorage> child;
                    if (SUCCEEDED(storage->OpenStorage(stat.pwcsName, nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE,
                                                       nullptr, 0, &child))) {
                        pending.push_back({child, path});
                        result.elements[path + u"/"];
                    } else {
                        result.complete = false;
                    }
                } else if (stat.type == STGTY_STREAM) {
                    com::ComPtr<IStream> stream;
                    std::string bytes;
                    if (SUCCEEDED(storage->OpenStream(stat.pwcsName, nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, 0,
                                                      &stream)) &&
                        ReadStream(stream, bytes)) {
                        result.elements[path] = std::move(bytes);
                    } else {
                        result.complete = false;
                    }
                } else {
                    result.complete = false;
                }
                CoTaskMemFree(stat.pwcsName);
            }
            if (hr != S_OK) break;
            if (++visited > 1000000) Fault("an enumeration does not end");
        }
    }
    return result;
}

// Opens the file for writing, makes and undoes a change, commits, and
// checks that the file then reads as `before` did. A writer may refuse a
// damaged file (any error is fine); what it commits must be whole.
void CheckCommitKeepsTheTree(const WalkResult& before) {
    com::ComPtr<IStorage> root;
    if (FAILED(StgOpenStorageEx(gWidePath.c_str(), STGM_READWRITE | STGM_SHARE_EXCLUSIVE | STGM_TRANSACTED, STGFMT_ANY,
                                0, nullptr, nullptr, IID_IStorage, reinterpret_cast<void**>(&root)))) {
        return;
    }
    const char16_t* scratch = u"~fuzz scratch~";
    com::ComPtr<IStorage> added;
    if (FAILED(root->CreateStorage(scratch, STGM_READWRITE | STGM_SHARE_EXCLUSIVE, 0, 0, &added))) return;
    added = nullptr;
    if (FAILED(root->DestroyElement(scratch))) Fault("a storage just created could not be destroyed");
    if (FAILED(root->Commit(STGC_DEFAULT))) return;
    root = nullptr;

    if (FAILED(StgOpenStorageEx(gWidePath.c_str(), STGM_READ | STGM_SHARE_EXCLUSIVE, STGFMT_ANY, 0, nullptr, nullptr,
                                IID_IStorage, reinterpret_cast<void**>(&root)))) {
        Fault("a file we committed does not open");
    }
    WalkResult after = Walk(root);
    if (!after.complete) Fault("a file we committed does not read whole");
    if (after.elements != before.elements) Fault("a commit changed the tree it was given");
}

void RemoveInputFile() { unlink(gPath.c_str()); }

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // Memory-backed when the machine has it: each input is written once.
    const char* folder = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
    std::string pattern = std::string(folder) + "/storage-fuzz-XXXXXX";
    int fd = mkstemp(pattern.data());
    if (fd < 0) Fault("cannot make the input file");
    close(fd);
    gPath = pattern;
    gWidePath = winapi::ToUtf16(gPath);
    std::atexit(RemoveInputFile);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    WriteInput(data, size);
    HRESULT isStorage = StgIsStorageFile(gWidePath.c_str());
    if (isStorage != S_OK && isStorage != S_FALSE) Fault("StgIsStorageFile failed on an existing file");

    com::ComPtr<IStorage> root;
    HRESULT hr = StgOpenStorageEx(gWidePath.c_str(), STGM_READ | STGM_SHARE_EXCLUSIVE, STGFMT_ANY, 0, nullptr, nullptr,
                                  IID_IStorage, reinterpret_cast<void**>(&root));
    if (FAILED(hr)) return 0;
    if (root == nullptr) Fault("StgOpenStorageEx succeeded without a storage");
    WalkResult before = Walk(root);
    root = nullptr;
    if (before.complete) CheckCommitKeepsTheTree(before);
    return 0;
}
