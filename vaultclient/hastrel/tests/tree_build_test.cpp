// Building a tree: roots from the selection, the references below them as
// the option word says, cycles left out, failures leaving the tree as it was.
#include "tree_fixture.h"

#include "castavy/ids.h"
#include "common/error_codes.h"

namespace hastrel_tests {
namespace {

using CASTAVYLib::CastavyCol;

// An assembly (1) holding a bolt twice, a plate statically and a
// sub-assembly (4), which holds a pin in its "Long" configuration, the bolt
// again, and the assembly (a cycle).
class AssemblyTreeTest : public TreeTest {
protected:
    void SetUp() override {
        TreeTest::SetUp();
        source_->AddDocument(1, 10, u"assembly.asm", {u"Default", u"Light"});
        source_->AddDocument(2, 11, u"bolt.prt");
        source_->AddDocument(3, 11, u"plate.prt");
        source_->AddDocument(4, 10, u"sub.asm");
        source_->AddDocument(5, 11, u"pin.prt", {u"Short", u"Long"});
        source_->AddReference(1, 2);
        source_->AddReference(1, 2);
        source_->AddReference(1, 3, u"", true);
        source_->AddReference(1, 4);
        source_->AddReference(4, 5, u"Long");
        source_->AddReference(4, 2);
        source_->AddReference(4, 1);
    }

    static constexpr LONG kFull = kTreeOptionReferences | kTreeOptionConfigurations | kTreeOptionCounts;
};

TEST_F(AssemblyTreeTest, NodesFollowTheReferencesDepthFirstWithoutTheCycle) {
    ASSERT_EQ(Build(kFull, {Document(1, u"Default")}), S_OK);
    const std::vector<CComPtr<IUnknown>> nodes = Walk();
    ASSERT_EQ(DocumentsOf(nodes), (std::vector<LONG>{1, 2, 3, 4, 5, 2}));

    struct Expected {
        const char16_t* key;
        LONG configWord;
        LONG count;
        LONG flags;
        const char16_t* quantity;
        const char16_t* kind;
    };
    const LONG counted = kNodeFlagCountValid;
    const Expected expected[] = {
        {u"0", 101, 1, kNodeFlagRoot | kNodeFlagHasChildren | counted, u"", u""},
        {u"0/0", -1, 2, counted, u"2", u"Dynamic"},
        {u"0/1", -1, 1, counted, u"1", u"Static"},
        {u"0/2", -1, 1, kNodeFlagHasChildren | counted, u"1", u"Dynamic"},
        {u"0/2/0", 502, 1, counted, u"1", u"Dynamic"},
        {u"0/2/1", -1, 1, counted, u"1", u"Dynamic"},
    };
    for (size_t i = 0; i < nodes.size(); ++i) {
        SCOPED_TRACE(i);
        const NodeView view = View(nodes[i]);
        EXPECT_EQ(view.key, expected[i].key);
        EXPECT_EQ(view.configWord, expected[i].configWord);
        EXPECT_EQ(view.count, expected[i].count);
        EXPECT_EQ(view.flags, expected[i].flags);
        EXPECT_EQ(Text(nodes[i], CASTAVYLib::CastavyCol_Quantity), expected[i].quantity);
        EXPECT_EQ(Text(nodes[i], CASTAVYLib::CastavyCol_ReferenceKind), expected[i].kind);
    }
    EXPECT_EQ(Text(nodes[0], CASTAVYLib::CastavyCol_Name), u"assembly.asm");
    EXPECT_EQ(Text(nodes[0], CASTAVYLib::CastavyCol_Folder), u"\\Folder10\\");
    EXPECT_EQ(Text(nodes[0], CASTAVYLib::CastavyCol_Configuration), u"Default");
    EXPECT_EQ(Text(nodes[4], CASTAVYLib::CastavyCol_Configuration), u"Long");
    EXPECT_EQ(Text(nodes[0], CASTAVYLib::CastavyCol_LatestVersion), u"1");

    // The references of the root are its children, in order.
    CComQIPtr<IXRefNodeReferences> references(nodes[0]);
    SAFEARRAY* array = nullptr;
    ASSERT_EQ(references->GetReferences(&array), S_OK);
    {
        RecordArray<XRefReference> elements(array);
        ASSERT_EQ(elements.mlGetCount(), 3);
        const LONG documents[] = {2, 3, 4};
        const LONG statics[] = {0, 1, 0};
        const size_t children[] = {1, 2, 3};
        for (LONG i = 0; i < 3; ++i) {
            const XRefReference& element = elements.mpoBegin()[i];
            EXPECT_EQ(element.mlDocumentID, documents[i]);
            EXPECT_EQ(element.mlConfigurationWord, -1);
            EXPECT_EQ(element.mlStatic, statics[i]);
            IUnknown* item = element.mpoItem;
            EXPECT_EQ(CComPtr<IUnknown>(item), nodes[children[i]]);
        }
    }
    SafeArrayDestroy(array);

    // Both child enumerations give the same nodes.
    CComQIPtr<IXRefNodeChildren> children(nodes[3]);
    CComQIPtr<CASTAVYLib::IFileRefItem> row(nodes[3]);
    ASSERT_EQ(children->StartChildren(-1), S_OK);
    ASSERT_EQ(row->StartChildren(0, 0), S_OK);
    for (size_t expectedChild : {4u, 5u}) {
        CComPtr<IUnknown> child;
        ASSERT_EQ(children->NextChild(-1, &child), S_OK);
        EXPECT_EQ(child, nodes[expectedChild]);
        CComPtr<CASTAVYLib::IFileRefItem> childRow;
        ASSERT_EQ(row->NextChild(0, 0, &childRow), S_OK);
        EXPECT_EQ(CComPtr<IUnknown>(childRow), nodes[expectedChild]);
    }
    CComPtr<IUnknown> end;
    EXPECT_EQ(children->NextChild(-1, &end), S_FALSE);
    EXPECT_FALSE(end);
    CComPtr<CASTAVYLib::IFileRefItem> byIndex;
    EXPECT_EQ(row->GetChild(0, 1, &byIndex), S_OK);
    EXPECT_EQ(CComPtr<IUnknown>(byIndex), nodes[5]);
    EXPECT_EQ(row->GetChild(0, 2, &byIndex), S_FALSE);
    EXPECT_FALSE(byIndex);
}

TEST_F(AssemblyTreeTest, TheOptionWordDecidesDepthAndConfigurations) {
    struct Case {
        LONG options;
        std::vector<LONG> documents;
        LONG rootConfigWord;
        LONG lastConfigWord;
    };
    const Case cases[] = {
        {0, {1}, -1, -1},
        {kTreeOptionConfigurations, {1}, 101, 101},
        {kTreeOptionReferences | kTreeOptionDirectOnly, {1, 2, 3, 4}, -1, -1},
        {kTreeOptionReferences, {1, 2, 3, 4, 5, 2}, -1, -1},
        {kTreeOptionReferences | kTreeOptionConfigurations, {1, 2, 3, 4, 5, 2}, 101, -1},
    };
    for (const Case& one : cases) {
        SCOPED_TRACE(one.options);
        CComPtr<IXRefTree> tree = NewTree();
        ASSERT_EQ(Build(tree, one.options, {Document(1, u"default")}), S_OK);
        const std::vector<CComPtr<IUnknown>> nodes = Walk(tree);
        EXPECT_EQ(DocumentsOf(nodes), one.documents);
        EXPECT_EQ(View(nodes.front()).configWord, one.rootConfigWord);
        if (nodes.size() == 6) {
            EXPECT_EQ(View(nodes[4]).configWord, one.options & kTreeOptionConfigurations ? 502 : -1);
        }
        EXPECT_EQ(View(nodes.back()).configWord, one.lastConfigWord);
    }
}

TEST_F(AssemblyTreeTest, TheSelectionGivesRootsOnceInEntryOrder) {
    struct Case {
        std::vector<Entry> entries;
        std::vector<LONG> roots;
        std::vector<LONG> configWords;
    };
    const Case cases[] = {
        // A folder's documents in name order.
        {{Folder(11)}, {2, 5, 3}, {-1, -1, -1}},
        // A document named twice in one configuration is one root.
        {{Document(3), Document(2), Document(3)}, {3, 2}, {-1, -1}},
        // Configurations of one document are roots of their own.
        {{Document(5, u"Short"), Document(5, u"Long"), Document(5, u"SHORT")}, {5, 5}, {501, 502}},
        // Kinds other than documents and folders are passed over.
        {{Entry(0, 1), Document(4)}, {4}, {-1}},
        // An empty folder adds nothing.
        {{Folder(99)}, {}, {}},
    };
    for (const Case& one : cases) {
        CComPtr<IXRefTree> tree = NewTree();
        ASSERT_EQ(Build(tree, kTreeOptionConfigurations, one.entries), S_OK);
        const std::vector<CComPtr<IUnknown>> roots = Walk(tree, IterateFlag_Roots);
        EXPECT_EQ(DocumentsOf(roots), one.roots);
        std::vector<LONG> words;
        for (const CComPtr<IUnknown>& root : roots) words.push_back(View(root).configWord);
        EXPECT_EQ(words, one.configWords);
    }
}

TEST_F(AssemblyTreeTest, AFailedBuildLeavesTheTreeAsItWas) {
    ASSERT_EQ(Build(kFull, {Document(4)}), S_OK);
    const std::vector<CComPtr<IUnknown>> before = Walk();

    // A selected document the vault does not have.
    EXPECT_EQ(Build(kFull, {Document(1), Document(77)}), E_OXN_FILE_NOT_FOUND);
    com_testing::ClearPendingErrorInfo();
    EXPECT_EQ(Walk(), before);

    // A failing read of the vault comes back as it is.
    source_->FailNext(MemoryTreeSource::Call::kGetReferences, E_ACCESSDENIED);
    EXPECT_EQ(Build(kFull, {Document(1)}), E_ACCESSDENIED);
    com_testing::ClearPendingErrorInfo();
    EXPECT_EQ(Walk(), before);

    // A reference to a document the vault no longer has is left out.
    source_->RemoveDocument(5);
    ASSERT_EQ(Build(kFull, {Document(4)}), S_OK);
    EXPECT_EQ(DocumentsOf(Walk()), (std::vector<LONG>{4, 2, 1, 2, 3}));
}

TEST_F(AssemblyTreeTest, BuildChecksItsArgumentsAndItsManager) {
    SelectionEntry entry{};
    EXPECT_EQ(tree_->Build(0, -1, &entry, nullptr), E_INVALIDARG);
    EXPECT_EQ(tree_->Build(0, 1, nullptr, nullptr), E_POINTER);

    CComPtr<IUnknown> made;
    ASSERT_EQ(hastrel::CreateTree(&made), S_OK);
    CComQIPtr<IXRefTree> detached(made);
    EXPECT_EQ(detached->Build(0, 1, &entry, nullptr), E_UNEXPECTED);
    // Only this component's tree manager is taken.
    EXPECT_EQ(detached->SetManager(nullptr), E_POINTER);
    EXPECT_EQ(detached->SetManager(made), E_NOINTERFACE);

    // A manager that was never started has no session to build with.
    CComPtr<IUnknown> idle;
    ASSERT_EQ(hastrel::CreateTreeManager({}, &idle), S_OK);
    ASSERT_EQ(detached->SetManager(idle), S_OK);
    EXPECT_EQ(detached->Build(0, 1, &entry, nullptr), E_UNEXPECTED);
    CComQIPtr<IXRefTreeManager> start(idle);
    EXPECT_EQ(start->Start(nullptr, 1, GUID{}), E_POINTER);
    EXPECT_EQ(start->Start(connection_, 1, GUID{}), E_UNEXPECTED);  // no source to start with
}

}  // namespace
}  // namespace hastrel_tests
