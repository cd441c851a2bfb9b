// The first state of a new tree's check columns, over trees the
// cross-reference tree component builds: item generation (new or existing
// item, documents used more than once switched off) and adding files to an
// item (files it links already switched off, the selected files checked).
#include "recording_tree_item.h"
#include "reference_tree_fixture.h"

#include "bellquist/enums.h"
#include "castavy/ids.h"
#include "hastrel/ids.h"

#include <gtest/gtest.h>

#include <set>
#include <vector>

namespace {

using namespace coravent_test;
using namespace CASTAVYLib;
using namespace HastrelLib;

constexpr LONG kGenerationOptions = kTreeOptionReferences | kTreeOptionItemNames | kTreeOptionCounts;

using InitialMarksTest = ReferenceTreeTest;

LONG MarkOf(IUnknown* node) {
    CComQIPtr<IXRefTreeItem> row(node);
    LONG mark = 0;
    EXPECT_EQ(row->GetMark(&mark), S_OK);
    return mark;
}

TEST_F(InitialMarksTest, ANewItemsNodeStartsCreatedAndAnExistingItemsNodeUsed) {
    AddFrameWithBracketAndPlate();
    TestHandler& handler = StartHandler(CoraventLib::TreeCreationType_ItemGeneration, kGenerationOptions);
    ASSERT_EQ(BuildTree(handler, {{1, kFolder}}), S_OK);

    const Cell on{true, true}, off{false, true};
    struct Expected {
        LONG document;
        Cell create, existing, link;
    };
    const Expected expected[] = {
        {1, on, off, on},   // a new item, linking its file
        {2, off, on, off},  // the item that links it already
        {3, on, off, on},
    };
    for (const Expected& one : expected) {
        SCOPED_TRACE(one.document);
        std::vector<CComPtr<IUnknown>> nodes = NodesOf(handler, one.document);
        ASSERT_EQ(nodes.size(), 1u);
        EXPECT_EQ(CellOf(nodes[0], CastavyCol_CreateItem), one.create);
        EXPECT_EQ(CellOf(nodes[0], CastavyCol_ExistingItem), one.existing);
        EXPECT_EQ(CellOf(nodes[0], CastavyCol_Link), one.link);
    }
}

TEST_F(InitialMarksTest, WithoutItemsInTheVaultTheExistingItemColumnIsSwitchedOff) {
    source_->AddDocument(1, kFolder, u"frame.zvkasm");
    TestHandler& handler = StartHandler(CoraventLib::TreeCreationType_ItemGeneration, kGenerationOptions);
    ASSERT_EQ(BuildTree(handler, {{1, kFolder}}), S_OK);
    EXPECT_EQ(CellOf(NodesOf(handler, 1)[0], CastavyCol_ExistingItem), (Cell{false, false}));
}

TEST_F(InitialMarksTest, ADocumentUsedMoreThanOnceIsSwitchedOffEverywhere) {
    struct Case {
        const char* name;
        std::vector<std::pair<LONG, LONG>> references;  // parent, child
        LONG document;                                  // used twice
        size_t nodes;                                   // of that document
    };
    const Case cases[] = {
        {"referenced twice by one parent", {{1, 5}, {1, 5}}, 5, 1},
        {"referenced by two parents", {{1, 4}, {1, 5}, {4, 5}}, 5, 2},
    };
    for (const Case& one : cases) {
        SCOPED_TRACE(one.name);
        FreshSource();
        source_->AddDocument(1, kFolder, u"frame.zvkasm");
        source_->AddDocument(4, kFolder, u"arm.zvkasm");
        source_->AddDocument(5, kFolder, u"bolt.zvkprt");
        for (auto [parent, child] : one.references) source_->AddReference(parent, child);
        TestHandler& handler = StartHandler(CoraventLib::TreeCreationType_ItemGeneration, kGenerationOptions);
        ASSERT_EQ(BuildTree(handler, {{1, kFolder}}), S_OK);

        std::vector<CComPtr<IUnknown>> used = NodesOf(handler, one.document);
        ASSERT_EQ(used.size(), one.nodes);
        for (const CComPtr<IUnknown>& node : used)
            for (LONG column : {CastavyCol_CreateItem, CastavyCol_ExistingItem, CastavyCol_Link})
                EXPECT_EQ(CellOf(node, column), (Cell{false, false})) << column;
        // The documents used once keep their choice.
        EXPECT_EQ(CellOf(NodesOf(handler, 1)[0], CastavyCol_CreateItem), (Cell{true, true}));
        ReleaseHandler();
        manager_ = nullptr;
    }
}

TEST_F(InitialMarksTest, AddingFilesLinkedFilesCannotBeChosenAndSelectedFilesStartChecked) {
    source_->AddDocument(1, kFolder, u"frame.zvkasm");
    source_->AddDocument(2, kFolder, u"bracket.zvkprt");
    source_->AddDocument(5, kFolder, u"bolt.zvkprt");
    source_->AddReference(1, 2);
    source_->AddReference(1, 5);
    TestHandler& handler = StartHandler(CoraventLib::TreeCreationType_RetrieveFiles, kTreeOptionReferences);
    handler.moCurrentLinks.push_back({BellquistLib::ItmObjectType_File, 2, 0, -1, BellquistLib::LinkType_Dynamic, {}});
    ASSERT_EQ(BuildTree(handler, {{1, kFolder}, {5, kFolder}}), S_OK);

    // The item links bracket already: it cannot be added again.
    std::vector<CComPtr<IUnknown>> bracket = NodesOf(handler, 2);
    ASSERT_EQ(bracket.size(), 1u);
    EXPECT_EQ(CellOf(bracket[0], CastavyCol_AddFile), (Cell{false, false}));
    EXPECT_EQ(CellOf(bracket[0], CastavyCol_Link), (Cell{false, false}));
    EXPECT_EQ(MarkOf(bracket[0]), kMarkLinkedFile);

    // The selected files start checked, each in its first row only.
    EXPECT_EQ(CellOf(NodesOf(handler, 1)[0], CastavyCol_AddFile), (Cell{true, true}));
    std::vector<CComPtr<IUnknown>> bolt = NodesOf(handler, 5);
    ASSERT_EQ(bolt.size(), 2u);  // below the frame, and its own root
    EXPECT_EQ(CellOf(bolt[0], CastavyCol_AddFile), (Cell{true, true}));
    EXPECT_EQ(CellOf(bolt[1], CastavyCol_AddFile), (Cell{false, true}));
    EXPECT_EQ(MarkOf(bolt[1]), 0);
}

TEST_F(InitialMarksTest, ALinksConfigurationCountsOnlyWhenTheTreeTellsConfigurationsApart) {
    struct Case {
        const char* name;
        LONG options;
        LONG linkedConfiguration;
        bool linked;
    };
    const Case cases[] = {
        {"configurations not told apart", kTreeOptionReferences, 999, true},
        {"another configuration", kTreeOptionReferences | kTreeOptionConfigurations, 999, false},
        {"the node's configuration", kTreeOptionReferences | kTreeOptionConfigurations, 201, true},
    };
    for (const Case& one : cases) {
        SCOPED_TRACE(one.name);
        FreshSource();
        source_->AddDocument(1, kFolder, u"frame.zvkasm");
        source_->AddDocument(2, kFolder, u"bracket.zvkprt", {u"Default"});  // configuration 201
        source_->AddReference(1, 2, u"Default");
        TestHandler& handler = StartHandler(CoraventLib::TreeCreationType_RetrieveFiles, one.options);
        handler.moCurrentLinks.push_back(
            {BellquistLib::ItmObjectType_File, 2, 0, one.linkedConfiguration, BellquistLib::LinkType_Dynamic, {}});
        ASSERT_EQ(BuildTree(handler, {{1, kFolder}}), S_OK);
        std::vector<CComPtr<IUnknown>> bracket = NodesOf(handler, 2);
        ASSERT_FALSE(bracket.empty());
        EXPECT_EQ(CellOf(bracket[0], CastavyCol_AddFile).enabled, !one.linked);
        EXPECT_EQ(MarkOf(bracket[0]) == kMarkLinkedFile, one.linked);
        bracket.clear();
        ReleaseHandler();
        manager_ = nullptr;
    }
}

TEST_F(InitialMarksTest, FilesThatReferenceEachOtherAreMarkedOnce) {
    TestHandler& handler = StartHandler(CoraventLib::TreeCreationType_RetrieveFiles, kTreeOptionReferences);
    RecordingTreeItem item;
    item.children = {&item};  // the file references itself
    std::vector<const SelectionEntry*> workingCopy;
    std::set<std::pair<IUnknown*, LONG>> marked;
    EXPECT_EQ(handler.MarkRetrieveFilesNode(item.Unknown(), 0, workingCopy, marked), S_OK);
    EXPECT_EQ(marked.size(), 2u);  // in the configuration given, and in its own
    ReleaseHandler();
}

}  // namespace
