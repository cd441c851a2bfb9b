#include "batch_change_state.h"

#include "ui/window_value.h"
#include "result_list.h"

#include "common/com_errors.h"
#include "common/error_catalogue.h"
#include "common/error_codes.h"
#include "com/bstr.h"
#include "com/method_boundary.h"
#include "oxnvault/ids.h"
#include "ui/message_box.h"
#include "winapi/text.h"

#include <string>

namespace oxnvault {

using OxnVaultLib::IOxnResultList;

namespace {

// Files named in the question before "and n more".
constexpr size_t kFilesNamed = 10;

std::u16string Number(size_t value) { return winapi::ToUtf16(std::to_string(value)); }

std::u16string Files(size_t count) { return Number(count) + (count == 1 ? u" file" : u" files"); }

void RaiseOnFailure(HRESULT hr, const char16_t* what) {
    if (FAILED(hr)) gvRaiseFailedCall(hr, (std::u16string(what) + u": " + ErrorText(hr)).c_str());
}

}  // namespace

HRESULT CBatchChangeState::AddFile(LONG fileId, LONG folderId) {
    return com::Boundary([&] {
        RaiseOnFailure(changes_->Add(fileId, folderId), u"The file or folder cannot be added");
        return S_OK;
    });
}

HRESULT CBatchChangeState::ChooseTransition(BSTR name, bool revoke, VARIANT_BOOL* found) {
    return com::Boundary([&] {
        if (!found) return E_POINTER;
        *found = VARIANT_FALSE;
        HRESULT hr = S_OK;
        const bool known = changes_->SetTransition(com::BstrView(name), revoke, hr);
        RaiseOnFailure(hr, u"The transitions cannot be read");
        *found = known ? VARIANT_TRUE : VARIANT_FALSE;
        return S_OK;
    });
}

HRESULT CBatchChangeState::SetTransition(BSTR name, VARIANT_BOOL* found) {
    return ChooseTransition(name, false, found);
}

HRESULT CBatchChangeState::SetRevokeTransition(BSTR name, VARIANT_BOOL* found) {
    return ChooseTransition(name, true, found);
}

HRESULT CBatchChangeState::ShowDialog(LONG hWnd, VARIANT_BOOL* ok) {
    return com::Boundary([&] {
        if (!ok) return E_POINTER;
        *ok = VARIANT_FALSE;
        if (!changes_->HasTransition())
            gvRaiseComError(E_OXN_NOT_INITIALIZED, u"No transition is chosen for the change of state.");
        const size_t moving = changes_->PlannedCount();
        std::u16string text =
            changes_->Revoking()
                ? u"Revoke the transition \"" + changes_->TransitionName() + u"\" of " + Files(moving) + u"?\n"
                : u"Change the state of " + Files(moving) + u" with the transition \"" + changes_->TransitionName() +
                      u"\"?\n";
        size_t named = 0;
        for (const BatchFile& file : changes_->PlannedFiles()) {
            if (named++ == kFilesNamed) {
                text += u"\n... and " + Number(moving - kFilesNamed) + u" more";
                break;
            }
            text += u"\n" + file.folderPath + file.name;
        }
        if (const size_t refused = changes_->Files().size() - moving; refused != 0)
            text += u"\n\n" + Files(refused) + u" cannot take the transition and stay as they are.";
        const int answer =
            MessageBoxW(ui::WindowFromValue(hWnd), text.c_str(), u"Change State", MB_OKCANCEL | MB_ICONQUESTION);
        if (answer == 0) gvRaiseComError(E_INVALIDARG, u"The owner window of the question is not a window.");
        *ok = answer == IDOK ? VARIANT_TRUE : VARIANT_FALSE;
        return S_OK;
    });
}

HRESULT CBatchChangeState::Run(LONG /*hWnd*/, LONG /*reserved*/) {
    return com::Boundary([&] {
        const HRESULT hr = changes_->Run();
        if (hr == E_OXN_STATE_NOT_FOUND)
            gvRaiseComError(
                hr,
                (Files(changes_->Refused().size()) + u" cannot take the transition; no state was changed.").c_str());
        RaiseOnFailure(hr, u"The states cannot be changed");
        return S_OK;
    });
}

// Positions 11 and 12 belong to methods nobody calls; kept so that the
// result list and the options sit at slots 13 and 14.

HRESULT CBatchChangeState::GetResultList(LONG listKind, IOxnResultList** list) {
    return com::Boundary([&] {
        if (!list) return E_POINTER;
        *list = nullptr;
        std::vector<ResultEntry> entries;
        auto add = [&](const BatchFile& file) {
            entries.push_back({session_->ViewFilePath(file.folderPath, file.name), file.id, file.folderId});
        };
        if (listKind == OxnVaultLib::kListDone) {
            for (const BatchFile& file : changes_->Changed()) add(file);
        } else if (listKind == OxnVaultLib::kListProblems) {
            for (const RefusedFile& refused : changes_->Refused()) add(refused.file);
        } else {
            gvRaiseComError(E_INVALIDARG, u"The change of state has no result list of that kind.");
        }
        return CreateResultList(std::move(entries), list);
    });
}

HRESULT CBatchChangeState::SetOption(LONG option, LONG value) {
    return com::Boundary([&] {
        if (option != kChangeStateSkipRefused)
            gvRaiseComError(E_INVALIDARG, u"The change of state has no option of that number.");
        changes_->SetSkipRefused(value != 0);
        return S_OK;
    });
}

HRESULT CreateBatchChangeState(const std::shared_ptr<VaultSession>& session, IDispatch** utility) {
    if (!utility) return E_POINTER;
    *utility = nullptr;
    if (!session || !session->database) return E_OXN_NOT_INITIALIZED;
    CComObject<CBatchChangeState>* created = nullptr;
    HRESULT hr = CComObject<CBatchChangeState>::CreateInstance(&created);
    if (FAILED(hr)) return hr;
    created->session_ = session;
    created->changes_.emplace(*session->database, session->userId);
    created->AddRef();
    *utility = static_cast<OxnVaultLib::IOxnBatchChangeState2*>(created);
    return S_OK;
}

}  // namespace oxnvault
