// How the cache operations reach one element of the item cache file through
// the scope's storage chain: open or create its stream (held in the chain's
// stream slot until the StreamHold ends), destroy it, or replace a children
// list safely.
#pragma once

#include "itemstore/children_codec.h"
#include "itemstore/item_object.h"
#include "itemstore/item_cache_lock.h"
#include "itemstore/storage_chain.h"

#include "winapi/types.h"

#include <cstdint>
#include <span>
#include <string_view>

class CItemCacheFile;

// The scope's chain when `file` is open in `lock`'s scope, else null.
CStorageChain* gpoScopeChain(CItemCacheFile& file, CItemCacheLock& lock);

// Releases the chain's stream when it goes: an operation that fails between
// opening a stream and its end must not leave the stream open.
class StreamHold {
public:
    explicit StreamHold(CStorageChain& chain) : chain_(chain) {}
    ~StreamHold() { chain_.mvReleaseStream(); }
    StreamHold(const StreamHold&) = delete;
    StreamHold& operator=(const StreamHold&) = delete;

private:
    CStorageChain& chain_;
};

// Opens the stream of `escapedName` without creating anything (mode
// STGM_READ, STGM_WRITE or STGM_READWRITE) into the chain's stream slot.
// The storage layer's failure, unmapped (STG_E_FILENOTFOUND: not there).
HRESULT ghOpenElementStream(CStorageChain& chain, std::u16string_view escapedName, DWORD access, IStream** stream);
// Creates (or replaces) the stream of `escapedName`, creating missing piece
// storages, into the chain's stream slot. Failures unmapped.
HRESULT ghCreateElementStream(CStorageChain& chain, std::u16string_view escapedName, IStream** stream);
// Destroys the element; a missing one is S_OK. Failures unmapped.
HRESULT ghDestroyElementIfPresent(CStorageChain& chain, std::u16string_view escapedName);

// Read whole with one Read (ghReadWholeStream) and decoded from memory: an
// item record (a new one, even when the read or the decode fails) and the
// records of a children list (appended). E_OXN_IO_ERROR for a failed read
// or a damaged record, as the codecs say.
HRESULT ghReadItemStream(IStream* stream, RefPtr<ItemObject>& item);
HRESULT ghReadChildrenStream(IStream* stream, ChildList& children);

// Reads a stored children list: the open's failure unmapped
// (STG_E_FILENOTFOUND when there is none), else the reader's result with the
// records read appended.
HRESULT ghReadStoredList(CStorageChain& chain, std::u16string_view escapedName, ChildList& children);

// Writes `bytes` over the start of the stream of `escapedName` (created, with
// its piece storages, when missing), then commits as mhCommitIfDirect does.
// A stream that already starts with `bytes` is left alone: S_OK, nothing
// changed, no commit (a longer stream's tail stays, as readers ignore it).
// Failures unmapped; a short write is E_OXN_IO_ERROR. Costs one Read of the
// stored stream besides the Write.
HRESULT ghWriteElementUnlessSame(CStorageChain& chain, std::u16string_view escapedName, std::span<const uint8_t> bytes);

// Replaces the children list of `escapedName` with `children`: the new list
// is written completely under a temporary name, then takes the old one's
// place; then the change is committed as mhCommitIfDirect does. On any
// failure the old list is back in place and the failure (unmapped) is
// returned. A stored list equal to the new one byte for byte is left alone
// (S_OK, nothing changed, no commit).
HRESULT ghReplaceChildrenList(CStorageChain& chain, std::u16string_view escapedName, const ChildList& children);
