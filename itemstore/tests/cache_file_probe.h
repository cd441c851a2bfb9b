// Test helpers that look at an item cache file from outside a scope: its
// element tree and the bytes of one stream.
#pragma once

#include "itemstore/storage_chain.h"

#include "com/task_memory.h"
#include "storage/compound_file.h"
#include "winapi/errors.h"

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

inline std::string NarrowName(std::u16string_view text) { return std::string(text.begin(), text.end()); }

// Every element below `storage`: "name" for a stream, "name/" for a storage
// followed by its elements as "name/child" ("name/<in use>" when the storage
// is open elsewhere).
inline void CollectElements(IStorage* storage, const std::string& prefix, std::vector<std::string>& out) {
    IEnumSTATSTG* elements = nullptr;
    if (FAILED(storage->EnumElements(0, nullptr, 0, &elements))) {
        out.push_back(prefix + "<enum failed>");
        return;
    }
    STATSTG stat{};
    while (elements->Next(1, &stat, nullptr) == S_OK) {
        std::string name = prefix + NarrowName(stat.pwcsName);
        if (stat.type == STGTY_STORAGE) {
            out.push_back(name + "/");
            IStorage* child = nullptr;
            if (SUCCEEDED(storage->OpenStorage(stat.pwcsName, nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, nullptr, 0,
                                               &child))) {
                CollectElements(child, name + "/", out);
                child->Release();
            } else {
                out.push_back(name + "/<in use>");  // held open by a chain
            }
        } else {
            out.push_back(name);
        }
        CoTaskMemFree(stat.pwcsName);
    }
    elements->Release();
}

inline std::vector<std::string> ElementTree(IStorage* storage) {
    std::vector<std::string> out;
    CollectElements(storage, "", out);
    std::sort(out.begin(), out.end());
    return out;
}

// The element tree of the file at `path`, opened read-only; {"<open failed>"}
// when it cannot be opened.
inline std::vector<std::string> ElementTree(const std::u16string& path) {
    IStorage* root = nullptr;
    if (FAILED(StgOpenStorageEx(path.c_str(), STGM_READ | STGM_SHARE_DENY_WRITE, STGFMT_ANY, 0, nullptr, nullptr,
                                IID_IStorage, reinterpret_cast<void**>(&root))))
        return {"<open failed>"};
    std::vector<std::string> tree = ElementTree(root);
    root->Release();
    return tree;
}

// The bytes of the root stream `name` of the file at `path`.
inline std::string RootStreamBytes(const std::u16string& path, const char16_t* name) {
    IStorage* root = nullptr;
    if (FAILED(StgOpenStorageEx(path.c_str(), STGM_READ | STGM_SHARE_DENY_WRITE, STGFMT_ANY, 0, nullptr, nullptr,
                                IID_IStorage, reinterpret_cast<void**>(&root))))
        return "<open failed>";
    std::string bytes;
    IStream* stream = nullptr;
    if (SUCCEEDED(root->OpenStream(name, nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, 0, &stream))) {
        char buffer[256];
        ULONG read = 0;
        while (SUCCEEDED(stream->Read(buffer, sizeof buffer, &read)) && read > 0) bytes.append(buffer, read);
        stream->Release();
    } else {
        bytes = "<no stream>";
    }
    root->Release();
    return bytes;
}

// Creates (or replaces) the element `escapedName` through the chain with
// `content`, as a cache operation does. S_OK or the first failure.
inline HRESULT WriteThroughChain(CStorageChain& chain, std::u16string_view escapedName,
                                 std::string_view content = "data") {
    HRESULT hr = chain.mhOpenPath(escapedName, true);
    if (FAILED(hr)) return hr;
    IStream* stream = nullptr;
    hr = chain.mpoCurrentStorage()->CreateStream(chain.mpoElementName(),
                                                 STGM_CREATE | STGM_SHARE_EXCLUSIVE | STGM_WRITE, 0, 0, &stream);
    if (FAILED(hr)) return hr;
    chain.mvSetStream(stream);
    hr = chain.mhCommitIfDirect();
    if (SUCCEEDED(hr)) {
        ULONG written = 0;
        hr = stream->Write(content.data(), static_cast<ULONG>(content.size()), &written);
        if (SUCCEEDED(hr) && written != content.size()) hr = E_FAIL;
    }
    chain.mvReleaseStream();
    return hr;
}
