// Fakes of the objects the tree handler calls: the tree component's tree
// manager, tree and tree items, and the reference dialog's elements, rows
// and row lists. Each records what it was asked and answers as the test set
// it up; a fake made with new lives until its last Release.
#pragma once

#include "castavy/interfaces.h"
#include "com/ccom_variant.h"
#include "common/record_array.h"
#include "com/bstr.h"
#include "com/safearray.h"
#include "com/unknown.h"
#include "hastrel/interfaces.h"
#include "vennacle/sp_mgr.h"
#include "winapi/errors.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <map>
#include <string>
#include <vector>

namespace coravent_test {

// Reference counting and QueryInterface over the interfaces I..., each
// answered unless the test took it out (Hide).
template <class... I>
class FakeObject : public I... {
public:
    FakeObject() = default;
    FakeObject(const FakeObject&) = delete;
    FakeObject& operator=(const FakeObject&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        IUnknown* answer = nullptr;
        if (iid == IID_IUnknown) answer = Identity();
        ((answer == nullptr && iid == I::kIid && !IsHidden(iid) ? void(answer = static_cast<I*>(this)) : void()), ...);
        if (!answer) return E_NOINTERFACE;
        answer->AddRef();
        *out = answer;
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override {
        ULONG left = --references_;
        if (left == 0) delete this;
        return left;
    }

    IUnknown* Identity() { return static_cast<IUnknown*>(static_cast<First*>(this)); }
    void Hide(REFIID iid) { hidden_.push_back(iid); }
    bool IsHidden(REFIID iid) const { return std::find(hidden_.begin(), hidden_.end(), iid) != hidden_.end(); }
    ULONG References() const { return references_; }

protected:
    virtual ~FakeObject() = default;

private:
    template <class F, class...>
    struct FirstOf {
        using type = F;
    };
    using First = typename FirstOf<I...>::type;

    std::atomic<ULONG> references_{1};
    std::vector<GUID> hidden_;
};

// A tree item's cells: value and switch per column (switch on at first);
// checked = value and switch.
class FakeTreeItem : public FakeObject<HastrelLib::IXRefTreeItem, HastrelLib::IXRefColumns> {
public:
    std::map<LONG, bool> values;
    std::map<LONG, bool> enabled;
    HRESULT checkedFailure = S_OK;

    HRESULT STDMETHODCALLTYPE GetMark(LONG* plMark) override {
        *plMark = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetMark(LONG) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetChecked(LONG lColumn, VARIANT_BOOL* pbChecked) override {
        if (FAILED(checkedFailure)) return checkedFailure;
        bool on = values[lColumn] && (!enabled.contains(lColumn) || enabled[lColumn]);
        *pbChecked = on ? VARIANT_TRUE : VARIANT_FALSE;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetValue(LONG lColumn, VARIANT_BOOL* pbValue) override {
        *pbValue = values[lColumn] ? VARIANT_TRUE : VARIANT_FALSE;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetValue(LONG lColumn, VARIANT_BOOL bValue) override {
        values[lColumn] = bValue != VARIANT_FALSE;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetEnabled(LONG lColumn, VARIANT_BOOL bEnabled) override {
        enabled[lColumn] = bEnabled != VARIANT_FALSE;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetEnabled(LONG lColumn, VARIANT_BOOL* pbEnabled) {
        *pbEnabled = !enabled.contains(lColumn) || enabled[lColumn] ? VARIANT_TRUE : VARIANT_FALSE;
        return S_OK;
    }
};

// A tree: the calls on its interfaces recorded. Serial ids are what
// IXRefTreeSerials hands out.
class FakeTree : public FakeObject<HastrelLib::IXRefTree, HastrelLib::IXRefTreeSerials, HastrelLib::IXRefTreeItems,
                                   HastrelLib::IXRefColumnState> {
public:
    std::vector<SerialNoInfo> serials;
    HRESULT serialsFailure = S_OK;
    HRESULT itemListFailure = S_OK;
    HRESULT columnStateFailure = S_OK;
    std::vector<std::vector<LONG>> columnStateCalls;  // (column, state, scope)
    IUnknown* roots = nullptr;                        // what GetRoots hands out (not owned)

    HRESULT STDMETHODCALLTYPE Build(LONG, LONG, HastrelLib::SelectionEntry*, BSTR) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE Iterate(LONG, HastrelLib::IXRefFunction*, HastrelLib::XRefIteratorOp*) override {
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetRoots(IUnknown** ppoRoots) override {
        *ppoRoots = roots;
        if (roots) roots->AddRef();
        return roots ? S_OK : E_FAIL;
    }
    HRESULT STDMETHODCALLTYPE SetOptions(LONG) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE SetManager(IUnknown*) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetReservedSerials(SAFEARRAY** ppoSerials) override {
        if (FAILED(serialsFailure)) return serialsFailure;
        RecordArray<SerialNoInfo> array;
        array.mvCreate(static_cast<ULONG>(serials.size()), HastrelLib::LIBID_HastrelLib, 1, 0);
        std::copy(serials.begin(), serials.end(), array.mpoBegin());
        array.mvHandOut(ppoSerials);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetExistingItemSwitch(VARIANT_BOOL* pbSwitch) override {
        *pbSwitch = VARIANT_TRUE;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetItemList(SAFEARRAY** ppoItems) override {
        *ppoItems = SafeArrayCreateVector(VT_I4, 0, 2);
        return itemListFailure;
    }
    HRESULT STDMETHODCALLTYPE SetColumnState(LONG lColumn, LONG lState, LONG lScope) override {
        columnStateCalls.push_back({lColumn, lState, lScope});
        return columnStateFailure;
    }
    HRESULT STDMETHODCALLTYPE SetColumnsState(SAFEARRAY*, LONG, LONG) override { return S_OK; }
};

// A dialog row: the column values it was given, in order, and the names.
class FakeRow : public FakeObject<CASTAVYLib::IFileRefItem, CASTAVYLib::IFileRefItem3> {
public:
    struct Set {
        LONG wnd, reserved1, reserved2, column, value;
        bool operator==(const Set&) const = default;
    };
    std::vector<Set> sets;
    std::vector<std::u16string> names;
    HRESULT setFailure = S_OK;
    HRESULT nameFailure = S_OK;

    HRESULT STDMETHODCALLTYPE StartChildren(LONG, LONG) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE NextChild(LONG, LONG, CASTAVYLib::IFileRefItem** ppoChild) override {
        *ppoChild = nullptr;
        return S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE GetChild(LONG, LONG, CASTAVYLib::IFileRefItem** ppoChild) override {
        *ppoChild = nullptr;
        return S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE GetColumnText(LONG, BSTR* pbsText) override {
        *pbsText = SysAllocString(u"");
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetColumnEnabled(LONG, VARIANT_BOOL* pbEnabled) override {
        *pbEnabled = VARIANT_TRUE;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetColumnValue(LONG, LONG* plValue) override {
        *plValue = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetColumnValue(LONG lWnd, LONG r1, LONG r2, LONG lColumn, LONG lValue) override {
        if (FAILED(setFailure)) return setFailure;
        sets.push_back({lWnd, r1, r2, lColumn, lValue});
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetKey(BSTR* pbsKey) override {
        *pbsKey = SysAllocString(u"row");
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetProperty(LONG, VARIANT*, VARIANT*) override { return E_INVALIDARG; }
    HRESULT STDMETHODCALLTYPE PutProperty(LONG lId, VARIANT* pvWindow, VARIANT* pvValue) override {
        if (FAILED(nameFailure)) return nameFailure;
        EXPECT_EQ(lId, 3);
        EXPECT_EQ(pvWindow->vt, VT_INT);
        EXPECT_EQ(pvValue->vt, VT_BSTR);
        names.emplace_back(com::BstrView(pvValue->bstrVal));
        return S_OK;
    }
};

// The rows of a context menu: a count and an enumeration over `rows`.
class FakeRowList : public FakeObject<CASTAVYLib::IFileRefItemList> {
public:
    LONG count = 0;
    HRESULT countFailure = S_OK;
    std::vector<IUnknown*> rows;  // not owned
    std::vector<std::pair<LONG, LONG>> countArguments;

    HRESULT STDMETHODCALLTYPE GetCount(LONG* plCount, LONG lColumn, LONG lReserved) override {
        countArguments.emplace_back(lColumn, lReserved);
        if (FAILED(countFailure)) return countFailure;
        *plCount = count;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetEnum(CASTAVYLib::IFileRefItemEnum** ppoEnum) override;
};

class FakeRowEnum : public FakeObject<CASTAVYLib::IFileRefItemEnum> {
public:
    explicit FakeRowEnum(std::vector<IUnknown*> rows) : rows_(std::move(rows)) {}
    HRESULT STDMETHODCALLTYPE Next(IUnknown** ppoRow) override {
        *ppoRow = nullptr;
        if (next_ >= rows_.size()) return S_FALSE;
        *ppoRow = rows_[next_++];
        (*ppoRow)->AddRef();
        return S_OK;
    }

private:
    std::vector<IUnknown*> rows_;
    size_t next_ = 0;
};

inline HRESULT STDMETHODCALLTYPE FakeRowList::GetEnum(CASTAVYLib::IFileRefItemEnum** ppoEnum) {
    *ppoEnum = new FakeRowEnum(rows);
    return S_OK;
}

// An element of the dialog holding (or not) one tree item.
class FakeElement : public FakeObject<CASTAVYLib::IFileRefElement> {
public:
    LONG has = 1;
    IUnknown* item = nullptr;  // not owned
    HRESULT hasFailure = S_OK;

    HRESULT STDMETHODCALLTYPE HasItem(LONG* plHas) override {
        if (FAILED(hasFailure)) return hasFailure;
        *plHas = has;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetItem(IUnknown** ppoItem) override {
        *ppoItem = item;
        if (item) item->AddRef();
        return S_OK;
    }
};

// The tree manager: its start recorded, or refused.
class FakeTreeManager : public FakeObject<HastrelLib::IXRefTreeManager, HastrelLib::IXRefTreeManagerSerials> {
public:
    static inline HRESULT startResult = S_OK;
    static inline int starts = 0;
    static inline bool hideStart = false;

    FakeTreeManager() {
        if (hideStart) Hide(HastrelLib::IXRefTreeManager::kIid);
    }
    HRESULT STDMETHODCALLTYPE Start(SpMgr*, LONG, GUID) override {
        ++starts;
        return startResult;
    }
    HRESULT STDMETHODCALLTYPE ReuseSerials(SAFEARRAY*) override { return S_OK; }
};

}  // namespace coravent_test
