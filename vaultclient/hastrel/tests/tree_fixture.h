// A tree manager started over a source in memory, and a tree attached to
// it, for the component's tests; helpers that read nodes as callers do.
#pragma once

#include <gtest/gtest.h>

#include "castavy/interfaces.h"
#include "castavy/records.h"
#include "com/bstr.h"
#include "com/ccom_ptr.h"
#include "com/runtime.h"
#include "com/safearray.h"
#include "common/record_array.h"
#include "com_testing/leak_checked_test.h"
#include "hastrel/ids.h"
#include "hastrel/interfaces.h"
#include "hastrel/records.h"
#include "hastrel_testing/memory_source.h"
#include "vennacle/sp_mgr.h"

#include <memory>
#include <string>
#include <vector>

namespace hastrel_tests {

using namespace HastrelLib;
using hastrel_testing::MemoryTreeSource;

// A selection entry of a document (with a configuration and an item name)
// or of a vault folder; the strings are the entry's.
struct Entry {
    SelectionEntry entry{};
    Entry(LONG kind, LONG id, const char16_t* configuration = nullptr, const char16_t* itemName = nullptr,
          LONG itemFolderId = 0) {
        entry.mlKind = kind;
        (kind == kSelectionProject ? entry.mlProjectID : entry.mlDocumentID) = id;
        entry.moReserved.vt = VT_INT;
        entry.mbsConfiguration = configuration ? SysAllocString(configuration) : nullptr;
        entry.mbsItemName = itemName ? SysAllocString(itemName) : nullptr;
        entry.mlItemFolderID = itemFolderId;
    }
    Entry(const Entry& other) : Entry(other.entry.mlKind, 0) {
        entry = other.entry;
        entry.mbsConfiguration = other.entry.mbsConfiguration ? SysAllocString(other.entry.mbsConfiguration) : nullptr;
        entry.mbsItemName = other.entry.mbsItemName ? SysAllocString(other.entry.mbsItemName) : nullptr;
    }
    Entry& operator=(const Entry&) = delete;
    ~Entry() {
        SysFreeString(entry.mbsConfiguration);
        SysFreeString(entry.mbsItemName);
    }
};

inline Entry Document(LONG id, const char16_t* configuration = nullptr, const char16_t* itemName = nullptr,
                      LONG itemFolderId = 0) {
    return Entry(kSelectionDocument, id, configuration, itemName, itemFolderId);
}
inline Entry Folder(LONG id) { return Entry(kSelectionProject, id); }

// What a node says of itself through its node interfaces.
struct NodeView {
    LONG documentId = 0;
    LONG configWord = 0;
    LONG flags = 0;
    LONG count = 0;
    std::u16string key;
};

// A walk's callback that collects the nodes it is offered, hands each to
// the visitor it is given (when there is one), and fails at a chosen node.
class CollectingFunction final : public IXRefFunction {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (iid != IUnknown::kIid && iid != IXRefFunction::kIid) return E_NOINTERFACE;
        *out = static_cast<IXRefFunction*>(this);
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE Visit(LONG, IUnknown* node, XRefIteratorOp* visitor) override {
        nodes.emplace_back(node);
        if (static_cast<int>(nodes.size()) == failAt) return E_ABORT;
        return visitor ? visitor->Visit(node) : S_OK;
    }

    std::vector<CComPtr<IUnknown>> nodes;
    int failAt = 0;  // 1 for the first node; 0: none
};

class TreeTest : public com_testing::LeakCheckedTest {
protected:
    static void SetUpTestSuite() {
        HastrelLib::RegisterRecords();
        CASTAVYLib::RegisterRecords();
    }

    void SetUp() override {
        com_testing::LeakCheckedTest::SetUp();
        ASSERT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
        source_ = std::make_shared<MemoryTreeSource>();
        std::shared_ptr<MemoryTreeSource> source = source_;
        ASSERT_EQ(hastrel::CreateTreeManager(
                      [source](SpMgr&, LONG, const GUID&, std::shared_ptr<hastrel::TreeSource>& made) {
                          made = source;
                          return S_OK;
                      },
                      &manager_),
                  S_OK);
        CComQIPtr<IXRefTreeManager> start(manager_);
        ASSERT_TRUE(start);
        connection_ = new SpMgr();
        ASSERT_EQ(start->Start(connection_, 7, GUID{}), S_OK);
        tree_ = NewTree();
    }

    void TearDown() override {
        tree_ = nullptr;
        manager_ = nullptr;
        connection_->Release();
        CoUninitialize();
        source_.reset();
        com_testing::LeakCheckedTest::TearDown();
    }

    // A new tree attached to the manager.
    CComPtr<IXRefTree> NewTree() {
        CComPtr<IUnknown> made;
        EXPECT_EQ(hastrel::CreateTree(&made), S_OK);
        CComQIPtr<IXRefTree> tree(made);
        EXPECT_TRUE(tree);
        if (tree) {
            EXPECT_EQ(tree->SetManager(manager_), S_OK);
        }
        return tree;
    }

    HRESULT Build(IXRefTree* tree, LONG options, const std::vector<Entry>& entries) {
        std::vector<SelectionEntry> raw;
        for (const Entry& one : entries) raw.push_back(one.entry);
        if (HRESULT hr = tree->SetOptions(options); FAILED(hr)) return hr;
        BSTR empty = SysAllocString(u"");
        HRESULT hr = tree->Build(0, static_cast<LONG>(raw.size()), raw.data(), empty);
        SysFreeString(empty);
        return hr;
    }
    HRESULT Build(LONG options, const std::vector<Entry>& entries) { return Build(tree_, options, entries); }

    // The nodes of a walk with `flag`, in walk order.
    static std::vector<CComPtr<IUnknown>> Walk(IXRefTree* tree, LONG flag = IterateFlag_All) {
        CollectingFunction function;
        EXPECT_EQ(tree->Iterate(flag, &function, nullptr), S_OK);
        return std::move(function.nodes);
    }
    std::vector<CComPtr<IUnknown>> Walk(LONG flag = IterateFlag_All) { return Walk(tree_, flag); }

    static NodeView View(IUnknown* node) {
        NodeView view;
        CComQIPtr<IXRefNode> info(node);
        EXPECT_TRUE(info);
        if (!info) return view;
        EXPECT_EQ(info->GetDocumentID(&view.documentId), S_OK);
        EXPECT_EQ(info->GetFlags(&view.flags), S_OK);
        EXPECT_EQ(info->GetCount(&view.count), S_OK);
        CComQIPtr<CASTAVYLib::IFileRefItem3> properties(node);
        VARIANT out;
        VariantInit(&out);
        EXPECT_EQ(properties->GetProperty(CASTAVYLib::kPropertyConfiguration, nullptr, &out), S_OK);
        view.configWord = out.lVal;
        CComQIPtr<CASTAVYLib::IFileRefItem> row(node);
        BSTR key = nullptr;
        EXPECT_EQ(row->GetKey(&key), S_OK);
        view.key = com::BstrText(key);
        SysFreeString(key);
        return view;
    }

    static std::vector<LONG> DocumentsOf(const std::vector<CComPtr<IUnknown>>& nodes) {
        std::vector<LONG> ids;
        for (const CComPtr<IUnknown>& node : nodes) ids.push_back(View(node).documentId);
        return ids;
    }

    // The counter ids the tree lists as reserved for it.
    static std::vector<LONG> ReservedOf(IXRefTree* tree) {
        CComQIPtr<IXRefTreeSerials> serials(tree);
        SAFEARRAY* array = nullptr;
        EXPECT_EQ(serials->GetReservedSerials(&array), S_OK);
        std::vector<LONG> ids;
        {
            RecordArray<SerialNoInfo> records(array);
            for (const SerialNoInfo* one = records.mpoBegin(); one != records.mpoEnd(); ++one)
                ids.push_back(one->mlCounterID);
        }
        SafeArrayDestroy(array);
        return ids;
    }
    std::vector<LONG> ReservedOf() { return ReservedOf(tree_); }

    static std::u16string Text(IUnknown* node, LONG column) {
        CComQIPtr<CASTAVYLib::IFileRefItem> row(node);
        BSTR text = nullptr;
        EXPECT_EQ(row->GetColumnText(column, &text), S_OK);
        std::u16string result = com::BstrText(text);
        SysFreeString(text);
        return result;
    }

    std::shared_ptr<MemoryTreeSource> source_;
    SpMgr* connection_ = nullptr;
    CComPtr<IUnknown> manager_;
    CComPtr<IXRefTree> tree_;
};

}  // namespace hastrel_tests
