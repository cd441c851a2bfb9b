// Trees built over the vault (the component's tree and manager reading
// MakeVaultTreeSource) on the demo vault's gearbox: the nodes of a selection,
// the names they propose, the item list, and the counter ids behind the new
// names - reserved in the vault, taken over by the next tree, given back.
#include "demo_vault_fixture.h"

#include "castavy/interfaces.h"
#include "castavy/records.h"
#include "com/bstr.h"
#include "com/ccom_bstr.h"
#include "com/ccom_ptr.h"
#include "com/safearray.h"
#include "com/task_memory.h"
#include "common/error_codes.h"
#include "common/record_array.h"
#include "hastrel/ids.h"
#include "hastrel/interfaces.h"
#include "hastrel/records.h"
#include "hastrel/tree_source.h"
#include "vennacle/sp_mgr.h"
#include "vaultdb/schema.h"

#include <set>
#include <string>
#include <vector>

namespace hastrel_test {
namespace {

using namespace HastrelLib;

// What a node shows of itself, and its children.
struct Node {
    LONG documentId = 0;
    LONG configWord = -1;
    std::u16string configName;
    LONG quantity = 0;
    bool isStatic = false;  // as its parent references it
    LONG flags = 0;
    std::u16string nameA, nameB;
    SerialNoInfo serial{};
    std::vector<Node> children;
};

constexpr LONG kItemGeneration = kTreeOptionReferences | kTreeOptionItemNames | kTreeOptionConfigurations |
                                 kTreeOptionCounts;  // as item generation builds its trees

class VaultTreeTest : public DemoVaultTest {
protected:
    void SetUp() override {
        DemoVaultTest::SetUp();
        HastrelLib::RegisterRecords();
        CASTAVYLib::RegisterRecords();
        std::unique_ptr<vaultdb::Database> opened = vaultadmin::OpenRegisteredVault(u"Demo");
        connection_.reset(new SpMgr());
        ASSERT_EQ(connection_->mhAttach(opened, u"Demo"), S_OK);
        manager_ = StartedManager();
    }

    CComPtr<IXRefTreeManager> StartedManager() {
        CComPtr<IUnknown> made;
        EXPECT_EQ(hastrel::CreateTreeManager(hastrel::MakeVaultTreeSource, &made), S_OK);
        CComQIPtr<IXRefTreeManager> manager(made);
        EXPECT_TRUE(manager);
        if (manager) {
            EXPECT_EQ(manager->Start(connection_.get(), 1, created_.viewId), S_OK);
        }
        return CComPtr<IXRefTreeManager>(manager);
    }
    CComPtr<IXRefTree> NewTree(IXRefTreeManager* manager, LONG options) {
        CComPtr<IUnknown> made;
        EXPECT_EQ(hastrel::CreateTree(&made), S_OK);
        CComQIPtr<IXRefTree> tree(made);
        EXPECT_TRUE(tree);
        if (!tree) return {};
        EXPECT_EQ(tree->SetManager(manager), S_OK);
        EXPECT_EQ(tree->SetOptions(options), S_OK);
        return CComPtr<IXRefTree>(tree);
    }

    static SelectionEntry DocumentEntry(LONG documentId, BSTR configuration = nullptr) {
        SelectionEntry entry{};
        entry.mlKind = kSelectionDocument;
        entry.mlDocumentID = documentId;
        entry.mbsConfiguration = configuration;
        return entry;
    }
    static SelectionEntry ProjectEntry(LONG folderId) {
        SelectionEntry entry{};
        entry.mlKind = kSelectionProject;
        entry.mlProjectID = folderId;
        return entry;
    }
    static HRESULT Build(IXRefTree* tree, std::vector<SelectionEntry> entries) {
        CComBSTR reserved(u"");
        return tree->Build(0, LONG(entries.size()), entries.data(), reserved.m_str);
    }

    // Reads an array handed out to the test, then destroys it.
    template <class T, class Reader>
    static void ReadArray(SAFEARRAY* array, Reader&& reader) {
        {
            RecordArray<T> records(array);
            reader(records);
        }
        SafeArrayDestroy(array);
    }

    static Node Read(IUnknown* item, bool isStatic) {
        Node node;
        node.isStatic = isStatic;
        CComQIPtr<IXRefNode> asNode(item);
        CComQIPtr<IXRefItmItem> asItem(item);
        EXPECT_TRUE(asNode && asItem);
        if (!asNode || !asItem) return node;
        EXPECT_EQ(asNode->GetFlags(&node.flags), S_OK);
        XRefNodeRecord* record = nullptr;
        EXPECT_EQ(asItem->GetNodeRecord(&record), S_OK);
        if (record) {
            node.documentId = record->mlDocumentID;
            node.configWord = record->mlConfigurationWord;
            node.configName = com::BstrText(record->mbsConfiguration);
            node.quantity = record->mlQuantity;
            SysFreeString(record->mbsItemName);
            SysFreeString(record->mbsConfiguration);
            CoTaskMemFree(record);
        }
        XRefNames* names = nullptr;
        EXPECT_EQ(asItem->GetNames(&names), S_OK);
        if (names) {
            node.nameA = com::BstrText(names->mbsNameA);
            node.nameB = com::BstrText(names->mbsNameB);
            SysFreeString(names->mbsNameA);
            SysFreeString(names->mbsNameB);
            CoTaskMemFree(names);
        }
        XRefRowRecord* row = nullptr;
        EXPECT_EQ(asItem->GetRowRecord(&row), S_OK);
        if (row) {
            node.serial = row->moSerial;
            SysFreeString(row->mbsName);
            CoTaskMemFree(row);
        }
        // The children, with whether their references are static.
        CComQIPtr<IXRefNodeReferences> references(item);
        SAFEARRAY* array = nullptr;
        EXPECT_EQ(references->GetReferences(&array), S_OK);
        ReadArray<XRefReference>(array, [&](RecordArray<XRefReference>& elements) {
            for (const XRefReference* element = elements.mpoBegin(); element != elements.mpoEnd(); ++element)
                node.children.push_back(Read(element->mpoItem, element->mlStatic != 0));
        });
        return node;
    }
    static std::vector<Node> Roots(IXRefTree* tree) {
        std::vector<Node> roots;
        CComPtr<IUnknown> made;
        EXPECT_EQ(tree->GetRoots(&made), S_OK);
        CComQIPtr<CASTAVYLib::IFileRefElement> enumerator(made);
        for (LONG has = 0; enumerator && enumerator->HasItem(&has) == S_OK && has;) {
            CComPtr<IUnknown> root;
            EXPECT_EQ(enumerator->GetItem(&root), S_OK);
            roots.push_back(Read(root, false));
        }
        return roots;
    }
    static std::vector<SerialNoInfo> Reserved(IXRefTree* tree) {
        CComQIPtr<IXRefTreeSerials> serials(tree);
        SAFEARRAY* array = nullptr;
        EXPECT_EQ(serials->GetReservedSerials(&array), S_OK);
        std::vector<SerialNoInfo> result;
        ReadArray<SerialNoInfo>(
            array, [&](RecordArray<SerialNoInfo>& records) { result.assign(records.mpoBegin(), records.mpoEnd()); });
        return result;
    }
    static void Collect(const Node& node, std::vector<const Node*>& all) {
        all.push_back(&node);
        for (const Node& child : node.children) Collect(child, all);
    }
    int32_t CounterState(LONG id) { return Sql("SELECT state FROM counters WHERE id = ?", {int32_t(id)}); }
    int32_t ReservedInVault() { return Sql("SELECT COUNT(*) FROM counters WHERE state = 1"); }

    SpMgrPtr connection_;
    CComPtr<IXRefTreeManager> manager_;
};

// The gearbox as item generation sees it: every reference a node, a part
// used twice one node of quantity 2, the part that has an item proposing
// that item, every other node a new name from a counter the vault reserved.
TEST_F(VaultTreeTest, TheGearboxTreeHoldsItsReferencesNamesAndCounters) {
    CComPtr<IXRefTree> tree = NewTree(manager_, kItemGeneration);
    ASSERT_EQ(Build(tree, {DocumentEntry(gearbox_)}), S_OK);
    const std::vector<Node> roots = Roots(tree);
    ASSERT_EQ(roots.size(), 1u);
    const Node& gearbox = roots[0];
    EXPECT_EQ(gearbox.documentId, gearbox_);
    EXPECT_EQ(gearbox.configWord, -1);
    EXPECT_EQ(gearbox.quantity, 1);

    struct Expected {
        LONG document;
        const char16_t* configuration;
        LONG quantity;
        bool isStatic;
    };
    auto check = [&](const Node& parent, const std::vector<Expected>& expected) {
        ASSERT_EQ(parent.children.size(), expected.size());
        for (size_t i = 0; i < expected.size(); ++i) {
            SCOPED_TRACE(i);
            const Node& child = parent.children[i];
            EXPECT_EQ(child.documentId, expected[i].document);
            EXPECT_EQ(child.configName, expected[i].configuration);
            EXPECT_EQ(child.configWord,
                      *expected[i].configuration ? Configuration(child.documentId, expected[i].configuration) : -1);
            EXPECT_EQ(child.quantity, expected[i].quantity);
            EXPECT_EQ(child.isStatic, expected[i].isStatic);
        }
    };
    check(gearbox, {{housing_, u"", 1, false},
                    {shaft_, u"Long", 1, false},
                    {unit_, u"", 1, false},
                    {conveyorPart_, u"", 1, false},
                    {drawing_, u"", 1, true}});
    check(gearbox.children[2], {{bearing_, u"", 2, false}, {seal_, u"", 1, false}, {shaft_, u"Short", 1, false}});

    std::vector<const Node*> all;
    Collect(gearbox, all);
    ASSERT_EQ(all.size(), 9u);
    std::set<LONG> counters;
    for (const Node* node : all) {
        SCOPED_TRACE(node->documentId);
        EXPECT_TRUE(node->flags & kNodeFlagCountValid);
        if (node->documentId == conveyorPart_) {
            EXPECT_EQ(node->nameB, u"ITM-00001.<item>");
            EXPECT_TRUE(node->nameA.empty());
            EXPECT_TRUE(node->flags & kNodeFlagExistingItem);
            EXPECT_EQ(node->serial.mlCounterID, 0);
            continue;
        }
        EXPECT_TRUE(node->nameB.empty());
        EXPECT_EQ(node->serial.mlSource, node->documentId);
        EXPECT_EQ(CounterState(node->serial.mlCounterID), vaultdb::kCounterReserved);
        const std::u16string counterName =
            node->nameA.substr(0, node->nameA.size() - std::u16string(u".<item>").size());
        EXPECT_EQ(node->nameA, counterName + u".<item>");
        EXPECT_EQ(Sql("SELECT id FROM counters WHERE name = ?", {counterName}), node->serial.mlCounterID);
        counters.insert(node->serial.mlCounterID);
    }
    EXPECT_EQ(counters.size(), 8u) << "one counter per new name";
    EXPECT_EQ(ReservedInVault(), 8);
    std::set<LONG> listed;
    for (const SerialNoInfo& serial : Reserved(tree)) listed.insert(serial.mlCounterID);
    EXPECT_EQ(listed, counters);

    // The item list: every item of the vault, each linking its part dynamically.
    CComQIPtr<IXRefTreeItems> items(tree);
    VARIANT_BOOL existing = VARIANT_FALSE;
    ASSERT_EQ(items->GetExistingItemSwitch(&existing), S_OK);
    EXPECT_EQ(existing, VARIANT_TRUE);
    SAFEARRAY* array = nullptr;
    ASSERT_EQ(items->GetItemList(&array), S_OK);
    ReadArray<CASTAVYLib::ItemListEntry>(array, [&](RecordArray<CASTAVYLib::ItemListEntry>& list) {
        ASSERT_EQ(list.mlGetCount(), vaultadmin::kDemoItems);
        EXPECT_EQ(com::BstrText(list.mpoBegin()[0].name), u"ITM-00001.<item>");
        for (const auto* entry = list.mpoBegin(); entry != list.mpoEnd(); ++entry) EXPECT_EQ(entry->flag, VARIANT_TRUE);
    });
}

// A selection of a folder, and one of a configuration; without the
// item-name option nothing is reserved.
TEST_F(VaultTreeTest, FoldersAndConfigurationsMakeTheirRoots) {
    CComPtr<IXRefTree> tree = NewTree(manager_, kTreeOptionConfigurations);
    const int32_t folder = Sql("SELECT folder_id FROM documents WHERE id = ?", {gearbox_});
    CComBSTR heavy(u"Heavy Duty");
    ASSERT_EQ(Build(tree, {ProjectEntry(folder), DocumentEntry(gearbox_, heavy.m_str)}), S_OK);
    const std::vector<Node> roots = Roots(tree);
    std::vector<LONG> documents;
    for (const Node& root : roots) {
        documents.push_back(root.documentId);
        EXPECT_TRUE(root.children.empty()) << "no references asked for";
        EXPECT_TRUE(root.nameA.empty() && root.nameB.empty());
    }
    EXPECT_EQ(documents, (std::vector<LONG>{drawing_, gearbox_, housing_, shaft_, unit_, bearing_, seal_, gearbox_}));
    EXPECT_EQ(roots.back().configWord, Configuration(gearbox_, u"Heavy Duty"));
    EXPECT_EQ(roots.back().configName, u"Heavy Duty");
    EXPECT_EQ(ReservedInVault(), 0);
    EXPECT_TRUE(Reserved(tree).empty());

    // A document the vault does not have fails the build, reserving nothing.
    Sql("UPDATE documents SET deleted = 1 WHERE id = ?", {housing_});
    CComPtr<IXRefTree> failing = NewTree(manager_, kItemGeneration);
    EXPECT_EQ(Build(failing, {DocumentEntry(gearbox_), DocumentEntry(housing_)}), E_OXN_FILE_NOT_FOUND);
    EXPECT_EQ(ReservedInVault(), 0);
    EXPECT_TRUE(Reserved(failing).empty());
}

// A tree built again keeps its ids; the next tree takes over the ids handed
// to the manager and frees those it does not need; ids nobody took go back
// when the manager goes. No id is ever reserved twice or lost.
TEST_F(VaultTreeTest, CounterIdsPassFromTreeToTreeAndBackToTheVault) {
    CComPtr<IXRefTree> first = NewTree(manager_, kItemGeneration);
    ASSERT_EQ(Build(first, {DocumentEntry(gearbox_)}), S_OK);
    const std::vector<SerialNoInfo> firstIds = Reserved(first);
    ASSERT_EQ(firstIds.size(), 8u);
    ASSERT_EQ(Build(first, {DocumentEntry(gearbox_)}), S_OK);
    std::set<LONG> again;
    for (const SerialNoInfo& serial : Reserved(first)) again.insert(serial.mlCounterID);
    std::set<LONG> before;
    for (const SerialNoInfo& serial : firstIds) before.insert(serial.mlCounterID);
    EXPECT_EQ(again, before);
    EXPECT_EQ(ReservedInVault(), 8);

    // The handler hands the old tree's ids to the manager and builds a new
    // tree over a smaller selection: one id serves, seven go back.
    {
        RecordArray<SerialNoInfo> handed;
        handed.mvCreate(ULONG(firstIds.size()), LIBID_HastrelLib, kLibraryMajorVersion, kLibraryMinorVersion);
        std::copy(firstIds.begin(), firstIds.end(), handed.mpoBegin());
        CComQIPtr<IXRefTreeManagerSerials> serials(manager_);
        ASSERT_EQ(serials->ReuseSerials(handed.mpoGetArray()), S_OK);
    }
    first.Release();
    CComPtr<IXRefTree> second = NewTree(manager_, kItemGeneration);
    ASSERT_EQ(Build(second, {DocumentEntry(housing_)}), S_OK);
    const std::vector<SerialNoInfo> secondIds = Reserved(second);
    ASSERT_EQ(secondIds.size(), 1u);
    EXPECT_TRUE(before.count(secondIds[0].mlCounterID));
    EXPECT_EQ(ReservedInVault(), 1);
    EXPECT_EQ(Sql("SELECT COUNT(*) FROM counters WHERE state = 0"), 7);

    // Ids handed to a manager that builds no more tree are freed with it.
    {
        CComPtr<IXRefTreeManager> other = StartedManager();
        RecordArray<SerialNoInfo> handed;
        handed.mvCreate(1, LIBID_HastrelLib, kLibraryMajorVersion, kLibraryMinorVersion);
        handed.mpoBegin()[0] = secondIds[0];
        CComQIPtr<IXRefTreeManagerSerials> serials(other);
        ASSERT_EQ(serials->ReuseSerials(handed.mpoGetArray()), S_OK);
    }
    EXPECT_EQ(CounterState(secondIds[0].mlCounterID), vaultdb::kCounterFree);
    EXPECT_EQ(ReservedInVault(), 0);
}

}  // namespace
}  // namespace hastrel_test
