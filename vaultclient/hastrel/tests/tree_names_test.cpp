// The item names a tree proposes and the counter ids behind the new ones:
// reserved once per new name, handed back through the manager for the next
// tree, freed when nobody takes them, never lost on a failed build.
#include "tree_fixture.h"

#include "com/task_memory.h"

#include <algorithm>

namespace hastrel_tests {
namespace {

using State = MemoryTreeSource::CounterState;

// An assembly (1) with a bolt (2, which the item "ITM-BOLT" links), a plate
// (3) and a pin (5).
class NamesTest : public TreeTest {
protected:
    void SetUp() override {
        TreeTest::SetUp();
        source_->AddDocument(1, 10, u"assembly.asm");
        source_->AddDocument(2, 11, u"bolt.prt");
        source_->AddDocument(3, 11, u"plate.prt");
        source_->AddDocument(5, 11, u"pin.prt");
        source_->AddReference(1, 2);
        source_->AddReference(1, 3);
        source_->AddReference(1, 5);
        source_->AddItem(u"ITM-BOLT.<item>", 2);
        source_->AddItem(u"Spare.<item>", 0);
    }

    static constexpr LONG kGenerate = kTreeOptionReferences | kTreeOptionItemNames;

    struct Names {
        std::u16string a;
        std::u16string b;
    };
    static Names NamesOf(IUnknown* node) {
        CComQIPtr<IXRefItmItem> item(node);
        XRefNames* names = nullptr;
        EXPECT_EQ(item->GetNames(&names), S_OK);
        Names result{com::BstrText(names->mbsNameA), com::BstrText(names->mbsNameB)};
        SysFreeString(names->mbsNameA);
        SysFreeString(names->mbsNameB);
        CoTaskMemFree(names);
        return result;
    }

    // Hands the tree's counter ids to the manager, as a caller rebuilding
    // the tree does.
    void HandBack(IXRefTree* tree) {
        CComQIPtr<IXRefTreeSerials> serials(tree);
        SAFEARRAY* array = nullptr;
        ASSERT_EQ(serials->GetReservedSerials(&array), S_OK);
        CComQIPtr<IXRefTreeManagerSerials> manager(manager_);
        ASSERT_EQ(manager->ReuseSerials(array), S_OK);
        SafeArrayDestroy(array);
    }
};

TEST_F(NamesTest, NodesProposeExistingItemsOrNewNamesWithOneCounterEach) {
    ASSERT_EQ(Build(kGenerate, {Document(1, nullptr, u"Frame.<item>", 55)}), S_OK);
    const std::vector<CComPtr<IUnknown>> nodes = Walk();
    ASSERT_EQ(DocumentsOf(nodes), (std::vector<LONG>{1, 2, 3, 5}));

    struct Expected {
        const char16_t* nameA;
        const char16_t* nameB;
        LONG counter;
        LONG newItem;
        LONG nameBFlag;
        bool existing;
    };
    const Expected expected[] = {
        {u"Frame.<item>", u"", 0, 1, 0, false},  // the name the selection gives takes no counter
        {u"", u"ITM-BOLT.<item>", 0, 0, 1, true},
        {u"ITM-000001.<item>", u"", 1, 1, 0, false},
        {u"ITM-000002.<item>", u"", 2, 1, 0, false},
    };
    for (size_t i = 0; i < nodes.size(); ++i) {
        SCOPED_TRACE(i);
        const Names names = NamesOf(nodes[i]);
        EXPECT_EQ(names.a, expected[i].nameA);
        EXPECT_EQ(names.b, expected[i].nameB);
        EXPECT_EQ((View(nodes[i]).flags & kNodeFlagExistingItem) != 0, expected[i].existing);

        CComQIPtr<IXRefItmItem> item(nodes[i]);
        XRefRowRecord* row = nullptr;
        ASSERT_EQ(item->GetRowRecord(&row), S_OK);
        EXPECT_EQ(com::BstrText(row->mbsName), *expected[i].nameB ? expected[i].nameB : expected[i].nameA);
        EXPECT_EQ(row->moSerial.mlCounterID, expected[i].counter);
        EXPECT_EQ(row->moSerial.mlSource, expected[i].counter ? View(nodes[i]).documentId : 0);
        EXPECT_EQ(row->mlNewItem, expected[i].newItem);
        EXPECT_EQ(row->mlNameB, expected[i].nameBFlag);
        SysFreeString(row->mbsName);
        CoTaskMemFree(row);
    }
    EXPECT_EQ(ReservedOf(), (std::vector<LONG>{1, 2}));
    EXPECT_EQ(source_->Reserved(), (std::vector<LONG>{1, 2}));

    // Building the same tree again keeps its ids.
    ASSERT_EQ(Build(kGenerate, {Document(1, nullptr, u"Frame.<item>", 55)}), S_OK);
    EXPECT_EQ(ReservedOf(), (std::vector<LONG>{1, 2}));
    EXPECT_EQ(source_->Reserved(), (std::vector<LONG>{1, 2}));
    EXPECT_EQ(source_->Calls(MemoryTreeSource::Call::kReserveCounters), 1);

    // A tree without item names proposes none and reserves nothing.
    CComPtr<IXRefTree> plain = NewTree();
    ASSERT_EQ(Build(plain, kTreeOptionReferences, {Document(1)}), S_OK);
    EXPECT_EQ(NamesOf(Walk(plain)[2]).a, u"");
    EXPECT_TRUE(ReservedOf(plain).empty());
}

TEST_F(NamesTest, TheNodeRecordCarriesWhatGenerationNeeds) {
    source_->AddDocument(6, 12, u"frame.asm", {u"Default"});
    source_->AddReference(6, 3);
    ASSERT_EQ(Build(kGenerate | kTreeOptionConfigurations, {Document(6, u"Default", u"Frame.<item>", 55)}), S_OK);
    const std::vector<CComPtr<IUnknown>> nodes = Walk();
    CComQIPtr<IXRefItmItem> root(nodes[0]);
    CComQIPtr<IXRefColumns> columns(nodes[0]);

    for (bool dynamic : {false, true}) {
        ASSERT_EQ(columns->SetValue(CASTAVYLib::CastavyCol_Link, dynamic ? VARIANT_TRUE : VARIANT_FALSE), S_OK);
        XRefNodeRecord* record = nullptr;
        ASSERT_EQ(root->GetNodeRecord(&record), S_OK);
        EXPECT_EQ(record->mlKind, 1);
        EXPECT_EQ(record->mlDocumentID, 6);
        EXPECT_EQ(record->mlFolderID, 12);
        EXPECT_EQ(record->mlConfigurationWord, 601);
        EXPECT_EQ(record->mlVersion, 1);
        EXPECT_EQ(com::BstrText(record->mbsItemName), u"Frame.<item>");
        EXPECT_EQ(record->mlLinkType, dynamic ? 1 : 2);
        EXPECT_EQ(record->mlHasReferences, 1);
        EXPECT_EQ(record->mlFolderWord, 12);
        EXPECT_EQ(record->mlQuantity, 1);
        EXPECT_EQ(record->mlItemFolderID, 55);
        EXPECT_EQ(com::BstrText(record->mbsConfiguration), u"Default");
        SysFreeString(record->mbsItemName);
        SysFreeString(record->mbsConfiguration);
        CoTaskMemFree(record);
    }

    // A leaf has no references and no configuration.
    CComQIPtr<IXRefItmItem> leaf(nodes[1]);
    XRefNodeRecord* record = nullptr;
    ASSERT_EQ(leaf->GetNodeRecord(&record), S_OK);
    EXPECT_EQ(record->mlHasReferences, 0);
    EXPECT_EQ(record->mlItemFolderID, 0);
    const BSTR configuration = record->mbsConfiguration;  // packed: read by value
    EXPECT_EQ(configuration, nullptr);
    EXPECT_EQ(record->moSerial.mlCounterID, 1);
    SysFreeString(record->mbsItemName);
    CoTaskMemFree(record);
}

TEST_F(NamesTest, IdsHandedBackAreTakenByTheNextTreeAndTheRestFreed) {
    // The first tree reserves 1 and 2; the caller spends 2 meanwhile.
    CComPtr<IXRefTree> first = NewTree();
    ASSERT_EQ(Build(first, kGenerate, {Document(1, nullptr, u"Frame.<item>")}), S_OK);
    HandBack(first);
    source_->Spend(2);
    first = nullptr;

    // A tree over the plate alone needs one name: it takes 1, leaves the
    // spent 2 alone and reserves nothing new.
    CComPtr<IXRefTree> second = NewTree();
    ASSERT_EQ(Build(second, kGenerate, {Document(3)}), S_OK);
    EXPECT_EQ(NamesOf(Walk(second)[0]).a, u"ITM-000001.<item>");
    EXPECT_EQ(ReservedOf(second), (std::vector<LONG>{1}));
    EXPECT_EQ(source_->StateOf(2), State::kSpent);
    EXPECT_EQ(source_->Calls(MemoryTreeSource::Call::kReserveCounters), 1);

    // A tree that needs more takes the handed-back ids first, then new ones.
    HandBack(second);
    HandBack(second);  // twice: kept once
    CComPtr<IXRefTree> third = NewTree();
    ASSERT_EQ(Build(third, kGenerate, {Document(1)}), S_OK);
    EXPECT_EQ(ReservedOf(third), (std::vector<LONG>{1, 3, 4}));
    EXPECT_EQ(source_->Reserved(), (std::vector<LONG>{1, 3, 4}));
}

TEST_F(NamesTest, UnusedIdsGoBackToTheVault) {
    CComPtr<IXRefTree> first = NewTree();
    ASSERT_EQ(Build(first, kGenerate, {Document(1)}), S_OK);
    ASSERT_EQ(source_->Reserved(), (std::vector<LONG>{1, 2, 3}));
    HandBack(first);

    // A tree without names takes none of them: they are freed.
    CComPtr<IXRefTree> plain = NewTree();
    ASSERT_EQ(Build(plain, kTreeOptionReferences, {Document(1)}), S_OK);
    EXPECT_TRUE(source_->Reserved().empty());

    // Ids the manager still holds when it goes are freed then.
    CComPtr<IXRefTree> second = NewTree();
    ASSERT_EQ(Build(second, kGenerate, {Document(1)}), S_OK);
    HandBack(second);
    ASSERT_EQ(source_->Reserved().size(), 3u);
    second = nullptr;
    plain = nullptr;
    first = nullptr;
    tree_ = nullptr;
    manager_ = nullptr;
    EXPECT_TRUE(source_->Reserved().empty());
}

TEST_F(NamesTest, AFailedBuildListsEveryIdItHolds) {
    struct Case {
        MemoryTreeSource::Call call;
        std::vector<LONG> listed;    // by the tree after the failure
        std::vector<LONG> reserved;  // in the vault after the failure
    };
    // Each case starts from ids 1, 2, 3 handed back and a tree over the
    // plate alone (one name needed), or over the assembly (three).
    const Case cases[] = {
        {MemoryTreeSource::Call::kGetReservedCounters, {1, 2, 3}, {1, 2, 3}},
        {MemoryTreeSource::Call::kFreeCounters, {1, 2, 3}, {1, 2, 3}},
        {MemoryTreeSource::Call::kGetItems, {1, 2, 3}, {1, 2, 3}},
    };
    for (const Case& one : cases) {
        SCOPED_TRACE(static_cast<int>(one.call));
        CComPtr<IXRefTree> first = NewTree();
        ASSERT_EQ(Build(first, kGenerate, {Document(1)}), S_OK);
        HandBack(first);
        first = nullptr;
        CComPtr<IXRefTree> tree = NewTree();
        source_->FailNext(one.call, E_FAIL);
        EXPECT_EQ(Build(tree, kGenerate, {Document(3)}), E_FAIL);
        com_testing::ClearPendingErrorInfo();
        std::vector<LONG> listed = ReservedOf(tree);
        std::sort(listed.begin(), listed.end());
        EXPECT_EQ(listed, one.listed);
        EXPECT_EQ(source_->Reserved(), one.reserved);
        // The caller gives them back; the next case starts afresh.
        EXPECT_EQ(source_->FreeCounters(listed), S_OK);
    }

    // New reservations failing: the ids taken from the manager stay listed.
    CComPtr<IXRefTree> first = NewTree();
    ASSERT_EQ(Build(first, kGenerate, {Document(3)}), S_OK);
    const std::vector<LONG> taken = ReservedOf(first);
    ASSERT_EQ(taken.size(), 1u);
    HandBack(first);
    CComPtr<IXRefTree> tree = NewTree();
    source_->FailNext(MemoryTreeSource::Call::kReserveCounters, E_OUTOFMEMORY);
    EXPECT_EQ(Build(tree, kGenerate, {Document(1)}), E_OUTOFMEMORY);
    com_testing::ClearPendingErrorInfo();
    EXPECT_EQ(ReservedOf(tree), taken);
    EXPECT_EQ(source_->Reserved(), taken);
    EXPECT_TRUE(Walk(tree).empty());
}

}  // namespace
}  // namespace hastrel_tests
