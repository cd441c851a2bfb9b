#include "unlock_command.h"

#include "unlock_run.h"

#include "com/bstr.h"
#include "com/ccom_bstr.h"
#include "com/ccom_ptr.h"
#include "com/method_boundary.h"
#include "com/safearray.h"
#include "common/com_errors.h"
#include "common/error_codes.h"
#include "common/record_array.h"
#include "vennacle/sp_query.h"
#include "winapi/guid_text.h"
#include "winapi/text.h"

#include <string>
#include <utility>

namespace brevanne {

using namespace BrevanneLib;

HRESULT CUnlockCommand::SetCommand(LONG lCommand, LONG /*lReserved*/) {
    if (lCommand != kCommandCheckIn && lCommand != kCommandUndoCheckOut) return E_INVALIDARG;
    command_ = lCommand;
    return S_OK;
}

HRESULT CUnlockCommand::Start(IUnlockOpDb* poDb, UnlockStartRecord* poRecord, SAFEARRAY* poFiles) {
    if (!poDb || !poRecord || !poFiles) return E_POINTER;
    VARTYPE type = VT_EMPTY;
    if (FAILED(SafeArrayGetVartype(poFiles, &type)) || type != VT_RECORD || SafeArrayGetDim(poFiles) != 1 ||
        SafeArrayGetElemsize(poFiles) != sizeof(UnlockFileRecord))
        return E_INVALIDARG;
    if (com::BstrView(poRecord->viewPath).empty()) return E_OXN_MISSING_VIEW_INFO;
    if (running_) return E_UNEXPECTED;
    return com::Boundary([&]() -> HRESULT {
        std::vector<UnlockTarget> targets;
        RecordArray<UnlockFileRecord> files(poFiles);
        for (const UnlockFileRecord* file = files.mpoBegin(); file != files.mpoEnd(); ++file)
            targets.push_back({file->fileId, file->folderId});

        SpMgr* given = nullptr;
        if (const HRESULT hr = poDb->GetConnection(&given); FAILED(hr))
            gvRaiseFailedCall(hr, u"The vault connection of the session could not be reached.");
        SpMgrPtr connection(given);
        if (!connection || !connection->mpoGetDatabase())
            gvRaiseComError(E_OXN_NOT_LOGGED_IN, u"The session has no open vault database.");
        vennacle::SpQuery user(*connection->mpoGetDatabase(), "SELECT 1 FROM users WHERE id = ? AND deleted = 0");
        user.Bind(int32_t{poRecord->userId});
        if (!user.Next()) gvRaiseComError(E_INVALIDARG, u"The vault has no such user.");

        UnlockWorker worker;
        worker.userId = poRecord->userId;
        worker.viewGuidText = winapi::GuidToString(poRecord->viewGuid);
        worker.viewPath = com::BstrView(poRecord->viewPath);
        connection_ = std::move(connection);
        worker_ = std::move(worker);
        targets_ = std::move(targets);
        return S_OK;
    });
}

HRESULT CUnlockCommand::Run(IUnlockOpCallback* poCallback, IUnknown* /*poReserved*/) {
    if (!connection_ || command_ == 0 || running_) return E_UNEXPECTED;
    running_ = true;
    // The callback and the connection stay while the run calls out.
    CComPtr<IUnlockOpCallback> callback(poCallback);
    SpMgrPtr connection(connection_.get());
    connection->AddRef();
    const HRESULT result = com::Boundary([&]() -> HRESULT {
        vaultdb::Database& database = *connection->mpoGetDatabase();
        const bool undo = command_ == kCommandUndoCheckOut;
        const std::vector<PlannedGroup> plan = ReadUnlockPlan(database, worker_, targets_);
        UnlockRun run(database, worker_, undo, text_, callback);
        const HRESULT hr = run.Run(plan);
        if (hr == E_OXN_CANCELLED_BY_USER)
            gvRaiseComError(hr, undo ? u"The undo of the check-out was cancelled; the files done so far stay done."
                                     : u"The check-in was cancelled; the files done so far stay checked in.");
        return hr;
    });
    running_ = false;
    return result;
}

HRESULT CUnlockCommand::GetText(BSTR* pbsText) {
    if (!pbsText) return E_POINTER;
    *pbsText = SysAllocStringLen(text_.data(), static_cast<UINT>(text_.size()));
    return *pbsText ? S_OK : E_OUTOFMEMORY;
}

HRESULT CUnlockCommand::SetText(BSTR bsText) {
    return com::Boundary([&] {
        text_ = com::BstrView(bsText);
        return S_OK;
    });
}

HRESULT CUnlockCommand::GetColumns(SAFEARRAY** ppoFirst, SAFEARRAY** ppoSecond, LONG* plFlags) {
    if (!ppoFirst || !ppoSecond) return E_INVALIDARG;
    if (!plFlags) return E_POINTER;
    *ppoFirst = SafeArrayCreateVector(VT_I4, 0, 0);
    *ppoSecond = SafeArrayCreateVector(VT_I4, 0, 0);
    if (!*ppoFirst || !*ppoSecond) {
        if (*ppoFirst) SafeArrayDestroy(*ppoFirst);
        if (*ppoSecond) SafeArrayDestroy(*ppoSecond);
        *ppoFirst = *ppoSecond = nullptr;
        return E_OUTOFMEMORY;
    }
    *plFlags = 0;
    return S_OK;
}

HRESULT CUnlockCommand::Command(LONG /*lWnd*/, LONG /*lCommand*/, VARIANT* /*pvValue*/) { return S_OK; }

HRESULT CUnlockCommand::GetRootEnumerator(LONG /*lReserved*/, IUnknown** ppoEnum) {
    if (!ppoEnum) return E_POINTER;
    *ppoEnum = nullptr;
    return S_FALSE;
}

HRESULT CUnlockCommand::GetRowItem(LONG /*lReserved*/, IUnknown* /*poElement*/, IUnknown** ppoRow) {
    if (!ppoRow) return E_POINTER;
    *ppoRow = nullptr;
    return S_FALSE;
}

HRESULT CUnlockCommand::GetOption(LONG, LONG, LONG /*lOption*/, LONG* /*plValue*/, LONG* /*plFlag*/) {
    return E_NOTIMPL;
}

HRESULT CUnlockCommand::ValueChanged(LONG, CASTAVYLib::IFileRefItem*, LONG, LONG, LONG) { return S_FALSE; }

HRESULT CUnlockCommand::GetText(LONG lTextId, BSTR* pbsText) {
    if (!pbsText) return E_POINTER;
    if (lTextId != CASTAVYLib::CastavyText_Message) return S_OK;
    const LONG count = static_cast<LONG>(targets_.size());
    const std::u16string objects =
        winapi::ToUtf16(std::to_string(count)) + (count == 1 ? u" selected object" : u" selected objects");
    const std::u16string message = command_ == kCommandUndoCheckOut ? u"Undo the check-out of the " + objects +
                                                                          u"? Changes to their local copies are lost."
                                                                    : u"Check in the " + objects + u".";
    *pbsText = SysAllocStringLen(message.data(), static_cast<UINT>(message.size()));
    return *pbsText ? S_OK : E_OUTOFMEMORY;
}

HRESULT CUnlockCommand::GetRowChecked(IUnknown* /*poRow*/, LONG* plChecked) {
    if (!plChecked) return E_POINTER;
    *plChecked = 0;
    return S_OK;
}

HRESULT CUnlockCommand::GetUndoCheckOut(LONG* plUndo) {
    if (!plUndo) return E_POINTER;
    *plUndo = command_ == kCommandUndoCheckOut ? 1 : 0;
    return S_OK;
}

}  // namespace brevanne
