#include "get_versions_refresh.h"

#include "explorer/data/application_link.h"
#include "explorer/data/refresh.h"

#include <utility>

namespace {

HRESULT RefreshThroughApplication(CCache& cache, SAFEARRAY* /*returnedItems*/) {
    RefreshNs::RefreshIF* application = GetApplicationRefresh();
    if (!application) return S_OK;
    RefreshNs::RefreshItemI* made = nullptr;
    // No frame taking part (0), or none that could make a receiver (-1):
    // nothing is shown that could be stale.
    if (application->Refresh(0, &cache, &made) != 1 || !made) return S_OK;
    const RefreshNs::RefreshItemPtr receiver(made);
    // The versions refresher presents the returned items here once it exists.
    return S_OK;
}

GetVersionsRefresh& InstalledRefresh() {
    static GetVersionsRefresh installed;
    return installed;
}

}  // namespace

HRESULT ghRunGetVersionsRefresh(CCache& cache, SAFEARRAY* returnedItems) {
    const GetVersionsRefresh& installed = InstalledRefresh();
    return installed ? installed(cache, returnedItems) : RefreshThroughApplication(cache, returnedItems);
}

GetVersionsRefresh gvSetGetVersionsRefresh(GetVersionsRefresh refresh) {
    return std::exchange(InstalledRefresh(), std::move(refresh));
}
