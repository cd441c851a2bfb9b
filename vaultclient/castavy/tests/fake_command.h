// A command object and a tree of rows as the file-reference dialog meets
// them, scripted by the test and recording every call the dialog makes.
//
// The rows keep a value and a switch per check column (the switch "enabled",
// true unless set), texts per text column, an item name (refused when blank
// or holding "\", as a command's rows refuse them) and their children. The
// command answers the columns, texts, option and destination it was given,
// leaves check changes to the dialog (S_FALSE) unless told otherwise, and
// offers the context entry 5001 over any rows.
#pragma once

#include "castavy/ids.h"
#include "castavy/interfaces.h"
#include "castavy/records.h"
#include "com/bstr.h"
#include "com/ccom_bstr.h"
#include "com/ccom_ptr.h"
#include "com/ccom_variant.h"
#include "com/safearray.h"
#include "com_testing/fake_parts.h"
#include "ui/menus.h"

#include <gtest/gtest.h>

#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace castavy_test {

using namespace CASTAVYLib;
using com_testing::AnswerQuery;
using com_testing::FakeReferenceCount;

inline BSTR NewBstr(const std::u16string& text) {
    return SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
}

inline SAFEARRAY* ColumnArray(const std::vector<LONG>& columns) {
    SAFEARRAY* array = SafeArrayCreateVector(VT_I4, 0, static_cast<ULONG>(columns.size()));
    for (LONG i = 0; i < static_cast<LONG>(columns.size()); ++i) {
        LONG value = columns[static_cast<size_t>(i)];
        SafeArrayPutElement(array, &i, &value);
    }
    return array;
}

class FakeRow final : public IFileRefItem, public IFileRefItem3, public IEditableFileRefItem {
public:
    explicit FakeRow(std::u16string name, std::u16string key = {}) : key_(key.empty() ? name : key) {
        texts[CastavyCol_Name] = std::move(name);
    }

    std::map<LONG, std::u16string> texts;
    std::map<LONG, LONG> values;
    std::map<LONG, bool> switchedOff;
    std::u16string itemName;
    std::vector<CComPtr<FakeRow>> children;
    std::vector<std::u16string> log;  // SetColumnValue and SetValue calls

    FakeRow* Add(FakeRow* child) {
        children.emplace_back(child, false);
        return child;
    }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        IUnknown* answer = nullptr;
        if (iid == IID_IUnknown || iid == IFileRefItem::kIid) answer = static_cast<IFileRefItem*>(this);
        if (iid == IFileRefItem3::kIid) answer = static_cast<IFileRefItem3*>(this);
        if (iid == IEditableFileRefItem::kIid) answer = static_cast<IEditableFileRefItem*>(this);
        return AnswerQuery(object, answer);
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return refs_.Add(); }
    ULONG STDMETHODCALLTYPE Release() override {
        ULONG left = refs_.Release();
        if (left == 0) delete this;
        return left;
    }

    // IFileRefItem
    HRESULT STDMETHODCALLTYPE StartChildren(LONG, LONG) override {
        next_ = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE NextChild(LONG, LONG, IFileRefItem** ppoChild) override {
        *ppoChild = nullptr;
        if (next_ >= children.size()) return S_FALSE;
        *ppoChild = children[next_++];
        (*ppoChild)->AddRef();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetChild(LONG, LONG, IFileRefItem**) override {
        return com_testing::UnexpectedCall("GetChild");
    }
    HRESULT STDMETHODCALLTYPE GetColumnText(LONG lColumn, BSTR* pbsText) override {
        *pbsText = NewBstr(texts.count(lColumn) ? texts[lColumn] : u"");
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetColumnEnabled(LONG lColumn, VARIANT_BOOL* pbEnabled) override {
        *pbEnabled = switchedOff[lColumn] ? VARIANT_FALSE : VARIANT_TRUE;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetColumnValue(LONG lColumn, LONG* plValue) override {
        *plValue = values[lColumn];
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetColumnValue(LONG, LONG, LONG, LONG lColumn, LONG lValue) override {
        log.push_back(u"set " + ToText(lColumn) + u"=" + ToText(lValue));
        values[lColumn] = lValue;
        return 0x40201;  // a row's success code other than S_OK
    }
    HRESULT STDMETHODCALLTYPE GetKey(BSTR* pbsKey) override {
        *pbsKey = NewBstr(key_);
        return S_OK;
    }

    // IFileRefItem3
    HRESULT STDMETHODCALLTYPE GetProperty(LONG lId, VARIANT*, VARIANT* pvOut) override {
        if (lId != kPropertyConfiguration) return E_INVALIDARG;
        pvOut->vt = VT_I4;
        pvOut->lVal = 7;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE PutProperty(LONG, VARIANT*, VARIANT*) override {
        return com_testing::UnexpectedCall("PutProperty");
    }

    // IEditableFileRefItem
    HRESULT STDMETHODCALLTYPE SetValue(LONG lId, BSTR bsValue) override {
        const std::u16string value(com::BstrView(bsValue));
        log.push_back(u"name " + value);
        if (lId != kValueItemName) return E_INVALIDARG;
        if (value.find_first_not_of(u' ') == std::u16string::npos || value.find(u'\\') != std::u16string::npos)
            return S_FALSE;
        itemName = value;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetValue(LONG lId, BSTR* pbsValue) override {
        if (lId != kValueItemName) return E_INVALIDARG;
        *pbsValue = NewBstr(itemName);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetChanged(VARIANT_BOOL*) override { return com_testing::UnexpectedCall("GetChanged"); }
    HRESULT STDMETHODCALLTYPE CanEdit(VARIANT_BOOL*) override { return com_testing::UnexpectedCall("CanEdit"); }

    static std::u16string ToText(LONG value) {
        std::string text = std::to_string(value);
        return std::u16string(text.begin(), text.end());
    }

private:
    FakeReferenceCount refs_{FakeReferenceCount::Lifetime::kDeletedByLastRelease};
    std::u16string key_;
    size_t next_ = 0;
};

// The roots, one by one (IFileRefElement as an enumerator).
class FakeRoots final : public IFileRefElement {
public:
    explicit FakeRoots(std::vector<CComPtr<FakeRow>> roots) : roots_(std::move(roots)) {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        return AnswerQuery(object, iid == IID_IUnknown || iid == IFileRefElement::kIid ? this : nullptr);
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return refs_.Add(); }
    ULONG STDMETHODCALLTYPE Release() override {
        ULONG left = refs_.Release();
        if (left == 0) delete this;
        return left;
    }
    HRESULT STDMETHODCALLTYPE HasItem(LONG* plHas) override {
        *plHas = next_ < roots_.size() ? 1 : 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetItem(IUnknown** ppoItem) override {
        *ppoItem = static_cast<IFileRefItem*>(roots_.at(next_++).GetInterfacePtr());
        (*ppoItem)->AddRef();
        return S_OK;
    }

private:
    FakeReferenceCount refs_{FakeReferenceCount::Lifetime::kDeletedByLastRelease};
    std::vector<CComPtr<FakeRow>> roots_;
    size_t next_ = 0;
};

class FakeCommand final : public IFileRefCmd3,
                          public IFileRefItem3,
                          public IXRefTreeListCtrlCallback,
                          public IItemListCmd,
                          public IUnlockCommandKind {
public:
    // What the test sets up.
    std::vector<LONG> first, second;
    LONG flags = 0;
    HRESULT columnsResult = S_OK;
    HRESULT buildResult = S_OK;
    std::map<LONG, std::u16string> texts;
    LONG option = 1;
    std::u16string destination = u"C:\\Vault";
    HRESULT destinationResult = S_OK;  // of a put
    std::u16string browsed = u"C:\\Vault\\Parts";
    std::deque<HRESULT> checkResults;  // of command 1, S_OK when none is left
    HRESULT valueChangedResult = S_FALSE;
    std::vector<CComPtr<FakeRow>> roots;
    std::vector<std::u16string> itemNames;
    bool answersUndoKind = false;
    LONG undo = 0;

    // What the dialog did.
    std::vector<std::u16string> calls;
    LONG menuRows = -1;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        IUnknown* answer = nullptr;
        if (iid == IID_IUnknown || iid == IFileRefCmd3::kIid) answer = static_cast<IFileRefCmd3*>(this);
        if (iid == IFileRefItem3::kIid) answer = static_cast<IFileRefItem3*>(this);
        if (iid == IXRefTreeListCtrlCallback::kIid) answer = static_cast<IXRefTreeListCtrlCallback*>(this);
        if (iid == IItemListCmd::kIid) answer = static_cast<IItemListCmd*>(this);
        if (iid == IUnlockCommandKind::kIid && answersUndoKind) answer = static_cast<IUnlockCommandKind*>(this);
        return AnswerQuery(object, answer);
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return refs_.Add(); }
    ULONG STDMETHODCALLTYPE Release() override { return refs_.Release(); }

    // IFileRefCmd3
    HRESULT STDMETHODCALLTYPE GetColumns(SAFEARRAY** ppoFirst, SAFEARRAY** ppoSecond, LONG* plFlags) override {
        calls.push_back(u"GetColumns");
        if (FAILED(columnsResult)) return columnsResult;
        *ppoFirst = ColumnArray(first);
        *ppoSecond = ColumnArray(second);
        *plFlags = flags;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Command(LONG, LONG lCommand, VARIANT* pvValue) override {
        std::u16string call = u"Command " + FakeRow::ToText(lCommand);
        if (pvValue && pvValue->vt == VT_BSTR) call += u" " + com::BstrText(pvValue->bstrVal);
        calls.push_back(call);
        if (lCommand == kCommandBrowseFolder) {
            destination = browsed;
            return S_OK;
        }
        if (lCommand == kCommandCheckBeforeOk && !checkResults.empty()) {
            HRESULT hr = checkResults.front();
            checkResults.pop_front();
            return hr;
        }
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetRootEnumerator(LONG, IUnknown** ppoEnum) override {
        calls.push_back(u"GetRootEnumerator");
        *ppoEnum = nullptr;
        if (roots.empty()) return S_FALSE;
        *ppoEnum = new FakeRoots(roots);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetRowItem(LONG, IUnknown* poElement, IUnknown** ppoRow) override {
        calls.push_back(u"GetRowItem");
        *ppoRow = nullptr;
        CComQIPtr<IFileRefElement> element(poElement);
        if (!element) return E_POINTER;
        LONG has = 0;
        element->HasItem(&has);
        if (!has) return S_FALSE;
        return element->GetItem(ppoRow);
    }
    HRESULT STDMETHODCALLTYPE GetOption(LONG, LONG, LONG lOption, LONG* plValue, LONG* plFlag) override {
        calls.push_back(u"GetOption " + FakeRow::ToText(lOption));
        if (lOption != kOptionOpenGeneratedItems) return E_NOTIMPL;
        *plValue = option;
        *plFlag = 1;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE ValueChanged(LONG, IFileRefItem* poRow, LONG, LONG lColumn, LONG lValue) override {
        calls.push_back(u"ValueChanged " + std::u16string(poRow ? u"row " : u"none ") + FakeRow::ToText(lColumn) +
                        u"=" + FakeRow::ToText(lValue));
        if (lColumn == kOptionOpenGeneratedItems) {
            option = lValue;
            return S_OK;
        }
        if (valueChangedResult == S_OK && poRow) poRow->SetColumnValue(0, 0, 0, lColumn, lValue);
        return valueChangedResult;
    }
    HRESULT STDMETHODCALLTYPE GetText(LONG lTextId, BSTR* pbsText) override {
        calls.push_back(u"GetText " + FakeRow::ToText(lTextId));
        if (texts.count(lTextId)) *pbsText = NewBstr(texts[lTextId]);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE OnDialogInit() override {
        calls.push_back(u"OnDialogInit");
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE BuildTree(LONG lMode) override {
        calls.push_back(u"BuildTree " + FakeRow::ToText(lMode));
        return buildResult;
    }
    HRESULT STDMETHODCALLTYPE OnTreeShown() override {
        calls.push_back(u"OnTreeShown");
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetRowChecked(IUnknown* poRow, LONG* plChecked) override {
        CComQIPtr<IFileRefItem> row(poRow);
        LONG value = 0;
        if (row) row->GetColumnValue(CastavyCol_CreateItem, &value);
        *plChecked = value;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE OnDialogClose() override {
        calls.push_back(u"OnDialogClose");
        list_ = nullptr;  // a kept row list goes with the showing
        return S_OK;
    }

    // IFileRefItem3: the destination folder.
    HRESULT STDMETHODCALLTYPE GetProperty(LONG lId, VARIANT*, VARIANT* pvOut) override {
        if (lId != kPropertyDestinationFolder) return E_INVALIDARG;
        pvOut->vt = VT_BSTR;
        pvOut->bstrVal = NewBstr(destination);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE PutProperty(LONG lId, VARIANT* pvWindow, VARIANT* pvValue) override {
        EXPECT_EQ(pvWindow->vt, VT_I8);
        calls.push_back(u"PutDestination " + com::BstrText(pvValue->bstrVal));
        if (lId != kPropertyDestinationFolder) return E_INVALIDARG;
        if (SUCCEEDED(destinationResult)) destination = com::BstrText(pvValue->bstrVal);
        return destinationResult;
    }

    // IXRefTreeListCtrlCallback
    HRESULT STDMETHODCALLTYPE OnContextMenu(LONG lMenu, IFileRefItemList* poRows) override {
        LONG count = 0;
        poRows->GetCount(&count, -1, 0);
        calls.push_back(u"OnContextMenu " + FakeRow::ToText(count));
        auto menu = reinterpret_cast<HMENU>(static_cast<uintptr_t>(static_cast<ULONG>(lMenu)));
        InsertMenuW(menu, 0, MF_BYPOSITION, 5001, u"Generate new ID");
        list_ = poRows;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE OnCommand(LONG lCommand, LONG lColumn, LONG) override {
        calls.push_back(u"OnCommand " + FakeRow::ToText(lCommand) + u" " + FakeRow::ToText(lColumn));
        if (!list_) return E_UNEXPECTED;
        CComPtr<IFileRefItemEnum> rows;
        list_->GetEnum(&rows);
        menuRows = 0;
        for (CComPtr<IUnknown> row; rows->Next(&row) == S_OK;) {
            ++menuRows;
            CComQIPtr<IEditableFileRefItem> named(row);
            const std::u16string name = u"ID-" + FakeRow::ToText(menuRows);
            named->SetValue(kValueItemName, CComBSTR(name.c_str()));
        }
        list_ = nullptr;
        return S_OK;
    }

    // IItemListCmd
    HRESULT STDMETHODCALLTYPE GetItemList(SAFEARRAY** ppoList, LONG) override {
        calls.push_back(u"GetItemList");
        RegisterRecords();
        IRecordInfo* info = nullptr;
        if (HRESULT hr = GetRecordInfoFromGuids(LIBID_CASTAVYLib, 1, 0, 0, ItemListEntry::kRecordGuid, &info);
            FAILED(hr))
            return hr;
        *ppoList = SafeArrayCreateVectorEx(VT_RECORD, 0, static_cast<ULONG>(itemNames.size()), info);
        info->Release();
        void* data = nullptr;
        SafeArrayAccessData(*ppoList, &data);
        for (size_t i = 0; i < itemNames.size(); ++i) {
            static_cast<ItemListEntry*>(data)[i].name = NewBstr(itemNames[i]);
            static_cast<ItemListEntry*>(data)[i].flag = VARIANT_FALSE;
        }
        SafeArrayUnaccessData(*ppoList);
        return S_OK;
    }

    // IUnlockCommandKind
    HRESULT STDMETHODCALLTYPE GetUndoCheckOut(LONG* plUndo) override {
        *plUndo = undo;
        return S_OK;
    }

private:
    FakeReferenceCount refs_{FakeReferenceCount::Lifetime::kOwnedByTest};
    CComPtr<IFileRefItemList> list_;
};

}  // namespace castavy_test
