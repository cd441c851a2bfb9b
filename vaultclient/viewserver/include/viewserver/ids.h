// Identities of the vault client's view server and notification server, and
// the values their events carry.
//
// A program creates the view server by its CLSID in any context (then
// OleRun, then IViewServer) and the notification server as a local server
// (CLSCTX_LOCAL_SERVER, INotificationServer). The server library serves both
// in process; a program that asks for the notification server as a local
// server registers the library as its stand-in first
// (viewserver/local_server.h).
#pragma once

#include "com/unknown.h"
#include "winapi/types.h"

namespace TavroskViewLib {

inline constexpr CLSID CLSID_ViewServer = com::MakeGuid("C9FBCDB3-B123-42AE-ADE8-01BF0A4415A5");
inline constexpr CLSID CLSID_NotificationServer = com::MakeGuid("83F5BB7A-6790-11D3-9641-0004AC962A49");

// ITavroskView::OnPathChanged's flags: the files of the folder changed, so
// what a view shows of them is to be read again.
inline constexpr LONG kPathRefresh = 0x4;

// ITavroskView2::OnViewEvent's kinds: items of the folder were changed
// (created, renamed, moved, checked in or out, deleted, ...).
inline constexpr LONG kViewEventItemsChanged = 3;

}  // namespace TavroskViewLib
