// The servers as programs reach them: by class id and context, by vtable
// slot, with their errors; and the library stays loaded while a process
// holds registrations through it.
#include "view_server_fixture.h"

#include "com/bstr_t.h"
#include "com_testing/library_loaded.h"
#include "com_testing/vtable_slot.h"

namespace {

using namespace TavroskViewLib;
using com_testing::SlotOf;
using viewserver_testing::RecordingHandler;
using viewserver_testing::ViewServerTest;

#define SLOT(member, expected) \
    { #member, SlotOf(&member), expected }

TEST(ViewServerSlotsTest, EveryMethodSitsAtTheSlotItsCallersUse) {
    struct Case {
        const char* method;
        int slot;
        int expected;
    } const cases[] = {
        SLOT(ITavroskView::Reserved3, 3),
        SLOT(ITavroskView::OnPathChanged, 4),
        SLOT(ITavroskView::Reserved5, 5),
        SLOT(ITavroskView::Reserved6, 6),
        SLOT(ITavroskView::OnVaultReset, 7),
        SLOT(ITavroskView::Reserved8, 8),
        SLOT(ITavroskView::Reserved9, 9),
        SLOT(ITavroskView2::View2Reserved3, 3),
        SLOT(ITavroskView2::OnViewEvent, 4),
        SLOT(INotificationCallback::OnNotification, 3),
        SLOT(IViewServer::Reserved3, 3),
        SLOT(IViewServer::RegisterView, 4),
        SLOT(IViewServer::UnregisterView, 5),
        SLOT(INotificationServer::Register, 3),
        SLOT(INotificationServer::Unregister, 4),
        SLOT(INotificationServer::PostViewEvent, 5),
        SLOT(INotificationServer::PostPathChanged, 6),
        SLOT(INotificationServer::PostVaultReset, 7),
    };
    for (const Case& c : cases) EXPECT_EQ(c.slot, c.expected) << c.method;
}

using ViewServersTest = ViewServerTest;

// The notification server is a local server: created so only through the
// stand-in the program registered (the fixture did); the view server in
// any context, and it runs.
TEST_F(ViewServersTest, TheNotificationServerIsALocalServerOnlyThroughTheProgramsStandIn) {
    com::ComPtr<INotificationServer> server;
    com::RegisterLocalServerStandIn(CLSID_NotificationServer, nullptr);
    EXPECT_EQ(CoCreateInstance(CLSID_NotificationServer, nullptr, CLSCTX_LOCAL_SERVER, INotificationServer::kIid,
                               reinterpret_cast<void**>(&server)),
              REGDB_E_CLASSNOTREG);
    RegisterNotificationServerStandIn();
    EXPECT_EQ(CoCreateInstance(CLSID_NotificationServer, nullptr, CLSCTX_LOCAL_SERVER, INotificationServer::kIid,
                               reinterpret_cast<void**>(&server)),
              S_OK);
    EXPECT_EQ(servers_.views->Reserved3(), E_UNEXPECTED);
}

// A server that is not registered fails the creation; a program goes on
// without it.
TEST_F(ViewServersTest, AnUnregisteredServerFailsItsCreation) {
    testsupport::FreshMachine otherMachine;
    viewserver_testing::ServerConnection connection;
    EXPECT_EQ(connection.Connect(), REGDB_E_CLASSNOTREG);
}

TEST_F(ViewServersTest, RegistrationsCheckTheirArguments) {
    RecordingHandler handler;
    LONG id = -1;
    EXPECT_EQ(servers_.notifications->Register(nullptr, &id), E_POINTER);
    EXPECT_EQ(id, 0);
    EXPECT_EQ(servers_.notifications->Register(handler.View(), nullptr), E_POINTER);
    EXPECT_EQ(servers_.views->RegisterView(_bstr_t(u"Demo|1"), nullptr, &id), E_POINTER);
    EXPECT_EQ(servers_.views->RegisterView(_bstr_t(u"Demo|1"), handler.Callback(), nullptr), E_POINTER);
    for (const char16_t* name : {u"", u"Demo", u"Demo|", u"|7", u"Demo|7x", u"Demo|x7", u"Demo|99999999999"}) {
        id = -1;
        EXPECT_EQ(servers_.views->RegisterView(_bstr_t(name), handler.Callback(), &id), E_INVALIDARG)
            << winapi::ToUtf8(name);
        EXPECT_EQ(id, 0);
    }
    EXPECT_EQ(servers_.views->RegisterView(nullptr, handler.Callback(), &id), E_INVALIDARG);
    EXPECT_EQ(handler.References(), 0u);

    // The folder id follows the last bar.
    ASSERT_EQ(servers_.views->RegisterView(_bstr_t(u"A|B|-3"), handler.Callback(), &id), S_OK);
    EXPECT_EQ(servers_.views->UnregisterView(id), S_OK);
    EXPECT_EQ(servers_.views->UnregisterView(id), E_INVALIDARG) << "ended already";
    EXPECT_EQ(servers_.notifications->Unregister(id), E_INVALIDARG) << "a view's id is no cookie";
    EXPECT_EQ(servers_.notifications->Unregister(0), E_INVALIDARG);

    const std::u16string tooLong(4097, u'x');
    EXPECT_EQ(servers_.notifications->PostVaultReset(_bstr_t(tooLong.c_str())), E_INVALIDARG);
    EXPECT_EQ(servers_.notifications->PostPathChanged(_bstr_t(tooLong.c_str()), kPathRefresh, 0), E_INVALIDARG);
    EXPECT_EQ(servers_.notifications->PostViewEvent(_bstr_t(tooLong.substr(1).c_str()), 1, 0, 3), S_OK);
}

// The library is kept while the process listens through it: the
// registrations outlive the server objects they were made with.
TEST_F(ViewServersTest, TheLibraryStaysWhileRegistrationsLast) {
    const std::string library = testsupport::SiblingProgram("libViewServer.so").string();
    RecordingHandler handler;
    LONG cookie = 0;
    ASSERT_EQ(servers_.notifications->Register(handler.View(), &cookie), S_OK);
    com::ComPtr<INotificationServer> notifications = servers_.notifications;
    servers_ = {};
    CoFreeUnusedLibraries();
    EXPECT_TRUE(com_testing::LibraryLoaded(library));

    EXPECT_EQ(notifications->Unregister(cookie), S_OK);
    notifications = nullptr;
    CoFreeUnusedLibraries();
    EXPECT_FALSE(com_testing::LibraryLoaded(library));
    EXPECT_EQ(handler.References(), 0u);
}

}  // namespace
