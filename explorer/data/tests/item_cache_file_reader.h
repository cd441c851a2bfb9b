// A vault's item cache file as another reader of this machine sees it, for
// the data layer's end-to-end tests: the children list the item server keeps
// for an item, read straight from the compound file under the cache mutex
// and decoded from the file's own format - never through the item server's
// code, which the explorer does not link.
//
// The format, as the item server writes it: the file
// "<application data>Items\<vault name>\<vault GUID>_vrsn_1.Items"; an item's
// children list is the stream named after the item without its ".<item>"
// extension, followed by "C" (characters the format reserves escaped as "%"
// and two digits; names longer than one 30-character piece split into
// storages, which the demo's short names never need) and the stream suffix
// "S". The stream holds the live count and the record count (int32 each),
// then per child: version, name bytes, path bytes, id, parent project id,
// attached version, configuration id, object type (int32 each), the modified
// date (8 bytes), the name and the path (UTF-16 with their NUL), the dirty
// flag, the link type and operation, and the initial link type and operation
// (int32 each).
#pragma once

#include "common/settings_light.h"
#include "storage/compound_file.h"
#include "winapi/guid_text.h"
#include "winapi/sync.h"

#include "bellquist/item_names.h"

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace explorer_testing {

// One entry of an item's children list.
struct CachedChild {
    LONG type = 0;
    LONG id = 0;
    LONG configId = 0;
    LONG linkType = 0;
    LONG linkOperation = 0;
    std::u16string name;
};

// What the reader found: S_OK with the list, or why there is none
// (STG_E_FILENOTFOUND for an item without a children list, the open's
// failure, E_FAIL for a list that does not decode).
struct CachedChildren {
    HRESULT hr = E_FAIL;
    std::vector<CachedChild> children;

    // The entry of that type and id; null when the list has none.
    const CachedChild* Find(LONG type, LONG id) const {
        for (const CachedChild& child : children)
            if (child.type == type && child.id == id) return &child;
        return nullptr;
    }
};

class ItemCacheFileReader {
public:
    // The item cache file of the registered vault `vaultName` of id `vault`.
    ItemCacheFileReader(const GUID& vault, const std::u16string& vaultName) {
        SettingsLight settings;
        path_ = settings.goGetLocation(kAppDataDirectory) + u"Items\\" + vaultName + u"\\" +
                winapi::GuidToString(vault, false, false) + u"_vrsn_1.Items";
    }

    const std::u16string& Path() const { return path_; }

    // The children list of the item `itemName` ("ITM-00075.<item>"), read
    // while this thread holds the cache mutex, as every user of the file
    // does.
    CachedChildren ChildrenOf(const std::u16string& itemName) const {
        CachedChildren result;
        HANDLE mutex = CreateMutexW(nullptr, FALSE, kCacheMutexName);
        if (!mutex) return result;
        if (WaitForSingleObject(mutex, 30000) != WAIT_OBJECT_0) {
            CloseHandle(mutex);
            return result;
        }
        result = Read(itemName);
        ReleaseMutex(mutex);
        CloseHandle(mutex);
        return result;
    }

private:
    static constexpr char16_t kCacheMutexName[] = u"804BF230-0F69-4525-ADF3-E15F2077A46E";

    static std::u16string StreamName(const std::u16string& itemName) {
        std::u16string key(BellquistLib::WithoutItemExtension(itemName));
        key += u'C';
        static constexpr std::u16string_view kReserved = u"/%*:|!\n\r\t?\"";
        std::u16string escaped;
        for (char16_t c : key) {
            const size_t index = kReserved.find(c);
            if (index == std::u16string_view::npos) {
                escaped += c;
                continue;
            }
            escaped += u'%';
            escaped += static_cast<char16_t>(u'0' + index / 10);
            escaped += static_cast<char16_t>(u'0' + index % 10);
        }
        return escaped + u"S";
    }

    CachedChildren Read(const std::u16string& itemName) const {
        CachedChildren result;
        IStorage* root = nullptr;
        result.hr = StgOpenStorageEx(path_.c_str(), STGM_READ | STGM_SHARE_DENY_WRITE, STGFMT_ANY, 0, nullptr, nullptr,
                                     IID_IStorage, reinterpret_cast<void**>(&root));
        if (FAILED(result.hr)) return result;
        IStream* stream = nullptr;
        result.hr =
            root->OpenStream(StreamName(itemName).c_str(), nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, 0, &stream);
        std::vector<uint8_t> bytes;
        if (SUCCEEDED(result.hr)) {
            uint8_t block[4096];
            ULONG read = 0;
            while (SUCCEEDED(stream->Read(block, sizeof block, &read)) && read > 0)
                bytes.insert(bytes.end(), block, block + read);
            stream->Release();
        }
        root->Release();
        if (FAILED(result.hr)) return result;
        result.hr = Decode(bytes, result.children) ? S_OK : E_FAIL;
        return result;
    }

    static bool Decode(const std::vector<uint8_t>& bytes, std::vector<CachedChild>& children) {
        size_t at = 0;
        auto int32 = [&](LONG& value) {
            if (at + 4 > bytes.size()) return false;
            uint32_t word = 0;
            for (int i = 3; i >= 0; --i) word = word << 8 | bytes[at + i];
            value = static_cast<LONG>(word);
            at += 4;
            return true;
        };
        auto text = [&](LONG byteCount, std::u16string& value) {
            if (byteCount < 2 || byteCount % 2 != 0 || at + byteCount > bytes.size()) return false;
            for (LONG i = 0; i + 2 < byteCount; i += 2)
                value.push_back(static_cast<char16_t>(bytes[at + i] | bytes[at + i + 1] << 8));
            at += byteCount;
            return true;
        };
        LONG live = 0, count = 0;
        if (!int32(live) || !int32(count)) return false;
        for (LONG i = 0; i < count; ++i) {
            CachedChild child;
            LONG version = 0, nameBytes = 0, pathBytes = 0, unused = 0;
            std::u16string path;
            if (!int32(version) || !int32(nameBytes) || !int32(pathBytes) || !int32(child.id) || !int32(unused) ||
                !int32(unused) || !int32(child.configId) || !int32(child.type))
                return false;
            if (at + 8 > bytes.size()) return false;
            at += 8;  // the modified date
            if (!text(nameBytes, child.name) || !text(pathBytes, path)) return false;
            if (!int32(unused) || !int32(child.linkType) || !int32(child.linkOperation) || !int32(unused) ||
                !int32(unused))
                return false;
            children.push_back(std::move(child));
        }
        return true;
    }

    std::u16string path_;
};

}  // namespace explorer_testing
