// A program's connection to the view server and the notification server
// for the tests and their child programs, made as the explorer makes it: the
// view server by its CLSID in any context, put into its running state, then
// asked for IViewServer; the notification server as a local server.
#pragma once

#include "com/com_ptr.h"
#include "com/runnable.h"
#include "com/runtime.h"
#include "viewserver/ids.h"
#include "viewserver/interfaces.h"
#include "viewserver/local_server.h"

namespace viewserver_testing {

struct ServerConnection {
    // S_OK, or the first failure.
    HRESULT Connect() {
        TavroskViewLib::RegisterNotificationServerStandIn();
        com::ComPtr<IUnknown> object;
        HRESULT hr = CoCreateInstance(TavroskViewLib::CLSID_ViewServer, nullptr, CLSCTX_ALL, IID_IUnknown,
                                      reinterpret_cast<void**>(&object));
        if (SUCCEEDED(hr)) hr = OleRun(object);
        if (SUCCEEDED(hr))
            hr = object->QueryInterface(TavroskViewLib::IViewServer::kIid, reinterpret_cast<void**>(&views));
        if (FAILED(hr)) return hr;
        return CoCreateInstance(TavroskViewLib::CLSID_NotificationServer, nullptr, CLSCTX_LOCAL_SERVER,
                                TavroskViewLib::INotificationServer::kIid, reinterpret_cast<void**>(&notifications));
    }

    com::ComPtr<TavroskViewLib::IViewServer> views;
    com::ComPtr<TavroskViewLib::INotificationServer> notifications;
};

}  // namespace viewserver_testing
