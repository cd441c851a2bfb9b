// Shared by the storage tests and storage_child: opening files in the modes
// the item cache uses, whole streams in and out, and a "generation" - a
// content that is a function of one number, spread over streams of both
// sizes in nested storages - whose presence tells exactly which commit a
// file holds.
#pragma once

#include "com/com_ptr.h"
#include "com/task_memory.h"
#include "storage/compound_file.h"
#include "storage/storage.h"
#include "winapi/text.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace storage_test {

namespace fs = std::filesystem;
using com::ComPtr;

// The modes the item cache passes.
inline constexpr DWORD kCreateDirect = STGM_CREATE | STGM_SHARE_EXCLUSIVE | STGM_READWRITE;   // 0x1012
inline constexpr DWORD kCreateTransacted = kCreateDirect | STGM_TRANSACTED | STGM_NOSCRATCH;  // 0x111012
inline constexpr DWORD kOpenDirect = STGM_SHARE_EXCLUSIVE | STGM_READWRITE;                   // 0x12
inline constexpr DWORD kOpenTransacted = kOpenDirect | STGM_TRANSACTED | STGM_NOSCRATCH;      // 0x110012
inline constexpr DWORD kNewStream = STGM_CREATE | STGM_SHARE_EXCLUSIVE | STGM_WRITE;          // 0x1011
inline constexpr DWORD kReadStream = STGM_SHARE_EXCLUSIVE | STGM_READ;                        // 0x10
inline constexpr DWORD kWriteStream = STGM_SHARE_EXCLUSIVE | STGM_WRITE;                      // 0x11
inline constexpr DWORD kReadWriteStream = STGM_SHARE_EXCLUSIVE | STGM_READWRITE;              // 0x12
inline constexpr DWORD kNewStorage = STGM_CREATE | STGM_SHARE_EXCLUSIVE | STGM_READWRITE;     // 0x1012
inline constexpr DWORD kOpenStorage = STGM_SHARE_EXCLUSIVE | STGM_READWRITE;                  // 0x12

inline std::u16string U16(const fs::path& path) { return winapi::ToUtf16(path.string()); }
inline std::u16string U16(const std::string& text) { return winapi::ToUtf16(text); }

// StgCreateStorageEx as the item cache calls it: document format, 4096-byte
// sectors (or 512, or no options at all with 0).
inline HRESULT CreateFile(const fs::path& path, DWORD mode, IStorage** root, ULONG sectorSize = 4096) {
    STGOPTIONS options{1, 0, sectorSize, nullptr};
    return StgCreateStorageEx(U16(path).c_str(), mode, STGFMT_DOCFILE, 0, sectorSize ? &options : nullptr, nullptr,
                              IID_IStorage, reinterpret_cast<void**>(root));
}

inline HRESULT OpenFile(const fs::path& path, DWORD mode, IStorage** root) {
    return StgOpenStorageEx(U16(path).c_str(), mode, STGFMT_ANY, 0, nullptr, nullptr, IID_IStorage,
                            reinterpret_cast<void**>(root));
}

// Creates (or replaces) the stream and writes `bytes` into it.
inline HRESULT PutStream(IStorage* storage, const std::string& name, const std::string& bytes) {
    ComPtr<IStream> stream;
    HRESULT hr = storage->CreateStream(U16(name).c_str(), kNewStream, 0, 0, &stream);
    if (FAILED(hr)) return hr;
    ULONG written = 0;
    hr = stream->Write(bytes.data(), static_cast<ULONG>(bytes.size()), &written);
    if (SUCCEEDED(hr) && written != bytes.size()) hr = E_FAIL;
    return hr;
}

// The whole stream; *hr tells how opening or reading went.
inline std::string GetStream(IStorage* storage, const std::string& name, HRESULT* result = nullptr) {
    HRESULT ignored;
    HRESULT& hr = result ? *result : ignored;
    ComPtr<IStream> stream;
    hr = storage->OpenStream(U16(name).c_str(), nullptr, kReadStream, 0, &stream);
    if (FAILED(hr)) return {};
    std::string bytes;
    char buffer[65536];
    ULONG read = 0;
    do {
        hr = stream->Read(buffer, sizeof buffer, &read);
        if (FAILED(hr)) return {};
        bytes.append(buffer, read);
    } while (read == sizeof buffer);
    return bytes;
}

// Names of the elements of `storage`, in enumeration order.
inline std::vector<std::string> ElementNames(IStorage* storage) {
    std::vector<std::string> names;
    ComPtr<IEnumSTATSTG> elements;
    if (FAILED(storage->EnumElements(0, nullptr, 0, &elements))) return {"<EnumElements failed>"};
    STATSTG stat;
    while (elements->Next(1, &stat, nullptr) == S_OK) {
        names.push_back(winapi::ToUtf8(stat.pwcsName));
        CoTaskMemFree(stat.pwcsName);
    }
    return names;
}

// Temporary files of commits lying beside `path`.
inline std::vector<std::string> TemporaryFilesBeside(const fs::path& path) {
    std::vector<std::string> found;
    std::string prefix = path.filename().string() + ".~";
    for (const auto& entry : fs::directory_iterator(path.parent_path())) {
        std::string name = entry.path().filename().string();
        if (name.compare(0, prefix.size(), prefix) == 0) found.push_back(name);
    }
    return found;
}

// --- Generations -------------------------------------------------------------

// Bytes that depend on the generation, the stream and the offset. Made a
// word at a time (xorshift), so that a committing child spends its time in
// commits rather than here.
inline std::string Pattern(uint32_t generation, uint32_t stream, size_t size) {
    std::string bytes(size, '\0');
    uint64_t state = ((uint64_t{generation} << 32) ^ stream ^ 0x5DEECE66Dull) * 0x9E3779B97F4A7C15ull | 1;
    for (size_t offset = 0; offset < size; offset += sizeof state) {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        std::memcpy(bytes.data() + offset, &state, std::min(sizeof state, size - offset));
    }
    return bytes;
}

// How many small streams generation g has: the tree's shape changes too.
inline uint32_t SmallStreamCount(uint32_t generation) { return generation % 4 + 1; }

// Replaces the generation content below `root` by generation `generation`:
// "gen" (its number as text), and the storage "data" holding small streams
// (in the mini stream), a large one of `largeSize` bytes, and a nested
// storage with one more stream.
inline HRESULT WriteGeneration(IStorage* root, uint32_t generation, size_t largeSize) {
    ComPtr<IStorage> data;
    HRESULT hr = root->CreateStorage(u"data", kNewStorage, 0, 0, &data);
    for (uint32_t i = 0; SUCCEEDED(hr) && i < SmallStreamCount(generation); ++i) {
        hr = PutStream(data, "small" + std::to_string(i), Pattern(generation, i, 100 + 37 * i));
    }
    if (SUCCEEDED(hr)) hr = PutStream(data, "large", Pattern(generation, 100, largeSize));
    ComPtr<IStorage> nested;
    if (SUCCEEDED(hr)) hr = data->CreateStorage(u"nested", kNewStorage, 0, 0, &nested);
    if (SUCCEEDED(hr)) hr = PutStream(nested, "leaf", Pattern(generation, 200, 5000));
    if (SUCCEEDED(hr)) hr = PutStream(root, "gen", std::to_string(generation));
    return hr;
}

// The generation `root` holds, after checking every byte of it; empty
// `problem` when it is whole, else what is wrong.
inline uint32_t ReadGeneration(IStorage* root, size_t largeSize, std::string* problem) {
    problem->clear();
    HRESULT hr = S_OK;
    std::string text = GetStream(root, "gen", &hr);
    if (FAILED(hr) || text.empty()) {
        *problem = "no generation stream";
        return 0;
    }
    uint32_t generation = static_cast<uint32_t>(std::stoul(text));
    ComPtr<IStorage> data;
    if (FAILED(root->OpenStorage(u"data", nullptr, STGM_SHARE_EXCLUSIVE | STGM_READ, nullptr, 0, &data))) {
        *problem = "no data storage";
        return generation;
    }
    std::vector<std::string> expected;
    for (uint32_t i = 0; i < SmallStreamCount(generation); ++i) {
        std::string name = "small" + std::to_string(i);
        if (GetStream(data, name) != Pattern(generation, i, 100 + 37 * i)) *problem += name + " differs; ";
        expected.push_back(name);
    }
    if (GetStream(data, "large") != Pattern(generation, 100, largeSize)) *problem += "large differs; ";
    ComPtr<IStorage> nested;
    if (FAILED(data->OpenStorage(u"nested", nullptr, STGM_SHARE_EXCLUSIVE | STGM_READ, nullptr, 0, &nested)) ||
        GetStream(nested, "leaf") != Pattern(generation, 200, 5000)) {
        *problem += "nested leaf differs; ";
    }
    expected.push_back("large");
    expected.push_back("nested");
    std::vector<std::string> names = ElementNames(data);
    std::sort(names.begin(), names.end());
    std::sort(expected.begin(), expected.end());
    if (names != expected) *problem += "other elements in data; ";
    return generation;
}

}  // namespace storage_test
