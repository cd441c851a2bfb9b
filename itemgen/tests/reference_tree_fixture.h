// A tree handler whose trees are the cross-reference tree component's own,
// built over documents held in memory: the handler starts on the test vault
// with a tree manager over that source, takes a selection of documents and
// builds its tree as the reference dialog has it do.
#pragma once

#include "handler_fixture.h"

#include "castavy/ids.h"
#include "castavy/interfaces.h"
#include "castavy/records.h"
#include "com/ccom_ptr.h"
#include "com/runtime.h"
#include "common/record_array.h"
#include "coravent/ids.h"
#include "coravent/records.h"
#include "hastrel/ids.h"
#include "hastrel/interfaces.h"
#include "hastrel_testing/memory_source.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

namespace coravent_test {

class ReferenceTreeTest : public HandlerTest {
protected:
    void SetUp() override {
        HandlerTest::SetUp();
        CASTAVYLib::RegisterRecords();
        ASSERT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
        FreshSource();
    }
    void TearDown() override {
        ReleaseHandler();
        manager_ = nullptr;
        classes_.reset();
        source_.reset();
        CoUninitialize();
        HandlerTest::TearDown();
    }

    // The folder the tests put their documents in.
    static constexpr LONG kFolder = 10;

    // Starts again with an empty source and tree classes over it.
    void FreshSource() {
        source_ = std::make_shared<hastrel_testing::MemoryTreeSource>();
        classes_.reset();
        classes_.emplace(source_);
    }

    // A frame (document 1) referencing a bracket (2), which the item
    // "Bracket.<item>" links, and a plate (3).
    void AddFrameWithBracketAndPlate() {
        source_->AddDocument(1, kFolder, u"frame.zvkasm");
        source_->AddDocument(2, kFolder, u"bracket.zvkprt");
        source_->AddDocument(3, kFolder, u"plate.zvkprt");
        source_->AddReference(1, 2);
        source_->AddReference(1, 3);
        source_->AddItem(u"Bracket.<item>", 2);
    }

    // A handler of tree type `type` with a started tree manager and the
    // tree options `options`.
    TestHandler& StartHandler(CoraventLib::TreeCreationType type, LONG options) {
        TestHandler& handler = MakeHandler(type);
        manager_ = nullptr;
        EXPECT_EQ(CoCreateInstance(HastrelLib::CLSID_XRefTreeManager, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                                   reinterpret_cast<void**>(&manager_)),
                  S_OK);
        CComQIPtr<HastrelLib::IXRefTreeManager> start(manager_);
        EXPECT_EQ(start->Start(&Mgr(), vault_.alice, GUID{}), S_OK);
        CoraventLib::InitData data{};
        data.mpoSpMgr = reinterpret_cast<uintptr_t>(&Mgr());
        data.mlUserID = vault_.alice;
        data.meTreeCreationType = type;
        data.moRootPath = SysAllocString(u"C:\\Vault\\");
        data.moComputerName = SysAllocString(u"WORKSTATION");
        EXPECT_EQ(handler.Init(data, type, manager_), S_OK);
        SysFreeString(data.moRootPath);
        SysFreeString(data.moComputerName);
        handler.SetDialogOptions(0, options, 0);
        return handler;
    }

    // Hands the documents (id, folder) to the handler as its selection and
    // builds its tree.
    HRESULT BuildTree(TestHandler& handler, const std::vector<std::pair<LONG, LONG>>& documents) {
        RecordArray<CoraventLib::ItemData> items;
        items.mvCreate(static_cast<ULONG>(documents.size()), CoraventLib::LIBID_CoraventLib, 1, 0);
        CoraventLib::ItemData* item = items.mpoBegin();
        for (auto [document, folder] : documents) {
            item->mlDocumentID = document;
            item->mlProjectID = folder;
            ++item;
        }
        EXPECT_EQ(handler.AddSelection(items.mpoGetArray()), S_OK);
        return handler.CreateXRefTree(nullptr);
    }

    // The tree's nodes in walk order.
    static std::vector<CComPtr<IUnknown>> Nodes(TestHandler& handler) {
        std::vector<CComPtr<IUnknown>> nodes;
        std::vector<SerialNoInfo> serials;
        std::vector<std::u16string> names;
        handler.moGetSelected(handler.mpoTree, static_cast<HastrelLib::IterateFlag>(0), {}, nodes, serials, names);
        return nodes;
    }
    static LONG DocumentOf(IUnknown* node) {
        CComQIPtr<HastrelLib::IXRefNode> info(node);
        LONG id = 0;
        EXPECT_EQ(info->GetDocumentID(&id), S_OK);
        return id;
    }
    // The nodes of document `id`, in walk order.
    static std::vector<CComPtr<IUnknown>> NodesOf(TestHandler& handler, LONG id) {
        std::vector<CComPtr<IUnknown>> found;
        for (const CComPtr<IUnknown>& node : Nodes(handler))
            if (DocumentOf(node) == id) found.push_back(node);
        return found;
    }

    // A column of a node: its value and its switch.
    struct Cell {
        bool value;
        bool enabled;
        bool operator==(const Cell&) const = default;
    };
    static Cell CellOf(IUnknown* node, LONG column) {
        CComQIPtr<HastrelLib::IXRefColumns> columns(node);
        CComQIPtr<CASTAVYLib::IFileRefItem> row(node);
        VARIANT_BOOL value = VARIANT_FALSE, enabled = VARIANT_FALSE;
        EXPECT_EQ(columns->GetValue(column, &value), S_OK);
        EXPECT_EQ(row->GetColumnEnabled(column, &enabled), S_OK);
        return {value == VARIANT_TRUE, enabled == VARIANT_TRUE};
    }

    std::shared_ptr<hastrel_testing::MemoryTreeSource> source_;
    std::optional<hastrel_testing::ScopedTreeClasses> classes_;
    CComPtr<IUnknown> manager_;
};

}  // namespace coravent_test
