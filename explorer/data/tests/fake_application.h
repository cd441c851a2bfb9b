// The application object as the data layer's tests stand it in: the link
// the data layer asks (vault list, view-server handler, registered frames,
// refresh by path, vault events) and the refresh broadcast, each call
// recorded. One at a time, as the program's own; made after a fixture's
// leak count starts and gone before it ends.
#pragma once

#include "explorer/data/application_link.h"
#include "explorer/data/refresh.h"
#include "explorer/data/view_server_event_handler.h"

#include "recording_receiver.h"

#include "ui/framework/win_app.h"
#include "ui/framework/wnd.h"
#include "ui/window_class.h"
#include "ui/window_functions.h"
#include "winapi/text.h"

#include <map>
#include <string>
#include <vector>

namespace explorer_testing {

// A frame registered with the view server: its last refresh tick, and the
// refreshes asked of it, each of which stores the clock's tick as a real
// frame does.
class FakeFrame : public ViewFrameLink {
public:
    explicit FakeFrame(const DWORD& clock) : clock_(clock) {}

    DWORD mdwGetLastRefreshTick() const override { return lastRefresh; }
    HRESULT mhRefreshSelection(bool includeCurrentFolder) override {
        refreshes.push_back(includeCurrentFolder);
        lastRefresh = clock_;
        return result;
    }

    DWORD lastRefresh = 0;
    HRESULT result = S_OK;
    std::vector<bool> refreshes;  // the includeCurrentFolder of each

private:
    const DWORD& clock_;
};

class FakeApplication : public CWinApp, public ApplicationLink, public RefreshNs::RefreshIF {
public:
    ~FakeApplication() override { CloseMainWindow(); }

    // Gives the application a main window (`mainWindow`, of a class of its
    // own with the default window procedure), as a program has while it
    // attaches vaults and shows their dialogs; false when it cannot be made.
    bool OpenMainWindow() {
        WNDCLASSW mainClass{};
        mainClass.lpszClassName = u"FakeApplicationMainWindow";
        RegisterClassW(&mainClass);  // once per program; a second time it exists
        mainWindow.m_hWnd = CreateWindowExW(0, u"FakeApplicationMainWindow", u"Main", 0, 0, 0, 20, 20, nullptr, nullptr,
                                            nullptr, nullptr);
        m_pMainWnd = &mainWindow;
        return IsWindow(mainWindow.m_hWnd);
    }
    // Destroys the main window, if it is still there.
    void CloseMainWindow() {
        if (mainWindow.m_hWnd) DestroyWindow(mainWindow.m_hWnd);
        mainWindow.m_hWnd = nullptr;
    }

    RefPtr<CVaultManager> GetVaultManager() override { return vaults; }
    CViewServerEventHandler* GetViewServerEventHandler() override { return handler; }
    ViewFrameLink* mpoFindRegisteredView(LONG viewId) override {
        auto frame = frames.find(viewId);
        return frame == frames.end() ? nullptr : frame->second;
    }
    HRESULT mhRefreshItemsByPath(const std::u16string& path) override {
        refreshedPaths.push_back(path);
        return pathRefreshResult;
    }
    void mvPostVaultEvent(const std::u16string& vaultName, LONG projectId) override {
        postedEvents.push_back(winapi::ToUtf8(vaultName) + " " + std::to_string(projectId));
    }
    // Takes part with a receiver that writes into `log` as "app ...".
    int Refresh(UINT_PTR sender, CCache* cache, RefreshNs::RefreshItemI** out) override {
        log.push_back("refresh " + std::to_string(sender) + (cache ? " cache" : " no cache"));
        if (!takePart) return 0;
        *out = new RecordingReceiver("app", log);
        return 1;
    }

    CWnd mainWindow;  // see OpenMainWindow
    RefPtr<CVaultManager> vaults;
    CViewServerEventHandler* handler = nullptr;  // Not owned.
    std::map<LONG, ViewFrameLink*> frames;       // Not owned.
    HRESULT pathRefreshResult = S_OK;
    bool takePart = true;
    std::vector<std::u16string> refreshedPaths;
    std::vector<std::string> postedEvents;  // "<vault> <project id>"
    std::vector<std::string> log;           // the refresh broadcast and its receivers
};

}  // namespace explorer_testing
