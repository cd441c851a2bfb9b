// The generation input made of checked tree nodes: one record per checked
// reference or per node alone, references carrying the node's own item name
// looked through, static references, folder items and variable values.
#include "handler_fixture.h"

#include "castavy/ids.h"
#include "com/bstr.h"
#include "com_testing/pending_error_info.h"
#include "common/error_codes.h"
#include "common/lst.h"
#include "vennacle/auto_lst.h"
#include "vennacle/xref_item_data.h"
#include "winapi/text.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

using namespace coravent_test;
using namespace HastrelLib;

// A tree node of a reference graph: its document, item name, cells and
// references (each to another node).
class FakeNode : public FakeObject<IXRefNode, IXRefNodeReferences, IXRefColumns, CASTAVYLib::IFileRefItem3> {
public:
    struct Reference {
        FakeNode* node;  // not owned (the graph's)
        LONG configWord = -1;
        bool isStatic = false;
    };

    LONG document = 0;
    LONG folder = 0;
    LONG version = 1;
    std::u16string itemName;
    LONG pairNumber = -1;  // property 1
    std::vector<Reference> references;
    // (value, checked) of columns 33 and 34.
    bool value33 = false, shown33 = false, value34 = false, shown34 = false;

    void Check() { value33 = shown33 = true; }

    HRESULT STDMETHODCALLTYPE GetDocumentID(LONG* out) override { return *out = document, S_OK; }
    HRESULT STDMETHODCALLTYPE GetFlags(LONG* out) override { return *out = 0, S_OK; }
    HRESULT STDMETHODCALLTYPE GetFolderID(LONG* out) override { return *out = folder, S_OK; }
    HRESULT STDMETHODCALLTYPE GetVersion(LONG* out) override { return *out = version, S_OK; }
    HRESULT STDMETHODCALLTYPE GetCount(LONG* out) override { return *out = 1, S_OK; }

    HRESULT STDMETHODCALLTYPE GetReferences(SAFEARRAY** out) override {
        RecordArray<XRefReference> array;
        array.mvCreate(static_cast<ULONG>(references.size()), LIBID_HastrelLib, 1, 0);
        XRefReference* element = array.mpoBegin();
        for (const Reference& reference : references) {
            element->mlDocumentID = reference.node->document;
            element->mlConfigurationWord = reference.configWord;
            element->mlStatic = reference.isStatic ? 1 : 0;
            element->mpoItem = reference.node->Identity();
            element->mpoItem->AddRef();
            ++element;
        }
        array.mvHandOut(out);
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE GetChecked(LONG column, VARIANT_BOOL* out) override {
        *out = (column == 33 ? shown33 : column == 34 ? shown34 : false) ? VARIANT_TRUE : VARIANT_FALSE;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetValue(LONG column, VARIANT_BOOL* out) override {
        *out = (column == 33 ? value33 : column == 34 ? value34 : false) ? VARIANT_TRUE : VARIANT_FALSE;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetValue(LONG, VARIANT_BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE SetEnabled(LONG, VARIANT_BOOL) override { return S_OK; }

    HRESULT STDMETHODCALLTYPE GetProperty(LONG id, VARIANT* in, VARIANT* out) override {
        VariantInit(out);
        if (id == CASTAVYLib::kPropertyItemName) {
            out->vt = VT_BSTR;
            out->bstrVal = SysAllocString(itemName.c_str());
            return S_OK;
        }
        if (id == CASTAVYLib::kPropertyPairNumber) {
            EXPECT_EQ(in->vt, VT_BYREF | VT_I4);
            pairsAsked.push_back({in->plVal[0], in->plVal[1]});
            out->vt = VT_I4;
            out->lVal = pairNumber;
            return S_OK;
        }
        return E_INVALIDARG;
    }
    HRESULT STDMETHODCALLTYPE PutProperty(LONG, VARIANT*, VARIANT*) override { return E_INVALIDARG; }

    std::vector<std::pair<LONG, LONG>> pairsAsked;
};

// A graph of nodes, released with the test.
class Graph {
public:
    ~Graph() {
        for (FakeNode* node : nodes_) node->Release();
    }
    FakeNode& Node(LONG document, std::u16string itemName) {
        auto* node = new FakeNode();
        node->document = document;
        node->folder = 500 + document;
        node->version = 10 + document;
        node->itemName = std::move(itemName);
        nodes_.push_back(node);
        return *node;
    }

private:
    std::vector<FakeNode*> nodes_;
};

// The node record of `node` as the tree gives it (strings the record's).
struct NodeRecord : XRefNodeRecord {
    explicit NodeRecord(const FakeNode& node, bool hasReferences = true) : XRefNodeRecord{} {
        mlKind = 1;
        mlDocumentID = node.document;
        mlFolderID = node.folder;
        mlConfigurationWord = -1;
        mlVersion = node.version;
        mbsItemName = SysAllocString(node.itemName.c_str());
        mlLinkType = 1;
        mlHasReferences = hasReferences ? 1 : 0;
        mlFolderWord = 77;
        mlQuantity = 3;
        mlItemFolderID = 88;
        mbsConfiguration = SysAllocString(u"Default");
    }
    ~NodeRecord() {
        SysFreeString(mbsItemName);
        SysFreeString(mbsConfiguration);
    }
};

// A record as "A(a,b) B(a,b) name link w48".
std::string Describe(const XRefItemDocData& record) {
    return "A(" + std::to_string(record.mlJoinDocID) + "," + std::to_string(record.mlJoinDocWord) + ") B(" +
           std::to_string(record.mlDocID) + "," + std::to_string(record.mlDocWord) + ") " +
           (record.mbsItemName ? winapi::ToUtf8(com::BstrView(record.mbsItemName)) : "<null>") + " link " +
           std::to_string(record.mlLinkType) + " w48 " + std::to_string(record.mlWord48);
}
const XRefItemDocData& At(const Lst<XRefItemDocData*>& records, int index) {
    POSITION at = records.GetHeadPosition();
    for (int i = 0; i < index; ++i) records.GetNext(at);
    return *records.GetNext(at);
}
std::vector<std::string> Describe(const Lst<XRefItemDocData*>& records) {
    std::vector<std::string> texts;
    for (POSITION at = records.GetHeadPosition(); at;) texts.push_back(Describe(*records.GetNext(at)));
    return texts;
}

class DocumentRecordsTest : public HandlerTest {
protected:
    void SetUp() override {
        HandlerTest::SetUp();
        handler_ = &MakeHandler(CoraventLib::TreeCreationType_ItemGeneration);
    }

    // The records of the checked node `node`.
    HRESULT RecordsOf(FakeNode& node, Lst<XRefItemDocData*>& records, bool hasReferences = true) {
        NodeRecord record(node, hasReferences);
        SAFEARRAY* references = nullptr;
        if (hasReferences) node.GetReferences(&references);
        const HRESULT hr = handler_->AddNodeDocs(static_cast<IXRefNode*>(&node), record, references, records);
        if (references) SafeArrayDestroy(references);
        return hr;
    }

    TestHandler* handler_ = nullptr;
    Graph graph_;
};

TEST_F(DocumentRecordsTest, ANodeWithoutCheckedReferencesIsOneRecord) {
    FakeNode& assembly = graph_.Node(1, u"ASM.<item>");
    FakeNode& part = graph_.Node(2, u"P.<item>");
    assembly.references = {{&part}};  // not checked
    AutoLst<Lst<XRefItemDocData*>> records;
    ASSERT_EQ(RecordsOf(assembly, records), S_OK);
    ASSERT_EQ(Describe(records), std::vector<std::string>{"A(0,0) B(1,-1) ASM.<item> link 1 w48 3"});
    const XRefItemDocData& record = At(records, 0);
    EXPECT_EQ(record.mlWord16, assembly.version);
    EXPECT_EQ(record.mlWord44, 77);
    EXPECT_EQ(record.mlDestFolderID, 88);
    EXPECT_EQ(com::BstrView(record.mbsConfigName), u"Default");
    EXPECT_TRUE(assembly.pairsAsked.empty());
}

TEST_F(DocumentRecordsTest, ACheckedReferenceCountsWhenBothReadsAgree) {
    struct Case {
        bool value33, shown33, value34, shown34;
        bool counts;
    };
    const Case cases[] = {
        {true, true, false, false, true},   {false, false, true, true, true},  {true, false, false, false, false},
        {false, true, false, false, false}, {true, false, true, false, false}, {false, false, false, false, false},
    };
    for (const Case& c : cases) {
        FakeNode& assembly = graph_.Node(1, u"ASM.<item>");
        FakeNode& part = graph_.Node(2, u"P.<item>");
        part.value33 = c.value33;
        part.shown33 = c.shown33;
        part.value34 = c.value34;
        part.shown34 = c.shown34;
        assembly.references = {{&part, 4}};
        assembly.pairNumber = 6;
        AutoLst<Lst<XRefItemDocData*>> records;
        ASSERT_EQ(RecordsOf(assembly, records), S_OK);
        EXPECT_EQ(Describe(records), std::vector<std::string>{c.counts ? "A(2,4) B(1,-1) ASM.<item> link 1 w48 6"
                                                                       : "A(0,0) B(1,-1) ASM.<item> link 1 w48 3"})
            << c.value33 << c.shown33 << c.value34 << c.shown34;
    }
}

TEST_F(DocumentRecordsTest, EachCheckedReferenceJoinsTheItemWithTheTreesNumber) {
    FakeNode& assembly = graph_.Node(1, u"ASM.<item>");
    FakeNode& left = graph_.Node(2, u"L.<item>");
    FakeNode& right = graph_.Node(3, u"R.<item>");
    left.Check();
    right.Check();
    assembly.references = {{&left, 5}, {&right}};
    assembly.pairNumber = -1;  // the tree has none: word 48 stays 0
    AutoLst<Lst<XRefItemDocData*>> records;
    ASSERT_EQ(RecordsOf(assembly, records), S_OK);
    EXPECT_EQ(Describe(records), (std::vector<std::string>{"A(2,5) B(1,-1) ASM.<item> link 1 w48 0",
                                                           "A(3,-1) B(1,-1) ASM.<item> link 1 w48 0"}));
    EXPECT_EQ(assembly.pairsAsked, (std::vector<std::pair<LONG, LONG>>{{2, 5}, {3, -1}}));
}

TEST_F(DocumentRecordsTest, AReferenceCarryingTheItemNameIsLookedThroughDeepestFirst) {
    // ASM -> SUB (named like ASM) -> P1, P2: the sub-assembly's references
    // join in its place.
    {
        FakeNode& assembly = graph_.Node(1, u"ASM.<item>");
        FakeNode& sub = graph_.Node(2, u"ASM.<item>");
        FakeNode& p1 = graph_.Node(3, u"P1.<item>");
        FakeNode& p2 = graph_.Node(4, u"P2.<item>");
        for (FakeNode* node : {&sub, &p1, &p2}) node->Check();
        assembly.references = {{&sub}};
        sub.references = {{&p1}, {&p2}};
        AutoLst<Lst<XRefItemDocData*>> records;
        ASSERT_EQ(RecordsOf(assembly, records), S_OK);
        EXPECT_EQ(Describe(records), (std::vector<std::string>{"A(3,-1) B(1,-1) ASM.<item> link 1 w48 0",
                                                               "A(4,-1) B(1,-1) ASM.<item> link 1 w48 0"}));
    }
    // ASM -> X (named like ASM) -> Y (named like ASM) -> Q: the deeper
    // carrier Y wins over X.
    {
        FakeNode& assembly = graph_.Node(1, u"ASM.<item>");
        FakeNode& x = graph_.Node(2, u"ASM.<item>");
        FakeNode& y = graph_.Node(3, u"ASM.<item>");
        FakeNode& q = graph_.Node(4, u"Q.<item>");
        for (FakeNode* node : {&x, &y, &q}) node->Check();
        assembly.references = {{&x}};
        x.references = {{&y}};
        y.references = {{&q}};
        AutoLst<Lst<XRefItemDocData*>> records;
        ASSERT_EQ(RecordsOf(assembly, records), S_OK);
        EXPECT_EQ(Describe(records), std::vector<std::string>{"A(4,-1) B(1,-1) ASM.<item> link 1 w48 0"});
    }
}

TEST_F(DocumentRecordsTest, CyclicReferencesEndTheSearch) {
    FakeNode& assembly = graph_.Node(1, u"ASM.<item>");
    FakeNode& x = graph_.Node(2, u"X.<item>");
    FakeNode& y = graph_.Node(3, u"Y.<item>");
    x.Check();
    y.Check();
    assembly.references = {{&x}};
    x.references = {{&y}};
    y.references = {{&x}};
    AutoLst<Lst<XRefItemDocData*>> records;
    ASSERT_EQ(RecordsOf(assembly, records), S_OK);
    EXPECT_EQ(Describe(records), std::vector<std::string>{"A(2,-1) B(1,-1) ASM.<item> link 1 w48 0"});
}

TEST_F(DocumentRecordsTest, StaticReferencesLinkTheirDocumentStatically) {
    FakeNode& assembly = graph_.Node(1, u"ASM.<item>");
    FakeNode& drawing = graph_.Node(5, u"D.<item>");
    FakeNode& part = graph_.Node(2, u"P.<item>");
    drawing.Check();
    part.Check();
    assembly.references = {{&drawing, 9, true}, {&part}};
    AutoLst<Lst<XRefItemDocData*>> records;
    ASSERT_EQ(RecordsOf(assembly, records), S_OK);
    EXPECT_EQ(Describe(records), (std::vector<std::string>{"A(2,-1) B(1,-1) ASM.<item> link 1 w48 0",
                                                           "A(1,-1) B(5,9) ASM.<item> link 2 w48 1"}));
    const XRefItemDocData& staticRecord = At(records, 1);
    EXPECT_EQ(staticRecord.mlWord44, drawing.folder);
    EXPECT_EQ(staticRecord.mlWord16, drawing.version);
}

TEST_F(DocumentRecordsTest, AReferenceWithoutItsInterfacesFails) {
    FakeNode& assembly = graph_.Node(1, u"ASM.<item>");
    FakeNode& drawing = graph_.Node(5, u"D.<item>");
    drawing.Check();
    assembly.references = {{&drawing, 9, true}};
    drawing.Hide(IXRefNode::kIid);
    AutoLst<Lst<XRefItemDocData*>> records;
    EXPECT_EQ(RecordsOf(assembly, records), E_POINTER);

    // A carrier search into an item without references.
    FakeNode& other = graph_.Node(1, u"ASM.<item>");
    FakeNode& part = graph_.Node(2, u"P.<item>");
    part.Check();
    part.Hide(IXRefNodeReferences::kIid);
    other.references = {{&part}};
    AutoLst<Lst<XRefItemDocData*>> more;
    EXPECT_EQ(RecordsOf(other, more), E_ITEM_INVALID_OBJECT);
    EXPECT_EQ(com_testing::TakePendingDescription(), u"Item object contains corrupted data!");
}

TEST_F(DocumentRecordsTest, FolderItemsAndVariableValues) {
    using Values = std::vector<std::u16string>;
    auto valuesOf = [](const XRefItemDocData& record) {
        Values texts;
        if (record.mpoVarData)
            for (const XRefItemVarData* value : *record.mpoVarData) texts.emplace_back(value->moValue.View());
        return texts;
    };
    // A folder item with a name and values, one without.
    {
        auto named = std::make_unique<coravent::FolderItemEntry>();
        named->moName = u"Widget";
        named->mlItemFolderID = vault_.partsFolder;
        named->mpoVarData.reset(new std::vector<XRefItemVarData*>());
        named->mpoVarData->push_back(new XRefItemVarData());
        named->mpoVarData->back()->moValue = u"w";
        handler_->moFolderItems.push_back(std::move(named));
        handler_->moFolderItems.push_back(std::make_unique<coravent::FolderItemEntry>());
        AutoLst<Lst<XRefItemDocData*>> records;
        ASSERT_EQ(handler_->AddFolderItemDocs(records), S_OK);
        EXPECT_EQ(Describe(records), (std::vector<std::string>{"A(-1,-1) B(-1,-1) Widget.<item> link 0 w48 0",
                                                               "A(-1,-1) B(-1,-1) <null> link 0 w48 0"}));
        EXPECT_EQ(At(records, 0).mbItemNamed, 1);
        EXPECT_EQ(At(records, 0).mlDestFolderID, vault_.partsFolder);
        EXPECT_EQ(valuesOf(At(records, 0)), Values{u"w"});
        EXPECT_EQ(At(records, 1).mbItemNamed, 0);
    }

    // Values per (document, configuration), the configuration-less ones as
    // fallback; every record of a key gets them, in any record order.
    for (bool reversed : {false, true}) {
        auto entry = [](const char16_t* value, bool isStatic, bool named) {
            coravent::VarDataEntry made;
            made.mpoVarData.reset(new std::vector<XRefItemVarData*>());
            made.mpoVarData->push_back(new XRefItemVarData());
            made.mpoVarData->back()->moValue = value;
            made.mbStaticLink = isStatic;
            made.mbItemNamed = named;
            return made;
        };
        handler_->moVarData.clear();
        handler_->moVarData.emplace(coravent::VarDataKey{7, u"Cfg"}, entry(u"own", true, false));
        handler_->moVarData.emplace(coravent::VarDataKey{7, u""}, entry(u"whole", false, true));
        const char16_t* configurations[] = {u"CFG", u"", u"Other", u"cfg"};
        AutoLst<Lst<XRefItemDocData*>> records;
        for (int i = 0; i < 4; ++i) {
            auto* record = new XRefItemDocData();
            record->mlDocID = 7;
            record->mbsConfigName = SysAllocString(configurations[reversed ? 3 - i : i]);
            records.AddTail(record);
        }
        auto* unrelated = new XRefItemDocData();
        unrelated->mlDocID = 8;
        records.AddTail(unrelated);
        ASSERT_EQ(handler_->AttachVarData(records), S_OK);

        std::vector<std::string> attached;
        for (POSITION at = records.GetHeadPosition(); at;) {
            const XRefItemDocData& record = *records.GetNext(at);
            const Values values = valuesOf(record);
            attached.push_back(winapi::ToUtf8(com::BstrView(record.mbsConfigName)) + ":" +
                               (values.empty() ? "-" : winapi::ToUtf8(values[0])) + ":" +
                               std::to_string(record.mlLinkType) + ":" + std::to_string(record.mbItemNamed));
        }
        std::vector<std::string> expected = {"CFG:own:2:0", ":whole:0:1", "Other:whole:0:1", "cfg:own:2:0"};
        if (reversed) std::reverse(expected.begin(), expected.end());
        expected.push_back(":-:0:0");
        EXPECT_EQ(attached, expected) << "reversed " << reversed;
        // The entries matched by their own key are used up.
        EXPECT_TRUE(handler_->moVarData.empty());
    }
}

}  // namespace
