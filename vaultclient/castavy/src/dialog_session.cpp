#include "dialog_session.h"

#include "row_objects.h"

#include "castavy/records.h"
#include "com/bstr.h"
#include "com/ccom_bstr.h"
#include "com/ccom_variant.h"
#include "com/safearray.h"
#include "ui/menus.h"

#include <algorithm>
#include <cstdint>

namespace castavy {

using namespace CASTAVYLib;

namespace {

// Bounds against a tree component that never ends: rows in all, depth of
// the tree.
constexpr size_t kMostRows = 100000;
constexpr int kDeepest = 64;
// Existing item names offered in one context menu.
constexpr size_t kMostOfferedNames = 200;

// Appends the VT_I4 elements of `array` to `columns` and destroys the
// array. E_INVALIDARG for an array of another type or shape.
HRESULT TakeColumns(SAFEARRAY* array, std::vector<LONG>& columns) {
    if (!array) return S_OK;
    HRESULT hr = S_OK;
    VARTYPE type = VT_EMPTY;
    LONG low = 0, high = -1;
    void* data = nullptr;
    if (SafeArrayGetDim(array) != 1 || FAILED(SafeArrayGetVartype(array, &type)) || type != VT_I4) hr = E_INVALIDARG;
    if (SUCCEEDED(hr)) hr = SafeArrayGetLBound(array, 1, &low);
    if (SUCCEEDED(hr)) hr = SafeArrayGetUBound(array, 1, &high);
    if (SUCCEEDED(hr) && high >= low) {
        hr = SafeArrayAccessData(array, &data);
        if (SUCCEEDED(hr)) {
            const LONG* values = static_cast<const LONG*>(data);
            columns.insert(columns.end(), values, values + (high - low + 1));
            SafeArrayUnaccessData(array);
        }
    }
    SafeArrayDestroy(array);
    return hr;
}

// The names of an item list (ItemListEntry records); destroys the array.
std::vector<std::u16string> TakeItemNames(SAFEARRAY* array) {
    std::vector<std::u16string> names;
    if (!array) return names;
    LONG low = 0, high = -1;
    void* data = nullptr;
    if (SafeArrayGetDim(array) == 1 && SafeArrayGetElemsize(array) == sizeof(ItemListEntry) &&
        SUCCEEDED(SafeArrayGetLBound(array, 1, &low)) && SUCCEEDED(SafeArrayGetUBound(array, 1, &high)) &&
        high >= low && SUCCEEDED(SafeArrayAccessData(array, &data))) {
        const auto* entries = static_cast<const ItemListEntry*>(data);
        for (LONG i = 0; i <= high - low; ++i) {
            std::u16string name = com::BstrText(entries[i].name);
            if (!name.empty() && std::find(names.begin(), names.end(), name) == names.end())
                names.push_back(std::move(name));
        }
        SafeArrayUnaccessData(array);
    }
    SafeArrayDestroy(array);
    return names;
}

std::u16string TakeText(BSTR text) {
    std::u16string taken = com::BstrText(text);
    SysFreeString(text);
    return taken;
}

// The configuration word a row's children are asked in: its
// kPropertyConfiguration, 0 when it has none to give.
LONG ConfigurationWord(IFileRefItem* row) {
    CComQIPtr<IFileRefItem3> properties(row);
    if (!properties) return 0;
    CComVariant value;
    if (properties->GetProperty(kPropertyConfiguration, nullptr, &value) != S_OK) return 0;
    if (value.vt != VT_I4 && FAILED(value.ChangeType(VT_I4))) return 0;
    return value.lVal;
}

std::u16string KeyOf(IFileRefItem* row) {
    BSTR key = nullptr;
    if (FAILED(row->GetKey(&key))) {
        SysFreeString(key);
        return {};
    }
    return TakeText(key);
}

LONG MenuValue(HMENU menu) { return static_cast<LONG>(static_cast<ULONG>(reinterpret_cast<uintptr_t>(menu))); }

}  // namespace

HRESULT DialogSession::Open(IUnknown* command, LONG treeType, LONG owner, const std::u16string& text) {
    CComQIPtr<IFileRefCmd3> fileRefCommand(command);
    if (!fileRefCommand) return E_NOINTERFACE;
    command_ = fileRefCommand;
    properties_ = CComQIPtr<IFileRefItem3>(command);
    menuCallback_ = CComQIPtr<IXRefTreeListCtrlCallback>(command);
    itemList_ = CComQIPtr<IItemListCmd>(command);
    comment_ = text;

    SAFEARRAY* first = nullptr;
    SAFEARRAY* second = nullptr;
    LONG flags = 0;
    HRESULT hr = command_->GetColumns(&first, &second, &flags);
    if (FAILED(hr)) {
        if (first) SafeArrayDestroy(first);
        if (second) SafeArrayDestroy(second);
        return hr;
    }
    hr = TakeColumns(first, columns_);
    if (HRESULT secondHr = TakeColumns(second, columns_); SUCCEEDED(hr)) hr = secondHr;
    if (FAILED(hr)) return hr;
    flags_ = flags;

    for (LONG id = 0; id < kTextCount; ++id) {
        BSTR caption = nullptr;
        if (SUCCEEDED(command_->GetText(id, &caption)) && caption) texts_[static_cast<size_t>(id)] = TakeText(caption);
    }
    if (ShowsOption()) {
        LONG value = 0, flag = 0;
        optionChecked_ =
            SUCCEEDED(command_->GetOption(0, 0, kOptionOpenGeneratedItems, &value, &flag)) && flag == 1 && value != 0;
    }
    if (CComQIPtr<IUnlockCommandKind> kind(command); kind) {
        LONG undo = 0;
        commentEnabled_ = !(SUCCEEDED(kind->GetUndoCheckOut(&undo)) && undo == 1);
    }
    if (ShowsDestination()) ReadDestination();

    command_->OnDialogInit();
    if (treeType == kTreeTypeReferences && HasTree()) {
        if (hr = command_->BuildTree(kBuildModeReferences); FAILED(hr)) return hr;
    }
    if (HasTree()) {
        if (hr = LoadRows(owner); FAILED(hr)) return hr;
    }
    Refresh();
    return S_OK;
}

std::u16string DialogSession::TextOr(LONG id, std::u16string fallback) const {
    const auto& text = Text(id);
    return text && !text->empty() ? *text : fallback;
}

HRESULT DialogSession::LoadRows(LONG owner) {
    CComPtr<IUnknown> enumeration;
    HRESULT hr = command_->GetRootEnumerator(0, &enumeration);
    if (FAILED(hr)) return hr;
    if (hr == S_FALSE || !enumeration) return S_OK;
    CComQIPtr<IFileRefElement> roots(enumeration);
    if (!roots) return E_NOINTERFACE;
    while (true) {
        if (rows_.size() >= kMostRows) return E_OUTOFMEMORY;
        LONG more = 0;
        if (hr = roots->HasItem(&more); FAILED(hr)) return hr;
        if (!more) break;
        CComPtr<IUnknown> item;
        if (hr = roots->GetItem(&item); FAILED(hr)) return hr;
        if (!item) break;
        CComPtr<IFileRefElement> element;
        if (hr = CItemElement::Create(item, &element); FAILED(hr)) return hr;
        CComPtr<IUnknown> rowObject;
        if (hr = command_->GetRowItem(0, element, &rowObject); FAILED(hr)) return hr;
        CComQIPtr<IFileRefItem> row(rowObject);
        if (hr == S_FALSE || !row) continue;
        rows_.push_back(Row{row, 0, -1, {}});
        std::vector<std::u16string> keys{KeyOf(row)};
        if (hr = LoadChildren(rows_.size() - 1, owner, keys); FAILED(hr)) return hr;
    }
    return S_OK;
}

HRESULT DialogSession::LoadChildren(size_t parent, LONG owner, std::vector<std::u16string>& keys) {
    const int depth = rows_[parent].depth + 1;
    if (depth > kDeepest) return S_OK;
    CComPtr<IFileRefItem> row = rows_[parent].item;
    const LONG word = ConfigurationWord(row);
    HRESULT hr = row->StartChildren(word, owner);
    if (FAILED(hr)) return hr;
    while (true) {
        if (rows_.size() >= kMostRows) return E_OUTOFMEMORY;
        CComPtr<IFileRefItem> child;
        hr = row->NextChild(word, owner, &child);
        if (FAILED(hr)) return hr;
        if (hr != S_OK || !child) break;
        // A file that references one of its own parents is shown once, as
        // the parent's child, without going round again.
        std::u16string key = KeyOf(child);
        const bool cycle = !key.empty() && std::find(keys.begin(), keys.end(), key) != keys.end();
        rows_.push_back(Row{child, depth, static_cast<int>(parent), {}});
        if (cycle) continue;
        keys.push_back(std::move(key));
        hr = LoadChildren(rows_.size() - 1, owner, keys);
        keys.pop_back();
        if (FAILED(hr)) return hr;
    }
    return S_OK;
}

void DialogSession::Refresh() {
    for (Row& row : rows_) {
        ShownRow shown;
        shown.depth = row.depth;
        for (LONG column : columns_) {
            if (IsCheckColumn(column)) {
                LONG value = 0;
                VARIANT_BOOL enabled = VARIANT_TRUE;
                if (FAILED(row.item->GetColumnValue(column, &value))) value = 0;
                if (FAILED(row.item->GetColumnEnabled(column, &enabled))) enabled = VARIANT_TRUE;
                shown.checks[column] = ShownCheck{value != 0 && enabled == VARIANT_TRUE, enabled == VARIANT_TRUE};
                continue;
            }
            BSTR text = nullptr;
            HRESULT hr = E_NOINTERFACE;
            if (column == kValueItemName) {
                if (CComQIPtr<IEditableFileRefItem> editable(row.item); editable)
                    hr = editable->GetValue(kValueItemName, &text);
            } else {
                hr = row.item->GetColumnText(column, &text);
            }
            shown.texts[column] = SUCCEEDED(hr) ? com::BstrText(text) : std::u16string();
            SysFreeString(text);
        }
        LONG chosen = 0;
        shown.chosen = SUCCEEDED(command_->GetRowChecked(row.item, &chosen)) && chosen != 0;
        row.shown = std::move(shown);
    }
}

HRESULT DialogSession::ClickCheck(size_t row, LONG column, LONG window) {
    if (row >= rows_.size()) return S_FALSE;
    const auto cell = rows_[row].shown.checks.find(column);
    if (cell == rows_[row].shown.checks.end() || !cell->second.enabled) return S_FALSE;
    const LONG value = cell->second.checked ? 0 : 1;
    IFileRefItem* item = rows_[row].item;
    HRESULT hr = command_->ValueChanged(window, item, 0, column, value);
    if (hr == S_FALSE) hr = item->SetColumnValue(window, 0, 0, column, value);
    Refresh();
    return FAILED(hr) ? hr : S_OK;
}

HRESULT DialogSession::SetOption(bool checked, LONG window) {
    HRESULT hr = command_->ValueChanged(window, nullptr, 0, kOptionOpenGeneratedItems, checked ? 1 : 0);
    if (SUCCEEDED(hr)) optionChecked_ = checked;
    return hr;
}

HRESULT DialogSession::NameRow(size_t row, const std::u16string& name) {
    if (row >= rows_.size()) return E_INVALIDARG;
    CComQIPtr<IEditableFileRefItem> editable(rows_[row].item);
    if (!editable) return E_NOINTERFACE;
    CComBSTR value(name.c_str());
    HRESULT hr = editable->SetValue(kValueItemName, value);
    Refresh();
    return hr;
}

HRESULT DialogSession::ReadDestination() {
    if (!properties_) return E_NOINTERFACE;
    CComVariant value;
    HRESULT hr = properties_->GetProperty(kPropertyDestinationFolder, nullptr, &value);
    if (FAILED(hr)) return hr;
    if (value.vt != VT_BSTR) {
        if (hr = value.ChangeType(VT_BSTR); FAILED(hr)) return hr;
    }
    destination_ = com::BstrText(value.bstrVal);
    return S_OK;
}

HRESULT DialogSession::Browse(const std::u16string& typed, LONG window) {
    CComVariant value(typed.c_str());
    HRESULT hr = command_->Command(window, kCommandBrowseFolder, &value);
    if (hr == S_OK) ReadDestination();
    return hr;
}

HRESULT DialogSession::Help(LONG window) { return command_->Command(window, kCommandHelp, nullptr); }

HRESULT DialogSession::ConfirmOk(const std::u16string& typedDestination, LONG window) {
    destinationRefused_ = false;
    if (ShowsDestination() && MayChangeDestination() && properties_ && typedDestination != destination_) {
        CComVariant owner;
        owner.vt = VT_I8;
        owner.llVal = window;
        CComVariant value(typedDestination.c_str());
        HRESULT hr = properties_->PutProperty(kPropertyDestinationFolder, &owner, &value);
        // The command showed why it refused the folder.
        if (FAILED(hr)) {
            destinationRefused_ = true;
            return hr;
        }
        ReadDestination();
    }
    return command_->Command(window, kCommandCheckBeforeOk, nullptr);
}

HRESULT DialogSession::FillContextMenu(HMENU menu, const std::vector<size_t>& rows) {
    namedRow_.reset();
    offeredNames_.clear();
    if (rows.empty()) return S_OK;
    if (menuCallback_) {
        std::vector<CComPtr<IUnknown>> chosen;
        for (size_t row : rows)
            if (row < rows_.size()) chosen.emplace_back(static_cast<IUnknown*>(rows_[row].item.GetInterfacePtr()));
        CComPtr<IFileRefItemList> list;
        HRESULT hr = CRowList::Create(std::move(chosen), &list);
        if (SUCCEEDED(hr)) hr = menuCallback_->OnContextMenu(MenuValue(menu), list);
        if (FAILED(hr)) return hr;
    }
    const bool namesRows = std::find(columns_.begin(), columns_.end(), kValueItemName) != columns_.end();
    if (rows.size() == 1 && rows[0] < rows_.size() && namesRows && itemList_) {
        SAFEARRAY* list = nullptr;
        // A command without a list to give offers no names.
        if (FAILED(itemList_->GetItemList(&list, 0))) {
            if (list) SafeArrayDestroy(list);
            list = nullptr;
        }
        std::vector<std::u16string> names = TakeItemNames(list);
        if (names.size() > kMostOfferedNames) names.resize(kMostOfferedNames);
        if (!names.empty()) {
            HMENU submenu = CreatePopupMenu();
            for (size_t i = 0; i < names.size(); ++i)
                AppendMenuW(submenu, MF_STRING, kFirstItemNameCommand + i, names[i].c_str());
            if (GetMenuItemCount(menu) > 0) AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
            AppendMenuW(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(submenu), u"Use Existing Item");
            namedRow_ = rows[0];
            offeredNames_ = std::move(names);
        }
    }
    return S_OK;
}

HRESULT DialogSession::RunContextCommand(UINT command, LONG column) {
    HRESULT hr = S_OK;
    if (namedRow_ && command >= kFirstItemNameCommand && command - kFirstItemNameCommand < offeredNames_.size()) {
        hr = NameRow(*namedRow_, offeredNames_[command - kFirstItemNameCommand]);
    } else if (menuCallback_) {
        hr = menuCallback_->OnCommand(static_cast<LONG>(command), column, 0);
    }
    namedRow_.reset();
    offeredNames_.clear();
    Refresh();
    return hr;
}

void DialogSession::DialogShown() { command_->OnTreeShown(); }

void DialogSession::DialogClosing() {
    if (command_) command_->OnDialogClose();
}

std::u16string DialogSession::RefusalText(HRESULT confirmed) const {
    if (confirmed == kResultItemNameMissing) return u"Every chosen row needs an item name.";
    if (confirmed == kResultItemNameTwice) return u"Two chosen rows have the same item name.";
    return {};
}

}  // namespace castavy
