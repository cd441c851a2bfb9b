// The tree handler builds its reference tree over the selection: the tree
// made by class id, attached to the tree manager (with the previous tree's
// counter ids while they are still the operation's), its options, and the
// build itself; folder items alone need none.
#include "handler_fixture.h"

#include "com/runtime.h"
#include "com_testing/counting_class_factory.h"
#include "com_testing/pending_error_info.h"
#include "common/error_codes.h"
#include "common/record_array.h"
#include "coravent/ids.h"
#include "winapi/text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace coravent_test;
using namespace CoraventLib;

// A tree that records how it was set up and built.
class RecordingTree : public FakeTree {
public:
    static inline std::vector<std::string> calls;
    static inline HRESULT buildResult = S_OK;

    HRESULT STDMETHODCALLTYPE SetManager(IUnknown* poManager) override {
        calls.push_back(poManager ? "manager" : "no manager");
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetOptions(LONG lOptions) override {
        calls.push_back("options " + std::to_string(lOptions));
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Build(LONG lTreeFlag, LONG lCount, HastrelLib::SelectionEntry* poEntries,
                                    BSTR bsReserved) override {
        calls.push_back("build " + std::to_string(lTreeFlag) + " " + std::to_string(lCount) + " " +
                        std::to_string(poEntries ? poEntries[0].mlDocumentID : 0) + " '" +
                        winapi::ToUtf8(com::BstrView(bsReserved)) + "'");
        return buildResult;
    }
};

// The tree manager: the ids handed to it for reuse.
class RecordingManager : public FakeTreeManager {
public:
    std::vector<LONG> reused;
    HRESULT STDMETHODCALLTYPE ReuseSerials(SAFEARRAY* poSerials) override {
        RecordArray<SerialNoInfo> ids(poSerials);
        for (const SerialNoInfo* id = ids.mpoBegin(); id != ids.mpoEnd(); ++id) reused.push_back(id->mlCounterID);
        return S_OK;
    }
};

class TreeBuildTest : public HandlerTest {
protected:
    void SetUp() override {
        HandlerTest::SetUp();
        ASSERT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
        RecordingTree::calls.clear();
        RecordingTree::buildResult = S_OK;
    }
    void TearDown() override {
        if (cookie_) CoRevokeClassObject(cookie_);
        if (handler_) handler_->mpoTree = nullptr;
        if (manager_) manager_->Release();
        CoUninitialize();
        HandlerTest::TearDown();
    }
    void RegisterTree() {
        ASSERT_EQ(CoRegisterClassObject(HastrelLib::CLSID_XRefTree, &trees_, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE,
                                        &cookie_),
                  S_OK);
    }
    // A handler of tree type 3 (no initial marks) over the bracket, with
    // the recording manager.
    TestHandler& BracketHandler() {
        TestHandler& handler = MakeHandler(TreeCreationType_IncrRevisions);
        handler.SetDialogOptions(0, 0x301, 1);
        if (!manager_) manager_ = new RecordingManager();
        handler.mpoTreeManager = manager_->Identity();
        RecordArray<ItemData> items;
        items.mvCreate(1, LIBID_CoraventLib, 1, 0);
        items.mpoBegin()->mlDocumentID = vault_.bracket;
        EXPECT_EQ(handler.AddSelection(items.mpoGetArray()), S_OK);
        return handler;
    }
    SAFEARRAY* Serials(std::vector<LONG> ids) {
        RecordArray<SerialNoInfo> array;
        array.mvCreate(static_cast<ULONG>(ids.size()), HastrelLib::LIBID_HastrelLib, 1, 0);
        for (size_t i = 0; i < ids.size(); ++i) array.mpoBegin()[i] = SerialNoInfo{ids[i], 0};
        SAFEARRAY* out = nullptr;
        array.mvHandOut(&out);
        return out;
    }

    static IUnknown* MakeTree() { return (new RecordingTree)->Identity(); }
    com_testing::CountingClassFactory trees_{&MakeTree};
    DWORD cookie_ = 0;
    RecordingManager* manager_ = nullptr;
};

TEST_F(TreeBuildTest, TheTreeIsMadeAttachedSetAndBuiltOverTheSelection) {
    RegisterTree();
    TestHandler& handler = BracketHandler();
    SAFEARRAY* serials = Serials({41, 42});
    bool taken = false;
    EXPECT_EQ(handler.CreateXRefTree(serials, &taken), S_OK);
    SafeArrayDestroy(serials);
    EXPECT_TRUE(taken);
    EXPECT_EQ(manager_->reused, (std::vector<LONG>{41, 42}));
    EXPECT_NE(handler.mpoTree, nullptr);
    EXPECT_EQ(RecordingTree::calls, (std::vector<std::string>{"manager", "options 769",
                                                              "build 1 1 " + std::to_string(vault_.bracket) + " ''"}));
}

TEST_F(TreeBuildTest, IdsGivenBackAlreadyAreNotHandedOn) {
    RegisterTree();
    TestHandler& handler = BracketHandler();
    handler.mbTreeIdsReturned = true;
    SAFEARRAY* serials = Serials({41});
    bool taken = true;
    EXPECT_EQ(handler.CreateXRefTree(serials, &taken), S_OK);
    SafeArrayDestroy(serials);
    EXPECT_FALSE(taken);
    EXPECT_TRUE(manager_->reused.empty());
    // The new tree's ids are the operation's again.
    EXPECT_FALSE(handler.mbTreeIdsReturned);
}

TEST_F(TreeBuildTest, FailuresOfTheSteps) {
    // Nothing to build over.
    EXPECT_EQ(MakeHandler(TreeCreationType_IncrRevisions).CreateXRefTree(nullptr), E_INVALIDARG);

    // The tree cannot be made: no tree is kept.
    TestHandler& handler = BracketHandler();
    EXPECT_EQ(handler.CreateXRefTree(nullptr), REGDB_E_CLASSNOTREG);
    EXPECT_EQ(handler.mpoTree, nullptr);

    // A manager without the tree's interface.
    RegisterTree();
    manager_->Hide(HastrelLib::IXRefTreeManagerSerials::kIid);
    EXPECT_EQ(handler.CreateXRefTree(nullptr), E_POINTER);
    EXPECT_EQ(handler.mpoTree, nullptr);

    // A failed build is returned with its error info; the tree stays, so
    // that the ids it reserved can go back.
    TestHandler& building = BracketHandler();
    manager_->reused.clear();
    RecordingManager* fresh = new RecordingManager();
    building.mpoTreeManager = fresh->Identity();
    fresh->Release();
    RecordingTree::buildResult = E_OXN_FILE_NOT_FOUND;
    EXPECT_EQ(building.CreateXRefTree(nullptr), E_OXN_FILE_NOT_FOUND);
    EXPECT_EQ(com_testing::TakePendingDescription(), u"The reference tree could not be built.");
    EXPECT_NE(building.mpoTree, nullptr);
}

}  // namespace
