// What the data layer asks of the application object (CHalvaranApp): the
// process's shared vault list, the view-server event handler whose
// registration id travels with every attach, the frames registered with the
// view server, and the refresh by path and the deferral of vault events that
// the application does for its frames.
//
// The application implements ApplicationLink as one of its bases and the
// data layer finds it through AfxGetApp(); without it (no application, or
// one that is not the explorer's) the data layer has no vault list, no
// handler and no frames. The main window is the framework's
// (AfxGetMainWnd); the application's refresh broadcast is its
// RefreshNs::RefreshIF base.
#pragma once

#include "explorer/data/vault_manager.h"

#include "common/ref_ptr.h"

#include "winapi/types.h"

#include <string>

class CViewServerEventHandler;
namespace RefreshNs {
class RefreshIF;
}

// A main frame as the view server's notifications reach it: the frame that
// registered a view id (the main frame implements it).
class ViewFrameLink {
public:
    // GetTickCount() of the frame's last refresh from the item server; 0
    // before the first.
    virtual DWORD mdwGetLastRefreshTick() const = 0;
    // Refreshes the frame's selected objects (and, with the flag, the folder
    // its action pane shows) from the item server.
    virtual HRESULT mhRefreshSelection(bool includeCurrentFolder) = 0;

protected:
    ~ViewFrameLink() = default;
};

class ApplicationLink {
public:
    // The process's one vault list; empty until the first document made it.
    virtual RefPtr<CVaultManager> GetVaultManager() = 0;
    // The view-server event handler; null when the application has none.
    // Not owned: the application holds it until its own end.
    virtual CViewServerEventHandler* GetViewServerEventHandler() = 0;
    // The frame that registered `viewId` with the view server; null for an
    // unknown id. Not owned.
    virtual ViewFrameLink* mpoFindRegisteredView(LONG viewId) = 0;
    // Refreshes the cached objects that live in the folder `path` (of the
    // vault whose root path holds it). Does nothing, returning 0, while an
    // item command runs.
    virtual HRESULT mhRefreshItemsByPath(const std::u16string& path) = 0;
    // Hands a vault event {vault name, project id} to the first open frame,
    // which later refreshes the project's cached items. Does nothing while an
    // item command runs or without a frame.
    virtual void mvPostVaultEvent(const std::u16string& vaultName, LONG projectId) = 0;

protected:
    ~ApplicationLink() = default;
};

// The application object as the data layer's link; null without one.
ApplicationLink* GetApplicationLink();

// The application's refresh broadcast to its frames (its RefreshIF base);
// null without an application.
RefreshNs::RefreshIF* GetApplicationRefresh();

// The application's shared vault list; empty without an application.
RefPtr<CVaultManager> GetApplicationVaultManager();

// The view-server id that identifies this process's own events: the
// registration id of the application's handler, 0 without a handler.
LONG glApplicationViewServerID();

// The application's refresh by path and deferral of a vault event
// (ApplicationLink); nothing, and 0, without an application.
HRESULT ghRefreshItemsByPath(const std::u16string& path);
void gvPostVaultEvent(const std::u16string& vaultName, LONG projectId);
