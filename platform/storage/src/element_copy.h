// Copying elements of a compound file's tree into any storage (one of this
// file, of another file, or another implementation's), through the target's
// IStorage and IStream.
#pragma once

#include "format/element.h"
#include "storage/storage.h"

namespace storage {

// What IStorage::CopyTo leaves out at the top level of the copy.
struct CopyExclusions {
    bool storages = false;
    bool streams = false;
    SNB names = nullptr;  // Null-terminated list, or null.
};

// Writes the bytes of `content` to `target` from its current position.
HRESULT CopyStreamContent(const format::StreamContent& content, IStream* target);

// Copies the children of the storage `source`, with everything below them,
// into `target`, and the class of each storage: streams replace streams of
// the same name, storages merge into storages of the same name. Works level
// by level without recursion. The target must not lie within the source.
HRESULT CopyStorageContents(const format::Element& source, IStorage* target, const CopyExclusions& exclusions);

}  // namespace storage
