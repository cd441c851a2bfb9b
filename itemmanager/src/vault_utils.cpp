// IVaultUtils of the item manager: the items of an outside item operation,
// grouped by the vault (client connection) they come from.

#include "itm_manager.h"

#include "outside_libraries.h"
#include "proxy_tavrosk_api.h"

#include "common/error_codes.h"

#include "bellquist/item_interfaces.h"
#include "com/com_error.h"
#include "com/method_boundary.h"
#include "com/safearray.h"
#include "common/record_array.h"
#include "tavrosk/client_interfaces.h"
#include "tavrosk/login_record.h"
#include "winapi/errors.h"

#include <cstring>
#include <utility>

using namespace BellquistLib;
using TavroskClientLib::ITavroskServices;
using TavroskClientLib::LoginRecord;

VaultEntry::~VaultEntry() {
    if (mpoConnection) mpoConnection->Release();
    SysFreeString(moViewPath);
    if (mpoSystemRights) SafeArrayDestroy(mpoSystemRights);
    for (VARIANT& item : moItems) VariantClear(&item);
}

namespace {

// The item object a list element holds (a reference for the caller), or null.
IItmObject* ItemOf(const VARIANT& element) {
    if (element.vt != VT_DISPATCH && element.vt != VT_UNKNOWN) return nullptr;
    IUnknown* unknown = element.vt == VT_DISPATCH ? static_cast<IUnknown*>(element.pdispVal) : element.punkVal;
    IItmObject* item = nullptr;
    if (!unknown || FAILED(unknown->QueryInterface(IItmObject::kIid, reinterpret_cast<void**>(&item)))) return nullptr;
    return item;
}

// Releases an interface pointer at the end of a scope.
template <class I>
struct Held {
    I* p = nullptr;
    Held() = default;
    Held(const Held&) = delete;
    Held& operator=(const Held&) = delete;
    ~Held() {
        if (p) p->Release();
    }
};

// What the client library's connection information hands over: the caller
// frees every string it gets, whichever the library filled.
struct HeldConnectionInformation {
    LoginRecord r{};
    HeldConnectionInformation() = default;
    HeldConnectionInformation(const HeldConnectionInformation&) = delete;
    HeldConnectionInformation& operator=(const HeldConnectionInformation&) = delete;
    ~HeldConnectionInformation() {
        for (BSTR text :
             {r.moViewPath, r.moComputerName, r.moDomainName, r.moUsername, r.moUserPwd, r.moVaultName, r.mbsAServer})
            SysFreeString(text);
    }
};

// The system rights mask as one MenuSysRightInfo per bit set, lowest first.
SAFEARRAY* MakeRightsArray(ULONG mask) {
    ULONG count = 0;
    for (ULONG bits = mask; bits; bits &= bits - 1) ++count;
    RecordArray<MenuSysRightInfo> rights;
    rights.mvCreate(count, kMenuInfoLibrary, 1, 0);
    MenuSysRightInfo* record = rights.mpoBegin();
    for (int bit = 0; bit < 32; ++bit)
        if (mask & (1u << bit)) (record++)->muiRight = 1u << bit;
    SAFEARRAY* array = nullptr;
    rights.mvHandOut(&array);
    return array;
}

// The XRefRootObject of one item: its ids and its kind of object.
void FillRoot(IItmObject& item, XRefRootObject& root) {
    LONG id = 0;
    if (FAILED(item.get_ID(&id))) return;  // the record stays zeroed
    LONG parentProjectId = 0;
    item.get_ParentProjectID(&parentProjectId);
    ItmObjectType type = ItmObjectType_Undefined;
    item.get_Type(&type);
    root.mlDocumentID = id;
    root.mlProjectID = parentProjectId;
    root.moFileDate.vt = VT_EMPTY;
    switch (type) {
    case ItmObjectType_Root_ItemFolder:
    case ItmObjectType_Vault:
    case ItmObjectType_ItemFolder:
        root.meType = Ot_ItemFolder;
        root.mlProjectID = id;
        root.mlDocumentID = 0;
        break;
    case ItmObjectType_Item:
        root.meType = Ot_Item;
        break;
    case ItmObjectType_File:
        root.meType = Ot_Document;
        break;
    case ItmObjectType_BOM:
        root.meType = Ot_BOM;
        break;
    default:
        root.meType = ObjectType{};
        break;
    }
}

}  // namespace

void CItmManager::mvForgetVaults() noexcept {
    moVaults.clear();
    moCursor = moVaults.end();
    mlVaultsBuilt = 0;
}

void CItmManager::mvDestroyItemList() noexcept {
    if (SAFEARRAY* list = std::exchange(mpoItems, nullptr)) {
        SafeArrayUnlock(list);
        SafeArrayDestroy(list);
    }
}

HRESULT CItmManager::Init(SAFEARRAY* poItems) {
    return com::Boundary([&]() -> HRESULT {
        if (!poItems) return E_OXN_NULL_VALUE;
        VARTYPE type = VT_EMPTY;
        if (HRESULT hr = SafeArrayGetVartype(poItems, &type); FAILED(hr)) return hr;
        if (type != VT_VARIANT) return E_INVALIDARG;
        SAFEARRAY* copy = nullptr;
        if (HRESULT hr = SafeArrayCopy(poItems, &copy); FAILED(hr)) return hr;
        if (HRESULT hr = SafeArrayLock(copy); FAILED(hr)) {
            SafeArrayDestroy(copy);
            return hr;
        }
        mvForgetVaults();
        mvDestroyItemList();
        mpoItems = copy;
        return S_OK;
    });
}

HRESULT CItmManager::mhBuildVaultMap() {
    mvForgetVaults();
    LONG lower = 0, upper = -1;
    if (HRESULT hr = SafeArrayGetLBound(mpoItems, 1, &lower); FAILED(hr)) return hr;
    if (HRESULT hr = SafeArrayGetUBound(mpoItems, 1, &upper); FAILED(hr)) return hr;
    const VARIANT* elements = static_cast<const VARIANT*>(mpoItems->pvData);
    for (LONG index = lower; index <= upper; ++index) {
        const VARIANT& element = elements[index - lower];
        Held<IItmObject> item;
        item.p = ItemOf(element);
        if (!item.p) continue;
        Held<IUnknown> connection;
        if (FAILED(item.p->get_TavroskAPI(&connection.p)) || !connection.p) continue;

        auto found = moVaults.find(connection.p);
        if (found == moVaults.end()) {
            Held<ITavroskServices> services;
            HRESULT hr = connection.p->QueryInterface(ITavroskServices::kIid, reinterpret_cast<void**>(&services.p));
            if (hr == E_NOINTERFACE) continue;
            if (FAILED(hr)) return hr;
            HeldConnectionInformation information;
            if (hr = services.p->GetConnectionInformation(&information.r); FAILED(hr)) return hr;

            auto entry = std::make_unique<VaultEntry>();
            entry->mpoSystemRights = MakeRightsArray(static_cast<ULONG>(information.r.mlSystemRights));
            entry->moViewPath = std::exchange(information.r.moViewPath, nullptr);
            entry->mlUserID = information.r.mlUserID;
            entry->moViewGUID = information.r.moViewGUID;
            entry->moVaultGUID = information.r.moVaultGUID;
            entry->mulParentWnd = mpoTavroskAPI->mulGetParentWnd();
            entry->mpoConnection = connection.p;
            connection.p->AddRef();
            found = moVaults.emplace(connection.p, std::move(entry)).first;
        }
        VARIANT copy;
        VariantInit(&copy);
        if (HRESULT hr = VariantCopy(&copy, &element); FAILED(hr)) return hr;
        found->second->moItems.push_back(copy);
    }
    mlVaultsBuilt = 1;
    return S_OK;
}

HRESULT CItmManager::mhMakeXRefRoots(const VaultEntry& entry, SAFEARRAY** roots) {
    *roots = nullptr;
    if (entry.moItems.empty()) return E_OXN_NOT_INITIALIZED;
    RecordArray<XRefRootObject> records;
    records.mvCreate(static_cast<ULONG>(entry.moItems.size()), kXRefLibrary, 1, 0);
    XRefRootObject* root = records.mpoBegin();
    for (const VARIANT& element : entry.moItems) {
        Held<IItmObject> item;
        item.p = ItemOf(element);
        if (!item.p) return E_OXN_NULL_VALUE;  // the array goes with `records`
        FillRoot(*item.p, *root++);
    }
    records.mvHandOut(roots);
    return S_OK;
}

HRESULT CItmManager::GetNextVault(ItmVaultInfo* poConnectionInfo, SAFEARRAY** ppoItems, VARIANT_BOOL* pbMore) {
    return com::Boundary([&]() -> HRESULT {
        if (!pbMore || !poConnectionInfo || !ppoItems) return E_OXN_NULL_VALUE;
        // Every answer without a vault leaves the information zeroed and no
        // array; the cursor never moves past the end of the map.
        std::memset(poConnectionInfo, 0, sizeof(*poConnectionInfo));
        *ppoItems = nullptr;
        *pbMore = VARIANT_FALSE;

        LONG lower = 0, upper = -1;
        if (mpoItems) {
            if (HRESULT hr = SafeArrayGetLBound(mpoItems, 1, &lower); FAILED(hr)) return hr;
            if (HRESULT hr = SafeArrayGetUBound(mpoItems, 1, &upper); FAILED(hr)) return hr;
        }
        if (upper < lower) return S_OK;

        if (!mlVaultsBuilt) {
            // A new entry takes the client back end's parent window.
            if (!mpoClient()) return E_OXN_NOT_INITIALIZED;
            if (HRESULT hr = mhBuildVaultMap(); FAILED(hr)) {
                mvForgetVaults();
                return hr;
            }
            moCursor = moVaults.begin();
        } else if (moCursor != moVaults.end()) {
            ++moCursor;
        }
        if (moCursor == moVaults.end()) return S_OK;

        const VaultEntry& entry = *moCursor->second;
        SAFEARRAY* roots = nullptr;
        if (HRESULT hr = mhMakeXRefRoots(entry, &roots); FAILED(hr)) return hr;
        SAFEARRAY* rights = nullptr;
        if (entry.mpoSystemRights) {
            if (HRESULT hr = SafeArrayCopy(entry.mpoSystemRights, &rights); FAILED(hr)) {
                SafeArrayDestroy(roots);
                return hr;
            }
        }
        BSTR viewPath = nullptr;
        if (entry.moViewPath) {
            viewPath = SysAllocStringLen(entry.moViewPath, SysStringLen(entry.moViewPath));
            if (!viewPath) {
                if (rights) SafeArrayDestroy(rights);
                SafeArrayDestroy(roots);
                return E_OUTOFMEMORY;
            }
        }
        entry.mpoConnection->AddRef();
        poConnectionInfo->mpoConnectionPtr = entry.mpoConnection;
        poConnectionInfo->mlUserID = entry.mlUserID;
        poConnectionInfo->moViewPath = viewPath;
        poConnectionInfo->moViewGUID = entry.moViewGUID;
        poConnectionInfo->moVaultGUID = entry.moVaultGUID;
        poConnectionInfo->mulParentWnd = entry.mulParentWnd;
        poConnectionInfo->poUserSystemRights = rights;
        *ppoItems = roots;
        *pbMore = VARIANT_TRUE;
        return S_OK;
    });
}

HRESULT CItmManager::GetVaultCount(LONG* poVaultlCount) {
    if (!poVaultlCount) return E_POINTER;
    *poVaultlCount = static_cast<LONG>(moVaults.size());
    return S_OK;
}
