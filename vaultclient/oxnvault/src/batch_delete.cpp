#include "batch_delete.h"

#include "ui/window_value.h"

#include "common/com_errors.h"
#include "common/error_catalogue.h"
#include "common/error_codes.h"
#include "com/method_boundary.h"
#include "com/variant.h"
#include "ui/message_box.h"
#include "winapi/text.h"

#include <string>

namespace oxnvault {

namespace {

std::u16string Counted(size_t count, const char16_t* one, const char16_t* many) {
    return winapi::ToUtf16(std::to_string(count)) + u" " + (count == 1 ? one : many);
}

// Errors listed in the message box before "and n more".
constexpr size_t kErrorsShown = 20;

}  // namespace

HRESULT CBatchDelete::AddFolder(VARIANT folderId) {
    return com::Boundary([&] {
        if (V_VT(&folderId) != VT_I4) gvRaiseComError(E_INVALIDARG, u"A folder to delete is given by its id (VT_I4).");
        deletions_->AddFolder(V_I4(&folderId));
        return S_OK;
    });
}

HRESULT CBatchDelete::AddFile(LONG fileId, LONG folderId) {
    return com::Boundary([&] {
        if (fileId == 0) gvRaiseComError(E_OXN_INVALID_ID, u"A file to delete is given by its id.");
        deletions_->AddFile(fileId, folderId);
        return S_OK;
    });
}

// Position 9 belongs to a method nobody calls; kept so that the rest sit
// where callers find them.

HRESULT CBatchDelete::SetDestroy(VARIANT_BOOL destroy, LONG /*reserved*/) {
    deletions_->SetDestroy(destroy != VARIANT_FALSE);
    return S_OK;
}

HRESULT CBatchDelete::SetSource(LONG reserved, LONG viewServerId) {
    deletions_->SetSource(reserved, viewServerId);
    return S_OK;
}

HRESULT CBatchDelete::ShowDialog(LONG hWnd, VARIANT_BOOL* ok) {
    return com::Boundary([&] {
        if (!ok) return E_POINTER;
        *ok = VARIANT_FALSE;
        std::u16string what;
        if (const size_t folders = deletions_->AddedFolders(); folders != 0)
            what = Counted(folders, u"folder", u"folders") +
                   (folders == 1 ? u" with everything in it" : u" with everything in them");
        if (const size_t files = deletions_->AddedFiles(); files != 0)
            what += (what.empty() ? u"" : u" and ") + Counted(files, u"file", u"files");
        if (what.empty()) what = u"nothing";
        const bool destroy = deletions_->Destroy();
        const std::u16string text = destroy ? u"Destroy " + what +
                                                  u"?\n\nDestroyed files are removed from the vault for good; they "
                                                  u"cannot be restored."
                                            : u"Delete " + what + u"?";
        const int answer = MessageBoxW(ui::WindowFromValue(hWnd), text.c_str(), destroy ? u"Destroy" : u"Delete",
                                       MB_OKCANCEL | (destroy ? MB_ICONWARNING : MB_ICONQUESTION));
        if (answer == 0) gvRaiseComError(E_INVALIDARG, u"The owner window of the question is not a window.");
        *ok = answer == IDOK ? VARIANT_TRUE : VARIANT_FALSE;
        return S_OK;
    });
}

HRESULT CBatchDelete::Run(LONG /*hWnd*/, LONG /*reserved*/, VARIANT_BOOL* succeeded) {
    return com::Boundary([&] {
        if (!succeeded) return E_POINTER;
        *succeeded = VARIANT_FALSE;
        if (HRESULT hr = deletions_->Run(); FAILED(hr))
            gvRaiseFailedCall(hr, (u"Nothing was deleted: " + ErrorText(hr)).c_str());
        *succeeded = deletions_->Errors().empty() ? VARIANT_TRUE : VARIANT_FALSE;
        return S_OK;
    });
}

HRESULT CBatchDelete::ShowErrors(LONG hWnd) {
    return com::Boundary([&] {
        const std::vector<DeletionError>& errors = deletions_->Errors();
        if (errors.empty()) return S_OK;
        std::u16string text = Counted(errors.size(), u"object was", u"objects were") + u" not deleted:\n";
        for (size_t index = 0; index < errors.size(); ++index) {
            if (index == kErrorsShown) {
                text += u"\n... and " + winapi::ToUtf16(std::to_string(errors.size() - kErrorsShown)) + u" more";
                break;
            }
            text += u"\n" + errors[index].vaultPath + u": " + ErrorText(errors[index].reason);
        }
        if (MessageBoxW(ui::WindowFromValue(hWnd), text.c_str(), deletions_->Destroy() ? u"Destroy" : u"Delete",
                        MB_OK | MB_ICONWARNING) == 0)
            gvRaiseComError(E_INVALIDARG, u"The owner window of the errors is not a window.");
        return S_OK;
    });
}

HRESULT CreateBatchDelete(const std::shared_ptr<VaultSession>& session, IDispatch** utility) {
    if (!utility) return E_POINTER;
    *utility = nullptr;
    if (!session || !session->database) return E_OXN_NOT_INITIALIZED;
    CComObject<CBatchDelete>* created = nullptr;
    HRESULT hr = CComObject<CBatchDelete>::CreateInstance(&created);
    if (FAILED(hr)) return hr;
    created->session_ = session;
    created->deletions_.emplace(*session->database, session->userId);
    created->AddRef();
    *utility = static_cast<OxnVaultLib::IOxnBatchDelete*>(created);
    return S_OK;
}

}  // namespace oxnvault
