// Writes the "written by us" part of the fuzz seed corpus into a folder:
// small files of both format versions with nested storages, streams on both
// sides of the small-stream cut-off, and one file edited after its first
// commit (freed and reused sectors). make_seeds.py runs it.
//
// usage: storage_seed_writer FOLDER
#include "com/com_ptr.h"
#include "storage/compound_file.h"
#include "storage/storage.h"
#include "winapi/text.h"

#include <cstdio>
#include <string>

namespace {

constexpr DWORD kCreate = STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE;
constexpr DWORD kOpen = STGM_READWRITE | STGM_SHARE_EXCLUSIVE;

bool Succeeded(HRESULT hr, const char* what) {
    if (SUCCEEDED(hr)) return true;
    std::fprintf(stderr, "storage_seed_writer: %s failed: 0x%08x\n", what, static_cast<unsigned>(hr));
    return false;
}

bool WriteStream(IStorage* parent, const char16_t* name, size_t size, char fill) {
    com::ComPtr<IStream> stream;
    if (!Succeeded(parent->CreateStream(name, kCreate, 0, 0, &stream), "CreateStream")) return false;
    std::string bytes(size, fill);
    for (size_t i = 0; i < size; i += 97) bytes[i] = static_cast<char>(i / 97);
    ULONG written = 0;
    return Succeeded(stream->Write(bytes.data(), static_cast<ULONG>(size), &written), "Write");
}

// Root: two streams (one small, one regular) and "Items/Item 1" with two
// small streams, as the item cache keeps them.
bool WriteSample(const std::string& path, ULONG sectorSize) {
    STGOPTIONS options{1, 0, sectorSize, nullptr};
    com::ComPtr<IStorage> root;
    if (!Succeeded(StgCreateStorageEx(winapi::ToUtf16(path).c_str(), kCreate, STGFMT_DOCFILE, 0, &options, nullptr,
                                      IID_IStorage, reinterpret_cast<void**>(&root)),
                   "StgCreateStorageEx"))
        return false;
    com::ComPtr<IStorage> items, item;
    return WriteStream(root, u"Small", 100, 's') && WriteStream(root, u"Regular", 5000, 'r') &&
           Succeeded(root->CreateStorage(u"Items", kCreate, 0, 0, &items), "CreateStorage") &&
           Succeeded(items->CreateStorage(u"Item 1", kCreate, 0, 0, &item), "CreateStorage") &&
           WriteStream(item, u"Header", 200, 'h') && WriteStream(item, u"Data", 1024, 'd') &&
           Succeeded(root->Commit(STGC_DEFAULT), "Commit");
}

// The version 3 sample, reopened: a stream removed, one shrunk below the
// cut-off, one added.
bool EditSample(const std::string& path) {
    com::ComPtr<IStorage> root;
    if (!Succeeded(StgOpenStorageEx(winapi::ToUtf16(path).c_str(), kOpen, STGFMT_ANY, 0, nullptr, nullptr, IID_IStorage,
                                    reinterpret_cast<void**>(&root)),
                   "StgOpenStorageEx"))
        return false;
    return Succeeded(root->DestroyElement(u"Small"), "DestroyElement") && WriteStream(root, u"Regular", 300, 'R') &&
           WriteStream(root, u"Added", 700, 'a') && Succeeded(root->Commit(STGC_DEFAULT), "Commit");
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: storage_seed_writer FOLDER\n");
        return 2;
    }
    std::string folder = argv[1];
    bool ok = WriteSample(folder + "/written-v3.cfb", 512) && WriteSample(folder + "/written-v4.cfb", 4096) &&
              WriteSample(folder + "/written-v3-edited.cfb", 512) && EditSample(folder + "/written-v3-edited.cfb");
    return ok ? 0 : 1;
}
