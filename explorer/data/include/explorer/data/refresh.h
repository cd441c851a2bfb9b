// The refresh framework's two interfaces. After a command or a vault event a
// producer merges fresh trees into a vault's cache and then walks the changes
// object by object; a receiver (RefreshItemI) is told, for each changed object
// at each tree path where it is shown, what changed. Whoever can offer a
// receiver implements RefreshIF: the application (for all its frames), each
// main frame and each item folder view. GUI thread only.
#pragma once

#include "bellquist/item_interfaces.h"
#include "com/ccom_ptr.h"
#include "winapi/types.h"

#include <memory>
#include <vector>

class CCache;
class ItemPathIterator;

namespace RefreshNs {

// A receiver of one refresh. It lives from the RefreshIF call that made it to
// its mvFinish, which applies what it collected and destroys it.
//
// For one refresh a producer calls, per changed object and per path of it,
// mbBeginObject; when accepted, the child calls for that object, then
// mvEndObject; after all objects it may call mvMarkAllDirty. The one that
// obtained the receiver calls mvFinish last. mvVaultReset may come instead of
// object calls.
class RefreshItemI {
public:
    RefreshItemI() = default;
    RefreshItemI(const RefreshItemI&) = delete;
    RefreshItemI& operator=(const RefreshItemI&) = delete;

    // The producer presents one changed object at one path (the record's
    // current path). Non-zero when this receiver shows the object there (it
    // keeps it as its current object), 0 when it does not.
    virtual LONG mbBeginObject(const ItemPathIterator& record) = 0;
    // The producer is done with the current object; `reEnabled` is 1 when the
    // receiver had declined it and takes part again from here on.
    virtual void mvEndObject(const ItemPathIterator& record, BYTE reEnabled) = 0;
    // A child (the record's object) was added under the current object.
    virtual HRESULT mhChildAdded(const ItemPathIterator& record) = 0;
    // A child was removed from the current object; the record carries the
    // child's name, type, id and parent project id.
    virtual HRESULT mhChildRemoved(const ItemPathIterator& record) = 0;
    // The current object's children changed: with kChildrenKnown the
    // object's children are loaded, with kChildrenReplace as well the shown
    // children give way to a placeholder; without kChildrenKnown the views
    // are only marked for redraw.
    virtual HRESULT mhChildrenChanged(const ItemPathIterator& record, LONG flags) = 0;
    // A vault was reset or logged out.
    virtual void mvVaultReset(const WCHAR* vaultName) = 0;
    // Everything shown must be redrawn and reloaded.
    virtual void mvMarkAllDirty() = 0;
    // The end of the refresh: applies what was collected and destroys the
    // receiver; the caller's pointer is dead afterwards.
    virtual void mvFinish() = 0;

    static constexpr LONG kChildrenKnown = 1;
    static constexpr LONG kChildrenReplace = 2;

protected:
    // Only mvFinish destroys a receiver.
    virtual ~RefreshItemI() = default;
};

// Ends a receiver with mvFinish when its holder goes, so every return of a
// refresh finishes it.
struct FinishReceiver {
    void operator()(RefreshItemI* receiver) const noexcept { receiver->mvFinish(); }
};
using RefreshItemPtr = std::unique_ptr<RefreshItemI, FinishReceiver>;

// Offers a receiver for a refresh of one vault's cache.
class RefreshIF {
public:
    // `sender` names the frame that asks (its own views are up to date; 0
    // when none), `cache` the vault cache the refresh is for. 1 with a
    // receiver in `*out` when this object takes part, 0 when it does not, -1
    // when it could not make one. The caller owns the receiver and ends it
    // with mvFinish.
    virtual int Refresh(UINT_PTR sender, CCache* cache, RefreshItemI** out) = 0;

protected:
    ~RefreshIF() = default;
};

// Whether one of `objects` has the id and type given. A failing call raises
// the COM error of IItmObject.
bool gbContainsObject(const std::vector<CComPtr<BellquistLib::IItmObject>>& objects, LONG id, LONG type);

}  // namespace RefreshNs
