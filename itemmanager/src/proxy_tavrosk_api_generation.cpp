// The client back end's calls into the item generation server: items
// generated from files or file paths into a destination item folder, and
// files chosen in the server's reference dialog and linked to an item. One
// ItemOperation object serves each call; its dialogs are modal and run
// inside the call on the caller's thread.

#include "proxy_tavrosk_api.h"

#include "bellquist/item_interfaces.h"  // before the conversions, which hold item objects
#include "client_merge_back_end.h"
#include "fetch_arrays.h"
#include "item_list.h"
#include "proxy_oxn_interface.h"
#include "record_conversions.h"
#include "running_object.h"
#include "itemstore/item_cache_file.h"
#include "itemstore/merge.h"

#include "bellquist/enums.h"
#include "bellquist/manager_interfaces.h"
#include "com/bstr.h"
#include "com/bstr_t.h"
#include "com/ccom_ptr.h"
#include "com/com_error.h"
#include "com/error_info.h"
#include "com/method_boundary.h"
#include "com/safearray.h"
#include "com/variant.h"
#include "common/error_catalogue.h"
#include "common/error_codes.h"
#include "common/record_array.h"
#include "coravent/ids.h"
#include "coravent/interfaces.h"
#include "coravent/records.h"
#include "tavrosk/client_interfaces.h"
#include "tesspur/tesspur.h"
#include "ui/message_box.h"

#include <cstdint>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

using namespace BellquistLib;
using CoraventLib::IItemOperation;
using CoraventLib::ItemData;

namespace {

// The caption of the message that a failed check-out of the item shows.
constexpr int kAddFilesCaptionId = 22;
constexpr WCHAR kAddFilesCaptionCategory[] = u"TS";
constexpr WCHAR kAddFilesCaptionSection[] = u"Halvaran";
constexpr WCHAR kAddFilesCaptionDefault[] = u"Add Files to Item";

// One item operation of the generation server, created and put into its
// running state for one call of the back end. A failing call raises a COM
// error carrying the error info the operation left for its interface.
class CItemOperationCalls {
public:
    CItemOperationCalls() = default;
    // The creation's HRESULT; the operation stays null on failure.
    HRESULT mhCreate() { return ghCreateRunning(CoraventLib::CLSID_ItemOperation, &mpoOperation); }

    IItemOperation* operator->() const noexcept { return mpoOperation.GetInterfacePtr(); }
    HRESULT mhChecked(HRESULT hr) const {
        if (FAILED(hr)) _com_issue_errorex(hr, mpoOperation.GetInterfacePtr(), IItemOperation::kIid);
        return hr;
    }

private:
    CComPtr<IItemOperation> mpoOperation;
};

// The start of an operation for this session: the stored-procedure manager
// (borrowed; the operation takes its own reference), the view, the user;
// system rights 0. The strings stay the caller's.
CoraventLib::InitData StartRecord(const CProxyTavroskAPI& backEnd, CoraventLib::TreeCreationType type, LONG flags,
                                  BSTR rootPath, BSTR computerName) {
    CoraventLib::InitData data{};
    data.mpoSpMgr = reinterpret_cast<uintptr_t>(backEnd.mpoGetSpMgr());
    static_assert(sizeof(data.moViewID) == sizeof(GUID));
    std::memcpy(&data.moViewID, &backEnd.moGetViewGUID(), sizeof(GUID));
    data.mlUserID = backEnd.mlGetUserID();
    data.mlSystemRights = 0;
    data.meTreeCreationType = type;
    data.mlCreationFlags = flags;
    data.moRootPath = rootPath;
    data.moComputerName = computerName;
    return data;
}

LONG CountOf(SAFEARRAY* array) {
    if (!array) return 0;
    return static_cast<LONG>(array->rgsabound[0].cElements);
}

// The item objects made for chosen files, destroyed with their holder unless
// handed out.
class ObjectArray {
public:
    ~ObjectArray() { SafeArrayDestroy(mpoArray); }
    // A VARIANT array of the objects (VT_DISPATCH, in order) that knows its
    // elements' interface. E_OUTOFMEMORY when it cannot be made.
    HRESULT mhMake(const std::vector<CComPtr<IItmObject>>& objects) {
        mpoArray = SafeArrayCreateVectorEx(VT_VARIANT, 0, static_cast<ULONG>(objects.size()),
                                           const_cast<IID*>(&IItmObject::kIid));
        if (!mpoArray) return E_OUTOFMEMORY;
        VARIANT* elements = nullptr;
        if (HRESULT hr = SafeArrayAccessData(mpoArray, reinterpret_cast<void**>(&elements)); FAILED(hr)) return hr;
        for (size_t i = 0; i < objects.size(); ++i) {
            IItmObject* object = objects[i].GetInterfacePtr();
            object->AddRef();
            elements[i].vt = VT_DISPATCH;
            elements[i].pdispVal = object;
        }
        return SafeArrayUnaccessData(mpoArray);
    }
    SAFEARRAY* get() const noexcept { return mpoArray; }
    SAFEARRAY* mpoRelease() noexcept { return std::exchange(mpoArray, nullptr); }

private:
    SAFEARRAY* mpoArray = nullptr;
};

// The generation over `selection`, then the selection destroyed: a failure
// to destroy it is returned, else the generation's result (a failure the
// generation raised included).
HRESULT GenerateAndDestroy(CProxyTavroskAPI& backEnd, com::OwnedSafeArray selection, IItmObject* destination,
                           SAFEARRAY** items) {
    const HRESULT hr = com::Boundary(
        [&] { return backEnd.mhGenerateItems(selection.get(), CComPtr<IItmObject>(destination), items); });
    if (HRESULT destroyed = SafeArrayDestroy(selection.release()); FAILED(destroyed)) return destroyed;
    return hr;
}

}  // namespace

HRESULT CProxyTavroskAPI::mhResolveFilePaths(SAFEARRAY* paths, SAFEARRAY** selection, LONG* itemType) {
    *selection = nullptr;
    *itemType = ItmObjectType_Undefined;
    CComPtr<TavroskClientLib::ITavroskFileInfo> fileInfo;
    if (!mpoClient) return E_OXN_NULL_VALUE;
    HRESULT hr =
        mpoClient->QueryInterface(TavroskClientLib::ITavroskFileInfo::kIid, reinterpret_cast<void**>(&fileInfo));
    if (hr == E_NOINTERFACE || (SUCCEEDED(hr) && !fileInfo)) return E_OXN_NULL_VALUE;
    if (FAILED(hr)) _com_issue_errorex(hr, mpoClient, TavroskClientLib::ITavroskFileInfo::kIid);

    const OLECHAR* viewPath = moViewPath;
    SAFEARRAY* converted = nullptr;
    if (!gbPathsToItmDbInfo(paths, viewPath ? std::u16string_view(viewPath, moViewPath.length()) : u"", &converted))
        return E_INVALIDARG;
    // The library fills the records in place; it may hand back another array.
    hr = fileInfo->ResolvePaths(&converted);
    com::OwnedSafeArray infos(converted);
    if (FAILED(hr)) return hr;

    RecordArray<ItmDbInfo> records(infos.get());
    const ItmDbInfo* const begin = records.mpoBegin();
    const ItmDbInfo* const end = records.mpoEnd();
    const LONG common = begin != end ? begin->meItemType : ItmObjectType_Undefined;
    for (const ItmDbInfo* info = begin; info != end; ++info)
        if (info->meItemType != common) return E_OXN_INVALID_TYPE;

    RecordArray<ItemData> items;
    items.mvCreate(static_cast<ULONG>(end - begin), CoraventLib::LIBID_CoraventLib, CoraventLib::kLibraryMajorVersion,
                   CoraventLib::kLibraryMinorVersion);
    ItemData* item = items.mpoBegin();
    for (const ItmDbInfo* info = begin; info != end; ++info, ++item) {
        item->mbsItemName = SysAllocString(u"");
        if (!item->mbsItemName) return E_OUTOFMEMORY;
        item->mlDocumentID = info->mlDocumentID;
        item->mlProjectID = info->mlProjectID;
        item->mlItemFolderID = 0;
    }
    items.mvHandOut(selection);
    *itemType = common;
    return S_OK;
}

HRESULT CProxyTavroskAPI::mhGenerateItems(SAFEARRAY* selection, CComPtr<IItmObject> destination, SAFEARRAY** items) {
    *items = nullptr;
    CItemOperationCalls operation;
    if (HRESULT hr = operation.mhCreate(); FAILED(hr)) return hr;

    {
        _bstr_t rootPath(moViewPath.copy(), false);
        _bstr_t computerName(moComputerName.copy(), false);
        operation.mhChecked(operation->Init(
            StartRecord(*this, CoraventLib::TreeCreationType_ItemGeneration, 0, rootPath, computerName)));
    }
    operation.mhChecked(operation->AddSelection(selection));

    VARIANT_BOOL notEmpty = VARIANT_FALSE;
    operation.mhChecked(operation->InitTreeDlg(mulParentWnd, &notEmpty));
    if (notEmpty == VARIANT_FALSE) return S_OK;
    // The dialog's choice of folder is not used: the items go into the
    // caller's folder.
    LONG chosenFolder = 0;
    VARIANT_BOOL accepted = VARIANT_FALSE;
    operation.mhChecked(operation->ShowDlg(mulParentWnd, CoraventLib::Itemdf_Nothing, &chosenFolder, &accepted));
    if (accepted == VARIANT_FALSE) return S_OK;

    LONG destinationId = 0;
    if (HRESULT hr = destination->get_ID(&destinationId); FAILED(hr)) return hr;
    SAFEARRAY* generated = nullptr;
    VARIANT_BOOL openItems = VARIANT_FALSE;
    HRESULT hr = operation->DoGenerateItems(destinationId, &generated, &openItems);
    com::OwnedSafeArray records(generated);
    operation.mhChecked(hr);
    if (CountOf(records.get()) == 0) return S_OK;

    // No lock: the merge writes nothing into the cache (the generation
    // server has cached the new items) and keeps no folder objects.
    CClientMergeBackEnd mergeBackEnd(*this);
    MergeNs::CMerge merge(nullptr, records.get(), 0, moViewGUID, &mergeBackEnd, nullptr);
    if (hr = merge.mhMerge(0); FAILED(hr)) return hr;
    return merge.mhGetResults(items);
}

HRESULT CProxyTavroskAPI::mhAddFilesToItem(SAFEARRAY* paths, CComPtr<IItmLinkManager> links, SAFEARRAY** records) {
    CItemOperationCalls operation;
    if (HRESULT hr = operation.mhCreate(); FAILED(hr)) return hr;

    VARIANT_BOOL dynamic = VARIANT_FALSE;
    if (HRESULT hr = links->HasDynamicLink(&dynamic); FAILED(hr)) return hr;
    const LONG flags = dynamic == VARIANT_TRUE
                           ? CoraventLib::CreationFlags_Undifiend | CoraventLib::CreationFlags_HasDynamicLink
                           : CoraventLib::CreationFlags_Undifiend;
    operation.mhChecked(
        operation->Init(StartRecord(*this, CoraventLib::TreeCreationType_RetrieveFiles, flags, nullptr, nullptr)));

    SAFEARRAY* resolved = nullptr;
    LONG itemType = 0;
    if (HRESULT hr = mhResolveFilePaths(paths, &resolved, &itemType); FAILED(hr)) return hr;
    com::OwnedSafeArray selection(resolved);
    operation.mhChecked(operation->AddSelection(selection.get()));

    SAFEARRAY* linked = nullptr;
    HRESULT hr = links->GetLinks(LinkType_All, &linked);
    com::OwnedSafeArray currentLinks(linked);
    if (FAILED(hr)) return hr;

    VARIANT_BOOL notEmpty = VARIANT_FALSE;
    operation.mhChecked(operation->InitTreeDlg2(mulParentWnd, currentLinks.get(), &notEmpty));
    if (notEmpty == VARIANT_FALSE) return S_FALSE;
    if (itemType == ItmObjectType_Item) {
        // Items are chosen from their tree without the dialog's answer.
        VARIANT_BOOL unused = VARIANT_FALSE;
        operation.mhChecked(operation->CreateTree(mulParentWnd, &unused));
    } else {
        LONG folder = 0;
        VARIANT_BOOL accepted = VARIANT_FALSE;
        operation.mhChecked(operation->ShowDlg(mulParentWnd, CoraventLib::Itemdf_Nothing, &folder, &accepted));
        if (accepted == VARIANT_FALSE) return S_FALSE;
    }
    // Nothing checked leaves *records as it is.
    operation.mhChecked(operation->GetSelection(records));
    return S_OK;
}

HRESULT CProxyTavroskAPI::GenerateItemFromFile(SAFEARRAY* files, IItmObject* destination, SAFEARRAY** items) {
    if (!files || !destination || !items) return E_POINTER;
    *items = nullptr;
    return com::Boundary([&]() -> HRESULT {
        SAFEARRAY* converted = nullptr;
        if (HRESULT hr = ghFileObjectsToItemData(files, &converted); FAILED(hr)) return hr;
        if (!converted) return E_OXN_NULL_VALUE;
        return GenerateAndDestroy(*this, com::OwnedSafeArray(converted), destination, items);
    });
}

HRESULT CProxyTavroskAPI::GenerateItemFromFilePath(SAFEARRAY* paths, IItmObject* destination, SAFEARRAY** items) {
    if (!paths || !destination || !items) return E_POINTER;
    *items = nullptr;
    return com::Boundary([&]() -> HRESULT {
        SAFEARRAY* selection = nullptr;
        LONG itemType = 0;
        if (HRESULT hr = mhResolveFilePaths(paths, &selection, &itemType); FAILED(hr)) return hr;
        return GenerateAndDestroy(*this, com::OwnedSafeArray(selection), destination, items);
    });
}

HRESULT CProxyTavroskAPI::LinkFileFromFilePath(SAFEARRAY* paths, IItmObject** parent, SAFEARRAY** items,
                                               IItmManager* manager) {
    if (!paths || !parent || !*parent || !items || !mpoClient) return E_OXN_NULL_VALUE;
    *items = nullptr;
    return com::Boundary([&]() -> HRESULT {
        IItmObject* item = *parent;
        ItmObjectType type = ItmObjectType_Undefined;
        LONG id = 0;
        if (HRESULT hr = item->get_Type(&type); FAILED(hr)) return hr;
        if (HRESULT hr = item->get_ID(&id); FAILED(hr)) return hr;
        if (type != ItmObjectType_Item) return E_ITEM_INVALID_TARGET;

        SAFEARRAY* copied = nullptr;
        if (HRESULT hr = SafeArrayCopy(paths, &copied); FAILED(hr)) return hr;
        com::OwnedSafeArray pathsCopy(copied);
        if (ItemList(pathsCopy.get()).mlCount() == 0) return S_OK;

        CComPtr<IItmLinkManager> links;
        if (HRESULT hr = item->get_LinkManager(&links); FAILED(hr)) return hr;
        if (!links) return E_OXN_NULL_VALUE;
        SAFEARRAY* chosen = nullptr;
        HRESULT hr = mhAddFilesToItem(pathsCopy.get(), links, &chosen);
        com::OwnedSafeArray records(chosen);
        if (FAILED(hr)) return hr;
        // A cancelled dialog, or nothing chosen: nothing to link.
        if (CountOf(records.get()) == 0) return S_OK;

        // The item is checked out before it changes.
        if (!mpoOxnInterface) return E_POINTER;
        {
            ObjectArray one;
            if (HRESULT made = one.mhMake({CComPtr<IItmObject>(item)}); FAILED(made)) return made;
            if (HRESULT checkedOut = mpoOxnInterface->CheckOut(one.get(), VARIANT_TRUE, manager); FAILED(checkedOut)) {
                const std::u16string text = ErrorText(checkedOut);
                MessageBoxW(reinterpret_cast<HWND>(static_cast<uintptr_t>(mulParentWnd)), text.c_str(),
                            TSS_internal(kAddFilesCaptionId, kAddFilesCaptionCategory, kAddFilesCaptionSection,
                                         kAddFilesCaptionDefault),
                            MB_ICONWARNING);
                return checkedOut;
            }
        }
        if (HRESULT checked = ghCheckNewLinks(records.get(), item); FAILED(checked)) return checked;

        // Records of kinds that make no object (none, folders of files,
        // cut lists, "all") are left out rather than linked as empty
        // elements.
        std::vector<CComPtr<IItmObject>> created;
        RecordArray<ItmObjectData> list(records.get());
        for (ItmObjectData* record = list.mpoBegin(); record != list.mpoEnd(); ++record) {
            record->mlParentObjectID = id;
            record->meParentDocType = type;
            CComPtr<IItmObject> object;
            if (HRESULT made = mhCreateItmObject(record, &object, mpoCacheFile, item, nullptr); FAILED(made))
                return made;
            if (object) created.push_back(object);
        }
        ObjectArray objects;
        if (HRESULT made = objects.mhMake(created); FAILED(made)) return made;
        if (HRESULT added = links->AddLinks2(objects.get(), LinkOp_New); FAILED(added)) return added;
        *items = objects.mpoRelease();
        return S_OK;
    });
}
