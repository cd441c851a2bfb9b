// A tree item of the cross-reference tree that records every call the row
// wrapper makes on it, with the owner protocol of the tree component (while
// an owner is set, the five row interfaces are the owner's), and a tree
// that walks a list of such items and hands out an item list. For the tests
// of what the wrapper and the walk do with the exact calls.
#pragma once

#include "castavy/ids.h"
#include "castavy/interfaces.h"
#include "castavy/records.h"
#include "com/bstr.h"
#include "com/ccom_ptr.h"
#include "com/safearray.h"
#include "com/task_memory.h"
#include "com/unknown.h"
#include "common/record_array.h"
#include "hastrel/interfaces.h"
#include "hastrel/records.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace coravent_test {

// The two names, the counter id and the key a fake item hands out, and how
// its calls answer.
struct FakeItemSetup {
    std::u16string nameA;
    std::u16string nameB;
    SerialNoInfo serial{};
    std::u16string key = u"item";
    HRESULT ownerFailure = S_OK;  // what SetOwner answers
    HRESULT namesFailure = S_OK;  // what GetNames answers
    HRESULT setFailure = S_OK;    // what SetColumnValue answers
    HRESULT childResult = S_OK;   // what NextChild and GetChild answer (S_OK with a child)
};

class RecordingTreeItem final : public CASTAVYLib::IFileRefItem,
                                public CASTAVYLib::IFileRefItem3,
                                public CASTAVYLib::IEditableFileRefItem,
                                public CASTAVYLib::IFileRefConfigurations,
                                public HastrelLib::IXRefItmItem,
                                public HastrelLib::IXRefItemControl,
                                public HastrelLib::IXRefNode,
                                public HastrelLib::IXRefTreeItem,
                                public HastrelLib::IXRefColumns,
                                public HastrelLib::IXRefColumnState {
public:
    explicit RecordingTreeItem(FakeItemSetup setup = {}) : setup_(std::move(setup)) {}
    RecordingTreeItem(const RecordingTreeItem&) = delete;
    RecordingTreeItem& operator=(const RecordingTreeItem&) = delete;

    // What the item was asked, in order: "owner set", "owner none",
    // "query <interface>", "set <column>=<value>", "switch <column> on|off",
    // "state <column> <bits>", and "<interface> <slot>" for the calls of
    // the row interfaces.
    std::vector<std::string> log;
    std::map<LONG, LONG> values;               // column values (IFileRefItem 13/14, IXRefColumns 4/5)
    std::map<LONG, bool> switches;             // column switches (on unless set)
    std::vector<RecordingTreeItem*> children;  // what NextChild and GetChild hand out (not owned)
    IUnknown* owner = nullptr;
    LONG mark = 0;

    IUnknown* Unknown() { return static_cast<CASTAVYLib::IFileRefItem*>(this); }
    CASTAVYLib::IFileRefItem* Item() { return this; }
    ULONG References() const { return references_; }
    FakeItemSetup& Setup() { return setup_; }
    void ClearLog() { log.clear(); }
    bool Checked(LONG column) { return values[column] != 0; }
    bool SwitchedOn(LONG column) { return !switches.contains(column) || switches[column]; }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        const bool rowInterface = iid == CASTAVYLib::IFileRefItem::kIid || iid == CASTAVYLib::IFileRefItem3::kIid ||
                                  iid == CASTAVYLib::IEditableFileRefItem::kIid ||
                                  iid == CASTAVYLib::IFileRefConfigurations::kIid ||
                                  iid == HastrelLib::IXRefItmItem::kIid;
        if (rowInterface) log.push_back("query " + Name(iid));
        if (rowInterface && owner) return owner->QueryInterface(iid, out);
        IUnknown* answer = nullptr;
        if (iid == IUnknown::kIid || iid == CASTAVYLib::IFileRefItem::kIid)
            answer = static_cast<CASTAVYLib::IFileRefItem*>(this);
        else if (iid == CASTAVYLib::IFileRefItem3::kIid)
            answer = static_cast<CASTAVYLib::IFileRefItem3*>(this);
        else if (iid == CASTAVYLib::IEditableFileRefItem::kIid)
            answer = static_cast<CASTAVYLib::IEditableFileRefItem*>(this);
        else if (iid == CASTAVYLib::IFileRefConfigurations::kIid)
            answer = static_cast<CASTAVYLib::IFileRefConfigurations*>(this);
        else if (iid == HastrelLib::IXRefItmItem::kIid)
            answer = static_cast<HastrelLib::IXRefItmItem*>(this);
        else if (iid == HastrelLib::IXRefItemControl::kIid)
            answer = static_cast<HastrelLib::IXRefItemControl*>(this);
        else if (iid == HastrelLib::IXRefNode::kIid)
            answer = static_cast<HastrelLib::IXRefNode*>(this);
        else if (iid == HastrelLib::IXRefTreeItem::kIid)
            answer = static_cast<HastrelLib::IXRefTreeItem*>(this);
        else if (iid == HastrelLib::IXRefColumns::kIid)
            answer = static_cast<HastrelLib::IXRefColumns*>(this);
        else if (iid == HastrelLib::IXRefColumnState::kIid)
            answer = static_cast<HastrelLib::IXRefColumnState*>(this);
        if (!answer) return E_NOINTERFACE;
        answer->AddRef();
        *out = answer;
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override {
        EXPECT_GT(references_, 1u) << "the test's own reference was released";
        return references_ > 1 ? --references_ : references_;
    }

    // IFileRefItem
    HRESULT STDMETHODCALLTYPE StartChildren(LONG, LONG) override {
        log.push_back("IFileRefItem 3");
        next_ = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE NextChild(LONG, LONG, CASTAVYLib::IFileRefItem** ppoChild) override {
        log.push_back("IFileRefItem 4");
        return HandChild(next_++, ppoChild);
    }
    HRESULT STDMETHODCALLTYPE GetChild(LONG, LONG lIndex, CASTAVYLib::IFileRefItem** ppoChild) override {
        log.push_back("IFileRefItem 6");
        return HandChild(static_cast<size_t>(lIndex), ppoChild);
    }
    HRESULT STDMETHODCALLTYPE GetColumnText(LONG lColumn, BSTR* pbsText) override {
        log.push_back("IFileRefItem 7");
        *pbsText = SysAllocString(lColumn == 0 ? u"bracket.zvkprt" : u"");
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetColumnEnabled(LONG lColumn, VARIANT_BOOL* pbEnabled) override {
        log.push_back("IFileRefItem 8");
        *pbEnabled = SwitchedOn(lColumn) ? VARIANT_TRUE : VARIANT_FALSE;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE UnusedSlot12() override {
        log.push_back("IFileRefItem 12");
        return 0x00040012;
    }
    HRESULT STDMETHODCALLTYPE GetColumnValue(LONG lColumn, LONG* plValue) override {
        *plValue = values[lColumn];
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetColumnValue(LONG, LONG, LONG, LONG lColumn, LONG lValue) override {
        log.push_back("set " + std::to_string(lColumn) + "=" + std::to_string(lValue));
        if (FAILED(setup_.setFailure)) return setup_.setFailure;
        values[lColumn] = lValue;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetKey(BSTR* pbsKey) override {
        *pbsKey = SysAllocStringLen(setup_.key.data(), static_cast<UINT>(setup_.key.size()));
        return S_OK;
    }

    // IFileRefItem3
    HRESULT STDMETHODCALLTYPE GetProperty(LONG lId, VARIANT*, VARIANT* pvOut) override {
        log.push_back("IFileRefItem3 3 (" + std::to_string(lId) + ")");
        if (lId != CASTAVYLib::kPropertyConfiguration) return E_INVALIDARG;
        VariantClear(pvOut);
        pvOut->vt = VT_I4;
        pvOut->lVal = -1;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE PutProperty(LONG lId, VARIANT*, VARIANT*) override {
        log.push_back("IFileRefItem3 4 (" + std::to_string(lId) + ")");
        return E_INVALIDARG;
    }

    // IEditableFileRefItem
    HRESULT STDMETHODCALLTYPE SetValue(LONG lId, BSTR bsValue) override {
        log.push_back("IEditableFileRefItem 3 (" + std::to_string(lId) + ", " + winapi_text(com::BstrView(bsValue)) +
                      ")");
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetValue(LONG lId, BSTR* pbsValue) override {
        log.push_back("IEditableFileRefItem 4 (" + std::to_string(lId) + ")");
        *pbsValue = SysAllocString(u"value");
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE UnusedSlot6() override {
        log.push_back("slot 6");
        return 0x00040006;
    }
    HRESULT STDMETHODCALLTYPE GetChanged(VARIANT_BOOL*) override {
        log.push_back("IEditableFileRefItem 7");
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE CanEdit(VARIANT_BOOL*) override {
        log.push_back("IEditableFileRefItem 8");
        return S_OK;
    }

    // IFileRefConfigurations: one configuration per child, each with its
    // child as item.
    HRESULT STDMETHODCALLTYPE GetConfigurations(SAFEARRAY** ppoConfigurations) override {
        log.push_back("IFileRefConfigurations 3");
        RecordArray<CASTAVYLib::FileRefConfiguration> records;
        records.mvCreate(static_cast<ULONG>(children.size()), CASTAVYLib::LIBID_CASTAVYLib, 1, 0);
        CASTAVYLib::FileRefConfiguration* record = records.mpoBegin();
        for (RecordingTreeItem* child : children) {
            record->configurationWord = static_cast<LONG>(record - records.mpoBegin()) + 1;
            record->item = child->Unknown();
            record->item->AddRef();
            ++record;
        }
        records.mvHandOut(ppoConfigurations);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE FindConfiguration(BSTR, LONG* plWord, LONG* plState) override {
        log.push_back("IFileRefConfigurations 4");
        *plWord = 5;
        *plState = 0;
        return S_OK;
    }

    // IXRefItmItem: the records carry the string "item's", which the
    // wrapper is to replace.
    HRESULT STDMETHODCALLTYPE GetObjectData(BellquistLib::ItmObjectData* poData) override {
        log.push_back("IXRefItmItem 3");
        poData->mlObjectID = 77;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetNodeRecord(HastrelLib::XRefNodeRecord** ppoRecord) override {
        log.push_back("IXRefItmItem 4");
        auto* record = static_cast<HastrelLib::XRefNodeRecord*>(CoTaskMemAlloc(sizeof(HastrelLib::XRefNodeRecord)));
        *record = {};
        record->mlDocumentID = 12;
        record->mbsItemName = SysAllocString(u"item's");
        *ppoRecord = record;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetRowRecord(HastrelLib::XRefRowRecord** ppoRecord) override {
        log.push_back("IXRefItmItem 5");
        auto* record = static_cast<HastrelLib::XRefRowRecord*>(CoTaskMemAlloc(sizeof(HastrelLib::XRefRowRecord)));
        *record = {};
        record->mbsName = SysAllocString(u"item's");
        record->moSerial = setup_.serial;
        record->mlNewItem = 7;
        record->mlNameB = 7;
        *ppoRecord = record;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetNames(HastrelLib::XRefNames** ppoNames) override {
        log.push_back("IXRefItmItem 6");
        if (FAILED(setup_.namesFailure)) return setup_.namesFailure;
        auto* names = static_cast<HastrelLib::XRefNames*>(CoTaskMemAlloc(sizeof(HastrelLib::XRefNames)));
        names->mbsNameA = setup_.nameA.empty() ? nullptr : SysAllocString(setup_.nameA.c_str());
        names->mbsNameB = setup_.nameB.empty() ? nullptr : SysAllocString(setup_.nameB.c_str());
        *ppoNames = names;
        return S_OK;
    }

    // IXRefItemControl
    HRESULT STDMETHODCALLTYPE SetOwner(IUnknown* poOwner) override {
        log.push_back(poOwner ? "owner set" : "owner none");
        if (FAILED(setup_.ownerFailure)) return setup_.ownerFailure;
        owner = poOwner;
        return S_OK;
    }

    // IXRefNode: document 12 in folder 3.
    HRESULT STDMETHODCALLTYPE GetDocumentID(LONG* plDocumentId) override {
        *plDocumentId = 12;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetFlags(LONG* plFlags) override {
        *plFlags = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetFolderID(LONG* plFolderId) override {
        *plFolderId = 3;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetVersion(LONG* plVersion) override {
        *plVersion = 1;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetCount(LONG* plCount) override {
        *plCount = 1;
        return S_OK;
    }

    // IXRefTreeItem
    HRESULT STDMETHODCALLTYPE GetMark(LONG* plMark) override {
        *plMark = mark;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetMark(LONG lMark) override {
        mark = lMark;
        return S_OK;
    }

    // IXRefColumns
    HRESULT STDMETHODCALLTYPE GetChecked(LONG lColumn, VARIANT_BOOL* pbChecked) override {
        *pbChecked = values[lColumn] != 0 && SwitchedOn(lColumn) ? VARIANT_TRUE : VARIANT_FALSE;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetValue(LONG lColumn, VARIANT_BOOL* pbValue) override {
        *pbValue = values[lColumn] != 0 ? VARIANT_TRUE : VARIANT_FALSE;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetValue(LONG lColumn, VARIANT_BOOL bValue) override {
        values[lColumn] = bValue != VARIANT_FALSE ? 1 : 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetEnabled(LONG lColumn, VARIANT_BOOL bEnabled) override {
        log.push_back("switch " + std::to_string(lColumn) + (bEnabled ? " on" : " off"));
        switches[lColumn] = bEnabled != VARIANT_FALSE;
        return S_OK;
    }

    // IXRefColumnState
    HRESULT STDMETHODCALLTYPE SetColumnState(LONG, LONG, LONG) override { return E_UNEXPECTED; }
    HRESULT STDMETHODCALLTYPE SetColumnsState(SAFEARRAY* poColumns, LONG lState, LONG lScope) override {
        EXPECT_EQ(lScope, HastrelLib::kColumnScopeSelf);
        LONG index = 0, column = 0;
        EXPECT_EQ(SafeArrayGetElement(poColumns, &index, &column), S_OK);
        log.push_back("state " + std::to_string(column) + " " + std::to_string(lState));
        return S_OK;
    }

private:
    static std::string Name(REFIID iid) {
        if (iid == CASTAVYLib::IFileRefItem::kIid) return "IFileRefItem";
        if (iid == CASTAVYLib::IFileRefItem3::kIid) return "IFileRefItem3";
        if (iid == CASTAVYLib::IEditableFileRefItem::kIid) return "IEditableFileRefItem";
        if (iid == CASTAVYLib::IFileRefConfigurations::kIid) return "IFileRefConfigurations";
        return "IXRefItmItem";
    }
    static std::string winapi_text(std::u16string_view text) { return std::string(text.begin(), text.end()); }

    HRESULT HandChild(size_t index, CASTAVYLib::IFileRefItem** ppoChild) {
        *ppoChild = nullptr;
        if (setup_.childResult != S_OK || index >= children.size()) {
            // A child handed out with another result is the caller's to
            // release, never to take.
            if (setup_.childResult == S_FALSE && !children.empty()) {
                *ppoChild = children.front();
                (*ppoChild)->AddRef();
            }
            return setup_.childResult != S_OK ? setup_.childResult : S_FALSE;
        }
        *ppoChild = children[index];
        (*ppoChild)->AddRef();
        return S_OK;
    }

    FakeItemSetup setup_;
    ULONG references_ = 1;
    size_t next_ = 0;
};

// A tree that walks `nodes` in order (each offered as often as listed) and
// hands out the item list `items`.
class FakeWalkTree final : public HastrelLib::IXRefTree, public HastrelLib::IXRefTreeItems {
public:
    std::vector<IUnknown*> nodes;  // not owned
    std::vector<std::pair<std::u16string, bool>> items;
    HRESULT itemListFailure = S_OK;
    std::vector<LONG> walkFlags;  // the flag of each walk

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        *out = nullptr;
        if (iid == IUnknown::kIid || iid == HastrelLib::IXRefTree::kIid)
            *out = static_cast<HastrelLib::IXRefTree*>(this);
        else if (iid == HastrelLib::IXRefTreeItems::kIid)
            *out = static_cast<HastrelLib::IXRefTreeItems*>(this);
        else
            return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override {
        EXPECT_GT(references_, 1u) << "the test's own reference was released";
        return references_ > 1 ? --references_ : references_;
    }
    ULONG References() const { return references_; }

    HRESULT STDMETHODCALLTYPE Build(LONG, LONG, HastrelLib::SelectionEntry*, BSTR) override { return E_UNEXPECTED; }
    HRESULT STDMETHODCALLTYPE Iterate(LONG eFlag, HastrelLib::IXRefFunction* poFunction,
                                      HastrelLib::XRefIteratorOp* poVisitor) override {
        walkFlags.push_back(eFlag);
        for (IUnknown* node : nodes)
            if (HRESULT hr = poFunction->Visit(0, node, poVisitor); FAILED(hr)) return hr;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetRoots(IUnknown**) override { return E_UNEXPECTED; }
    HRESULT STDMETHODCALLTYPE SetOptions(LONG) override { return E_UNEXPECTED; }
    HRESULT STDMETHODCALLTYPE SetManager(IUnknown*) override { return E_UNEXPECTED; }
    HRESULT STDMETHODCALLTYPE GetExistingItemSwitch(VARIANT_BOOL* pbSwitch) override {
        *pbSwitch = VARIANT_TRUE;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetItemList(SAFEARRAY** ppoItems) override {
        if (FAILED(itemListFailure)) return itemListFailure;
        RecordArray<CASTAVYLib::ItemListEntry> records;
        records.mvCreate(static_cast<ULONG>(items.size()), CASTAVYLib::LIBID_CASTAVYLib, 1, 0);
        CASTAVYLib::ItemListEntry* record = records.mpoBegin();
        for (const auto& [name, flag] : items) {
            record->name = SysAllocString(name.c_str());
            record->flag = flag ? VARIANT_TRUE : VARIANT_FALSE;
            ++record;
        }
        records.mvHandOut(ppoItems);
        return S_OK;
    }

private:
    ULONG references_ = 1;
};

}  // namespace coravent_test
