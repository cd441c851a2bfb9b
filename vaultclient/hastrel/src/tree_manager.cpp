#include "tree_manager.h"

#include "com/method_boundary.h"
#include "com/server/com_object.h"
#include "common/record_array.h"

#include <algorithm>
#include <utility>

namespace hastrel {

HRESULT CXRefTreeManager::Start(SpMgr* poConnection, LONG lUserId, GUID oViewId) {
    if (!poConnection) return E_POINTER;
    if (!factory_) return E_UNEXPECTED;
    return com::Boundary([&] {
        auto session = std::make_shared<TreeSession>();
        poConnection->AddRef();
        session->connection.reset(poConnection);
        session->userId = lUserId;
        session->viewId = oViewId;
        if (HRESULT hr = factory_(*poConnection, lUserId, oViewId, session->source); FAILED(hr)) return hr;
        if (!session->source) return E_UNEXPECTED;
        session_ = std::move(session);
        return S_OK;
    });
}

HRESULT CXRefTreeManager::ReuseSerials(SAFEARRAY* poSerials) {
    if (!poSerials) return E_POINTER;
    return com::Boundary([&] {
        RecordArray<SerialNoInfo> serials(poSerials);
        for (const SerialNoInfo* serial = serials.mpoBegin(); serial != serials.mpoEnd(); ++serial)
            if (std::find(reusable_.begin(), reusable_.end(), serial->mlCounterID) == reusable_.end())
                reusable_.push_back(serial->mlCounterID);
        return S_OK;
    });
}

std::vector<LONG> CXRefTreeManager::TakeReusableSerials() { return std::exchange(reusable_, {}); }

void CXRefTreeManager::FinalRelease() {
    // Without a session the ids have no vault to go back to; they stay
    // reserved, as a caller that never started the manager left them.
    if (session_ && !reusable_.empty()) session_->source->FreeCounters(reusable_);
}

HRESULT CreateTreeManager(TreeSourceFactory factory, IUnknown** ppoManager) {
    if (!ppoManager) return E_POINTER;
    *ppoManager = nullptr;
    return com::Boundary([&] {
        CComObject<CXRefTreeManager>* created = nullptr;
        if (HRESULT hr = CComObject<CXRefTreeManager>::CreateInstance(&created); FAILED(hr)) return hr;
        created->AddRef();
        created->SetSourceFactory(std::move(factory));
        *ppoManager = static_cast<HastrelLib::IXRefTreeManager*>(created);
        return S_OK;
    });
}

}  // namespace hastrel
