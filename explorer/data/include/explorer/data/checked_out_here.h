// The lock test the permission rules and the folder view share: an object is
// "checked out here by this user" when it is an item or a BOM, checked out
// in the view of the vault the document shows, by that vault's logged-in
// user.
#pragma once

#include "bellquist/item_interfaces.h"
#include "winapi/types.h"

// `viewId` and `userId` are the document's current vault's view GUID and its
// node's user id. False for a null object or when a call fails.
bool gbIsCheckedOutHere(BellquistLib::IItmObject* object, const GUID& viewId, LONG userId);
