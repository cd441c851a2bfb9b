// Shared by the interoperability tests: a compound file's whole tree as a
// value, written and read through our storage interfaces, and read by the
// independent readers Debian ships (python3-olefile, libgsf) through the
// small programs in oracles/: olefile's scripts, and gsf_extract, built on
// libgsf beside the tests, which reads a whole file in one process.
#pragma once

#include "com/com_ptr.h"
#include "com/task_memory.h"
#include "storage/compound_file.h"
#include "storage/storage.h"
#include "testsupport/child_process.h"
#include "winapi/text.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace interop {

namespace fs = std::filesystem;

// One element of a tree: a storage, or a stream and its bytes.
struct Element {
    bool storage = false;
    std::string bytes;

    friend bool operator==(const Element&, const Element&) = default;
};

// A whole compound file below its root: path (UTF-8 names joined by "/")
// to element. Ordered, so a storage always precedes what it holds.
using Tree = std::map<std::string, Element>;

// Bytes that differ from stream to stream and from offset to offset, so a
// sector read from the wrong place never passes for the right one.
inline std::string PatternBytes(size_t size, uint32_t seed) {
    std::string bytes(size, '\0');
    uint32_t state = seed * 2654435761u + 12345u;
    for (auto& byte : bytes) {
        state = state * 1103515245u + 12345u;
        byte = static_cast<char>(state >> 23);
    }
    return bytes;
}

inline std::string Utf8(const std::u16string& text) { return winapi::ToUtf8(text); }
inline std::u16string Utf16(const std::string& text) { return winapi::ToUtf16(text); }

// The names of a path, split at "/".
inline std::vector<std::string> SplitPath(const std::string& path) {
    std::vector<std::string> names;
    std::string name;
    std::istringstream in(path);
    while (std::getline(in, name, '/')) names.push_back(name);
    return names;
}

// Walks from `root` down to the storage holding `path`'s last name.
inline com::ComPtr<IStorage> OpenParent(IStorage* root, const std::string& path, DWORD mode) {
    com::ComPtr<IStorage> storage(root);
    auto names = SplitPath(path);
    names.pop_back();
    for (const auto& name : names) {
        com::ComPtr<IStorage> child;
        HRESULT hr = storage->OpenStorage(Utf16(name).c_str(), nullptr, mode, nullptr, 0, &child);
        if (FAILED(hr)) {
            ADD_FAILURE() << "OpenStorage(" << name << ") of " << path << ": 0x" << std::hex << hr;
            return {};
        }
        storage = child;
    }
    return storage;
}

// Writes `bytes` in pieces of an odd size, so the stream grows across sector
// boundaries and across the small-stream cut-off while it is written.
inline void WriteInPieces(IStream* stream, const std::string& bytes) {
    const size_t piece = 3001;
    for (size_t offset = 0; offset < bytes.size(); offset += piece) {
        ULONG count = static_cast<ULONG>(std::min(piece, bytes.size() - offset));
        ULONG written = 0;
        ASSERT_EQ(S_OK, stream->Write(bytes.data() + offset, count, &written));
        ASSERT_EQ(count, written);
    }
}

// Creates every element of `tree` below `root`.
inline void WriteTree(IStorage* root, const Tree& tree) {
    const DWORD create = STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE;
    for (const auto& [path, element] : tree) {
        SCOPED_TRACE(path);
        auto parent = OpenParent(root, path, STGM_READWRITE | STGM_SHARE_EXCLUSIVE);
        ASSERT_TRUE(parent != nullptr);
        std::u16string name = Utf16(SplitPath(path).back());
        if (element.storage) {
            com::ComPtr<IStorage> storage;
            ASSERT_EQ(S_OK, parent->CreateStorage(name.c_str(), create, 0, 0, &storage));
        } else {
            com::ComPtr<IStream> stream;
            ASSERT_EQ(S_OK, parent->CreateStream(name.c_str(), create, 0, 0, &stream));
            WriteInPieces(stream, element.bytes);
        }
    }
}

// Reads a stream from its start to its end, checking Stat's size.
inline std::string ReadStream(IStream* stream) {
    LARGE_INTEGER start{};
    EXPECT_EQ(S_OK, stream->Seek(start, STREAM_SEEK_SET, nullptr));
    std::string bytes;
    char buffer[7000];
    for (;;) {
        ULONG read = 0;
        HRESULT hr = stream->Read(buffer, sizeof buffer, &read);
        EXPECT_EQ(S_OK, hr);
        if (FAILED(hr) || read == 0) break;
        bytes.append(buffer, read);
    }
    STATSTG stat{};
    EXPECT_EQ(S_OK, stream->Stat(&stat, STATFLAG_NONAME));
    EXPECT_EQ(bytes.size(), stat.cbSize.QuadPart);
    return bytes;
}

// Reads a stream from its end to its start in pieces, through Seek.
inline std::string ReadStreamBackwards(IStream* stream, size_t size) {
    std::string bytes(size, '\0');
    const size_t piece = 1000;
    for (size_t end = size; end > 0;) {
        size_t begin = end > piece ? end - piece : 0;
        LARGE_INTEGER position{};
        position.QuadPart = static_cast<LONGLONG>(begin);
        EXPECT_EQ(S_OK, stream->Seek(position, STREAM_SEEK_SET, nullptr));
        ULONG read = 0;
        EXPECT_EQ(S_OK, stream->Read(bytes.data() + begin, static_cast<ULONG>(end - begin), &read));
        EXPECT_EQ(end - begin, read);
        end = begin;
    }
    return bytes;
}

// Reads the whole tree below `storage` through our interfaces; every stream
// is also read backwards and must give the same bytes.
inline void ReadTreeInto(IStorage* storage, const std::string& prefix, Tree& tree) {
    com::ComPtr<IEnumSTATSTG> elements;
    ASSERT_EQ(S_OK, storage->EnumElements(0, nullptr, 0, &elements));
    STATSTG stat{};
    ULONG fetched = 0;
    while (elements->Next(1, &stat, &fetched) == S_OK && fetched == 1) {
        std::u16string name = stat.pwcsName;
        CoTaskMemFree(stat.pwcsName);
        std::string path = prefix + Utf8(name);
        SCOPED_TRACE(path);
        EXPECT_TRUE(tree.find(path) == tree.end()) << "listed twice";
        if (stat.type == STGTY_STORAGE) {
            tree[path].storage = true;
            com::ComPtr<IStorage> child;
            ASSERT_EQ(S_OK, storage->OpenStorage(name.c_str(), nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, nullptr, 0,
                                                 &child));
            ReadTreeInto(child, path + "/", tree);
        } else {
            ASSERT_EQ(static_cast<DWORD>(STGTY_STREAM), stat.type);
            com::ComPtr<IStream> stream;
            ASSERT_EQ(S_OK, storage->OpenStream(name.c_str(), nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, 0, &stream));
            std::string bytes = ReadStream(stream);
            EXPECT_EQ(stat.cbSize.QuadPart, bytes.size());
            EXPECT_TRUE(ReadStreamBackwards(stream, bytes.size()) == bytes) << "backwards read differs";
            tree[path].bytes = std::move(bytes);
        }
    }
}

inline Tree ReadTree(IStorage* root) {
    Tree tree;
    ReadTreeInto(root, "", tree);
    return tree;
}

// Compares two trees and names each difference; a differing stream is
// reported by its sizes and first differing offset, not by its bytes.
inline void ExpectSameTree(const Tree& expected, const Tree& actual) {
    for (const auto& [path, element] : expected) {
        auto found = actual.find(path);
        if (found == actual.end()) {
            ADD_FAILURE() << "missing: " << path;
            continue;
        }
        const Element& other = found->second;
        if (element.storage != other.storage) {
            ADD_FAILURE() << path << ": a " << (other.storage ? "storage" : "stream") << " instead of a "
                          << (element.storage ? "storage" : "stream");
        } else if (element.bytes != other.bytes) {
            auto mismatch =
                std::mismatch(element.bytes.begin(), element.bytes.end(), other.bytes.begin(), other.bytes.end());
            ADD_FAILURE() << path << ": " << other.bytes.size() << " bytes instead of " << element.bytes.size()
                          << ", first difference at offset " << (mismatch.first - element.bytes.begin());
        }
    }
    for (const auto& [path, element] : actual) {
        if (expected.find(path) == expected.end()) ADD_FAILURE() << "unexpected: " << path;
    }
}

inline std::string ReadFileBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void WriteFileBytes(const fs::path& path, const std::string& bytes) {
    fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// --- The independent readers ----------------------------------------------------

// Debian's Python modules import only under the system interpreter, which
// need not be the first python3 on PATH.
inline const fs::path kSystemPython = "/usr/bin/python3";

// The build names this folder absolutely (STORAGE_TESTS_DIR): __FILE__ may be
// relative to the build folder when the compiler cache rewrites paths.
inline fs::path OracleScript(const std::string& name) { return fs::path(STORAGE_TESTS_DIR) / "oracles" / name; }

// Runs a program to its end; its exit code (-1 when it did not end in time).
inline int Run(const fs::path& program, const std::vector<std::string>& args) {
    testsupport::ChildProcess child(program, args);
    return child.Wait(std::chrono::minutes(5));
}

inline int RunOracle(const std::string& script, const std::vector<std::string>& args) {
    fs::path path = OracleScript(script);
    if (!fs::exists(path)) {
        ADD_FAILURE() << "oracle script not found: " << path;
        return -1;
    }
    std::vector<std::string> all{path.string()};
    all.insert(all.end(), args.begin(), args.end());
    return Run(kSystemPython, all);
}

inline bool OlefileAvailable() {
    return access(kSystemPython.c_str(), X_OK) == 0 && Run(kSystemPython, {"-c", "import olefile"}) == 0;
}

// The gsf program (libgsf-bin) and the interpreter of gsf_create.py.
inline bool GsfAvailable() {
    const char* path = getenv("PATH");
    std::istringstream folders(path != nullptr ? path : "/usr/bin");
    std::string folder;
    while (std::getline(folders, folder, ':')) {
        if (!folder.empty() && access((fs::path(folder) / "gsf").c_str(), X_OK) == 0) {
            return access(kSystemPython.c_str(), X_OK) == 0;
        }
    }
    return false;
}

// The libgsf reader, built beside the tests when libgsf-1-dev was found.
inline fs::path GsfReader() { return testsupport::SiblingProgram("gsf_extract"); }

inline bool GsfReaderAvailable() { return access(GsfReader().c_str(), X_OK) == 0; }

// What an oracle's listing.txt says: the tree, and the format line
// ("format <major version> <sector size>") when the oracle gives one.
struct OracleListing {
    Tree tree;
    int majorVersion = 0;
    int sectorSize = 0;
};

inline OracleListing ParseListing(const fs::path& folder) {
    OracleListing listing;
    std::ifstream in(folder / "listing.txt");
    EXPECT_TRUE(in.good()) << "no listing in " << folder;
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty()) continue;
        std::vector<std::string> fields;
        std::string field;
        std::istringstream parts(line);
        while (std::getline(parts, field, '\t')) fields.push_back(field);
        if (fields[0] == "format" && fields.size() == 3) {
            listing.majorVersion = std::stoi(fields[1]);
            listing.sectorSize = std::stoi(fields[2]);
        } else if (fields[0] == "storage" && fields.size() == 3) {
            listing.tree[fields[2]].storage = true;
        } else if (fields[0] == "stream" && fields.size() == 4) {
            Element& element = listing.tree[fields[2]];
            element.bytes = ReadFileBytes(folder / fields[3]);
            EXPECT_EQ(std::stoull(fields[1]), element.bytes.size()) << fields[2];
        } else {
            ADD_FAILURE() << "unreadable listing line: " << line;
        }
    }
    return listing;
}

// Reads `file` with the oracle script (olefile_extract.py) into `work`; the
// script's failure fails the test.
inline OracleListing ReadWithOracle(const std::string& script, const fs::path& file, const fs::path& work) {
    fs::remove_all(work);
    int exitCode = RunOracle(script, {file.string(), work.string()});
    EXPECT_EQ(0, exitCode) << script << " could not read " << file;
    if (exitCode != 0) return {};
    return ParseListing(work);
}

// Reads `file` with libgsf (gsf_extract) into `work`; its failure fails the
// test.
inline OracleListing ReadWithGsf(const fs::path& file, const fs::path& work) {
    fs::remove_all(work);
    int exitCode = Run(GsfReader(), {file.string(), work.string()});
    EXPECT_EQ(0, exitCode) << "gsf_extract could not read " << file;
    if (exitCode != 0) return {};
    return ParseListing(work);
}

// --- Our side -------------------------------------------------------------------

inline com::ComPtr<IStorage> CreateCompoundFile(const fs::path& file, ULONG sectorSize, bool transacted) {
    STGOPTIONS options{1, 0, sectorSize, nullptr};
    DWORD mode = STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE;
    if (transacted) mode |= STGM_TRANSACTED | STGM_NOSCRATCH;
    com::ComPtr<IStorage> root;
    HRESULT hr = StgCreateStorageEx(Utf16(file.string()).c_str(), mode, STGFMT_DOCFILE, 0, &options, nullptr,
                                    IID_IStorage, reinterpret_cast<void**>(&root));
    EXPECT_EQ(S_OK, hr) << "StgCreateStorageEx " << file;
    return root;
}

inline com::ComPtr<IStorage> OpenCompoundFile(const fs::path& file, DWORD mode) {
    com::ComPtr<IStorage> root;
    HRESULT hr = StgOpenStorageEx(Utf16(file.string()).c_str(), mode, STGFMT_ANY, 0, nullptr, nullptr, IID_IStorage,
                                  reinterpret_cast<void**>(&root));
    EXPECT_EQ(S_OK, hr) << "StgOpenStorageEx " << file;
    return root;
}

}  // namespace interop
