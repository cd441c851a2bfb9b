// The item object for a record (CProxyTavroskAPI::mhCreateItmObject) and the
// record for a cached item.
#include "item_object_conversion.h"
#include "common/error_codes.h"
#include "proxy_tavrosk_api.h"
#include "running_object.h"

#include "itemstore/item_cache_file.h"
#include "itemstore/item_path.h"
#include "itemstore/itm_item_class.h"
#include "itemstore/itm_object_data.h"

#include "bellquist/ids.h"
#include "bellquist/item_interfaces.h"
#include "com/bstr.h"
#include "com/ccom_ptr.h"
#include "com/runtime.h"
#include "com/server/com_object.h"

#include <string>

using namespace BellquistLib;

namespace {

// The load information of IItmObject::Load; owns its path and connection.
struct HeldLoadData {
    LoadItmObjectData data{};
    HeldLoadData() = default;
    HeldLoadData(const HeldLoadData&) = delete;
    HeldLoadData& operator=(const HeldLoadData&) = delete;
    ~HeldLoadData() {
        SysFreeString(data.moIncludePath);
        if (data.mpoConnection) data.mpoConnection->Release();
    }
};

// An item object of a class created by id (folders, files, BOMs), loaded.
template <class I>
HRESULT CreateByClass(REFCLSID clsid, ItmObjectData* record, LoadItmObjectData* load, IItmObject** object) {
    CComPtr<I> created;
    if (HRESULT hr = CoCreateInstance(clsid, nullptr, kAnyServer, I::kIid, reinterpret_cast<void**>(&created));
        FAILED(hr))
        return hr;
    CComPtr<IItmObject> item;
    if (HRESULT hr = created->QueryInterface(IItmObject::kIid, reinterpret_cast<void**>(&item)); FAILED(hr)) return hr;
    if (HRESULT hr = item->Load(record, load); FAILED(hr)) return hr;
    *object = item.Detach();
    return S_OK;
}

// An item of this server, loaded with a link manager over the cache.
HRESULT CreateItem(ItmObjectData* record, LoadItmObjectData* load, const RefPtr<CItemCacheFile>& cacheFile,
                   IItmObject** object) {
    CComObject<CItmItem>* created = nullptr;
    if (HRESULT hr = CComObject<CItmItem>::CreateInstance(&created); FAILED(hr)) return hr;
    CComPtr<IItmItem> item(static_cast<IItmItem*>(created));
    if (HRESULT hr = created->mhLoadWithLinkManager(record, load, cacheFile); FAILED(hr)) return hr;
    *object = item.Detach();
    return S_OK;
}

}  // namespace

HRESULT CProxyTavroskAPI::mhCreateItmObject(ItmObjectData* record, IItmObject** object,
                                            RefPtr<CItemCacheFile> cacheFile, IItmObject* source,
                                            IUnknown* connection) {
    if (!record) return E_OXN_NULL_VALUE;
    if (!object) return E_POINTER;
    *object = nullptr;

    HeldLoadData load;
    std::u16string includePath;
    const OLECHAR* viewPath = moViewPath;
    gvBuildItemPath(*record, viewPath ? std::u16string_view(viewPath, moViewPath.length()) : std::u16string_view(),
                    includePath);
    load.data.moIncludePath = SysAllocStringLen(includePath.data(), static_cast<UINT>(includePath.size()));
    if (!load.data.moIncludePath) return E_OUTOFMEMORY;
    if (source) {
        if (HRESULT hr = source->get_TavroskAPI(&load.data.mpoConnection); FAILED(hr)) return hr;
    } else if (connection) {
        load.data.mpoConnection = connection;
        connection->AddRef();
    }

    switch (record->meObjectType) {
    case ItmObjectType_Root_ItemFolder:
    case ItmObjectType_Vault:
    case ItmObjectType_ItemFolder:
        return CreateByClass<IItmFolder>(CLSID_ItmFolder, record, &load.data, object);
    case ItmObjectType_Item:
        return CreateItem(record, &load.data, cacheFile, object);
    case ItmObjectType_File:
        return CreateByClass<IItmFile>(CLSID_ItmFile, record, &load.data, object);
    case ItmObjectType_BOM:
        return CreateByClass<IItmBOM>(CLSID_ItmBOM, record, &load.data, object);
    case ItmObjectType_Undefined:
    case ItmObjectType_Project:
    case ItmObjectType_Cutlist:
    case ItmObjectType_All:
        return S_OK;  // nothing to show for these
    default:
        return E_ITEM_INVALID_ITEM_TYPE;  // not a kind of object at all
    }
}

HRESULT ghCacheRecordToData(const RefPtr<ItemObject>& cached, ItmObjectData* record) {
    if (!cached || !record) return E_POINTER;
    BSTR configName = SysAllocString(u"");
    if (!configName) return E_OUTOFMEMORY;
    BSTR fileName = nullptr;
    const std::u16string_view path = cached->moPath();
    if (!path.empty()) {
        const size_t separator = path.find_last_of(u"\\/");
        const std::u16string_view name = separator == std::u16string_view::npos ? path : path.substr(separator + 1);
        fileName = SysAllocStringLen(name.data(), static_cast<UINT>(name.size()));
        if (!fileName) {
            SysFreeString(configName);
            return E_OUTOFMEMORY;
        }
    }
    record->meObjectType = static_cast<ItmObjectType>(cached->meObjectType);
    record->mlObjectID = cached->mlObjectID;
    record->mlParentProjectID = cached->mlParentProjectID;
    record->mlAttachedVersion = cached->mlAttachedVersion;
    record->mlLatestVersion = cached->mlAttachedVersion;
    record->mlConfigID = cached->mlConfigID;
    SysFreeString(record->moConfigName);
    record->moConfigName = configName;
    record->moModified = cached->mdModifiedDate;
    record->mbIsUpToDate = 1;
    if (fileName) {
        SysFreeString(record->moFilename);
        record->moFilename = fileName;
    }
    return S_OK;
}
