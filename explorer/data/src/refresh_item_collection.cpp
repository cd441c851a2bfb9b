#include "explorer/data/refresh_item_collection.h"

#include "explorer/data/item_path_iterator.h"

#include <new>

namespace RefreshNs {

namespace {

// The two words that tell one presentation of an object from another: its
// type and the path it is presented at.
void SkipKeyOf(const ItemPathIterator& record, LONG (&key)[2]) noexcept {
    key[0] = record.meObjectType;
    key[1] = static_cast<LONG>(record.mnPathCursor);
}

}  // namespace

bool RefreshItemCollection::Add(RefreshItemI* receiver) noexcept {
    if (!receiver) return false;
    try {
        auto entry = std::make_unique<Entry>();
        moEntries.push_back(std::move(entry));
    } catch (const std::bad_alloc&) {
        return false;
    }
    moEntries.back()->moReceiver.reset(receiver);
    return true;
}

LONG RefreshItemCollection::mbBeginObject(const ItemPathIterator& record) {
    for (auto& entry : moEntries) {
        if (entry->mbDone) continue;
        if (entry->moReceiver->mbBeginObject(record) == 0) {
            entry->mbDone = 1;
            SkipKeyOf(record, entry->mlSkipKey);
        }
    }
    return 1;
}

void RefreshItemCollection::mvEndObject(const ItemPathIterator& record, BYTE) {
    LONG key[2];
    SkipKeyOf(record, key);
    for (auto& entry : moEntries) {
        if (!entry->mbDone) {
            entry->moReceiver->mvEndObject(record, 0);
        } else if (entry->mhFailure == S_OK && entry->mlSkipKey[0] == key[0] && entry->mlSkipKey[1] == key[1]) {
            entry->mbDone = 0;
            entry->moReceiver->mvEndObject(record, 1);
        }
    }
}

template <class Call>
HRESULT RefreshItemCollection::mhCallChild(Call call) {
    for (auto& entry : moEntries) {
        if (entry->mbDone) continue;
        const HRESULT hr = call(*entry->moReceiver);
        if (FAILED(hr)) {
            entry->mbDone = 1;
            entry->mhFailure = hr;
            return 0;
        }
    }
    return 1;
}

HRESULT RefreshItemCollection::mhChildAdded(const ItemPathIterator& record) {
    return mhCallChild([&](RefreshItemI& receiver) { return receiver.mhChildAdded(record); });
}

HRESULT RefreshItemCollection::mhChildRemoved(const ItemPathIterator& record) {
    return mhCallChild([&](RefreshItemI& receiver) { return receiver.mhChildRemoved(record); });
}

HRESULT RefreshItemCollection::mhChildrenChanged(const ItemPathIterator& record, LONG flags) {
    return mhCallChild([&](RefreshItemI& receiver) { return receiver.mhChildrenChanged(record, flags); });
}

void RefreshItemCollection::mvVaultReset(const WCHAR* vaultName) {
    for (auto& entry : moEntries) entry->moReceiver->mvVaultReset(vaultName);
}

void RefreshItemCollection::mvMarkAllDirty() {
    for (auto& entry : moEntries) entry->moReceiver->mvMarkAllDirty();
}

void RefreshItemCollection::mvFinish() {
    for (auto& entry : moEntries) entry->moReceiver.reset();
    delete this;
}

int GatherReceivers(std::span<RefreshIF* const> participants, UINT_PTR sender, CCache* cache, RefreshItemI** out) {
    if (!out) return -1;
    *out = nullptr;
    if (participants.size() == 1) return participants[0]->Refresh(sender, cache, out);

    std::unique_ptr<RefreshItemCollection, FinishReceiver> collection;
    for (RefreshIF* participant : participants) {
        RefreshItemI* received = nullptr;
        const int answer = participant->Refresh(sender, cache, &received);
        RefreshItemPtr receiver(received);
        // A participant that could not make its receiver fails the whole
        // request, as it does when it is the only one; one that answers
        // without a receiver does not take part.
        if (answer < 0) return -1;
        if (answer == 0 || !receiver) continue;
        if (!collection) {
            collection.reset(new (std::nothrow) RefreshItemCollection);
            if (!collection) return -1;
        }
        if (!collection->Add(receiver.get())) return -1;
        receiver.release();
    }
    if (!collection) return 0;
    *out = collection.release();
    return 1;
}

}  // namespace RefreshNs
