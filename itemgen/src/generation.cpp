// The tree handler's engine: the reference dialog, the generation of the
// checked rows' items through the stored-procedure layer, the counter ids
// reserved for new item names, the check of the item names before OK, and
// the "open generated items" option.
#include "generated_items.h"
#include "item_errors.h"
#include "xref_tree_handler.h"

#include "castavy/ids.h"
#include "castavy/interfaces.h"
#include "com/owned_safearray.h"
#include "com/ccom_bstr.h"
#include "com/error_info.h"
#include "com/method_boundary.h"
#include "com/runtime.h"
#include "com/safearray.h"
#include "com/task_memory.h"
#include "common/com_errors.h"
#include "common/error_codes.h"
#include "common/record_array.h"
#include "coravent/ids.h"
#include "hastrel/interfaces.h"
#include "hastrel/records.h"
#include "vennacle/auto_lst.h"
#include "vennacle/item_db_data.h"
#include "vennacle/sp_items.h"
#include "vennacle/xref_item_data.h"
#include "winapi/registry.h"

#include <map>
#include <set>
#include <utility>

namespace coravent {

using namespace HastrelLib;
using CASTAVYLib::CastavyCol_CreateItem;
using CASTAVYLib::CastavyCol_ExistingItem;
using CASTAVYLib::CastavyCol_Link;

namespace {

constexpr DWORD kAnyContext = 23;

// The dialog flag word's bits for the two ShowDlg flags.
constexpr LONG kOpenCheckboxBit = CASTAVYLib::kFlagOpenCheckbox;
constexpr LONG kChangeFolderBits = CASTAVYLib::kFlagDestinationFolder | CASTAVYLib::kFlagMayChangeFolder;

// A node record of the tree, freed with its strings.
struct NodeRecordFree {
    void operator()(XRefNodeRecord* record) const noexcept {
        SysFreeString(record->mbsItemName);
        SysFreeString(record->mbsConfiguration);
        CoTaskMemFree(record);
    }
};
using NodeRecordPtr = std::unique_ptr<XRefNodeRecord, NodeRecordFree>;

}  // namespace

HRESULT CXRefTreeHandler::ShowDlg(LONG hParentWnd, LONG lItemDlgFlags, LONG* plDestFolderID) {
    return com::Boundary([&]() -> HRESULT {
        mlDestFolderID = plDestFolderID ? *plDestFolderID : 0;
        mlItemsRootID = 0;
        if (lItemDlgFlags & CoraventLib::Itemdf_ShowOpenCheckbox)
            mlDialogFlags |= kOpenCheckboxBit;
        else
            mlDialogFlags &= ~kOpenCheckboxBit;
        if (lItemDlgFlags & CoraventLib::Itemdf_MayChangeFolder)
            mlDialogFlags |= kChangeFolderBits;
        else
            mlDialogFlags &= ~kChangeFolderBits;

        CComPtr<CASTAVYLib::IFileCastavy> dialog;
        HRESULT hr = CoCreateInstance(CASTAVYLib::CLSID_FileCastavy, nullptr, kAnyContext,
                                      CASTAVYLib::IFileCastavy::kIid, reinterpret_cast<void**>(&dialog));
        if (FAILED(hr)) gvRaiseComError(hr, u"Could not create an instance of IFileCastavy.");
        if (hr = dialog->PutTreeType(CASTAVYLib::kTreeTypeReferences); FAILED(hr))
            gvRaiseComError(hr, u"Could not put tree type.");
        CComBSTR caption(u"ItemGenerator");
        const HRESULT shown = dialog->Show(hParentWnd, static_cast<CASTAVYLib::IFileRefCmd3*>(this), 0,
                                           CASTAVYLib::kDialogWidth, caption);
        if (FAILED(shown)) gvRaiseComError(shown, u"Could not open xref dialog window.");
        CComBSTR text;
        if (SUCCEEDED(dialog->GetText(&text))) moDialogText.Attach(text.Detach());

        if (shown == S_FALSE) {
            if (hr = PushBackCounterIDs(); FAILED(hr)) return hr;
            return E_OXN_CANCELLED_BY_USER;
        }
        if (plDestFolderID) *plDestFolderID = mlDestFolderID;
        return shown;
    });
}

HRESULT CXRefTreeHandler::DoGenerateItemsWithPushBack(LONG lDestFolderID, SAFEARRAY** ppoGeneratedItems,
                                                      VARIANT_BOOL* pbOpenItems) {
    const HRESULT hr = DoGenerateItems(lDestFolderID, ppoGeneratedItems, pbOpenItems);
    // Once the vault has generated the items, their ids are spent and the
    // rest freed by the vault itself (DoGenerateItems marks them so): only a
    // generation that failed before gives ids back here.
    if (FAILED(hr)) PushBackCounterIDs();
    return hr;
}

HRESULT CXRefTreeHandler::DoGenerateItems(LONG lDestFolderID, SAFEARRAY** ppoGeneratedItems,
                                          VARIANT_BOOL* pbOpenItems) {
    if (!mpoSpMgr || !pbOpenItems) return E_POINTER;
    *pbOpenItems = VARIANT_FALSE;
    return com::Boundary([&]() -> HRESULT {
        // The checked rows; a selection of folder items alone has no tree.
        std::vector<CComPtr<IUnknown>> nodes;
        std::vector<SerialNoInfo> serials;
        std::vector<std::u16string> names;
        if (mpoTree)
            moGetSelected(mpoTree, IterateFlag_All, {CastavyCol_CreateItem, CastavyCol_ExistingItem}, nodes, serials,
                          names);
        if (nodes.empty() && moFolderItems.empty()) return S_OK;

        AutoLst<Lst<XRefItemDocData*>> docs;
        for (const CComPtr<IUnknown>& node : nodes) {
            CComPtr<CASTAVYLib::IFileRefItem> item;
            HRESULT hr = node->QueryInterface(CASTAVYLib::IFileRefItem::kIid, reinterpret_cast<void**>(&item));
            if (hr == E_NOINTERFACE) gvRaiseCorruptedItem();
            if (FAILED(hr)) gvRaiseFailedItemCall(hr);
            CComPtr<CASTAVYLib::IFileRefItem> wrapper;
            if (hr = GetItemWrapper(item, &wrapper); FAILED(hr)) return hr;
            CComQIPtr<IXRefItmItem> itmItem(wrapper);
            if (!itmItem) return E_POINTER;
            // The wrapper hands the node interfaces on to the tree item.
            CComQIPtr<IXRefNodeReferences> references(wrapper);
            CComQIPtr<IXRefNode> nodeInterface(wrapper);
            XRefNodeRecord* rawRecord = nullptr;
            if (!references || !nodeInterface || FAILED(itmItem->GetNodeRecord(&rawRecord)) || !rawRecord)
                gvRaiseCorruptedItem();
            NodeRecordPtr record(rawRecord);
            com::OwnedSafeArray elements;
            if (record->mlHasReferences == 1) {
                SAFEARRAY* array = nullptr;
                if (FAILED(references->GetReferences(&array))) gvRaiseCorruptedItem();
                elements.reset(array);
            }
            if (hr = AddNodeDocs(nodeInterface, *record, elements.get(), docs); FAILED(hr)) return hr;
        }
        if (HRESULT hr = AddFolderItemDocs(docs); FAILED(hr)) return hr;
        if (HRESULT hr = AttachVarData(docs); FAILED(hr)) return hr;

        // Every id this operation holds goes with the call: the vault spends
        // those the new items take and frees the others in the same
        // transaction, so none stays reserved and none is freed twice.
        // Ids of a tree whose ids went back already are no longer this
        // operation's: another user may hold them now.
        std::map<LONG, SerialNoInfo> held;
        if (!mbTreeIdsReturned) {
            for (const SerialNoInfo& serial : serials)
                if (serial.mlCounterID != 0) held.emplace(serial.mlCounterID, serial);
            std::vector<SerialNoInfo> reserved;
            if (HRESULT hr = CollectSerialNoInfo(reserved); FAILED(hr)) return hr;
            for (const SerialNoInfo& serial : reserved)
                if (serial.mlCounterID != 0) held.emplace(serial.mlCounterID, serial);
        }
        for (const auto& [id, serial] : moNewIds) held.emplace(id, serial);
        std::vector<SerialNoInfo> given;
        for (const auto& [id, serial] : held) given.push_back(serial);

        SpItems* spItems = mpoSpMgr->mpoGetItems();
        if (!spItems) return E_POINTER;
        AutoLst<Lst<ItemDbData*>> generated;
        const HRESULT generatedHr =
            spItems->mhGenerateItems(docs, lDestFolderID, mlUserID, moViewID, moRootPath.m_str ? moRootPath.m_str : u"",
                                     moComputerName.m_str ? moComputerName.m_str : u"", &generated, 1,
                                     static_cast<LONG>(given.size()), given.empty() ? nullptr : given.data());
        if (FAILED(generatedHr)) return generatedHr;
        // The items exist: the ids handed in are spent or free again.
        if (mpoTree) mbTreeIdsReturned = true;
        moNewIds.clear();
        moFolderItems.clear();
        moVarData.clear();
        if (generated.IsEmpty()) return S_OK;

        // The cache is a copy of the vault: a failed write leaves the
        // explorer to read the new items from the vault, and must not pass
        // for a failed generation (nor leave its error info behind for a
        // later failure to be taken for).
        if (FAILED(AddGeneratedItemsToCache(generated))) SetErrorInfo(0, nullptr);

        if (ppoGeneratedItems) {
            RecordArray<BellquistLib::ItmObjectData> records;
            records.mvCreate(static_cast<ULONG>(generated.GetCount()), CoraventLib::LIBID_CoraventLib,
                             CoraventLib::kLibraryMajorVersion, CoraventLib::kLibraryMinorVersion);
            BellquistLib::ItmObjectData* record = records.mpoBegin();
            for (POSITION at = generated.GetHeadPosition(); at; ++record)
                gvMakeObjectData(*generated.GetNext(at), *record);
            records.mvHandOut(ppoGeneratedItems);
        }

        LONG open = 1;
        OpenGeneratedItemsOption(open, false);
        *pbOpenItems = open != 0 ? VARIANT_TRUE : VARIANT_FALSE;
        return S_OK;
    });
}

HRESULT CXRefTreeHandler::CollectSerialNoInfo(std::vector<SerialNoInfo>& oSerials) {
    if (!mpoTree || meTreeCreationType != CoraventLib::TreeCreationType_ItemGeneration) return S_OK;
    return com::Boundary([&]() -> HRESULT {
        CComQIPtr<IXRefTreeSerials> tree(mpoTree);
        if (!tree) return E_NOTIMPL;
        SAFEARRAY* array = nullptr;
        if (HRESULT hr = tree->GetReservedSerials(&array); FAILED(hr)) return hr;
        com::OwnedSafeArray owned(array);
        if (!owned) return S_OK;
        RecordArray<SerialNoInfo> serials(owned.get());
        oSerials.insert(oSerials.end(), serials.mpoBegin(), serials.mpoEnd());
        return S_OK;
    });
}

HRESULT CXRefTreeHandler::PushBackCounterIDs() {
    return com::Boundary([&]() -> HRESULT {
        std::vector<SerialNoInfo> serials;
        const bool treeIds = mpoTree && !mbTreeIdsReturned;
        if (treeIds) {
            if (HRESULT hr = CollectSerialNoInfo(serials); FAILED(hr)) return hr;
        }
        for (const auto& [id, serial] : moNewIds) serials.push_back(serial);
        if (serials.empty()) {
            mbTreeIdsReturned = mbTreeIdsReturned || treeIds;
            return S_OK;
        }
        if (!mpoSpMgr) return E_POINTER;
        SpItems* spItems = mpoSpMgr->mpoGetItems();
        if (!spItems) return E_POINTER;
        if (HRESULT hr = spItems->mhPushBackCounterIDs(static_cast<LONG>(serials.size()), serials.data()); FAILED(hr))
            return hr;
        // Given back once: another user may reserve them from now on.
        if (treeIds) mbTreeIdsReturned = true;
        moNewIds.clear();
        return S_OK;
    });
}

HRESULT CXRefTreeHandler::CheckItemNames() {
    // Folder items alone have no tree, and no rows to check.
    if (!mpoTree) return S_OK;
    return com::Boundary([&]() -> HRESULT {
        std::vector<CComPtr<IUnknown>> nodes;
        std::vector<SerialNoInfo> serials;
        std::vector<std::u16string> names;
        moGetSelected(mpoTree, IterateFlag_All, {CastavyCol_CreateItem, CastavyCol_ExistingItem}, nodes, serials,
                      names);
        // Whether a checked row of the name links its file (column 35 on).
        std::map<std::u16string, bool> linking;
        for (const CComPtr<IUnknown>& node : nodes) {
            CComQIPtr<CASTAVYLib::IEditableFileRefItem> editable(node);
            if (!editable) return E_POINTER;
            CComBSTR name;
            if (HRESULT hr = editable->GetValue(CASTAVYLib::kValueItemName, &name); FAILED(hr)) return hr;
            if (name.Length() == 0) return 40;
            CComQIPtr<IXRefColumns> columns(node);
            if (!columns) gvRaiseCorruptedItem();
            VARIANT_BOOL links = VARIANT_FALSE;
            if (HRESULT hr = columns->GetChecked(CastavyCol_Link, &links); FAILED(hr)) gvRaiseFailedItemCall(hr);
            const bool linksFile = links == VARIANT_TRUE;
            auto [entry, added] = linking.try_emplace(std::u16string(com::BstrView(name)), linksFile);
            if (added) continue;
            if (entry->second && linksFile) return 42;
            entry->second = entry->second || linksFile;
        }
        return S_OK;
    });
}

HRESULT CXRefTreeHandler::OpenGeneratedItemsOption(LONG& lValue, bool bWrite) {
    HKEY key = nullptr;
    if (bWrite) {
        if (RegCreateKeyExW(HKEY_CURRENT_USER, kCoraventKey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_READ | KEY_WRITE,
                            nullptr, &key, nullptr) != ERROR_SUCCESS) {
            lValue = 1;
            return S_OK;
        }
        const DWORD value = static_cast<DWORD>(lValue);
        RegSetValueExW(key, kOpenGeneratedItemsValue, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                       sizeof value);
        RegCloseKey(key);
        return S_OK;
    }
    lValue = 1;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kCoraventKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return S_OK;
    DWORD value = 0, type = 0, size = sizeof value;
    if (RegQueryValueExW(key, kOpenGeneratedItemsValue, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) ==
            ERROR_SUCCESS &&
        type == REG_DWORD && size == sizeof value)
        lValue = static_cast<LONG>(value);
    RegCloseKey(key);
    return S_OK;
}

}  // namespace coravent
