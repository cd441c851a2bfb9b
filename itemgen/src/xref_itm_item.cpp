// The row wrapper of a tree item, and the handler's one wrapper per item.
#include "xref_itm_item.h"

#include "bellquist/item_names.h"
#include "castavy/ids.h"
#include "castavy/records.h"
#include "com/bstr.h"
#include "com/method_boundary.h"
#include "com/safearray.h"
#include "com/owned_safearray.h"
#include "com/server/com_object.h"
#include "com/task_memory.h"
#include "com/variant.h"
#include "common/com_errors.h"
#include "common/record_array.h"
#include "hastrel/ids.h"
#include "hastrel/records.h"
#include "winapi/text.h"
#include "xref_tree_handler.h"

#include <new>
#include <utility>

namespace coravent {

using namespace CASTAVYLib;
using namespace HastrelLib;

namespace {

// A new string for the caller, null for an empty text. Raises
// E_OUTOFMEMORY.
BSTR NewStringOrNull(std::u16string_view text) {
    if (text.empty()) return nullptr;
    BSTR copy = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    if (!copy) throw std::bad_alloc();
    return copy;
}

// Replaces the string a record holds by a copy of `text` (null for empty).
void ReplaceString(BSTR& field, std::u16string_view text) {
    BSTR copy = NewStringOrNull(text);
    SysFreeString(field);
    field = copy;
}

std::u16string_view Trimmed(std::u16string_view text) {
    while (!text.empty() && iswspace(text.front())) text.remove_prefix(1);
    while (!text.empty() && iswspace(text.back())) text.remove_suffix(1);
    return text;
}

// The two names a tree item proposes, freed as its contract says: the
// strings, then the record.
struct NamesHolder {
    XRefNames* record = nullptr;
    NamesHolder() = default;
    NamesHolder(const NamesHolder&) = delete;
    NamesHolder& operator=(const NamesHolder&) = delete;
    ~NamesHolder() {
        if (!record) return;
        SysFreeString(record->mbsNameA);
        SysFreeString(record->mbsNameB);
        CoTaskMemFree(record);
    }
};

}  // namespace

// ---- Set-up and end ----

HRESULT XRefItmItem::Init(IFileRefItem* poItem, CXRefTreeHandler* poHandler) {
    return com::Boundary([&]() -> HRESULT {
        if (!poItem || !poHandler) return E_POINTER;
        CComPtr<IXRefItemControl> control;
        if (HRESULT hr = poItem->QueryInterface(IXRefItemControl::kIid, reinterpret_cast<void**>(&control)); FAILED(hr))
            return hr == E_NOINTERFACE ? E_POINTER : hr;
        if (!control) return E_POINTER;
        if (mpoControl) mpoControl->SetOwner(nullptr);
        mpoControl = control;
        mpoHandler = poHandler;
        mpoItem = nullptr;

        // Asking for the item's own IFileRefItem makes the wrapper its owner.
        CComPtr<IFileRefItem> item = ItemInterface<IFileRefItem>();
        if (!item) return E_POINTER;
        mpoItem = item;  // the kept control interface holds the item

        CComPtr<IXRefItmItem> itmItem = ItemInterface<IXRefItmItem>();
        if (!itmItem) return E_POINTER;
        NamesHolder names;
        if (HRESULT hr = itmItem->GetNames(&names.record); FAILED(hr)) return hr;
        moNameA.clear();
        moNameB.clear();
        if (names.record) {
            moNameA = com::BstrText(names.record->mbsNameA);
            moNameB = com::BstrText(names.record->mbsNameB);
        }

        SAFEARRAY* received = nullptr;
        const HRESULT listed = static_cast<IItemListCmd*>(mpoHandler)->GetItemList(&received, 0);
        com::OwnedSafeArray list(received);
        if (FAILED(listed)) return listed;
        moNameMap.clear();
        if (list) {
            RecordArray<ItemListEntry> entries(list.get());
            for (const ItemListEntry* entry = entries.mpoBegin(); entry != entries.mpoEnd(); ++entry) {
                bool& flag = moNameMap[com::BstrText(entry->name)];
                flag = flag || entry->flag == VARIANT_TRUE;
            }
        }
        moNewName.clear();
        moExistingName.clear();

        for (LONG column : {CastavyCol_CreateItem, CastavyCol_ExistingItem, CastavyCol_Link}) SetColumn(column, 0);
        ApplyName(moNameB);
        ApplyName(moNameA);
        return S_OK;
    });
}

void XRefItmItem::FinalRelease() {
    if (mpoControl) mpoControl->SetOwner(nullptr);
    mpoControl = nullptr;
    mpoItem = nullptr;
}

// ---- Reaching the item ----

template <class I>
CComPtr<I> XRefItmItem::ItemInterface() {
    if (!mpoControl) return nullptr;
    if (HRESULT hr = mpoControl->SetOwner(nullptr); FAILED(hr))
        gvRaiseFailedCall(hr, u"The tree item did not let its owner go.");
    CComPtr<I> found;
    HRESULT hr = mpoControl->QueryInterface(I::kIid, reinterpret_cast<void**>(&found));
    if (HRESULT set = mpoControl->SetOwner(Unknown()); FAILED(set))
        gvRaiseFailedCall(set, u"The tree item did not take its owner.");
    if (FAILED(hr)) return nullptr;
    return found;
}

template <class I, class Call>
HRESULT XRefItmItem::Forward(Call&& call) {
    return com::Boundary([&]() -> HRESULT {
        CComPtr<I> target = ItemInterface<I>();
        if (!target) return E_POINTER;
        return call(target.GetInterfacePtr());
    });
}

bool XRefItmItem::Checked(LONG lColumn) {
    if (!mpoItem) gvRaiseComError(E_POINTER, u"The row wraps no tree item.");
    LONG value = 0;
    if (HRESULT hr = mpoItem->GetColumnValue(lColumn, &value); FAILED(hr))
        gvRaiseFailedCall(hr, u"Could not read a column of the tree item.");
    return value != 0;
}

void XRefItmItem::SetColumn(LONG lColumn, LONG lValue) {
    if (!mpoItem) gvRaiseComError(E_POINTER, u"The row wraps no tree item.");
    if (HRESULT hr = mpoItem->SetColumnValue(0, 0, 0, lColumn, lValue); FAILED(hr))
        gvRaiseFailedCall(hr, u"Could not set a column of the tree item.");
}

void XRefItmItem::SwitchLink(bool bOn) {
    CComPtr<IXRefColumns> columns = ItemInterface<IXRefColumns>();
    if (!columns) gvRaiseComError(E_POINTER, u"The tree item has no columns.");
    if (HRESULT hr = columns->SetEnabled(CastavyCol_Link, bOn ? VARIANT_TRUE : VARIANT_FALSE); FAILED(hr))
        gvRaiseFailedCall(hr, u"Could not switch a column of the tree item.");
}

void XRefItmItem::RefreshChoice() {
    CComPtr<IXRefColumnState> state = ItemInterface<IXRefColumnState>();
    if (!state) return;  // an item without column states shows its values as they are
    for (LONG column : {CastavyCol_CreateItem, CastavyCol_ExistingItem}) {
        bool checked = Checked(column);
        com::OwnedSafeArray columns(SafeArrayCreateVector(VT_I4, 0, 1));
        if (!columns) throw std::bad_alloc();
        LONG index = 0;
        if (HRESULT hr = SafeArrayPutElement(columns.get(), &index, &column); FAILED(hr))
            gvRaiseFailedCall(hr, u"Could not fill a column array.");
        for (LONG bits : {checked ? kColumnStateChecked : kColumnStateCleared,
                          checked ? kColumnStateLookChecked : kColumnStateLookPlain})
            if (HRESULT hr = state->SetColumnsState(columns.get(), bits, kColumnScopeSelf); FAILED(hr))
                gvRaiseFailedCall(hr, u"Could not show the columns of the tree item.");
    }
}

// ---- Row state and names ----

LONG XRefItmItem::State() {
    if (Checked(CastavyCol_CreateItem)) return Checked(CastavyCol_Link) ? 1 : 2;
    if (!Checked(CastavyCol_ExistingItem)) return 0;
    if (Checked(CastavyCol_Link)) return 3;
    if (moExistingName.empty()) return 6;
    return ListFlag(moExistingName) ? 5 : 4;
}

std::u16string XRefItmItem::RowName() {
    switch (State()) {
    case 0:
        return {};
    case 1:
    case 2:
        return moNewName;
    default:
        return moExistingName;
    }
}

bool XRefItmItem::ListFlag(const std::u16string& name) const {
    auto found = moNameMap.find(name);
    return found != moNameMap.end() && found->second;
}

void XRefItmItem::ApplyName(std::u16string name) {
    for (;;) {
        if (name.empty() || name == RowName()) return;
        if (BellquistLib::HasItemExtension(name)) break;
        name += BellquistLib::kItemExtension;
    }
    LONG state = State();
    auto listed = moNameMap.find(name);
    if (listed == moNameMap.end()) {
        // A new item: a row that uses an existing item keeps it.
        if (state >= 3) return;
        if (state == 0) {
            SetColumn(CastavyCol_Link, 1);
            SetColumn(CastavyCol_CreateItem, 1);
        }
        moNewName = std::move(name);
    } else {
        if (state < 3) {
            SetColumn(CastavyCol_CreateItem, 0);
            SetColumn(CastavyCol_ExistingItem, 1);
        }
        if (listed->second) {
            SetColumn(CastavyCol_Link, 0);
            SwitchLink(false);
        } else {
            SwitchLink(true);
        }
        moExistingName = std::move(name);
    }
    RefreshChoice();
}

void XRefItmItem::ApplyColumnRules(LONG lColumn, LONG lValue) {
    bool set = lValue != 0;
    if (lColumn == CastavyCol_CreateItem) {
        if (set) {
            if (State() >= 3) SetColumn(CastavyCol_ExistingItem, 0);
            SwitchLink(true);
        } else {
            SetColumn(CastavyCol_Link, 0);
            SwitchLink(false);
        }
    } else if (lColumn == CastavyCol_ExistingItem) {
        if (set) {
            if (State() < 3) {
                SetColumn(CastavyCol_CreateItem, 0);
                SetColumn(CastavyCol_ExistingItem, 1);
            }
            if (ListFlag(moExistingName)) {
                SetColumn(CastavyCol_Link, 0);
                SwitchLink(false);
            } else {
                SwitchLink(!moExistingName.empty());
            }
        } else {
            SetColumn(CastavyCol_Link, 0);
            SwitchLink(false);
        }
    }
}

// ---- IFileRefItem ----

HRESULT XRefItmItem::WrapChild(HRESULT hr, IFileRefItem* poChild, IFileRefItem** ppoChild) {
    if (hr != S_OK) return hr;
    if (!poChild) return E_POINTER;
    if (!mpoHandler) return E_POINTER;
    return mpoHandler->GetItemWrapper(poChild, ppoChild);
}

HRESULT XRefItmItem::StartChildren(LONG lConfigurationWord, LONG lWnd) {
    return Forward<IFileRefItem>([&](IFileRefItem* item) { return item->StartChildren(lConfigurationWord, lWnd); });
}

HRESULT XRefItmItem::NextChild(LONG lConfigurationWord, LONG lWnd, IFileRefItem** ppoChild) {
    if (!ppoChild) return E_POINTER;
    *ppoChild = nullptr;
    return Forward<IFileRefItem>([&](IFileRefItem* item) {
        CComPtr<IFileRefItem> child;
        HRESULT hr = item->NextChild(lConfigurationWord, lWnd, &child);
        return WrapChild(hr, child, ppoChild);
    });
}

HRESULT XRefItmItem::GetChild(LONG lConfigurationWord, LONG lIndex, IFileRefItem** ppoChild) {
    if (!ppoChild) return E_POINTER;
    *ppoChild = nullptr;
    return Forward<IFileRefItem>([&](IFileRefItem* item) {
        CComPtr<IFileRefItem> child;
        HRESULT hr = item->GetChild(lConfigurationWord, lIndex, &child);
        return WrapChild(hr, child, ppoChild);
    });
}

HRESULT XRefItmItem::GetColumnText(LONG lColumn, BSTR* pbsText) {
    return Forward<IFileRefItem>([&](IFileRefItem* item) { return item->GetColumnText(lColumn, pbsText); });
}

HRESULT XRefItmItem::GetColumnEnabled(LONG lColumn, VARIANT_BOOL* pbEnabled) {
    return Forward<IFileRefItem>([&](IFileRefItem* item) { return item->GetColumnEnabled(lColumn, pbEnabled); });
}

HRESULT XRefItmItem::GetColumnValue(LONG lColumn, LONG* plValue) {
    return Forward<IFileRefItem>([&](IFileRefItem* item) { return item->GetColumnValue(lColumn, plValue); });
}

HRESULT XRefItmItem::SetColumnValue(LONG lWnd, LONG lReserved1, LONG lReserved2, LONG lColumn, LONG lValue) {
    return com::Boundary([&]() -> HRESULT {
        ApplyColumnRules(lColumn, lValue);
        CComPtr<IFileRefItem> item = ItemInterface<IFileRefItem>();
        if (!item) return E_POINTER;
        if (HRESULT hr = item->SetColumnValue(lWnd, lReserved1, lReserved2, lColumn, lValue); FAILED(hr)) return hr;
        RefreshChoice();
        return kColumnSetAndShown;
    });
}

HRESULT XRefItmItem::GetKey(BSTR* pbsKey) {
    return Forward<IFileRefItem>([&](IFileRefItem* item) { return item->GetKey(pbsKey); });
}

HRESULT XRefItmItem::ItemSlot5() {
    return Forward<IFileRefItem>([](IFileRefItem* item) { return item->UnusedSlot5(); });
}
HRESULT XRefItmItem::ItemSlot9() {
    return Forward<IFileRefItem>([](IFileRefItem* item) { return item->UnusedSlot9(); });
}
HRESULT XRefItmItem::ItemSlot10() {
    return Forward<IFileRefItem>([](IFileRefItem* item) { return item->UnusedSlot10(); });
}
HRESULT XRefItmItem::ItemSlot11() {
    return Forward<IFileRefItem>([](IFileRefItem* item) { return item->UnusedSlot11(); });
}
HRESULT XRefItmItem::ItemSlot12() {
    return Forward<IFileRefItem>([](IFileRefItem* item) { return item->UnusedSlot12(); });
}
HRESULT XRefItmItem::ItemSlot15() {
    return Forward<IFileRefItem>([](IFileRefItem* item) { return item->UnusedSlot15(); });
}
HRESULT XRefItmItem::ItemSlot16() {
    return Forward<IFileRefItem>([](IFileRefItem* item) { return item->UnusedSlot16(); });
}
HRESULT XRefItmItem::ItemSlot17() {
    return Forward<IFileRefItem>([](IFileRefItem* item) { return item->UnusedSlot17(); });
}
HRESULT XRefItmItem::ItemSlot18() {
    return Forward<IFileRefItem>([](IFileRefItem* item) { return item->UnusedSlot18(); });
}

// ---- IFileRefItem3 ----

HRESULT XRefItmItem::GetProperty(LONG lId, VARIANT* pvIn, VARIANT* pvOut) {
    if (lId != kPropertyItemName)
        return Forward<IFileRefItem3>([&](IFileRefItem3* item) { return item->GetProperty(lId, pvIn, pvOut); });
    if (!pvOut) return E_POINTER;
    return com::Boundary([&]() -> HRESULT {
        std::u16string name = RowName();
        BSTR text = SysAllocStringLen(name.data(), static_cast<UINT>(name.size()));
        if (!text) return E_OUTOFMEMORY;
        VariantClear(pvOut);
        pvOut->vt = VT_BSTR;
        pvOut->bstrVal = text;
        return S_OK;
    });
}

HRESULT XRefItmItem::PutProperty(LONG lId, VARIANT* pvWindow, VARIANT* pvValue) {
    if (lId != kPropertyItemName || !pvValue || pvValue->vt != VT_BSTR)
        return Forward<IFileRefItem3>([&](IFileRefItem3* item) { return item->PutProperty(lId, pvWindow, pvValue); });
    return com::Boundary([&]() -> HRESULT {
        ApplyName(com::BstrText(pvValue->bstrVal));
        return S_OK;
    });
}

// ---- IEditableFileRefItem ----

HRESULT XRefItmItem::SetValue(LONG lId, BSTR bsValue) {
    if (lId != kValueItemName)
        return Forward<IEditableFileRefItem>([&](IEditableFileRefItem* item) { return item->SetValue(lId, bsValue); });
    return com::Boundary([&]() -> HRESULT {
        std::u16string_view name = Trimmed(com::BstrView(bsValue));
        if (name.empty() || name.find(u'\\') != std::u16string_view::npos) return S_FALSE;
        ApplyName(std::u16string(name));
        CComPtr<IEditableFileRefItem> item = ItemInterface<IEditableFileRefItem>();
        if (!item) return E_POINTER;
        return item->SetValue(lId, bsValue);
    });
}

HRESULT XRefItmItem::GetValue(LONG lId, BSTR* pbsValue) {
    if (lId != kValueItemName)
        return Forward<IEditableFileRefItem>([&](IEditableFileRefItem* item) { return item->GetValue(lId, pbsValue); });
    if (!pbsValue) return E_POINTER;
    *pbsValue = nullptr;
    return com::Boundary([&]() -> HRESULT {
        std::u16string name = RowName();
        std::u16string_view shown = BellquistLib::WithoutItemExtension(name);
        *pbsValue = SysAllocStringLen(shown.data(), static_cast<UINT>(shown.size()));
        return *pbsValue ? S_OK : E_OUTOFMEMORY;
    });
}

HRESULT XRefItmItem::GetChanged(VARIANT_BOOL* pbChanged) {
    if (!pbChanged) return E_POINTER;
    return com::Boundary([&]() -> HRESULT {
        if (Checked(CastavyCol_ExistingItem)) {
            *pbChanged = VARIANT_FALSE;
        } else if (Checked(CastavyCol_CreateItem)) {
            bool changed = moNewName != moNameA && (moNewName != moExistingName || moNewName != moNameB);
            *pbChanged = changed ? VARIANT_TRUE : VARIANT_FALSE;
        }
        return S_OK;
    });
}

HRESULT XRefItmItem::CanEdit(VARIANT_BOOL* pbCanEdit) {
    if (!pbCanEdit) return E_POINTER;
    *pbCanEdit = VARIANT_TRUE;
    return S_OK;
}

HRESULT XRefItmItem::EditableSlot5() {
    return Forward<IEditableFileRefItem>([](IEditableFileRefItem* item) { return item->UnusedSlot5(); });
}
HRESULT XRefItmItem::EditableSlot6() {
    return Forward<IEditableFileRefItem>([](IEditableFileRefItem* item) { return item->UnusedSlot6(); });
}
HRESULT XRefItmItem::EditableSlot9() {
    return Forward<IEditableFileRefItem>([](IEditableFileRefItem* item) { return item->UnusedSlot9(); });
}

// ---- IFileRefConfigurations ----

HRESULT XRefItmItem::GetConfigurations(SAFEARRAY** ppoConfigurations) {
    return Forward<IFileRefConfigurations>([&](IFileRefConfigurations* item) -> HRESULT {
        if (HRESULT hr = item->GetConfigurations(ppoConfigurations); hr != S_OK) return hr;
        if (!ppoConfigurations || !*ppoConfigurations) return S_OK;
        // The array goes to the caller only with every item wrapped.
        com::OwnedSafeArray array(std::exchange(*ppoConfigurations, nullptr));
        {
            RecordArray<FileRefConfiguration> entries(array.get());
            for (FileRefConfiguration* entry = entries.mpoBegin(); entry != entries.mpoEnd(); ++entry) {
                if (!entry->item) continue;
                CComPtr<IFileRefItem> item(entry->item);
                if (!item) return E_POINTER;
                CComPtr<IFileRefItem> wrapper;
                if (HRESULT hr = mpoHandler ? mpoHandler->GetItemWrapper(item, &wrapper) : E_POINTER; FAILED(hr))
                    return hr;
                if (!wrapper) return E_OUTOFMEMORY;
                IUnknown* unknown = nullptr;
                if (HRESULT hr = wrapper->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&unknown)); FAILED(hr))
                    return hr;
                std::exchange(entry->item, unknown)->Release();
            }
        }
        *ppoConfigurations = array.release();
        return S_OK;
    });
}

HRESULT XRefItmItem::FindConfiguration(BSTR bsName, LONG* plConfigurationWord, LONG* plState) {
    return Forward<IFileRefConfigurations>(
        [&](IFileRefConfigurations* item) { return item->FindConfiguration(bsName, plConfigurationWord, plState); });
}

// ---- IXRefItmItem ----

HRESULT XRefItmItem::GetObjectData(BellquistLib::ItmObjectData* poData) {
    return Forward<IXRefItmItem>([&](IXRefItmItem* item) { return item->GetObjectData(poData); });
}

HRESULT XRefItmItem::GetNodeRecord(XRefNodeRecord** ppoRecord) {
    return Forward<IXRefItmItem>([&](IXRefItmItem* item) -> HRESULT {
        HRESULT hr = item->GetNodeRecord(ppoRecord);
        if (FAILED(hr) || !ppoRecord || !*ppoRecord) return hr;
        BSTR name = (*ppoRecord)->mbsItemName;
        ReplaceString(name, RowName());
        (*ppoRecord)->mbsItemName = name;
        return hr;
    });
}

HRESULT XRefItmItem::GetRowRecord(XRefRowRecord** ppoRecord) {
    return Forward<IXRefItmItem>([&](IXRefItmItem* item) -> HRESULT {
        HRESULT hr = item->GetRowRecord(ppoRecord);
        if (FAILED(hr) || !ppoRecord || !*ppoRecord) return hr;
        XRefRowRecord& record = **ppoRecord;
        LONG state = State();
        std::u16string name = RowName();
        ReplaceString(record.mbsName, name);
        record.mlNewItem = state == 1 || state == 2 ? 1 : 0;
        // A row without name B does not use it, even with no name of its own.
        record.mlNameB = !moNameB.empty() && name == moNameB ? 1 : 0;
        return hr;
    });
}

HRESULT XRefItmItem::GetNames(XRefNames** ppoNames) {
    return Forward<IXRefItmItem>([&](IXRefItmItem* item) { return item->GetNames(ppoNames); });
}

// ---- The handler's wrappers ----

HRESULT CXRefTreeHandler::GetItemWrapper(IFileRefItem* poItem, IFileRefItem** ppoWrapper) {
    if (!ppoWrapper) return E_POINTER;
    *ppoWrapper = nullptr;
    if (!poItem) return E_POINTER;
    return com::Boundary([&]() -> HRESULT {
        CComBSTR key;
        if (HRESULT hr = poItem->GetKey(&key); FAILED(hr)) return hr;
        std::u16string keyText = com::BstrText(key);
        if (auto found = moWrappers.find(keyText); found != moWrappers.end()) {
            *ppoWrapper = CComPtr<IFileRefItem>(found->second).Detach();
            return S_OK;
        }
        CComObject<XRefItmItem>* created = nullptr;
        if (HRESULT hr = CComObject<XRefItmItem>::CreateInstance(&created); FAILED(hr)) return hr;
        CComPtr<IFileRefItem> wrapper(static_cast<detail::FileRefItemSlots*>(created));
        if (HRESULT hr = created->Init(poItem, this); FAILED(hr)) return hr;
        moWrappers.emplace(std::move(keyText), wrapper);
        *ppoWrapper = wrapper.Detach();
        return S_OK;
    });
}

}  // namespace coravent
