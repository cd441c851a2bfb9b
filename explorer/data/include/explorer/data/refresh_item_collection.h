// RefreshNs::RefreshItemCollection: one receiver that fans a producer's calls
// out to the receivers of several frames, and the fan-out of one refresh
// request over several RefreshIF participants that gathers them.
//
// A receiver that declines an object is left out of that object's child
// calls and takes part again at its mvEndObject; a receiver that fails a
// child call is cut off from the rest of the refresh, except for the
// vault-reset, mark-all-dirty and finish calls, which always reach it.
#pragma once

#include "explorer/data/refresh.h"

#include "winapi/types.h"

#include <memory>
#include <span>
#include <vector>

namespace RefreshNs {

class RefreshItemCollection : public RefreshItemI {
public:
    RefreshItemCollection() = default;

    // Appends `receiver`, which the collection owns from then on (it ends it
    // with mvFinish). False when it could not be stored: the receiver then
    // stays the caller's.
    bool Add(RefreshItemI* receiver) noexcept;

    // Always 1, so that the producer goes on presenting the object to the
    // receivers that show it.
    LONG mbBeginObject(const ItemPathIterator& record) override;
    void mvEndObject(const ItemPathIterator& record, BYTE reEnabled) override;
    // 1 when every receiver taking part succeeded; 0 when one failed (the
    // receivers after it are not called for this child).
    HRESULT mhChildAdded(const ItemPathIterator& record) override;
    HRESULT mhChildRemoved(const ItemPathIterator& record) override;
    HRESULT mhChildrenChanged(const ItemPathIterator& record, LONG flags) override;
    void mvVaultReset(const WCHAR* vaultName) override;
    void mvMarkAllDirty() override;
    // Finishes every receiver, then the collection itself.
    void mvFinish() override;

    size_t Count() const noexcept { return moEntries.size(); }

protected:
    ~RefreshItemCollection() override = default;

private:
    struct Entry {
        BYTE mbDone = 0;
        LONG mlSkipKey[2] = {0, 0};  // the record the receiver declined: object type and path
        HRESULT mhFailure = S_OK;    // the receiver's first failing result
        RefreshItemPtr moReceiver;   // Owned until mvFinish.
    };

    template <class Call>
    HRESULT mhCallChild(Call call);

    std::vector<std::unique_ptr<Entry>> moEntries;
};

// Asks each of `participants` (the live ones: a frame whose window is gone is
// left out by the caller) for a receiver of the request. With one
// participant its answer is handed on unchanged; with several, the receivers
// obtained are joined in one RefreshItemCollection. 1 with the receiver in
// `*out`, 0 when none takes part, -1 (and nothing in `*out`, every receiver
// gathered finished) when a participant or the collection could not be made.
int GatherReceivers(std::span<RefreshIF* const> participants, UINT_PTR sender, CCache* cache, RefreshItemI** out);

}  // namespace RefreshNs
