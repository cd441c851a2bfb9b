// The view-server event handler over a stand-in application, view server and
// clock: which events it ignores, what it hands to the application, the
// throttled refresh of a frame, and a vault reset - at once, or after the
// command or attach that is running.
#include "explorer/data/cache.h"
#include "explorer/data/command_in_progress.h"
#include "explorer/data/view_server_event_handler.h"

#include "fake_application.h"
#include "item_helpers.h"
#include "item_objects.h"
#include "vault_list_fixture.h"

#include "bellquist/ids.h"
#include "com/bstr.h"
#include "com_testing/counting_object.h"
#include "common/error_codes.h"
#include "viewserver/ids.h"

#include <vector>

using namespace TavroskViewLib;
using explorer_testing::FakeApplication;
using explorer_testing::FakeFrame;

namespace {

DWORD gClock = 0;
DWORD TestClock() { return gClock; }

// A view server that records the views unregistered with it.
class RecordingViewServer final : public IViewServer {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (!object) return E_POINTER;
        *object = nullptr;
        if (iid != IID_IUnknown && iid != IViewServer::kIid) return E_NOINTERFACE;
        *object = static_cast<IViewServer*>(this);
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
    ULONG STDMETHODCALLTYPE Release() override { return --references; }
    HRESULT STDMETHODCALLTYPE RegisterView(BSTR, INotificationCallback*, LONG*) override { return E_UNEXPECTED; }
    HRESULT STDMETHODCALLTYPE UnregisterView(LONG viewId) override {
        unregistered.push_back(viewId);
        return unregisterResult;
    }

    ULONG references = 1;  // the test's
    HRESULT unregisterResult = S_OK;
    std::vector<LONG> unregistered;
};

// The handler alone, with the application it works for.
class EventHandlerTest : public item_objects::ItemObjectsTest {
protected:
    static constexpr LONG kOwnId = 41;

    void SetUp() override {
        ItemObjectsTest::SetUp();
        app_ = std::make_unique<FakeApplication>();
        handler_ = new CViewServerEventHandler(&server_);
        handler_->mlRegistrationID = kOwnId;
        handler_->mpfnTickCount = &TestClock;
        app_->handler = handler_.get();
    }
    void TearDown() override {
        handler_ = nullptr;
        app_.reset();
        EXPECT_EQ(server_.references, 1u) << "the handler gave its reference back";
        ItemObjectsTest::TearDown();
    }

    static HRESULT Call(HRESULT (CViewServerEventHandler::*event)(BSTR, LONG), CViewServerEventHandler* handler,
                        const char16_t* text, LONG value) {
        BSTR b = SysAllocString(text);
        const HRESULT hr = (handler->*event)(b, value);
        SysFreeString(b);
        return hr;
    }
    HRESULT ViewEvent(const char16_t* vault, LONG project, LONG sender, LONG kind) {
        BSTR b = SysAllocString(vault);
        const HRESULT hr = handler_->OnViewEvent(b, project, sender, kind);
        SysFreeString(b);
        return hr;
    }

    RecordingViewServer server_;
    std::unique_ptr<FakeApplication> app_;
    RefPtr<CViewServerEventHandler> handler_;
};

TEST_F(EventHandlerTest, AnswersItsThreeInterfacesOnOneCount) {
    struct Case {
        IID iid;
        void* expected;
    } const cases[] = {
        {IID_IUnknown, static_cast<ITavroskView*>(handler_.get())},
        {ITavroskView::kIid, static_cast<ITavroskView*>(handler_.get())},
        {ITavroskView2::kIid, static_cast<ITavroskView2*>(handler_.get())},
        {INotificationCallback::kIid, static_cast<INotificationCallback*>(handler_.get())},
    };
    for (const Case& c : cases) {
        void* object = nullptr;
        ASSERT_EQ(handler_->QueryInterface(c.iid, &object), S_OK);
        EXPECT_EQ(object, c.expected);
        EXPECT_EQ(handler_->mlRefCount(), 2);
        EXPECT_EQ(static_cast<IUnknown*>(object)->Release(), 1u);
    }
    void* none = reinterpret_cast<void*>(1);
    EXPECT_EQ(handler_->QueryInterface(IViewServer::kIid, &none), E_NOINTERFACE);
    EXPECT_EQ(none, nullptr);
    EXPECT_EQ(handler_->AddRef(), 2u);
    EXPECT_EQ(handler_->Release(), 1u);

    // The slots no server sends anything to answer constants.
    EXPECT_EQ(handler_->Reserved3(), S_OK);
    EXPECT_EQ(handler_->Reserved5(), 1);
    EXPECT_EQ(handler_->Reserved6(), 1);
    EXPECT_EQ(handler_->Reserved8(), 1);
    EXPECT_EQ(handler_->Reserved9(), S_OK);
    EXPECT_EQ(handler_->View2Reserved3(), 1);
}

TEST_F(EventHandlerTest, OnlyAnotherSendersChangeOfItemsIsPosted) {
    EXPECT_EQ(ViewEvent(u"Demo", 5, kOwnId, kViewEventItemsChanged), 1) << "its own change";
    EXPECT_EQ(ViewEvent(u"Demo", 5, 77, 2), 1) << "another kind";
    EXPECT_TRUE(app_->postedEvents.empty());
    EXPECT_EQ(ViewEvent(u"Demo", 5, 77, kViewEventItemsChanged), 0);
    EXPECT_EQ(ViewEvent(u"Demo", 9, 0, kViewEventItemsChanged), 0) << "a sender without a view-server id";
    EXPECT_EQ(app_->postedEvents, (std::vector<std::string>{"Demo 5", "Demo 9"}));
}

TEST_F(EventHandlerTest, APathIsRefreshedOnlyWithThePathRefreshBit) {
    EXPECT_EQ(Call(&CViewServerEventHandler::OnPathChanged, handler_.get(), u"C:\\View\\Parts", 0), 1);
    EXPECT_EQ(Call(&CViewServerEventHandler::OnPathChanged, handler_.get(), u"C:\\View\\Parts", 0x10), 1)
        << "bit index 4 is not the path-refresh bit";
    EXPECT_TRUE(app_->refreshedPaths.empty());
    app_->pathRefreshResult = E_OXN_MISSING_VIEW_INFO;
    EXPECT_EQ(Call(&CViewServerEventHandler::OnPathChanged, handler_.get(), u"C:\\View\\Parts", kPathRefresh | 1),
              E_OXN_MISSING_VIEW_INFO);
    EXPECT_EQ(app_->refreshedPaths, std::vector<std::u16string>{u"C:\\View\\Parts"});
}

TEST_F(EventHandlerTest, AFrameIsRefreshedAtMostOnceIn20Seconds) {
    FakeFrame frame(gClock);
    app_->frames[3] = &frame;
    struct Step {
        DWORD now;
        bool refreshed;
    };
    const DWORD t0 = 1000000;
    const Step steps[] = {{t0, true}, {t0 + 5000, false}, {t0 + 20000, false}, {t0 + 20001, true}, {t0 + 41001, true}};
    for (const Step& step : steps) {
        gClock = step.now;
        const size_t before = frame.refreshes.size();
        EXPECT_EQ(handler_->OnNotification(0, 0, 3), S_OK);
        EXPECT_EQ(frame.refreshes.size() - before, step.refreshed ? 1u : 0u) << "at t0 + " << step.now - t0;
    }
    EXPECT_EQ(frame.refreshes.front(), true) << "the shown folder is refreshed too";

    // The tick counter's wrap: 0xFFFFF000 to 0x00004000 is 20,480 ms.
    frame.lastRefresh = 0xFFFFF000;
    gClock = 0x00004000;
    frame.result = 0x1234;
    EXPECT_EQ(handler_->OnNotification(0, 0, 3), 0x1234);
}

TEST_F(EventHandlerTest, ANotificationForNoFrameOrDuringACommandDoesNothing) {
    FakeFrame frame(gClock);
    app_->frames[3] = &frame;
    gClock = 5;
    EXPECT_EQ(handler_->OnNotification(0, 0, 4), 0);
    {
        CommandInProgressScope command;
        EXPECT_EQ(handler_->OnNotification(0, 0, 3), 0);
    }
    EXPECT_TRUE(frame.refreshes.empty());
    app_.reset();  // no application at all
    EXPECT_EQ(handler_->OnNotification(0, 0, 3), 0);
}

TEST_F(EventHandlerTest, OnlyTheViewsItRegisteredAreUnregistered) {
    EXPECT_EQ(handler_->UnregisterView(12), 0);
    EXPECT_TRUE(server_.unregistered.empty());
    handler_->moViews = {12, 13};
    server_.unregisterResult = E_INVALIDARG;
    EXPECT_EQ(handler_->UnregisterView(12), E_INVALIDARG);
    EXPECT_EQ(handler_->UnregisterView(12), 0) << "once only";
    EXPECT_EQ(server_.unregistered, std::vector<LONG>{12});
    EXPECT_EQ(handler_->moViews, std::set<LONG>{13});

    RefPtr<CViewServerEventHandler> withoutServer(new CViewServerEventHandler(nullptr));
    withoutServer->moViews = {13};
    EXPECT_EQ(withoutServer->UnregisterView(13), 0);
}

TEST_F(EventHandlerTest, WithoutAViewServerTheHandlerStillWorks) {
    // Nothing registered the view server's class on this machine.
    RefPtr<CViewServerEventHandler> handler(new CViewServerEventHandler());
    EXPECT_EQ(handler->mpoViewServer, nullptr);
    EXPECT_EQ(handler->UnregisterView(1), 0);
}

// A vault reset over a real vault list.
class VaultResetTest : public VaultListTest {
protected:
    void SetUp() override {
        VaultListTest::SetUp();
        Create(u"Demo");
        app_ = std::make_unique<FakeApplication>();
        app_->vaults = Load();
        node_ = app_->vaults->FindVaultNodeByName(u"Demo");
        ASSERT_TRUE(node_);
        handler_ = new CViewServerEventHandler(nullptr);
        app_->handler = handler_.get();
    }
    void TearDown() override {
        handler_ = nullptr;
        node_ = nullptr;
        app_.reset();
        SetErrorInfo(0, nullptr);
        VaultListTest::TearDown();
    }

    // The node as an attach leaves it: logged in with an item manager, a
    // vault object and a connection's user, its cache holding a folder too.
    void LogIn() {
        ASSERT_EQ(CoCreateInstance(BellquistLib::CLSID_ItmManager, nullptr, CLSCTX_INPROC_SERVER,
                                   BellquistLib::IItmManager::kIid, reinterpret_cast<void**>(&node_->mpoItmManager)),
                  S_OK);
        node_->mpoVault = vault_.Unknown();
        node_->mbLoggedIn = 1;
        node_->mlUserID = 7;
        RefPtr<CCacheObj> folder;
        CComPtr<BellquistLib::IItmObject> item = item_objects::Folder(5, 1, u"Parts");
        ASSERT_EQ(MakeCacheObj(item, node_->mpoCache, folder), S_OK);
        node_->mpoCache->mvInsert(CacheObjKey{BellquistLib::ItmObjectType_ItemFolder, 5, -1}, folder);
    }
    HRESULT Reset(const char16_t* name) {
        BSTR b = SysAllocString(name);
        const HRESULT hr = handler_->OnVaultReset(b);
        SysFreeString(b);
        return hr;
    }
    std::vector<CacheObjKey> CachedKeys() const {
        std::vector<CacheObjKey> keys;
        for (const auto& [key, inner] : node_->mpoCache->Objects()) keys.push_back(key);
        return keys;
    }
    bool IsLoggedOut() const {
        return node_->mbLoggedIn == 0 && !node_->mpoItmManager && !node_->mpoVault &&
               CachedKeys() == std::vector<CacheObjKey>{{BellquistLib::ItmObjectType_Vault, 1, -1}};
    }

    com_testing::CountingObject vault_;
    std::unique_ptr<FakeApplication> app_;
    RefPtr<CVaultNode> node_;
    RefPtr<CViewServerEventHandler> handler_;
};

TEST_F(VaultResetTest, ALoggedInVaultIsLoggedOutAndItsCacheEmptied) {
    ASSERT_NO_FATAL_FAILURE(LogIn());
    EXPECT_EQ(Reset(u"Demo"), 1);
    EXPECT_TRUE(IsLoggedOut());
    EXPECT_EQ(node_->mlRootID, 1);
    EXPECT_EQ(node_->mlUserID, 7) << "the login's facts stay until the next attach";
    EXPECT_EQ(vault_.References(), 1u);
    EXPECT_EQ(app_->log, (std::vector<std::string>{"refresh 0 cache", "app reset Demo", "app finish"}));
}

TEST_F(VaultResetTest, AnUnknownVaultChangesNothing) {
    ASSERT_NO_FATAL_FAILURE(LogIn());
    EXPECT_EQ(Reset(u"demo"), E_OXN_MISSING_VIEW_INFO) << "names match in their case";
    EXPECT_EQ(node_->mbLoggedIn, 1);
    EXPECT_EQ(CachedKeys().size(), 2u);
    app_->vaults = nullptr;
    EXPECT_EQ(Reset(u"Demo"), E_OXN_MISSING_VIEW_INFO) << "no vault list";
    EXPECT_TRUE(app_->log.empty());
    EXPECT_EQ(node_->mbLoggedIn, 1);
}

TEST_F(VaultResetTest, NoFrameTakingPartStillResetsTheVault) {
    ASSERT_NO_FATAL_FAILURE(LogIn());
    app_->takePart = false;
    EXPECT_EQ(Reset(u"Demo"), 1);
    EXPECT_TRUE(IsLoggedOut());
    EXPECT_EQ(app_->log, std::vector<std::string>{"refresh 0 cache"});
}

TEST_F(VaultResetTest, AResetDuringACommandOrAnAttachWaitsForItsEnd) {
    ASSERT_NO_FATAL_FAILURE(LogIn());
    CComPtr<BellquistLib::IItmManager> inUse = node_->mpoItmManager;
    {
        CommandInProgressScope command;
        {
            CommandInProgressScope nested;  // a command from a modal loop of the first
        }
        EXPECT_EQ(Reset(u"Demo"), 1);
        EXPECT_EQ(node_->mpoItmManager, inUse) << "the command still calls it";
        EXPECT_EQ(node_->mbLoggedIn, 1);
        EXPECT_TRUE(app_->log.empty());
    }
    EXPECT_TRUE(IsLoggedOut());
    EXPECT_EQ(app_->log.size(), 3u);

    ASSERT_NO_FATAL_FAILURE(LogIn());
    {
        AttachInProgressScope attach;
        EXPECT_EQ(Reset(u"Demo"), 1);
        EXPECT_EQ(Reset(u"Nowhere"), E_OXN_MISSING_VIEW_INFO) << "known at once, nothing deferred";
        EXPECT_EQ(node_->mbLoggedIn, 1);
    }
    EXPECT_TRUE(IsLoggedOut());
}

}  // namespace
