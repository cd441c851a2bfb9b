#include "explorer/data/application_link.h"

#include "explorer/data/refresh.h"
#include "explorer/data/view_server_event_handler.h"

#include "ui/framework/win_app.h"

ApplicationLink* GetApplicationLink() { return dynamic_cast<ApplicationLink*>(AfxGetApp()); }

RefreshNs::RefreshIF* GetApplicationRefresh() { return dynamic_cast<RefreshNs::RefreshIF*>(AfxGetApp()); }

RefPtr<CVaultManager> GetApplicationVaultManager() {
    ApplicationLink* app = GetApplicationLink();
    return app ? app->GetVaultManager() : RefPtr<CVaultManager>();
}

LONG glApplicationViewServerID() {
    ApplicationLink* app = GetApplicationLink();
    CViewServerEventHandler* handler = app ? app->GetViewServerEventHandler() : nullptr;
    return handler ? handler->mlRegistrationID : 0;
}

HRESULT ghRefreshItemsByPath(const std::u16string& path) {
    ApplicationLink* app = GetApplicationLink();
    return app ? app->mhRefreshItemsByPath(path) : 0;
}

void gvPostVaultEvent(const std::u16string& vaultName, LONG projectId) {
    if (ApplicationLink* app = GetApplicationLink()) app->mvPostVaultEvent(vaultName, projectId);
}
