// What the merge tests share: a back end that creates the item server's real
// item objects over a cache file on a fresh machine, fetched rows with the
// few fields a test cares about, and a compact description of the results.
#pragma once

#include "cache_operations_support.h"
#include "link_manager_support.h"

#include "com/task_memory.h"
#include "com_testing/leak_checked_test.h"
#include "itemstore/item_path.h"
#include "itemstore/merge.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace merge_test {

using namespace BellquistLib;
using namespace link_test;

inline constexpr GUID kViewGUID{0x11111111, 0x2222, 0x3333, {4, 4, 4, 4, 4, 4, 4, 4}};
inline constexpr GUID kOtherViewGUID{0x99999999, 0x2222, 0x3333, {4, 4, 4, 4, 4, 4, 4, 4}};
inline constexpr const char16_t* kViewPath = u"C:\\Views\\Ann\\";

// One fetched record: the object, the parent it hangs under, and the link.
struct Row {
    ItmObjectType type = ItmObjectType_Item;
    LONG id = 1;
    ItmObjectType parentType = ItmObjectType_ItemFolder;
    LONG parent = 0;   // mlParentObjectID
    LONG project = 0;  // mlParentProjectID
    LONG config = -1;
    ItmLinkType linkType = LinkType_BOM;
    ItmLinkOperation linkOperation = LinkOp_None;
    const char16_t* name = nullptr;  // default: "<id>.<item>" or "<id>.part"
    LONG attached = 1;
    LONG latest = 1;
    GUID lockView{};
};

// A new array of complete ItmObjectData records for `rows` (fresh strings,
// freed with the array); the caller destroys it.
inline SAFEARRAY* Rows(const std::vector<Row>& rows) {
    RecordArray<ItmObjectData> array;
    array.mvCreate(static_cast<ULONG>(rows.size()), LIBID_BellquistLib, kLibraryMajorVersion, kLibraryMinorVersion);
    ItmObjectData* d = array.mpoBegin();
    for (const Row& row : rows) {
        std::u16string name;
        if (row.name) {
            name = row.name;
        } else {
            const std::string id = std::to_string(row.id);
            name = std::u16string(id.begin(), id.end()) + (row.type == ItmObjectType_Item ? u".<item>" : u".part");
        }
        *d = ItmObjectData{};
        d->mlParentObjectID = row.parent;
        d->meParentDocType = row.parentType;
        d->meObjectType = row.type;
        d->meLinkType = row.linkType;
        d->meLinkOperation = row.linkOperation;
        d->mlObjectID = row.id;
        d->mlParentProjectID = row.project;
        d->moFilename = SysAllocString(name.c_str());
        d->moPath = SysAllocString(u"\\Pumps\\");
        d->mlAttachedVersion = row.attached;
        d->mlLocalVersion = -1;
        d->mlLatestVersion = row.latest;
        d->mlConfigID = row.config;
        d->moConfigName = SysAllocString(u"");
        d->moLockedBy = SysAllocString(u"");
        d->moLockedPath = SysAllocString(u"");
        d->moState = SysAllocString(u"");
        d->moModified = 45000.5;
        d->moDomain = SysAllocString(u"");
        d->moLockViewID = row.lockView;
        d->moAlternateName = SysAllocString(u"");
        d->mbIsUpToDate = 1;
        ++d;
    }
    SAFEARRAY* out = nullptr;
    array.mvHandOut(&out);
    return out;
}

// The back end of the tests: the item server's own classes, loaded as the
// client back end loads them, over the fixture's cache file.
class TestBackEnd : public MergeNs::IMergeBackEnd {
public:
    explicit TestBackEnd(RefPtr<CItemCacheFile> cacheFile) : cacheFile_(std::move(cacheFile)) {}

    HRESULT mhCreateItmObject(ItmObjectData* record, IItmObject** object, RefPtr<CItemCacheFile> cacheFile,
                              IItmObject* /*source*/, IUnknown* connection) override {
        *object = nullptr;
        if (record->mlObjectID == failingID) return E_FAIL;
        std::u16string path;
        gvBuildItemPath(*record, kViewPath, path);
        BSTR includePath = SysAllocString(path.c_str());
        LoadItmObjectData load{includePath, connection};
        HRESULT hr = S_OK;
        switch (record->meObjectType) {
        case ItmObjectType_Root_ItemFolder:
        case ItmObjectType_Vault:
        case ItmObjectType_ItemFolder:
            *object = New<CItmFolder>();
            hr = (*object)->Load(record, &load);
            break;
        case ItmObjectType_Item: {
            CComObject<CItmItem>* item = nullptr;
            hr = CComObject<CItmItem>::CreateInstance(&item);
            if (SUCCEEDED(hr)) {
                item->AddRef();
                hr = item->mhLoadWithLinkManager(record, &load, cacheFile);
                *object = static_cast<IItmItem*>(item);
            }
            break;
        }
        case ItmObjectType_File:
            *object = New<CItmFile>();
            hr = (*object)->Load(record, &load);
            break;
        case ItmObjectType_BOM:
            *object = New<CItmBOM>();
            hr = (*object)->Load(record, &load);
            break;
        default:
            break;  // no object for the other types
        }
        SysFreeString(includePath);
        if (FAILED(hr) && *object) {
            (*object)->Release();
            *object = nullptr;
        }
        if (*object) ++created;
        return hr;
    }
    RefPtr<CItemCacheFile> mpoGetCacheFile() override { return cacheFile_; }
    IUnknown* mpoGetClientObject() override { return nullptr; }
    std::u16string_view moGetViewPath() override { return kViewPath; }
    GUID moGetViewGUID() override { return kViewGUID; }

    LONG failingID = -1000;  // mhCreateItmObject fails for this object id
    int created = 0;         // objects handed to the merge

private:
    RefPtr<CItemCacheFile> cacheFile_;
};

// "type:id" of an object, with ":c<config>" for files and BOMs and
// "@<parent>" when it hangs under an item.
inline std::string Describe(IItmObject* object) {
    ItmObjectType type{};
    LONG id = 0;
    EXPECT_EQ(object->get_Type(&type), S_OK);
    EXPECT_EQ(object->get_ID(&id), S_OK);
    std::string text = std::to_string(type) + ":" + std::to_string(id);
    if (type == ItmObjectType_File || type == ItmObjectType_BOM) {
        ItmUniqueID* unique = nullptr;
        EXPECT_EQ(object->GetUniqueID(&unique), S_OK);
        if (unique) {
            text += ":c" + std::to_string(unique->mlConfigID) + "@" + std::to_string(unique->mlParentID);
            CoTaskMemFree(unique);
        }
    }
    return text;
}

// The merge's results: each object (described) with its links.
struct Results {
    std::vector<std::string> objects;
    std::vector<std::vector<std::string>> links;  // per object; empty for files and BOMs
};

inline Results Read(MergeNs::CMerge& merge) {
    Results out;
    SAFEARRAY* array = nullptr;
    EXPECT_EQ(merge.mhGetResults(&array), S_OK);
    if (!array) return out;
    {
        RecordArray<VARIANT> values(array);
        for (const VARIANT* v = values.mpoBegin(); v != values.mpoEnd(); ++v) {
            EXPECT_EQ(v->vt, VT_DISPATCH);
            auto* object = static_cast<IItmObject*>(v->pdispVal);
            out.objects.push_back(Describe(object));
            ItmObjectType type{};
            object->get_Type(&type);
            std::vector<std::string> links;
            if (type != ItmObjectType_File && type != ItmObjectType_BOM) {
                IItmLinkManager* manager = LinkManagerOf(object);
                if (manager) {
                    links = Links(manager);
                    manager->Release();
                }
            }
            out.links.push_back(links);
        }
    }
    SafeArrayDestroy(array);
    return out;
}

// A cache file on a fresh machine, the test back end over it, leak checks.
class MergeTest : public com_testing::LeakChecked<CacheOperationsTest> {
protected:
    MergeTest() { RegisterRecordsOnce(); }
    void TearDown() override {
        for (SAFEARRAY* array : arrays_) SafeArrayDestroy(array);
        arrays_.clear();
        LeakChecked::TearDown();
    }

    // An array of `rows` destroyed when the test ends.
    SAFEARRAY* Keep(const std::vector<Row>& rows) {
        arrays_.push_back(Rows(rows));
        return arrays_.back();
    }
    // Merges `fetched` for `input` in `mode` and returns the results.
    Results Merge(const std::vector<Row>& input, const std::vector<Row>& fetched, int32_t flags = 0, int mode = 0,
                  CItemCacheLock* lock = nullptr) {
        MergeNs::CMerge merge(Keep(input), Keep(fetched), flags, kViewGUID, &backEnd_, lock);
        EXPECT_EQ(merge.mhMerge(mode), S_OK);
        return Read(merge);
    }

    TestBackEnd backEnd_{file_};
    std::vector<SAFEARRAY*> arrays_;
};

}  // namespace merge_test
