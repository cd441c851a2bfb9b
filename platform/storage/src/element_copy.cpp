#include "element_copy.h"

#include "com/com_ptr.h"
#include "winapi/errors.h"

#include <utility>
#include <vector>

namespace storage {

namespace {

constexpr DWORD kNewStreamMode = STGM_CREATE | STGM_WRITE | STGM_SHARE_EXCLUSIVE;
constexpr DWORD kStorageMode = STGM_READWRITE | STGM_SHARE_EXCLUSIVE;

bool IsExcludedName(const CopyExclusions& exclusions, std::u16string_view name) {
    if (exclusions.names == nullptr) return false;
    for (SNB entry = exclusions.names; *entry != nullptr; ++entry) {
        if (format::CompareElementNames(*entry, name) == 0) return true;
    }
    return false;
}

}  // namespace

HRESULT CopyStreamContent(const format::StreamContent& content, IStream* target) {
    std::vector<uint8_t> buffer(64 * 1024);
    for (uint64_t offset = 0; offset < content.Size();) {
        size_t read = 0;
        HRESULT hr = content.Read(offset, buffer.data(), buffer.size(), &read);
        if (FAILED(hr)) return hr;
        ULONG written = 0;
        hr = target->Write(buffer.data(), static_cast<ULONG>(read), &written);
        if (FAILED(hr)) return hr;
        if (written != read) return STG_E_WRITEFAULT;
        offset += read;
    }
    return S_OK;
}

HRESULT CopyStorageContents(const format::Element& source, IStorage* target, const CopyExclusions& exclusions) {
    struct Level {
        const format::Element* source;
        com::ComPtr<IStorage> target;
    };
    std::vector<Level> pending{{&source, target}};
    bool top = true;
    while (!pending.empty()) {
        Level level = std::move(pending.back());
        pending.pop_back();
        HRESULT hr = level.target->SetClass(level.source->Clsid());
        if (FAILED(hr)) return hr;
        // The children as they are now: the copy may add elements to this file.
        std::vector<const format::Element*> children;
        for (const auto& entry : level.source->Children()) children.push_back(entry.second.get());
        for (const format::Element* child : children) {
            const char16_t* name = child->Name().c_str();
            if (top && IsExcludedName(exclusions, child->Name())) continue;
            if (child->IsStream()) {
                if (top && exclusions.streams) continue;
                com::ComPtr<IStream> stream;
                hr = level.target->CreateStream(name, kNewStreamMode, 0, 0, &stream);
                if (SUCCEEDED(hr)) hr = CopyStreamContent(child->Content(), stream);
                if (FAILED(hr)) return hr;
            } else {
                if (top && exclusions.storages) continue;
                com::ComPtr<IStorage> storage;
                hr = level.target->OpenStorage(name, nullptr, kStorageMode, nullptr, 0, &storage);
                if (FAILED(hr)) hr = level.target->CreateStorage(name, STGM_CREATE | kStorageMode, 0, 0, &storage);
                if (FAILED(hr)) return hr;
                pending.push_back({child, std::move(storage)});
            }
        }
        top = false;
    }
    return S_OK;
}

}  // namespace storage
