// The tree handler's set-up, its end, and the callbacks of the reference
// dialog: columns, commands, rows, options, captions, the tree rebuild,
// check states, the destination folder, the item list and the context
// entry "Generate new ID".
#include "xref_tree_handler.h"

#include "dest_folder.h"
#include "destination_path.h"

#include "castavy/ids.h"
#include "com/ccom_variant.h"
#include "com/hresults.h"
#include "com/method_boundary.h"
#include "com/safearray.h"
#include "com/owned_safearray.h"
#include "common/com_errors.h"
#include "common/error_catalogue.h"
#include "common/error_codes.h"
#include "common/record_array.h"
#include "hastrel/interfaces.h"
#include "com/error_info.h"
#include "ui/window_value.h"
#include "tesspur/str_wnd.h"
#include "tesspur/tesspur.h"
#include "ui/menus.h"
#include "ui/message_box.h"
#include "ui/window_functions.h"
#include "vennacle/sp_items.h"
#include "vennacle/sp_project.h"
#include "vennacle/xref_item_data.h"
#include "winapi/text.h"
#include "winapi/wide_format.h"

#include <bit>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>

namespace coravent {

using namespace CoraventLib;
using namespace CASTAVYLib;

namespace {

// A VARIANT's value as text: a BSTR as it is, anything else changed to one.
// Raises the failure of the change.
std::u16string VariantText(const VARIANT& value) {
    if (value.vt == VT_BSTR) return std::u16string(com::BstrView(value.bstrVal));
    CComVariant text;
    if (HRESULT hr = text.ChangeType(VT_BSTR, &value); FAILED(hr))
        gvRaiseFailedCall(hr, u"The value cannot be read as text.");
    return std::u16string(com::BstrView(text.bstrVal));
}

// The window a VARIANT carries (any integer type), 0 when it carries none.
ULONGLONG VariantWindow(const VARIANT* window) {
    if (!window) return 0;
    CComVariant value;
    if (FAILED(value.ChangeType(VT_I8, window))) return 0;
    return static_cast<ULONGLONG>(value.llVal);
}

// A message box owned by `owner` when it is a window, else by none (a
// window the dialog named that is gone must not swallow the message).
void ShowError(ULONGLONG owner, const std::u16string& text) {
    HWND window = reinterpret_cast<HWND>(static_cast<uintptr_t>(owner));
    if (window && !IsWindow(window)) window = nullptr;
    MessageBoxW(window, text.c_str(), TSS_internal(30, u"TS", u"Halvaran", u"Select Destination Folder"), MB_ICONERROR);
}

// The tree option word of a rebuild in `mode`.
LONG TreeOptionWord(TreeCreationType type, LONG mode) {
    LONG word = type == TreeCreationType_ItemGeneration ? 0x101 : 0;
    if (mode == 1 || mode == 2) word |= 0x2;
    word |= (mode == 2 || mode == 3) ? 0x200 : 0x1;
    if (type == TreeCreationType_ItemGeneration) word |= 0x1000;
    return word;
}

}  // namespace

void XRefItemVarListDelete::operator()(std::vector<XRefItemVarData*>* list) const noexcept {
    if (!list) return;
    for (XRefItemVarData* var : *list) delete var;
    delete list;
}

bool VarDataKeyLess::operator()(const VarDataKey& left, const VarDataKey& right) const {
    if (left.mlDocumentID != right.mlDocumentID) return left.mlDocumentID < right.mlDocumentID;
    return winapi::CompareIgnoreCase(left.moConfigName, right.moConfigName) < 0;
}

CXRefTreeHandler::CXRefTreeHandler() = default;
CXRefTreeHandler::~CXRefTreeHandler() = default;

void CXRefTreeHandler::FinalRelease() {
    // Ids reserved for an operation that ends without generating (its
    // dialog failed, or nobody generated after OK) go back to the vault;
    // spent and returned ones are not held any more.
    if (FAILED(PushBackCounterIDs())) SetErrorInfo(0, nullptr);
    moFolderItems.clear();
    moVarData.clear();
    for (HastrelLib::SelectionEntry& entry : moSelection) {
        SysFreeString(entry.mbsConfiguration);
        SysFreeString(entry.mbsItemName);
        VariantClear(&entry.moReserved);
    }
    moSelection.clear();
    if (mpoColumnsOne) SafeArrayDestroy(mpoColumnsOne);
    if (mpoColumnsTwo) SafeArrayDestroy(mpoColumnsTwo);
    mpoColumnsOne = mpoColumnsTwo = nullptr;
    moWrappers.clear();
    moNewIds.clear();
    mpoListObject = nullptr;
    mpoTree = nullptr;
    mpoTreeManager = nullptr;
    mpoSpMgr.reset();
}

HRESULT CXRefTreeHandler::Init(const InitData& oData, TreeCreationType eTreeType, IUnknown* poTreeManager) {
    return com::Boundary([&] {
        CComBSTR rootPath(SysStringLen(oData.moRootPath), oData.moRootPath);
        CComBSTR computerName(SysStringLen(oData.moComputerName), oData.moComputerName);
        SpMgr* connection = reinterpret_cast<SpMgr*>(static_cast<uintptr_t>(oData.mpoSpMgr));
        if (connection) connection->AddRef();
        mpoSpMgr.reset(connection);
        mlUserID = oData.mlUserID;
        moViewID = std::bit_cast<GUID>(oData.moViewID);
        moRootPath = std::move(rootPath);
        moComputerName = std::move(computerName);
        meTreeCreationType = eTreeType;
        mpoTreeManager = poTreeManager;
        return S_OK;
    });
}

HRESULT CXRefTreeHandler::SetColumns(SAFEARRAY* poColumnsOne, SAFEARRAY* poColumnsTwo, LONG lDialogFlags) {
    if (!poColumnsOne || !poColumnsTwo) return E_POINTER;
    SAFEARRAY* copied = nullptr;
    if (HRESULT hr = SafeArrayCopy(poColumnsOne, &copied); FAILED(hr)) return hr;
    com::OwnedSafeArray one(copied);
    copied = nullptr;
    if (HRESULT hr = SafeArrayCopy(poColumnsTwo, &copied); FAILED(hr)) return hr;
    com::OwnedSafeArray two(copied);
    if (mpoColumnsOne) SafeArrayDestroy(mpoColumnsOne);
    if (mpoColumnsTwo) SafeArrayDestroy(mpoColumnsTwo);
    mpoColumnsOne = one.release();
    mpoColumnsTwo = two.release();
    mlDialogFlags = lDialogFlags;
    return S_OK;
}

void CXRefTreeHandler::SetDialogOptions(ULONGLONG hParentWnd, LONG lTreeOptions, LONG lTreeFlag) {
    mhParentWnd = hParentWnd;
    mlTreeOptions = lTreeOptions;
    mlTreeFlag = lTreeFlag;
}

HRESULT CXRefTreeHandler::TakeCurrentLinks(SAFEARRAY* poLinks) {
    if (!poLinks) return E_POINTER;
    return com::Boundary([&] {
        RecordArray<ItmLink> links(poLinks);
        moCurrentLinks.insert(moCurrentLinks.end(), links.mpoBegin(), links.mpoEnd());
        return S_OK;
    });
}

// ---- IFileRefCmd3 ----

HRESULT CXRefTreeHandler::GetColumns(SAFEARRAY** ppoFirst, SAFEARRAY** ppoSecond, LONG* plFlags) {
    if (!ppoFirst || !ppoSecond) return E_INVALIDARG;
    if (!plFlags) return E_POINTER;
    *ppoFirst = *ppoSecond = nullptr;
    if (!mpoColumnsOne || !mpoColumnsTwo) return E_FAIL;
    SAFEARRAY* copied = nullptr;
    if (HRESULT hr = SafeArrayCopy(mpoColumnsTwo, &copied); FAILED(hr)) return hr;
    com::OwnedSafeArray first(copied);
    copied = nullptr;
    if (HRESULT hr = SafeArrayCopy(mpoColumnsOne, &copied); FAILED(hr)) return hr;
    *ppoFirst = first.release();
    *ppoSecond = copied;
    *plFlags = mlDialogFlags | kFlagCommandColumns;
    return S_OK;
}

HRESULT CXRefTreeHandler::Command(LONG lWnd, LONG lCommand, VARIANT* pvValue) {
    return com::Boundary([&]() -> HRESULT {
        switch (lCommand) {
        case kCommandCheckBeforeOk:
            return meTreeCreationType == TreeCreationType_ItemGeneration ? CheckItemNames() : S_OK;
        case kCommandHelp: {
            const WCHAR* topic = meTreeCreationType == TreeCreationType_ItemGeneration  ? u"ItemGenerate"
                                 : meTreeCreationType == TreeCreationType_RetrieveFiles ? u"ItemAddFiles"
                                                                                        : nullptr;
            if (topic) StrWnd::mzbShowHelp(nullptr, topic, u"Halvaran", 0);
            return S_OK;
        }
        case kCommandBrowseFolder: {
            std::u16string path;
            if (pvValue) path = VariantText(*pvValue);
            ULONGLONG owner = static_cast<ULONGLONG>(reinterpret_cast<uintptr_t>(ui::WindowFromValue(lWnd)));
            return mbChooseDestFolder(owner, pvValue ? path.c_str() : nullptr) ? S_OK : S_FALSE;
        }
        default:
            return S_OK;
        }
    });
}

HRESULT CXRefTreeHandler::GetRootEnumerator(LONG /*lReserved*/, IUnknown** ppoEnum) {
    if (!ppoEnum) return E_POINTER;
    *ppoEnum = nullptr;
    if (!mpoTree) return S_FALSE;
    HRESULT hr = mpoTree->GetRoots(ppoEnum);
    return FAILED(hr) ? hr : S_OK;
}

HRESULT CXRefTreeHandler::GetRowItem(LONG /*lReserved*/, IUnknown* poElement, IUnknown** ppoRow) {
    if (!ppoRow) return E_POINTER;
    *ppoRow = nullptr;
    if (!poElement) return S_FALSE;
    CComPtr<IFileRefElement> element;
    if (HRESULT hr = poElement->QueryInterface(IFileRefElement::kIid, reinterpret_cast<void**>(&element)); FAILED(hr))
        return hr == E_NOINTERFACE ? E_POINTER : hr;
    if (!element) return E_POINTER;
    LONG has = 0;
    if (HRESULT hr = element->HasItem(&has); FAILED(hr)) return hr;
    if (has == 0) return S_FALSE;
    CComPtr<IUnknown> treeItem;
    if (HRESULT hr = element->GetItem(&treeItem); FAILED(hr)) return hr;
    if (!treeItem) return E_POINTER;
    CComPtr<IFileRefItem> item;
    if (HRESULT hr = treeItem->QueryInterface(IFileRefItem::kIid, reinterpret_cast<void**>(&item)); FAILED(hr))
        return hr;
    CComPtr<IFileRefItem> wrapper;
    if (HRESULT hr = GetItemWrapper(item, &wrapper); FAILED(hr)) return hr;
    if (!wrapper) return E_OUTOFMEMORY;
    *ppoRow = wrapper.Detach();
    return S_OK;
}

HRESULT CXRefTreeHandler::GetOption(LONG /*lReserved1*/, LONG /*lReserved2*/, LONG lOption, LONG* plValue,
                                    LONG* plFlag) {
    if (lOption != kOptionOpenGeneratedItems) return E_NOTIMPL;
    if (!plValue || !plFlag) return E_POINTER;
    // A missing key or value reads as 1; the read never fails the call.
    LONG value = 1;
    if (FAILED(OpenGeneratedItemsOption(value, false))) value = 1;
    *plFlag = 1;
    *plValue = value;
    return S_OK;
}

HRESULT CXRefTreeHandler::ValueChanged(LONG lWnd, IFileRefItem* poRow, LONG lReserved, LONG lColumn, LONG lValue) {
    if (lColumn == kOptionOpenGeneratedItems) {
        // The option is stored whatever the row; a registry that cannot be
        // written does not fail the dialog.
        LONG value = lValue;
        OpenGeneratedItemsOption(value, true);
        return S_OK;
    }
    if (!poRow) return E_POINTER;
    auto set = [&](LONG column, LONG value) { return poRow->SetColumnValue(lWnd, 0, lReserved, column, value); };
    if (lColumn == CastavyCol_AddFile && lValue == 0) {
        if (HRESULT hr = set(CastavyCol_AddFile, 0); FAILED(hr)) return hr;
        if (HRESULT hr = set(CastavyCol_Link, 0); FAILED(hr)) return hr;
        return S_OK;
    }
    if (meTreeCreationType == TreeCreationType_RetrieveFiles && lColumn == CastavyCol_Link && lValue == 1) {
        if (mpoTree) {
            CComQIPtr<HastrelLib::IXRefColumnState> state(mpoTree);
            if (state) {
                if (HRESULT hr = state->SetColumnState(CastavyCol_Link, 4, 5); FAILED(hr)) return hr;
            }
        }
        if (HRESULT hr = set(CastavyCol_Link, 1); FAILED(hr)) return hr;
        if (HRESULT hr = set(CastavyCol_AddFile, 1); FAILED(hr)) return hr;
        return S_OK;
    }
    return S_FALSE;
}

HRESULT CXRefTreeHandler::GetText(LONG lTextId, BSTR* pbsText) {
    if (!pbsText) return E_POINTER;
    const WCHAR* text = u"";
    switch (lTextId) {
    case CastavyText_Title:
        if (meTreeCreationType == TreeCreationType_ItemGeneration)
            text = TSS_internal(28, u"TS", u"Halvaran", u"Generate Item");
        else if (meTreeCreationType == TreeCreationType_RetrieveFiles)
            text = TSS_internal(22, u"TS", u"Halvaran", u"Add Files to Item");
        else
            return S_OK;  // the dialog keeps its own title
        break;
    case CastavyText_CreateHeader:
        text = TSS_internal(149, u"TS", u"Castavy", u"Create");
        break;
    case CastavyText_ExistingHeader:
        text = TSS_internal(151, u"TS", u"Castavy", u"Existing");
        break;
    case CastavyText_OpenCheckbox:
        text = TSS_internal(29, u"TS", u"Halvaran", u"Open Generated Items");
        break;
    case CastavyText_DestinationLabel:
        text = TSS_internal(32, u"TS", u"Halvaran", u"Destination Folder:");
        break;
    case CastavyText_BrowseButton:
        text = u"...";
        break;
    case CastavyText_BrowseTip:
        text = TSS_internal(33, u"TS", u"Halvaran", u"Press this button to browse for a destination folder.");
        break;
    case CastavyText_DestinationTip:
        text = TSS_internal(34, u"TS", u"Halvaran",
                            u"\u00a4Destination Folder\nEnter path to folder where items should be created here.");
        break;
    case CastavyText_OpenCheckboxTip:
        text = TSS_internal(
            31, u"TS", u"Halvaran",
            u"\u00a4Open Generated Items\nPress this button to open the Halvaran with the new items selected.");
        break;
    default:
        break;
    }
    BSTR copy = SysAllocString(text);
    if (!copy) return E_OUTOFMEMORY;
    *pbsText = copy;
    return S_OK;
}

HRESULT CXRefTreeHandler::OnDialogInit() { return S_OK; }
HRESULT CXRefTreeHandler::OnTreeShown() { return S_OK; }
HRESULT CXRefTreeHandler::OnDialogClose() { return S_OK; }

HRESULT CXRefTreeHandler::BuildTree(LONG lMode) {
    return com::Boundary([&]() -> HRESULT {
        moWrappers.clear();
        // The counter ids the old item-generation tree reserved go to the
        // tree manager for the new tree, unless they went back already.
        com::OwnedSafeArray serials;
        if (mpoTree && meTreeCreationType == TreeCreationType_ItemGeneration) {
            CComQIPtr<HastrelLib::IXRefTreeSerials> treeSerials(mpoTree);
            if (!treeSerials) return E_NOTIMPL;
            SAFEARRAY* reserved = nullptr;
            if (HRESULT hr = treeSerials->GetReservedSerials(&reserved); FAILED(hr)) return hr;
            serials.reset(reserved);
            if (mbTreeIdsReturned) serials.reset();
        }
        mpoTree = nullptr;
        mlTreeOptions = TreeOptionWord(meTreeCreationType, lMode);
        bool taken = false;
        HRESULT hr = CreateXRefTree(serials.get(), &taken);
        if (serials && !taken) {
            // Nobody took the old tree's ids: they stay reserved by this
            // handler, so a cancel or a failed generation gives them back.
            RecordArray<SerialNoInfo> ids(serials.get());
            for (const SerialNoInfo* id = ids.mpoBegin(); id != ids.mpoEnd(); ++id)
                if (id->mlCounterID != 0) moNewIds[id->mlCounterID] = *id;
        }
        if (mpoTree) mbTreeIdsReturned = false;
        return hr;
    });
}

HRESULT CXRefTreeHandler::GetRowChecked(IUnknown* poRow, LONG* plChecked) {
    if (!plChecked) return E_POINTER;
    if (!poRow) return E_POINTER;
    CComPtr<HastrelLib::IXRefTreeItem> treeItem;
    if (HRESULT hr = poRow->QueryInterface(HastrelLib::IXRefTreeItem::kIid, reinterpret_cast<void**>(&treeItem));
        FAILED(hr) && hr != E_NOINTERFACE)
        return hr;
    CComQIPtr<HastrelLib::IXRefColumns> columns;
    if (treeItem) columns = treeItem;
    if (!columns) return E_POINTER;
    LONG column = meTreeCreationType == TreeCreationType_ItemGeneration  ? CastavyCol_CreateItem
                  : meTreeCreationType == TreeCreationType_RetrieveFiles ? CastavyCol_AddFile
                                                                         : 0;
    if (column == 0) {
        *plChecked = 0;
        return S_OK;
    }
    VARIANT_BOOL checked = VARIANT_FALSE;
    if (HRESULT hr = columns->GetChecked(column, &checked); FAILED(hr)) return hr;
    *plChecked = checked == VARIANT_TRUE ? 1 : 0;
    return S_OK;
}

// ---- IFileRefItem3: the destination folder ----

HRESULT CXRefTreeHandler::GetProperty(LONG lId, VARIANT* /*pvIn*/, VARIANT* pvOut) {
    if (lId != kPropertyDestinationFolder) return E_INVALIDARG;
    if (!pvOut) return E_POINTER;
    return com::Boundary([&] {
        std::u16string vaultPath;
        SpProject* project = mpoSpMgr ? mpoSpMgr->mpoGetProject() : nullptr;
        if (mlDestFolderID != 0 && project) {
            SpStr path;
            if (SUCCEEDED(project->mhGetProjectPath(mlDestFolderID, &path))) vaultPath = path.View();
        }
        std::u16string text = DestinationFolderPath(com::BstrView(moRootPath), vaultPath);
        BSTR copy = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
        if (!copy) return E_OUTOFMEMORY;
        VariantInit(pvOut);
        pvOut->vt = VT_BSTR;
        pvOut->bstrVal = copy;
        return S_OK;
    });
}

HRESULT CXRefTreeHandler::PutProperty(LONG lId, VARIANT* pvWindow, VARIANT* pvValue) {
    if (lId != kPropertyDestinationFolder || !pvValue) return E_INVALIDARG;
    return com::Boundary([&]() -> HRESULT {
        const std::u16string typed = VariantText(*pvValue);
        const ULONGLONG owner = VariantWindow(pvWindow);
        SpProject* project = mpoSpMgr ? mpoSpMgr->mpoGetProject() : nullptr;
        if (!project) return E_OXN_NOT_INITIALIZED;
        if (mlGetItemsRootID(owner) == 0) return E_FAIL;  // the lookup showed its message
        auto invalid = [&] {
            ShowError(owner, winapi::FormatTexts(u"'%s' is not a valid item folder.", {typed.c_str()}));
            return E_FAIL;
        };
        std::optional<std::u16string> vaultPath = DestinationVaultPath(com::BstrView(moRootPath), typed);
        if (!vaultPath) return invalid();
        LONG folderId = 0;
        if (HRESULT hr = project->mhGetProjectIDFromDbPath(&folderId, vaultPath->c_str()); FAILED(hr)) {
            ShowError(owner, ErrorText(hr));
            return hr;
        }
        if (folderId == 0) return invalid();
        mlDestFolderID = folderId;
        return S_OK;
    });
}

// ---- IItemListCmd ----

HRESULT CXRefTreeHandler::GetItemList(SAFEARRAY** ppoList, LONG /*lReserved*/) {
    if (!ppoList) return E_POINTER;
    *ppoList = nullptr;
    if (!mpoTree) return E_OXN_NOT_INITIALIZED;
    CComQIPtr<HastrelLib::IXRefTreeItems> list(mpoTree);
    if (!list) return E_UNEXPECTED;
    SAFEARRAY* names = nullptr;
    if (HRESULT hr = list->GetItemList(&names); FAILED(hr)) {
        com::OwnedSafeArray dropped(names);
        return hr;
    }
    *ppoList = names;
    return S_OK;
}

// ---- IXRefTreeListCtrlCallback: "Generate new ID" ----

HRESULT CXRefTreeHandler::OnContextMenu(LONG lMenu, IFileRefItemList* poRows) {
    if (!poRows) return E_POINTER;
    LONG count = 0;
    if (HRESULT hr = poRows->GetCount(&count, -1, 0); FAILED(hr)) return hr;
    if (count == 0) return S_OK;
    mpoListObject = poRows;
    HMENU menu = reinterpret_cast<HMENU>(static_cast<uintptr_t>(static_cast<ULONG>(lMenu)));
    InsertMenuW(menu, 0, MF_BYPOSITION | MF_STRING, kGenerateNewIdCommand,
                TSS_internal(1, u"TS", u"Coravent", u"Generate new ID"));
    return S_OK;
}

HRESULT CXRefTreeHandler::OnCommand(LONG lCommand, LONG lColumn, LONG lReserved) {
    if (lCommand != static_cast<LONG>(kGenerateNewIdCommand)) return S_OK;
    // The entry exists only once a list was kept; without one there is
    // nothing to name.
    if (!mpoListObject) return S_OK;
    return com::Boundary([&]() -> HRESULT {
        LONG count = 0;
        if (HRESULT hr = mpoListObject->GetCount(&count, lColumn, lReserved); FAILED(hr)) return hr;
        if (count <= 0) return S_OK;
        SpItems* items = mpoSpMgr ? mpoSpMgr->mpoGetItems() : nullptr;
        if (!items) return E_POINTER;
        Lst<SpStr> names;
        Lst<LONG> ids;
        if (HRESULT hr = items->mhGenerateItemIDs(count, names, ids); FAILED(hr)) return hr;
        // The ids are this handler's from now on: a cancel or a failed
        // generation gives them back.
        while (!ids.IsEmpty()) {
            LONG id = ids.RemoveHead();
            moNewIds[id] = SerialNoInfo{id, 0};
        }
        CComPtr<IFileRefItemEnum> rows;
        if (HRESULT hr = mpoListObject->GetEnum(&rows); FAILED(hr)) return hr;
        if (!rows) return E_POINTER;
        for (;;) {
            CComPtr<IUnknown> row;
            if (rows->Next(&row) != S_OK || !row) break;
            CComQIPtr<IFileRefItem3> properties(row);
            if (!properties) continue;
            // More rows than the list counted: the rest keep their names.
            if (names.IsEmpty()) break;
            SpStr name = names.RemoveHead();
            CComVariant window;
            window.vt = VT_INT;
            window.intVal = 0;
            CComVariant value(std::u16string(name.View()).c_str());
            if (HRESULT hr = properties->PutProperty(kPropertyItemName, &window, &value); FAILED(hr)) return hr;
        }
        mpoListObject = nullptr;
        return S_OK;
    });
}

}  // namespace coravent
