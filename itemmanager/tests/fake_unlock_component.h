// A fake of the vault client's unlock component and of the file-reference
// dialog that asks for its comment, served in the test's own process under
// their real class ids: the unlock command and the dialog. Both write what the item server asks of them into one log, in
// order, keep what the start gave them and answer what the test's script
// says; the command's run calls the callback as the script says. The class
// objects make their fakes without context, so the script of the running
// test is reached through a global, which ServedUnlockComponent sets.
// Beside them: the data provider the back ends hand on (IUnlockOpDb, and
// IVaultRapper as the vault object answers it).
#pragma once

#include "brevanne/ids.h"
#include "brevanne/interfaces.h"
#include "castavy/ids.h"
#include "castavy/interfaces.h"
#include "com/bstr.h"
#include "com/error_info.h"
#include "com/runtime.h"
#include "com_testing/counting_class_factory.h"
#include "com_testing/fake_parts.h"
#include "com_testing/pending_error_info.h"
#include "common/record_array.h"
#include "winapi/text.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace unlock_fakes {

// A file record as the command got it.
struct FileRecord {
    LONG fileId;
    LONG folderId;
    std::u16string name;  // "<null>" for a null BSTR
    bool operator==(const FileRecord&) const = default;
};

// What the command and the dialog answer, and what they were given.
struct UnlockScript {
    // The command.
    bool startInterface = true;  // answers IUnlockStart
    bool dialogSource = true;    // answers IFileRefCmd3 (the dialog's command interface)
    bool commandKind = false;    // answers IUnlockCommandKind ...
    LONG undoCheckOut = 0;       // ... whose slot 9 gives this
    HRESULT start = S_OK;
    HRESULT setCommand = S_OK;
    std::u16string commandText = u"";  // slot 6
    // The run: by default S_OK without a call of the callback.
    std::function<HRESULT(BrevanneLib::IUnlockOpCallback*)> run;
    // The dialog.
    HRESULT show = S_OK;                                         // S_FALSE: the user cancelled
    const char16_t* showError = u"The dialog cannot be shown.";  // the failure's error info
    std::u16string dialogText = u"Bracket widened";              // slot 8

    int commandsMade = 0;
    int dialogsMade = 0;
    // Every call, in order: "Start", "SetCommand 137 0", "GetText",
    // "Dialog.SetText ''", "Show 0 300 'Unlock'", "Dialog.GetText",
    // "SetText 'Bracket widened'", "Run callback" / "Run null".
    std::vector<std::string> log;
    // What the start got.
    bool dbGiven = false;
    BrevanneLib::UnlockStartRecord record{};  // its view path is not kept here
    std::u16string viewPath;
    std::vector<FileRecord> files;
    // Whether Show got the command's IFileRefCmd3.
    bool showGotSource = false;
};

inline UnlockScript* gUnlockScript = nullptr;

inline std::string Utf8(BSTR text) { return winapi::ToUtf8(com::BstrView(text)); }

class FakeUnlockCommand final : public BrevanneLib::IUnlockCommand,
                                public BrevanneLib::IUnlockStart,
                                public CASTAVYLib::IFileRefCmd3,
                                public CASTAVYLib::IUnlockCommandKind {
public:
    explicit FakeUnlockCommand(UnlockScript& script) : script_(script) { ++script_.commandsMade; }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        IUnknown* answer = nullptr;
        if (iid == IID_IUnknown || iid == IUnlockCommand::kIid) answer = static_cast<IUnlockCommand*>(this);
        if (iid == IUnlockStart::kIid && script_.startInterface) answer = static_cast<IUnlockStart*>(this);
        if (iid == CASTAVYLib::IFileRefCmd3::kIid && script_.dialogSource)
            answer = static_cast<CASTAVYLib::IFileRefCmd3*>(this);
        if (iid == CASTAVYLib::IUnlockCommandKind::kIid && script_.commandKind)
            answer = static_cast<CASTAVYLib::IUnlockCommandKind*>(this);
        return com_testing::AnswerQuery(out, answer);
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return references_.Add(); }
    ULONG STDMETHODCALLTYPE Release() override {
        ULONG left = references_.Release();
        if (left == 0) delete this;
        return left;
    }

    // IUnlockCommand
    HRESULT STDMETHODCALLTYPE SetCommand(LONG command, LONG reserved) override {
        script_.log.push_back("SetCommand " + std::to_string(command) + " " + std::to_string(reserved));
        return script_.setCommand;
    }
    HRESULT STDMETHODCALLTYPE Run(BrevanneLib::IUnlockOpCallback* callback, IUnknown* reserved) override {
        script_.log.push_back(std::string("Run ") + (callback ? "callback" : "null") + (reserved ? " reserved" : ""));
        return script_.run ? script_.run(callback) : S_OK;
    }
    using CASTAVYLib::IFileRefCmd3::GetText;
    HRESULT STDMETHODCALLTYPE GetText(BSTR* text) override {
        script_.log.push_back("GetText");
        *text = SysAllocString(script_.commandText.c_str());
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetText(BSTR text) override {
        script_.log.push_back("SetText '" + Utf8(text) + "'");
        return S_OK;
    }

    // IUnlockStart
    HRESULT STDMETHODCALLTYPE Start(BrevanneLib::IUnlockOpDb* db, BrevanneLib::UnlockStartRecord* record,
                                    SAFEARRAY* files) override {
        script_.log.push_back("Start");
        script_.dbGiven = db != nullptr;
        script_.record = *record;
        script_.viewPath = record->viewPath ? com::BstrText(record->viewPath) : u"<null>";
        script_.record.viewPath = nullptr;
        script_.files.clear();
        RecordArray<BrevanneLib::UnlockFileRecord> records(files);
        for (const BrevanneLib::UnlockFileRecord* r = records.mpoBegin(); r != records.mpoEnd(); ++r)
            script_.files.push_back({r->fileId, r->folderId, r->name ? com::BstrText(r->name) : u"<null>"});
        return script_.start;
    }

    // IFileRefCmd3: the dialog fake does not call it.
    HRESULT STDMETHODCALLTYPE GetColumns(SAFEARRAY**, SAFEARRAY**, LONG*) override {
        return com_testing::UnexpectedCall("GetColumns");
    }
    HRESULT STDMETHODCALLTYPE Command(LONG, LONG, VARIANT*) override { return com_testing::UnexpectedCall("Command"); }
    HRESULT STDMETHODCALLTYPE GetRootEnumerator(LONG, IUnknown**) override {
        return com_testing::UnexpectedCall("GetRootEnumerator");
    }
    HRESULT STDMETHODCALLTYPE GetRowItem(LONG, IUnknown*, IUnknown**) override {
        return com_testing::UnexpectedCall("GetRowItem");
    }
    HRESULT STDMETHODCALLTYPE GetOption(LONG, LONG, LONG, LONG*, LONG*) override {
        return com_testing::UnexpectedCall("GetOption");
    }
    HRESULT STDMETHODCALLTYPE ValueChanged(LONG, CASTAVYLib::IFileRefItem*, LONG, LONG, LONG) override {
        return com_testing::UnexpectedCall("ValueChanged");
    }
    HRESULT STDMETHODCALLTYPE GetText(LONG, BSTR*) override { return com_testing::UnexpectedCall("GetText(id)"); }
    HRESULT STDMETHODCALLTYPE OnDialogInit() override { return com_testing::UnexpectedCall("OnDialogInit"); }
    HRESULT STDMETHODCALLTYPE BuildTree(LONG) override { return com_testing::UnexpectedCall("BuildTree"); }
    HRESULT STDMETHODCALLTYPE OnTreeShown() override { return com_testing::UnexpectedCall("OnTreeShown"); }
    HRESULT STDMETHODCALLTYPE GetRowChecked(IUnknown*, LONG*) override {
        return com_testing::UnexpectedCall("GetRowChecked");
    }
    HRESULT STDMETHODCALLTYPE OnDialogClose() override { return com_testing::UnexpectedCall("OnDialogClose"); }

    // IUnlockCommandKind
    HRESULT STDMETHODCALLTYPE GetUndoCheckOut(LONG* undo) override {
        *undo = script_.undoCheckOut;
        return S_OK;
    }

private:
    ~FakeUnlockCommand() = default;
    UnlockScript& script_;
    com_testing::FakeReferenceCount references_{com_testing::FakeReferenceCount::Lifetime::kDeletedByLastRelease};
};

class FakeUnlockDialog final : public CASTAVYLib::IFileCastavy, public ISupportErrorInfo {
public:
    explicit FakeUnlockDialog(UnlockScript& script) : script_(script) { ++script_.dialogsMade; }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        IUnknown* answer = nullptr;
        if (iid == IID_IUnknown || iid == IFileCastavy::kIid) answer = static_cast<IFileCastavy*>(this);
        if (iid == IID_ISupportErrorInfo) answer = static_cast<ISupportErrorInfo*>(this);
        return com_testing::AnswerQuery(out, answer);
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return references_.Add(); }
    ULONG STDMETHODCALLTYPE Release() override {
        ULONG left = references_.Release();
        if (left == 0) delete this;
        return left;
    }
    HRESULT STDMETHODCALLTYPE InterfaceSupportsErrorInfo(REFIID iid) override {
        return iid == IFileCastavy::kIid ? S_OK : S_FALSE;
    }

    HRESULT STDMETHODCALLTYPE Show(LONG parent, IUnknown* command, LONG reserved, LONG width, BSTR caption) override {
        script_.log.push_back("Show " + std::to_string(parent) + " " + std::to_string(width) + " '" + Utf8(caption) +
                              "'" + (reserved ? " reserved" : ""));
        IUnknown* source = nullptr;
        if (command &&
            SUCCEEDED(command->QueryInterface(CASTAVYLib::IFileRefCmd3::kIid, reinterpret_cast<void**>(&source)))) {
            // The very interface, not another one of the command.
            script_.showGotSource = static_cast<IUnknown*>(source) == command;
            source->Release();
        }
        if (FAILED(script_.show)) com_testing::SetPendingErrorInfo(script_.showError);
        return script_.show;
    }
    HRESULT STDMETHODCALLTYPE PutTreeType(LONG) override { return com_testing::UnexpectedCall("PutTreeType"); }
    HRESULT STDMETHODCALLTYPE GetText(BSTR* text) override {
        script_.log.push_back("Dialog.GetText");
        *text = SysAllocString(script_.dialogText.c_str());
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetText(BSTR text) override {
        script_.log.push_back("Dialog.SetText '" + Utf8(text) + "'");
        return S_OK;
    }

private:
    ~FakeUnlockDialog() = default;
    UnlockScript& script_;
    com_testing::FakeReferenceCount references_{com_testing::FakeReferenceCount::Lifetime::kDeletedByLastRelease};
};

// Serves the command and the dialog with `script` while it lives; either can
// be left unserved (its creation then fails as for a component that is not
// installed).
class ServedUnlockComponent {
public:
    explicit ServedUnlockComponent(UnlockScript& script, bool command = true, bool dialog = true) {
        gUnlockScript = &script;
        if (command) Serve(BrevanneLib::CLSID_UnlockCommand, commandClass_, cookies_[0]);
        if (dialog) Serve(CASTAVYLib::CLSID_FileCastavy, dialogClass_, cookies_[1]);
    }
    ~ServedUnlockComponent() {
        for (DWORD cookie : cookies_)
            if (cookie) CoRevokeClassObject(cookie);
        gUnlockScript = nullptr;
    }
    ServedUnlockComponent(const ServedUnlockComponent&) = delete;
    ServedUnlockComponent& operator=(const ServedUnlockComponent&) = delete;

private:
    static void Serve(REFCLSID clsid, com_testing::CountingClassFactory& factory, DWORD& cookie) {
        EXPECT_EQ(CoRegisterClassObject(clsid, &factory, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &cookie), S_OK);
    }

    com_testing::CountingClassFactory commandClass_{[] {
        return static_cast<IUnknown*>(static_cast<BrevanneLib::IUnlockCommand*>(new FakeUnlockCommand(*gUnlockScript)));
    }};
    com_testing::CountingClassFactory dialogClass_{[] {
        return static_cast<IUnknown*>(static_cast<CASTAVYLib::IFileCastavy*>(new FakeUnlockDialog(*gUnlockScript)));
    }};
    DWORD cookies_[2] = {};
};

// What the data provider answers.
struct ProviderScript {
    bool unlockDb = true;      // answers IUnlockOpDb
    bool vaultRapper = false;  // answers IVaultRapper ...
    HRESULT userInfo = S_OK;   // ... whose slot 17 gives this
    LONG systemRights = 0;     // and these rights
    int userInfoCalls = 0;
};

// The object a back end hands the command as its vault: the client
// library's object or the vault object. Owned by the test.
class FakeUnlockProvider final : public BrevanneLib::IUnlockOpDb,
                                 public BrevanneLib::IVaultRapper,
                                 public ISupportErrorInfo {
public:
    explicit FakeUnlockProvider(ProviderScript& script) : script_(script) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        IUnknown* answer = nullptr;
        if (iid == IID_IUnknown) answer = static_cast<IUnlockOpDb*>(this);
        if (iid == IUnlockOpDb::kIid && script_.unlockDb) answer = static_cast<IUnlockOpDb*>(this);
        if (iid == IVaultRapper::kIid && script_.vaultRapper) answer = static_cast<IVaultRapper*>(this);
        if (iid == IID_ISupportErrorInfo) answer = static_cast<ISupportErrorInfo*>(this);
        return com_testing::AnswerQuery(out, answer);
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return references_.Add(); }
    ULONG STDMETHODCALLTYPE Release() override { return references_.Release(); }
    ULONG References() const { return references_.Count(); }
    HRESULT STDMETHODCALLTYPE InterfaceSupportsErrorInfo(REFIID iid) override {
        return iid == IVaultRapper::kIid ? S_OK : S_FALSE;
    }

    // The fake command never asks for the connection.
    HRESULT STDMETHODCALLTYPE GetConnection(SpMgr**) override { return com_testing::UnexpectedCall("GetConnection"); }

    HRESULT STDMETHODCALLTYPE GetUserInfo(LONG* userId, LONG* dateFormat, BSTR* userName, LONG* vaultType,
                                          LONG* databaseVersion, LONG* systemRights) override {
        ++script_.userInfoCalls;
        if (FAILED(script_.userInfo)) {
            com_testing::SetPendingErrorInfo(u"No session.");
            return script_.userInfo;
        }
        *userId = 2;
        *dateFormat = 1;
        *userName = SysAllocString(u"Admin");
        *vaultType = 0;
        *databaseVersion = 1;
        *systemRights = script_.systemRights;
        return S_OK;
    }

private:
    ProviderScript& script_;
    com_testing::FakeReferenceCount references_{com_testing::FakeReferenceCount::Lifetime::kOwnedByTest};
};

}  // namespace unlock_fakes
