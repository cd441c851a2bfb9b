// The component as its callers reach it: its classes by CLSID with the
// interfaces they ask for, every method at the slot its callers call, its
// file record found by GUID, and the two data providers - the client
// library's main object and the vault object - handing out their session's
// connection; the vault object also tells its login.
#include "unlock_fixture.h"

#include "com/error_info.h"
#include "com_testing/pending_error_info.h"
#include "com_testing/vtable_slot.h"
#include "castavy/ids.h"
#include "castavy/interfaces.h"
#include "com/safearray.h"
#include "oxnvault/interfaces.h"
#include "oxnvault/vault_object.h"
#include "vaultdb/database.h"
#include "vaultdb/schema.h"

namespace brevanne_test {
namespace {

using namespace BrevanneLib;
using com_testing::SlotOf;

TEST(UnlockSlotsTest, EveryMethodSitsAtTheSlotItsCallersCall) {
    EXPECT_EQ(SlotOf(&IUnlockOpDb::GetConnection), 3);
    EXPECT_EQ(SlotOf(&IUnlockOpCallback::Start), 3);
    EXPECT_EQ(SlotOf(&IUnlockOpCallback::NextFile), 4);
    EXPECT_EQ(SlotOf(&IUnlockOpCallback::Step), 5);
    EXPECT_EQ(SlotOf(&IUnlockOpCallback::Reset), 6);
    EXPECT_EQ(SlotOf(&IUnlockOpCallback::Question), 7);
    EXPECT_EQ(SlotOf(&IUnlockOpCallback::UnusedSlot10), 10);
    EXPECT_EQ(SlotOf(&IUnlockCommand::SetCommand), 4);
    EXPECT_EQ(SlotOf(&IUnlockCommand::Run), 5);
    EXPECT_EQ(SlotOf(&IUnlockCommand::GetText), 6);
    EXPECT_EQ(SlotOf(&IUnlockCommand::SetText), 7);
    EXPECT_EQ(SlotOf(&IUnlockStart::Start), 3);
    EXPECT_EQ(SlotOf(&IVaultRapper::GetUserInfo), 17);
}

TEST_F(UnlockTest, EachClassIsCreatedByItsClassIdWithTheInterfacesItsCallersAskFor) {
    struct Case {
        const CLSID* clsid;
        IID iid;
    } const cases[] = {
        {&CLSID_UnlockCommand, IUnlockCommand::kIid},
        {&CLSID_UnlockCommand, IUnlockStart::kIid},
        {&CLSID_UnlockCommand, CASTAVYLib::IFileRefCmd3::kIid},
        {&CLSID_UnlockCommand, CASTAVYLib::IUnlockCommandKind::kIid},
    };
    for (const Case& c : cases) {
        com::ComPtr<IUnknown> object;
        ASSERT_EQ(CoCreateInstance(*c.clsid, nullptr, 23, IID_IUnknown, reinterpret_cast<void**>(&object)), S_OK);
        EXPECT_EQ(OleRun(object.GetInterfacePtr()), S_OK);
        com::ComPtr<IUnknown> asked;
        EXPECT_EQ(object->QueryInterface(c.iid, reinterpret_cast<void**>(&asked)), S_OK);
        com::ComPtr<ISupportErrorInfo> errors;
        EXPECT_EQ(object->QueryInterface(ISupportErrorInfo::kIid, reinterpret_cast<void**>(&errors)), S_OK);
    }
    // Once the component is loaded, its callers make their arrays of file
    // records by the record's GUID.
    com::ComPtr<IRecordInfo> info;
    ASSERT_EQ(GetRecordInfoFromGuids(LIBID_BrevanneLib, 1, 0, 9, UnlockFileRecord::kRecordGuid, &info), S_OK);
    ULONG size = 0;
    EXPECT_EQ(info->GetSize(&size), S_OK);
    EXPECT_EQ(size, sizeof(UnlockFileRecord));
}

// The command's set-up: what Start, SetCommand and Run refuse, the kind its
// callers read for their caption, and the text it gives the dialog.
TEST_F(UnlockTest, TheCommandRefusesWhatItCannotWorkWith) {
    com::ComPtr<IUnlockCommand> command = CreateCommand();
    com::ComPtr<IUnlockStart> start;
    ASSERT_EQ(command->QueryInterface(IID_PPV_ARGS(&start)), S_OK);
    com::ComPtr<IUnlockOpDb> provider;
    ASSERT_EQ(client_->QueryInterface(IID_PPV_ARGS(&provider)), S_OK);
    CComBSTR viewPath(u"C:\\Views\\Demo"), noViewPath(u"");
    UnlockStartRecord record = AliceStart(viewPath);
    SAFEARRAY* files = FileRecords({{vault_.plate, 0}});
    SAFEARRAY* numbers = SafeArrayCreateVector(VT_I4, 0, 1);

    EXPECT_EQ(command->Run(nullptr, nullptr), E_UNEXPECTED);
    EXPECT_EQ(start->Start(nullptr, &record, files), E_POINTER);
    EXPECT_EQ(start->Start(provider.GetInterfacePtr(), nullptr, files), E_POINTER);
    EXPECT_EQ(start->Start(provider.GetInterfacePtr(), &record, nullptr), E_POINTER);
    EXPECT_EQ(start->Start(provider.GetInterfacePtr(), &record, numbers), E_INVALIDARG);
    UnlockStartRecord noView = AliceStart(noViewPath);
    EXPECT_EQ(start->Start(provider.GetInterfacePtr(), &noView, files), E_OXN_MISSING_VIEW_INFO);
    UnlockStartRecord stranger = AliceStart(viewPath);
    stranger.userId = 4711;
    EXPECT_EQ(start->Start(provider.GetInterfacePtr(), &stranger, files), E_INVALIDARG);
    EXPECT_EQ(com_testing::TakePendingDescription(), u"The vault has no such user.");
    EXPECT_EQ(command->SetCommand(5, 0), E_INVALIDARG);

    ASSERT_EQ(start->Start(provider.GetInterfacePtr(), &record, files), S_OK);
    EXPECT_EQ(command->Run(nullptr, nullptr), E_UNEXPECTED);  // no command yet
    com::ComPtr<CASTAVYLib::IUnlockCommandKind> kind;
    ASSERT_EQ(command->QueryInterface(IID_PPV_ARGS(&kind)), S_OK);
    com::ComPtr<CASTAVYLib::IFileRefCmd3> source;
    ASSERT_EQ(command->QueryInterface(IID_PPV_ARGS(&source)), S_OK);
    for (const LONG id : {kCommandCheckIn, kCommandUndoCheckOut}) {
        ASSERT_EQ(command->SetCommand(id, 0), S_OK);
        LONG undo = -1;
        EXPECT_EQ(kind->GetUndoCheckOut(&undo), S_OK);
        EXPECT_EQ(undo, id == kCommandUndoCheckOut ? 1 : 0);
        BSTR message = nullptr;
        EXPECT_EQ(source->GetText(CASTAVYLib::CastavyText_Message, &message), S_OK);
        EXPECT_EQ(com::BstrView(message),
                  id == kCommandCheckIn
                      ? u"Check in the 1 selected object."
                      : u"Undo the check-out of the 1 selected object? Changes to their local copies are lost.");
        SysFreeString(message);
    }
    // For the dialog the command has no tree: no columns, no roots, and the
    // dialog's own title.
    SAFEARRAY* first = nullptr;
    SAFEARRAY* second = nullptr;
    LONG flags = -1;
    ASSERT_EQ(source->GetColumns(&first, &second, &flags), S_OK);
    EXPECT_EQ(flags, 0);
    LONG upper = 0;
    EXPECT_EQ(SafeArrayGetUBound(first, 1, &upper), S_OK);
    EXPECT_EQ(upper, -1);
    EXPECT_EQ(SafeArrayGetUBound(second, 1, &upper), S_OK);
    EXPECT_EQ(upper, -1);
    SafeArrayDestroy(first);
    SafeArrayDestroy(second);
    com::ComPtr<IUnknown> roots;
    EXPECT_EQ(source->GetRootEnumerator(0, &roots), S_FALSE);
    EXPECT_EQ(roots, nullptr);
    BSTR title = nullptr;
    EXPECT_EQ(source->GetText(CASTAVYLib::CastavyText_Title, &title), S_OK);
    EXPECT_EQ(title, nullptr);
    BSTR text = nullptr;
    EXPECT_EQ(command->GetText(&text), S_OK);
    EXPECT_EQ(com::BstrView(text), u"");
    SysFreeString(text);
    CComBSTR comment(u"fixed");
    EXPECT_EQ(command->SetText(comment), S_OK);
    EXPECT_EQ(command->GetText(&text), S_OK);
    EXPECT_EQ(com::BstrView(text), u"fixed");
    SysFreeString(text);
    SafeArrayDestroy(files);
    SafeArrayDestroy(numbers);
}

// The client library's main object and the vault object hand out their
// session's connection with a reference for the caller; the command works
// through either.
TEST_F(UnlockTest, BothDataProvidersHandOutTheirSessionsConnection) {
    oxnvault::VaultObjectLogin login;
    login.databaseFile =
        vaultdb::VaultDatabaseFile(winapi::ToPosixPath(vennacle_test::kDbServer), vennacle_test::kDbName);
    login.userName = u"Alice";
    login.password = u"secret";
    login.viewGuid = kViewGuid;
    login.viewPath = u"C:\\Views\\Demo";
    login.computer = u"WORKSTATION";
    com::ComPtr<OxnVaultLib::IOxnVault11> vault;
    ASSERT_EQ(oxnvault::OpenVaultObject(login, &vault), S_OK);

    for (IUnknown* object :
         {static_cast<IUnknown*>(client_.GetInterfacePtr()), static_cast<IUnknown*>(vault.GetInterfacePtr())}) {
        com::ComPtr<IUnlockOpDb> provider;
        ASSERT_EQ(object->QueryInterface(IID_PPV_ARGS(&provider)), S_OK);
        EXPECT_EQ(provider->GetConnection(nullptr), E_POINTER);
        SpMgr* first = nullptr;
        SpMgr* second = nullptr;
        ASSERT_EQ(provider->GetConnection(&first), S_OK);
        ASSERT_EQ(provider->GetConnection(&second), S_OK);
        EXPECT_EQ(first, second);
        EXPECT_NE(first->mpoGetDatabase(), nullptr);
        if (object == client_.GetInterfacePtr()) {
            EXPECT_EQ(first, connection_);
        }
        first->Release();
        second->Release();
    }

    const LONG file = AddFileWithContents(vault_.cadFolder, u"vaulted.prt", {"one"});
    Lock(file, vault_.alice);
    Write(LocalFile(u"\\Cad\\vaulted.prt"), "two");
    EXPECT_EQ(RunCommand(kCommandCheckIn, {{file, 0}}, nullptr, vault.GetInterfacePtr()), S_OK);
    EXPECT_EQ(LatestVersion(file), 2);
    EXPECT_EQ(LockHolder(file), 0);

    com::ComPtr<IVaultRapper> rapper;
    ASSERT_EQ(vault->QueryInterface(IID_PPV_ARGS(&rapper)), S_OK);
    LONG userId = 0, dateFormat = 0, vaultType = -1, databaseVersion = 0, rights = 0;
    BSTR name = nullptr;
    EXPECT_EQ(rapper->GetUserInfo(&userId, &dateFormat, nullptr, &vaultType, &databaseVersion, &rights), E_POINTER);
    ASSERT_EQ(rapper->GetUserInfo(&userId, &dateFormat, &name, &vaultType, &databaseVersion, &rights), S_OK);
    EXPECT_EQ(userId, vault_.alice);
    EXPECT_EQ(com::BstrView(name), u"Alice");
    EXPECT_EQ(dateFormat, 3);
    EXPECT_EQ(vaultType, 0);
    EXPECT_EQ(databaseVersion, vaultdb::kVaultDatabaseVersion);
    // 1028 counts; 0x4000001 has its lowest bit set and does not.
    EXPECT_EQ(rights, 1028);
    SysFreeString(name);
}

}  // namespace
}  // namespace brevanne_test
