// CMap: the framework's hash map. InitHashTable and the block size are the
// framework's sizing hints; the table grows as needed. Positions walk the
// entries in no particular order; removing an entry invalidates positions.
#pragma once

#include "winapi/types.h"

#include <unordered_map>
#include <utility>
#include <vector>

template <class KEY, class ARG_KEY, class VALUE, class ARG_VALUE>
class CMap {
public:
    explicit CMap(INT_PTR nBlockSize = 10) { entries_.reserve(static_cast<std::size_t>(nBlockSize)); }

    // Sizes the table for about `hashSize` entries.
    void InitHashTable(UINT hashSize, BOOL = TRUE) {
        hashSize_ = hashSize;
        index_.reserve(hashSize);
    }
    UINT GetHashTableSize() const { return hashSize_; }
    INT_PTR GetCount() const { return static_cast<INT_PTR>(entries_.size()); }
    INT_PTR GetSize() const { return GetCount(); }
    BOOL IsEmpty() const { return entries_.empty(); }

    // TRUE with the value when the key is there.
    BOOL Lookup(ARG_KEY key, VALUE& rValue) const {
        auto found = index_.find(key);
        if (found == index_.end()) return FALSE;
        rValue = entries_[found->second].second;
        return TRUE;
    }
    void SetAt(ARG_KEY key, ARG_VALUE newValue) { (*this)[key] = newValue; }
    // The value of the key, added (value-initialised) when missing.
    VALUE& operator[](ARG_KEY key) {
        auto [found, added] = index_.try_emplace(key, entries_.size());
        if (added) entries_.emplace_back(key, VALUE());
        return entries_[found->second].second;
    }
    BOOL RemoveKey(ARG_KEY key) {
        auto found = index_.find(key);
        if (found == index_.end()) return FALSE;
        std::size_t slot = found->second;
        index_.erase(found);
        if (slot + 1 != entries_.size()) {
            entries_[slot] = std::move(entries_.back());
            index_[entries_[slot].first] = slot;
        }
        entries_.pop_back();
        return TRUE;
    }
    void RemoveAll() {
        entries_.clear();
        index_.clear();
    }

    POSITION GetStartPosition() const { return entries_.empty() ? nullptr : ToPosition(0); }
    // The entry at rNextPosition; moves it on (null after the last).
    void GetNextAssoc(POSITION& rNextPosition, KEY& rKey, VALUE& rValue) const {
        std::size_t slot = reinterpret_cast<std::size_t>(rNextPosition) - 1;
        rKey = entries_[slot].first;
        rValue = entries_[slot].second;
        rNextPosition = slot + 1 < entries_.size() ? ToPosition(slot + 1) : nullptr;
    }

private:
    static POSITION ToPosition(std::size_t slot) { return reinterpret_cast<POSITION>(slot + 1); }

    std::vector<std::pair<KEY, VALUE>> entries_;
    std::unordered_map<KEY, std::size_t> index_;
    UINT hashSize_ = 17;
};
