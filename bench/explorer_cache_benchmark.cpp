// The explorer's in-memory item cache (explorer/data) over the item server's
// own objects: a folder of N items (default 10,000), each linking two files,
// made by class id as the item server hands them out.
//
//   Load/cache     the folder's items (CCache::mhAddObjects, as a folder
//                  listing loads them), then the items' files as the
//                  children of their items (mhAddTrees, as a tree load);
//   Lookup/cache   every object found again by its key (mbFindObject);
//   Merge/cache    a refreshed copy of every object taken into the cached one
//                  (mbFindObject + mvUpdateFrom, as a refresh does: the data
//                  swapped, the items' links merged).
//
// Beside each, its floor in the same run: the item server's calls the cache
// cannot do without (each object's identity, name and folder, an item's
// link list; for the merge the swap and the link manager's reads, removals
// and additions) into one std::map ordered like the cache's keys. The
// difference is what the cache itself spends beyond the item server.
#include "explorer/data/cache.h"
#include "explorer/data/vault_node.h"

#include "fresh_state_root.h"
#include "item_count_argument.h"

#include "bellquist/enums.h"
#include "bellquist/ids.h"
#include "bellquist/item_interfaces.h"
#include "bellquist/records.h"
#include "com/bstr.h"
#include "com/bstr_t.h"
#include "com/ccom_ptr.h"
#include "com/com_error.h"
#include "com/runtime.h"
#include "com/safearray.h"
#include "com/variant.h"
#include "winapi/modules.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

using namespace BellquistLib;
namespace fs = std::filesystem;

namespace {

int gItems = 10000;
constexpr int kFilesPerItem = 2;
constexpr LONG kFolderId = 50;
constexpr LONG kProjectId = 7;
constexpr LONG kFirstFileId = 1000000;
bool gFailed = false;

bool Fail(const char* what) {
    std::fprintf(stderr, "explorer_cache_benchmark: %s failed\n", what);
    gFailed = true;
    return false;
}

// An object of class `clsid` loaded with a record; null when it cannot be
// made. Items are made of the item server's folder class, whose link
// manager takes any owner (its item class gets one only from an item
// manager with a cache file behind it).
CComPtr<IItmObject> MakeObject(const CLSID& clsid, ItmObjectType type, LONG id, LONG parentId, ItmObjectType parentType,
                               LONG configId, const std::u16string& name, ItmLinkType linkType) {
    CComPtr<IItmObject> object;
    if (FAILED(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IItmObject::kIid,
                                reinterpret_cast<void**>(&object))))
        return nullptr;
    ItmObjectData d{};
    d.meObjectType = type;
    d.mlObjectID = id;
    d.mlParentProjectID = type == ItmObjectType_File ? kProjectId : kFolderId;
    d.mlParentObjectID = parentId;
    d.meParentDocType = parentType;
    d.mlConfigID = configId;
    d.meLinkType = linkType;
    d.meLinkOperation = LinkOp_None;
    d.mlAttachedVersion = d.mlLocalVersion = d.mlLatestVersion = 1;
    d.mbIsUpToDate = 1;
    const std::u16string path = u"\\<items>\\Parts\\" + name;
    BSTR strings[] = {
        d.moFilename = SysAllocString(name.c_str()),
        d.moPath = SysAllocString(path.c_str()),
        d.moConfigName = SysAllocString(u""),
        d.moLockedBy = SysAllocString(u""),
        d.moLockedPath = SysAllocString(u""),
        d.moState = SysAllocString(u""),
        d.moDomain = SysAllocString(u""),
        d.moAlternateName = SysAllocString(u""),
        d.mbsLinkedFile = SysAllocString(u""),
    };
    const HRESULT hr = object->Load(&d, nullptr);
    for (BSTR text : strings) SysFreeString(text);
    return SUCCEEDED(hr) ? object : nullptr;
}

std::u16string Numbered(const char16_t* prefix, LONG number, const char16_t* suffix) {
    std::u16string text(prefix);
    for (char c : std::to_string(number)) text += static_cast<char16_t>(c);
    return text + suffix;
}

LONG FileId(int item, int file) { return kFirstFileId + item * kFilesPerItem + file; }

// One copy of the folder: its items (each linking its files) and the files
// as the children of their items.
struct Folder {
    std::vector<CComPtr<IItmObject>> items, files;

    bool Make() {
        for (int i = 0; i < gItems; ++i) {
            const LONG itemId = 100 + i;
            CComPtr<IItmObject> item =
                MakeObject(CLSID_ItmFolder, ItmObjectType_Item, itemId, kFolderId, ItmObjectType_ItemFolder, -1,
                           Numbered(u"ITM-", itemId, u".<item>"), LinkType_BOM);
            if (!item) return Fail("making an item");
            CComPtr<IItmLinkManager> links;
            if (FAILED(item->get_LinkManager(&links)) || !links) return Fail("an item's link manager");
            for (int f = 0; f < kFilesPerItem; ++f) {
                const LONG fileId = FileId(i, f);
                CComPtr<IItmObject> file =
                    MakeObject(CLSID_ItmFile, ItmObjectType_File, fileId, itemId, ItmObjectType_Item, 0,
                               Numbered(u"P-", fileId, u".prt"), f == 0 ? LinkType_Dynamic : LinkType_Static);
                if (!file) return Fail("making a file");
                ItmLink link{ItmObjectType_File, fileId, itemId, 0, f == 0 ? LinkType_Dynamic : LinkType_Static,
                             LinkOp_None};
                if (FAILED(links->AddLink(&link))) return Fail("linking a file");
                files.push_back(file);
            }
            items.push_back(item);
        }
        return true;
    }
};

// An item array of the objects (each element VT_DISPATCH), destroyed with
// its holder.
struct ItemArray {
    explicit ItemArray(const std::vector<CComPtr<IItmObject>>& objects) {
        array = SafeArrayCreateVector(VT_VARIANT, 0, static_cast<ULONG>(objects.size()));
        for (LONG i = 0; i < static_cast<LONG>(objects.size()); ++i) {
            VARIANT value;
            VariantInit(&value);
            value.vt = VT_DISPATCH;
            value.pdispVal = objects[i].GetInterfacePtr();
            SafeArrayPutElement(array, &i, &value);
        }
    }
    ~ItemArray() { SafeArrayDestroy(array); }
    ItemArray(const ItemArray&) = delete;
    ItemArray& operator=(const ItemArray&) = delete;
    SAFEARRAY* array = nullptr;
};

struct Session {
    Folder fetched;                 // what the cache is loaded with
    Folder refreshed;               // a refreshed copy of the same objects
    std::vector<CacheObjKey> keys;  // items, then files
};
Session* gSession = nullptr;

// The cache of one run, loaded from the fetched folder.
bool Load(CCache& cache) {
    ItemArray items(gSession->fetched.items), files(gSession->fetched.files);
    if (FAILED(cache.mhAddObjects(items.array))) return false;
    return SUCCEEDED(cache.mhAddTrees(files.array, true, nullptr));
}

// --- The floor: the item server's calls into one ordered map -----------------------

struct KeyLess {
    bool operator()(const CacheObjKey& a, const CacheObjKey& b) const { return std::memcmp(&a, &b, sizeof a) < 0; }
};
using FloorMap = std::map<CacheObjKey, CComPtr<IItmObject>, KeyLess>;

void DestroyOut(SAFEARRAY* array) {
    if (array) SafeArrayDestroy(array);
}

// What every cache must read of an object: its identity, name and folder,
// and an item's links.
void FloorRead(IItmObject* object, FloorMap& map) {
    CacheObjKey key{0, 0, -1};
    ItmObjectType type{};
    object->get_Type(&type);
    key.meObjectType = type;
    object->get_ID(&key.mlObjectID);
    if (type == ItmObjectType_File) CComQIPtr<IItmFile>(object)->get_ConfigID(&key.mlConfigID);
    _bstr_t name;
    object->get_Name(name.GetAddress());
    LONG folder = 0;
    object->get_ParentProjectID(&folder);
    if (type == ItmObjectType_Item) {
        CComPtr<IItmLinkManager> links;
        object->get_LinkManager(&links);
        SAFEARRAY* ids = nullptr;
        links->GetLinksID(&ids);
        DestroyOut(ids);
    }
    map.emplace(key, object);
}

void LoadFloor(benchmark::State& state) {
    for (auto _ : state) {
        FloorMap map;
        for (const auto& item : gSession->fetched.items) FloorRead(item, map);
        for (const auto& file : gSession->fetched.files) FloorRead(file, map);
        benchmark::DoNotOptimize(map.size());
        state.PauseTiming();
        if (map.size() != gSession->keys.size()) state.SkipWithError("the floor map lacks objects");
        map.clear();
        state.ResumeTiming();
    }
    state.counters["objects"] = static_cast<double>(gSession->keys.size());
}

void LoadCache(benchmark::State& state) {
    for (auto _ : state) {
        auto* cache = new CCache(nullptr);
        if (!Load(*cache)) state.SkipWithError("loading the cache failed");
        state.PauseTiming();
        // Every object once, each item with its folder occurrence and each
        // file also under its item.
        if (cache->Objects().size() != gSession->keys.size() ||
            cache->Links().size() != gSession->fetched.items.size() + 2 * gSession->fetched.files.size())
            state.SkipWithError("the cache does not hold the folder");
        delete cache;
        state.ResumeTiming();
    }
    state.counters["objects"] = static_cast<double>(gSession->keys.size());
}

void LookupFloor(benchmark::State& state) {
    FloorMap map;
    for (const auto& item : gSession->fetched.items) FloorRead(item, map);
    for (const auto& file : gSession->fetched.files) FloorRead(file, map);
    for (auto _ : state) {
        size_t found = 0;
        for (const CacheObjKey& key : gSession->keys) found += map.find(key) != map.end();
        if (found != gSession->keys.size()) state.SkipWithError("a key was not found");
    }
}

void LookupCache(benchmark::State& state) {
    CCache cache(nullptr);
    if (!Load(cache)) state.SkipWithError("loading the cache failed");
    for (auto _ : state) {
        size_t found = 0;
        RefPtr<CCacheObj> occurrence;
        for (const CacheObjKey& key : gSession->keys) found += cache.mbFindObject(key, occurrence);
        if (found != gSession->keys.size()) state.SkipWithError("a key was not found");
    }
}

// The item server's side of a merge: the swap, and for an item the link
// lists read and each link replaced.
void FloorMerge(IItmObject* cached, IItmObject* fresh) {
    cached->Swap(fresh, VARIANT_FALSE);
    _bstr_t name;
    cached->get_Name(name.GetAddress());
    ItmObjectType type{};
    cached->get_Type(&type);
    if (type != ItmObjectType_Item) return;
    CComPtr<IItmLinkManager> mine, server;
    cached->get_LinkManager(&mine);
    fresh->get_LinkManager(&server);
    SAFEARRAY* ids = nullptr;
    SAFEARRAY* links = nullptr;
    mine->GetLinksID(&ids);
    server->GetLinks(LinkType_All, &links);
    ItmLink* records = nullptr;
    if (links && SUCCEEDED(SafeArrayAccessData(links, reinterpret_cast<void**>(&records)))) {
        for (ULONG i = 0; i < links->rgsabound[0].cElements; ++i) {
            ItmUniqueID id{records[i].meObjectType, records[i].mlObjectID, records[i].mlParentID,
                           records[i].mlConfigID};
            mine->RemoveLink(&id);
            mine->AddLink(&records[i]);
        }
        SafeArrayUnaccessData(links);
    }
    DestroyOut(ids);
    DestroyOut(links);
}

void MergeFloor(benchmark::State& state) {
    const Folder& cached = gSession->fetched;
    const Folder& fresh = gSession->refreshed;
    for (auto _ : state) {
        for (size_t i = 0; i < cached.items.size(); ++i) FloorMerge(cached.items[i], fresh.items[i]);
        for (size_t i = 0; i < cached.files.size(); ++i) FloorMerge(cached.files[i], fresh.files[i]);
    }
}

void MergeCache(benchmark::State& state) {
    CCache cache(nullptr);
    if (!Load(cache)) state.SkipWithError("loading the cache failed");
    const Folder& fresh = gSession->refreshed;
    std::vector<IItmObject*> all;
    for (const auto& item : fresh.items) all.push_back(item);
    for (const auto& file : fresh.files) all.push_back(file);
    for (auto _ : state) {
        try {
            for (size_t i = 0; i < all.size(); ++i) {
                RefPtr<CCacheObj> occurrence;
                if (!cache.mbFindObject(gSession->keys[i], occurrence)) {
                    state.SkipWithError("an object was not found");
                    break;
                }
                occurrence->mvUpdateFrom(all[i], false);
            }
        } catch (const _com_error&) {
            state.SkipWithError("the merge raised");
        }
    }
    // The cache still holds the fetched instances, one per object.
    RefPtr<CCacheObj> first;
    if (!cache.mbFindObject(gSession->keys[0], first) ||
        first->moInner->mpoItem.GetInterfacePtr() != gSession->fetched.items[0].GetInterfacePtr())
        state.SkipWithError("the cached instance was replaced");
}

bool RegisterServer(const char16_t* library) {
    HMODULE module = LoadLibraryW(library);
    if (!module) return false;
    auto registerServer = reinterpret_cast<HRESULT (*)()>(GetProcAddress(module, "DllRegisterServer"));
    const bool registered = registerServer && registerServer() == S_OK;
    FreeLibrary(module);
    return registered;
}

bool StartSession(Session& session) {
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return Fail("CoInitializeEx");
    if (!RegisterServer(u"Bellquist.dll")) return Fail("registering the item server");
    if (!session.fetched.Make() || !session.refreshed.Make()) return false;
    for (int i = 0; i < gItems; ++i) session.keys.push_back({ItmObjectType_Item, 100 + i, -1});
    for (int i = 0; i < gItems; ++i)
        for (int f = 0; f < kFilesPerItem; ++f) session.keys.push_back({ItmObjectType_File, FileId(i, f), 0});
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (!TakeItemCountArgument(argc, argv, gItems)) return 2;
    const std::string root = MakeFreshStateRoot("explorer-cache-bench");
    if (root.empty()) return 1;

    {
        Session session;
        gSession = &session;
        if (StartSession(session)) {
            const std::string items = "/items:" + std::to_string(gItems);
            const std::pair<const char*, void (*)(benchmark::State&)> cases[] = {
                {"Load/floor", LoadFloor},     {"Load/cache", LoadCache},   {"Lookup/floor", LookupFloor},
                {"Lookup/cache", LookupCache}, {"Merge/floor", MergeFloor}, {"Merge/cache", MergeCache},
            };
            for (const auto& [name, run] : cases)
                benchmark::RegisterBenchmark((name + items).c_str(), run)->Unit(benchmark::kMillisecond);
            class FailureReporter : public benchmark::ConsoleReporter {
            public:
                void ReportRuns(const std::vector<Run>& runs) override {
                    ConsoleReporter::ReportRuns(runs);
                    for (const Run& run : runs)
                        if (run.error_occurred) gFailed = true;
                }
            } reporter;
            benchmark::RunSpecifiedBenchmarks(&reporter);
        }
        gSession = nullptr;
    }
    benchmark::Shutdown();
    CoFreeUnusedLibraries();
    CoUninitialize();
    std::error_code ignored;
    fs::remove_all(root, ignored);
    return gFailed ? 1 : 0;
}
