// The interfaces of the unlock component BrevanneLib (brevanne/ids.h) and
// of the objects it works with, as their callers call them: by vtable slot,
// QueryInterface being slot 0. The declaration order below is therefore the
// contract. Slots declared "Unused" have no meaning a caller relies on; they
// answer E_NOTIMPL (their bodies here, which implementations keep) and exist
// so that the slots after them line up.
//
// A check-in or undo check-out runs so: the caller creates the command,
// starts it with the vault's data provider (IUnlockOpDb), who works where
// (UnlockStartRecord) and the objects (UnlockFileRecord), sets the command
// (137 check-in, 142 undo check-out), lets the file-reference dialog of
// CASTAVYLib ask the user (the command is its command object, castavy/
// interfaces.h: IFileRefCmd3, and IUnlockCommandKind, which tells an undo of
// check-outs; the command's text - the check-in comment - goes to the
// dialog and back), and
// runs it with its callback, which shows the progress, answers the
// command's questions and learns which files were worked on.
#pragma once

#include "brevanne/records.h"
#include "com/bstr.h"
#include "com/unknown.h"
#include "winapi/types.h"

struct SAFEARRAY;
class SpMgr;

namespace BrevanneLib {

// The vault's data provider: the session whose vault database the command
// works on. The client library's main object and the vault object answer
// it.
struct IUnlockOpDb : IUnknown {
    COM_INTERFACE_ID("C325B538-6662-4E3E-A28B-0BC86B520FB3");
    // Slot 3: the session's vault connection with one reference for the
    // caller (which it drops with SpMgr::Release). E_POINTER for a null
    // out-argument; E_OXN_NOT_LOGGED_IN (client library) or
    // E_OXN_NOT_INITIALIZED (vault object), *ppoConnection null, without an
    // open session.
    virtual HRESULT STDMETHODCALLTYPE GetConnection(SpMgr** ppoConnection) = 0;

protected:
    ~IUnlockOpDb() = default;
};

// The caller's side of a run: progress, questions, and the files worked
// on. Implemented by the caller; the command calls it on the caller's
// thread, inside IUnlockCommand::Run.
struct IUnlockOpCallback : IUnknown {
    COM_INTERFACE_ID("C5ACCE3B-7A8A-465E-8CED-B43932F49DC4");
    // Slot 3: the run begins; it goes over `lTotal` documents (each passes
    // through slot 4 or 5 once). lReserved is 0.
    virtual HRESULT STDMETHODCALLTYPE Start(LONG lReserved, LONG lTotal) = 0;
    // Slot 4: the run works on the document at `bsPath`, its path in the
    // view folder (an item's is "<view>\<items>\...\<name>.<item>").
    // E_OXN_CANCELLED_BY_USER stops the run before the document; another
    // failure ends the run with it.
    virtual HRESULT STDMETHODCALLTYPE NextFile(BSTR bsPath) = 0;
    // Slot 5: the run passes over a document that has nothing to do (not
    // checked out). Failures as for slot 4.
    virtual HRESULT STDMETHODCALLTYPE Step() = 0;
    // Slot 6: the run went through every document: how many it changed,
    // how many it left as they were, and the total. The result is not read.
    virtual HRESULT STDMETHODCALLTYPE Reset(LONG lChanged, LONG lLeft, LONG lTotal) = 0;
    // Slot 7: a question of kind `lKind` (brevanne/ids.h) on the document at
    // `bsPath`, with `poDetail` (may be null: nothing more to say; it and
    // its strings live for the call), its id and latest version;
    // *plReply is the answer (kReply...). A failure ends the run with it.
    virtual HRESULT STDMETHODCALLTYPE Question(LONG lKind, LONG lDocumentId, LONG lVersion, BSTR bsPath,
                                               UnlockQuestionDetail* poDetail, LONG* plReply) = 0;
    // Slots 8 to 10.
    virtual HRESULT STDMETHODCALLTYPE UnusedSlot8() { return E_NOTIMPL; }
    virtual HRESULT STDMETHODCALLTYPE UnusedSlot9() { return E_NOTIMPL; }
    virtual HRESULT STDMETHODCALLTYPE UnusedSlot10() { return E_NOTIMPL; }

protected:
    ~IUnlockOpCallback() = default;
};

// The unlock command's main interface.
struct IUnlockCommand : IUnknown {
    COM_INTERFACE_ID("F118ED9B-1E2B-4123-94E6-4DA23033C7C7");
    // Slot 3.
    virtual HRESULT STDMETHODCALLTYPE UnusedSlot3() { return E_NOTIMPL; }
    // Slot 4: kCommandCheckIn or kCommandUndoCheckOut; lReserved 0.
    // E_INVALIDARG for another command.
    virtual HRESULT STDMETHODCALLTYPE SetCommand(LONG lCommand, LONG lReserved) = 0;
    // Slot 5: runs the command over the objects of the start, asking
    // `poCallback` (may be null: a silent run, which leaves every file
    // that would need a question of kind 3, 5 or 8 as it is, and keeps card
    // values and checks in without asking kinds 1 and 2). poReserved null.
    // Every document changes in its own transaction: once the run ends,
    // each file is checked in (or its check-out undone) whole, or is as it
    // was. S_OK; E_OXN_CANCELLED_BY_USER when the callback stopped it (what
    // was done stays); E_OXN_LOCK_ERRORS (error info naming them) when some
    // files could not be checked in or restored - those stay checked out
    // and the others are done; E_UNEXPECTED before Start and SetCommand; a
    // failure of the vault database or the callback (the document it
    // happened on is as it was).
    virtual HRESULT STDMETHODCALLTYPE Run(IUnlockOpCallback* poCallback, IUnknown* poReserved) = 0;
    // Slot 6: the text for the dialog (the check-in comment; "" at first),
    // a new string for the caller. E_POINTER for a null out-argument.
    virtual HRESULT STDMETHODCALLTYPE GetText(BSTR* pbsText) = 0;
    // Slot 7: the text from the dialog: the comment of the versions a
    // check-in makes (null: ""). Kept as given.
    virtual HRESULT STDMETHODCALLTYPE SetText(BSTR bsText) = 0;

protected:
    ~IUnlockCommand() = default;
};

// The unlock command's start.
struct IUnlockStart : IUnknown {
    COM_INTERFACE_ID("258FB42C-BD14-4F04-929D-DBC4731DDDB2");
    // Slot 3: the vault (the command takes a connection reference of its
    // own from `poDb`), who works where (`poRecord`, copied) and the objects
    // (`poFiles`, SAFEARRAY(UnlockFileRecord), copied). Starting again
    // replaces all three. E_POINTER for a null argument; E_INVALIDARG for an
    // array of other elements or a user the vault does not have;
    // E_OXN_MISSING_VIEW_INFO for a record without view folder; the
    // failure of IUnlockOpDb::GetConnection.
    virtual HRESULT STDMETHODCALLTYPE Start(IUnlockOpDb* poDb, UnlockStartRecord* poRecord, SAFEARRAY* poFiles) = 0;

protected:
    ~IUnlockStart() = default;
};

// The vault object's account of its login.
struct IVaultRapper : IUnknown {
    COM_INTERFACE_ID("DFC4DF31-74BC-11D3-90E4-00C04F56B3AF");
    // Slots 3 to 16.
    virtual HRESULT STDMETHODCALLTYPE UnusedSlot3() { return E_NOTIMPL; }
    virtual HRESULT STDMETHODCALLTYPE UnusedSlot4() { return E_NOTIMPL; }
    virtual HRESULT STDMETHODCALLTYPE UnusedSlot5() { return E_NOTIMPL; }
    virtual HRESULT STDMETHODCALLTYPE UnusedSlot6() { return E_NOTIMPL; }
    virtual HRESULT STDMETHODCALLTYPE UnusedSlot7() { return E_NOTIMPL; }
    virtual HRESULT STDMETHODCALLTYPE UnusedSlot8() { return E_NOTIMPL; }
    virtual HRESULT STDMETHODCALLTYPE UnusedSlot9() { return E_NOTIMPL; }
    virtual HRESULT STDMETHODCALLTYPE UnusedSlot10() { return E_NOTIMPL; }
    virtual HRESULT STDMETHODCALLTYPE UnusedSlot11() { return E_NOTIMPL; }
    virtual HRESULT STDMETHODCALLTYPE UnusedSlot12() { return E_NOTIMPL; }
    virtual HRESULT STDMETHODCALLTYPE UnusedSlot13() { return E_NOTIMPL; }
    virtual HRESULT STDMETHODCALLTYPE UnusedSlot14() { return E_NOTIMPL; }
    virtual HRESULT STDMETHODCALLTYPE UnusedSlot15() { return E_NOTIMPL; }
    virtual HRESULT STDMETHODCALLTYPE UnusedSlot16() { return E_NOTIMPL; }
    // Slot 17: the user logged in: id, the vault's date format, name, the
    // vault's type and database version, and the user's system rights as
    // one bit set (the rights whose lowest bit is clear, OR-ed). Every
    // out-argument is required (E_POINTER); *pbsUserName is a new string.
    // E_OXN_NOT_INITIALIZED without a session.
    virtual HRESULT STDMETHODCALLTYPE GetUserInfo(LONG* plUserId, LONG* plDateFormat, BSTR* pbsUserName,
                                                  LONG* plVaultType, LONG* plDatabaseVersion, LONG* plSystemRights) = 0;

protected:
    ~IVaultRapper() = default;
};

}  // namespace BrevanneLib
