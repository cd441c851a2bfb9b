// What the item manager tells the other programs of the session when one of
// its operations changed items in the vault: one view event for each item
// folder whose items changed, posted to the vault client's notification
// server (viewserver/interfaces.h) with the manager's view-server id as the
// sender - the program that asked for the change knows the event as its
// own, the others refresh what they show of that folder.
//
// The folders are collected before the operation runs (a move or a delete
// changes where the objects are) and posted only when it succeeded.
// Posting never fails the operation: without the notification server, or
// before a login names the vault, nobody is told - and the objects are not
// even read.
#pragma once

#include "bellquist/item_interfaces.h"
#include "com/com_ptr.h"
#include "viewserver/interfaces.h"
#include "winapi/types.h"

#include <vector>

struct SAFEARRAY;
class CProxy;

class CItemChangeEvents {
public:
    // For the vault `backEnd` (null before an Init) is logged in to, sent
    // by its view-server id; connects to the notification server.
    explicit CItemChangeEvents(const CProxy* backEnd);

    // The folder that holds `object` (its parent project); nothing for null.
    void mvAddFolderOf(BellquistLib::IItmObject* object);
    // The same for the object an in/out argument holds (may be null).
    void mvAddFolderOf(BellquistLib::IItmObject* const* object);
    // The folders that hold the objects of `items` (SAFEARRAY of VARIANTs
    // holding item objects); elements that hold none, and a list that is
    // no such array, add nothing.
    void mvAddFoldersOf(SAFEARRAY* items);
    // `folder` itself: an item folder that gets new items or sub-folders.
    void mvAddFolder(BellquistLib::IItmObject* folder);
    void mvAddFolder(BellquistLib::IItmFolder* folder);

    // One event per folder, each once.
    void mvPost() const;

private:
    void mvAdd(LONG folderId);

    const CProxy* mpoBackEnd = nullptr;  // Not owned; null when nobody is told.
    com::ComPtr<TavroskViewLib::INotificationServer> mpoServer;
    std::vector<LONG> mlFolderIds;
};
