#include "revision_object.h"

#include "item_revisions.h"

#include "bellquist/records.h"
#include "com/method_boundary.h"
#include "com/safearray.h"
#include "common/com_errors.h"
#include "common/error_codes.h"
#include "common/record_array.h"
#include "oxnvault/vault_time.h"
#include "ui/message_box.h"
#include "vennacle/sp_mgr.h"
#include "winapi/text.h"

#include <algorithm>
#include <cstdint>
#include <string>

namespace itemops {

using BellquistLib::XRefRootObject;

HRESULT CItmRevision::Start(CoraventLib::InitData* poData) {
    if (!poData) return E_POINTER;
    auto* connection = reinterpret_cast<SpMgr*>(static_cast<uintptr_t>(poData->mpoSpMgr));
    if (!connection || !connection->mpoGetDatabase()) return E_INVALIDARG;
    connection->AddRef();
    connection_.reset(connection);
    userId_ = poData->mlUserID;
    return S_OK;
}

HRESULT CItmRevision::SetItems(SAFEARRAY* poItems) {
    if (!poItems) return E_POINTER;
    VARTYPE type = VT_EMPTY;
    if (FAILED(SafeArrayGetVartype(poItems, &type)) || type != VT_RECORD || SafeArrayGetDim(poItems) != 1 ||
        SafeArrayGetElemsize(poItems) != sizeof(XRefRootObject))
        return E_INVALIDARG;
    return com::Boundary([&] {
        RecordArray<XRefRootObject> roots(poItems);
        std::vector<LONG> items;
        for (const XRefRootObject* root = roots.mpoBegin(); root != roots.mpoEnd(); ++root) {
            if (root->meType != BellquistLib::Ot_Item)
                gvRaiseComError(E_OXN_INVALID_TYPE, u"Only the revision of items can be incremented here.");
            if (std::find(items.begin(), items.end(), root->mlDocumentID) == items.end())
                items.push_back(root->mlDocumentID);
        }
        items_ = std::move(items);
        return S_OK;
    });
}

HRESULT CItmRevision::Ask(HWND hParentWnd, LONG /*lReserved*/, VARIANT_BOOL* pbOk) {
    if (!pbOk) return E_POINTER;
    *pbOk = VARIANT_FALSE;
    if (items_.empty()) return S_OK;
    return com::Boundary([&] {
        constexpr size_t kNamesShown = 10;
        std::u16string text = items_.size() == 1
                                  ? std::u16string(u"Increment the revision of the selected item?")
                                  : u"Increment the revision of the " + winapi::ToUtf16(std::to_string(items_.size())) +
                                        u" selected items?";
        if (connection_) {
            const std::vector<PlannedRevision> planned = PlanRevisions(*connection_->mpoGetDatabase(), items_);
            if (!planned.empty()) text += u"\n";
            for (size_t i = 0; i < planned.size() && i < kNamesShown; ++i) {
                const PlannedRevision& item = planned[i];
                text += u"\n" + item.name + u": " + (item.revision.empty() ? u"(none)" : item.revision) + u" -> " +
                        item.next;
            }
            if (planned.size() > kNamesShown)
                text += u"\n... and " + winapi::ToUtf16(std::to_string(planned.size() - kNamesShown)) + u" more";
        }
        const int answer = MessageBoxW(hParentWnd, text.c_str(), u"Increment Revision", MB_YESNO | MB_ICONQUESTION);
        *pbOk = answer == IDYES ? VARIANT_TRUE : VARIANT_FALSE;
        return S_OK;
    });
}

HRESULT CItmRevision::Run(HWND /*hParentWnd*/, VARIANT_BOOL* pbOk) {
    if (!pbOk) return E_POINTER;
    *pbOk = VARIANT_FALSE;
    if (!connection_) return E_UNEXPECTED;
    if (items_.empty()) return S_OK;
    return com::Boundary([&] {
        IncrementRevisions(*connection_->mpoGetDatabase(), userId_, items_, oxnvault::NowUtcDate());
        *pbOk = VARIANT_TRUE;
        return S_OK;
    });
}

}  // namespace itemops
