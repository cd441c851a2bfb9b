#include "format/in_place_commit.h"

#include "format/constants.h"
#include "format/difat.h"
#include "format/directory_tree.h"
#include "format/element_entry.h"
#include "format/element_name.h"
#include "format/endian.h"
#include "format/file.h"
#include "winapi/errors.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace storage::format {

namespace {

uint64_t CeilDiv(uint64_t value, uint64_t divisor) { return (value + divisor - 1) / divisor; }

// Ends a commit early with a failure code; caught by CommitInPlace.
struct CommitFailure {
    HRESULT hr;
};

// The slot the writer leaves in a free directory entry: zeros but for the links.
DirectoryEntry UnusedEntry() {
    DirectoryEntry unused;
    unused.colour = EntryColour::Red;
    return unused;
}

// A table of the committed file (FAT, mini FAT, directory) with the
// commit's changes laid over it: the committed table stays untouched until
// the commit has succeeded, so a failure leaves nothing to undo.
template <typename T>
class Overlay {
public:
    Overlay(const std::vector<T>& base, T fill) : base_(base), fill_(fill), size_(base.size()) {}

    size_t Size() const { return size_; }
    T Get(size_t index) const {
        const auto found = changes_.find(index);
        if (found != changes_.end()) {
            return found->second;
        }
        return index < base_.size() ? base_[index] : fill_;
    }
    // Grows the table to cover `index` when it does not yet.
    void Set(size_t index, const T& value) {
        changes_[index] = value;
        size_ = std::max(size_, index + 1);
    }
    // The sectors (of `perSector` slots each) holding a changed slot.
    std::vector<size_t> ChangedSectors(size_t perSector) const {
        std::vector<size_t> sectors;
        sectors.reserve(changes_.size());
        for (const auto& change : changes_) {
            sectors.push_back(change.first / perSector);
        }
        std::sort(sectors.begin(), sectors.end());
        sectors.erase(std::unique(sectors.begin(), sectors.end()), sectors.end());
        return sectors;
    }
    // Writes the changes into `base`, padded with the fill to `paddedSize` slots.
    void ApplyTo(std::vector<T>& base, size_t paddedSize) const {
        base.resize(std::max(paddedSize, size_), fill_);
        for (const auto& [index, value] : changes_) {
            base[index] = value;
        }
    }

private:
    const std::vector<T>& base_;
    T fill_;
    size_t size_;
    std::unordered_map<size_t, T> changes_;
};

class Committer {
public:
    Committer(int descriptor, Tree& tree)
        : descriptor_(descriptor),
          tree_(tree),
          layout_(*tree.Layout()),
          sectorSize_(layout_.SectorSize()),
          slotsPerSector_(sectorSize_ / 4),
          entriesPerSector_(sectorSize_ / kDirectoryEntrySize),
          fat_(layout_.fat, kFreeSector),
          miniFat_(layout_.miniFat, kFreeSector),
          entries_(layout_.entries, UnusedEntry()),
          fatSectors_(layout_.fatSectors),
          difatSectors_(layout_.difatSectors),
          miniFatChain_(layout_.miniFatSectors),
          directoryChain_(layout_.directorySectors),
          miniStream_(layout_.miniStreamSectors),
          miniStreamSize_(layout_.miniStreamSize),
          miniSectorCount_(static_cast<uint32_t>(layout_.miniSectorUsed.size())),
          nextSector_(layout_.firstFreeSector),
          nextMiniSector_(layout_.firstFreeMiniSector),
          nextEntry_(layout_.firstFreeEntry) {}

    HRESULT Run();

private:
    struct RewrittenStream {
        Element* element;
        bool mini;
        std::vector<uint32_t> chain;
    };
    struct PendingWrite {
        uint64_t offset;
        std::vector<uint8_t> bytes;
    };

    // --- Space ---
    bool IsFresh(uint32_t sector) const { return sector >= layout_.sectorUsed.size() || !layout_.sectorUsed[sector]; }
    uint64_t SectorOffset(uint32_t sector) const { return (uint64_t{sector} + 1) * sectorSize_; }
    uint64_t MiniSectorOffset(uint32_t miniSector) const {
        const uint64_t inMiniStream = uint64_t{miniSector} * kMiniSectorSize;
        return SectorOffset(miniStream_[inMiniStream / sectorSize_]) + inMiniStream % sectorSize_;
    }
    uint32_t AllocateSector();
    uint32_t AllocateMiniSector();
    uint32_t AllocateEntry();
    void AppendToChain(std::vector<uint32_t>& chain);
    void CopyOnWrite(std::vector<uint32_t>& chain, size_t position);
    // Moves a FAT or DIFAT sector (`mark` says which) to a fresh sector; returns it.
    uint32_t MoveTableSector(uint32_t old, uint32_t mark);
    void FreeChain(uint32_t start, bool mini);

    // --- The directory ---
    void CollectChangedElements();
    void PlanChildren(const Element& storage);
    // The ancestors of entry `id` in the storage's sibling tree, found by its name.
    std::vector<uint32_t> PathTo(uint32_t storageId, uint32_t id);
    void DeleteSibling(uint32_t storageId, uint32_t id);
    void ReleaseRemovedChildren(const Element& storage);
    void ReleaseSubtree(uint32_t top);
    uint32_t IdOf(const Element* element) const {
        return element->EntryId() != kNoEntry ? element->EntryId() : newIds_.at(element);
    }
    void DescribeChanged();
    void LinkChildren(const Element& storage);
    void InsertSibling(uint32_t storageId, uint32_t id, const std::u16string& name);
    // Turns the subtree at `node` (whose parent is `parent`, kNoEntry for the
    // tree's root) to the left or the right.
    void Rotate(uint32_t storageId, uint32_t node, uint32_t parent, bool toLeft);
    // Makes the link from `parent` (or the storage, for the root) that led to `old` lead to `replacement`.
    void SetChildLink(uint32_t storageId, uint32_t parent, uint32_t old, uint32_t replacement);
    template <typename Change>
    void Update(uint32_t id, Change change) {
        DirectoryEntry entry = entries_.Get(id);
        change(entry);
        entries_.Set(id, entry);
    }
    void RewriteStream(Element& element, DirectoryEntry* entry);
    void UpdateRootEntry();

    // --- Tables ---
    template <typename T>
    void PlaceTable(Overlay<T>& table, size_t perSector, size_t baseChainLength, std::vector<uint32_t>& chain,
                    void (Committer::*serialize)(size_t sector, uint8_t* out) const);
    void SerializeMiniFatSector(size_t sector, uint8_t* out) const;
    void SerializeDirectorySector(size_t sector, uint8_t* out) const;
    void PlaceFatAndDifat();
    void SerializeDifatSector(size_t index, uint8_t* out) const;
    void SerializeCommittedDifatSector(size_t index, uint8_t* out) const;
    Header NewHeader() const;

    // --- Output ---
    void Queue(uint64_t offset, const uint8_t* bytes, size_t count);
    void WriteQueued();
    void Synchronise();
    void Apply(const Header& header);

    int descriptor_;
    Tree& tree_;
    FileLayout& layout_;
    const uint32_t sectorSize_;
    const uint32_t slotsPerSector_;
    const uint32_t entriesPerSector_;

    Overlay<uint32_t> fat_;
    Overlay<uint32_t> miniFat_;
    Overlay<DirectoryEntry> entries_;
    std::vector<uint32_t> fatSectors_;
    std::vector<uint32_t> difatSectors_;
    std::vector<uint32_t> miniFatChain_;
    std::vector<uint32_t> directoryChain_;
    std::vector<uint32_t> miniStream_;
    uint64_t miniStreamSize_;
    uint32_t miniSectorCount_;

    uint32_t nextSector_;
    uint32_t nextMiniSector_;
    uint32_t nextEntry_;
    std::vector<uint32_t> allocatedSectors_;
    std::vector<uint32_t> freedSectors_;
    std::vector<uint32_t> allocatedMiniSectors_;
    std::vector<uint32_t> freedMiniSectors_;
    std::vector<uint32_t> allocatedEntries_;
    std::vector<uint32_t> releasedEntries_;
    std::vector<uint32_t> reusableEntries_;

    std::vector<Element*> changed_;  // Every element with a mark, each storage before its children.
    std::unordered_map<const Element*, uint32_t> newIds_;
    std::vector<RewrittenStream> rewritten_;
    std::vector<Element*> maintainedStorages_;  // Whose sibling trees this commit wrote.
    std::unordered_map<const Element*, bool> rebuildsTree_;
    std::unordered_set<const Element*> replacing_;  // New elements in a destroyed one's entry.
    std::unordered_set<const Element*> moved_;      // Renamed elements, out of their tree until inserted again.
    std::vector<PendingWrite> writes_;
};

uint32_t Committer::AllocateSector() {
    nextSector_ = FirstUnused(layout_.sectorUsed, nextSector_);
    if (nextSector_ > kMaxRegularSector) {
        throw CommitFailure{STG_E_MEDIUMFULL};
    }
    const uint32_t sector = nextSector_++;
    allocatedSectors_.push_back(sector);
    return sector;
}

uint32_t Committer::AllocateMiniSector() {
    nextMiniSector_ = FirstUnused(layout_.miniSectorUsed, nextMiniSector_);
    const uint32_t miniSector = nextMiniSector_++;
    if (miniSector > kMaxRegularSector) {
        throw CommitFailure{STG_E_MEDIUMFULL};
    }
    if (miniSector >= miniSectorCount_) {
        // The mini stream grows to hold it, by whole sectors.
        miniSectorCount_ = miniSector + 1;
        miniStreamSize_ = std::max<uint64_t>(miniStreamSize_, uint64_t{miniSectorCount_} * kMiniSectorSize);
        if (layout_.header.majorVersion == kVersion3 && miniStreamSize_ > 0xFFFFFFFFu) {
            throw CommitFailure{STG_E_MEDIUMFULL};  // The root entry records the mini stream's size in 32 bits.
        }
        while (uint64_t{miniStream_.size()} * sectorSize_ < miniStreamSize_) {
            AppendToChain(miniStream_);
        }
    }
    allocatedMiniSectors_.push_back(miniSector);
    return miniSector;
}

uint32_t Committer::AllocateEntry() {
    uint32_t id = 0;
    if (!reusableEntries_.empty()) {
        id = reusableEntries_.back();
        reusableEntries_.pop_back();
    } else {
        nextEntry_ = FirstUnused(layout_.entryUsed, nextEntry_);
        id = nextEntry_++;
    }
    if (id > kMaxRegularEntry) {
        throw CommitFailure{STG_E_MEDIUMFULL};
    }
    allocatedEntries_.push_back(id);
    return id;
}

void Committer::AppendToChain(std::vector<uint32_t>& chain) {
    const uint32_t sector = AllocateSector();
    fat_.Set(sector, kEndOfChain);
    if (!chain.empty()) {
        fat_.Set(chain.back(), sector);
    }
    chain.push_back(sector);
}

uint32_t Committer::MoveTableSector(uint32_t old, uint32_t mark) {
    const uint32_t sector = AllocateSector();
    fat_.Set(sector, mark);
    fat_.Set(old, kFreeSector);
    freedSectors_.push_back(old);
    return sector;
}

void Committer::CopyOnWrite(std::vector<uint32_t>& chain, size_t position) {
    const uint32_t old = chain[position];
    if (IsFresh(old)) {
        return;  // Written by this commit already: the committed content does not use it.
    }
    const uint32_t sector = AllocateSector();
    fat_.Set(sector, fat_.Get(old));
    fat_.Set(old, kFreeSector);
    freedSectors_.push_back(old);
    if (position > 0) {
        fat_.Set(chain[position - 1], sector);
    }
    chain[position] = sector;
}

void Committer::FreeChain(uint32_t start, bool mini) {
    // The committed chains were checked when the file was read, and a chain
    // is freed once: the committed tables lead the way, bounded all the same.
    const std::vector<uint32_t>& table = mini ? layout_.miniFat : layout_.fat;
    Overlay<uint32_t>& overlay = mini ? miniFat_ : fat_;
    std::vector<uint32_t>& freed = mini ? freedMiniSectors_ : freedSectors_;
    for (uint32_t unit = start, steps = 0; unit < table.size() && steps < table.size(); unit = table[unit], ++steps) {
        overlay.Set(unit, kFreeSector);
        freed.push_back(unit);
    }
}

// Every element with a mark, found by following the marks down from the
// root: the cost is that of the changed paths, not of the tree.
void Committer::CollectChangedElements() {
    std::vector<Element*> pending{&tree_.Root()};
    while (!pending.empty()) {
        Element* element = pending.back();
        pending.pop_back();
        if (!element->HasChanges()) {
            continue;
        }
        changed_.push_back(element);
        pending.insert(pending.end(), element->ChangedChildren().begin(), element->ChangedChildren().end());
    }
}

// Frees what the committed file holds below `storage` for children it no
// longer has (destroyed, or destroyed and created anew).
void Committer::ReleaseRemovedChildren(const Element& storage) {
    std::unordered_set<uint32_t> kept;
    for (const auto& entry : storage.Children()) {
        if (entry.second->EntryId() != kNoEntry) {
            kept.insert(entry.second->EntryId());
        }
    }
    std::vector<uint32_t> pending{layout_.entries[storage.EntryId()].child};
    size_t steps = 0;
    while (!pending.empty() && steps++ < layout_.entries.size()) {
        const uint32_t id = pending.back();
        pending.pop_back();
        if (id >= layout_.entries.size()) {
            continue;
        }
        pending.push_back(layout_.entries[id].left);
        pending.push_back(layout_.entries[id].right);
        if (kept.count(id) == 0) {
            ReleaseSubtree(id);
        }
    }
}

void Committer::ReleaseSubtree(uint32_t top) {
    // The top's sibling links lead to siblings that may live on; below it
    // every link is followed, as the reader followed them.
    std::vector<uint32_t> pending{top};
    size_t steps = 0;
    while (!pending.empty() && steps++ < layout_.entries.size()) {
        const uint32_t id = pending.back();
        pending.pop_back();
        if (id >= layout_.entries.size()) {
            continue;
        }
        const DirectoryEntry& entry = layout_.entries[id];
        entries_.Set(id, UnusedEntry());
        releasedEntries_.push_back(id);
        reusableEntries_.push_back(id);
        const auto type = static_cast<ElementType>(entry.type);
        if (type == ElementType::Stream) {
            const uint64_t size = layout_.StreamSize(entry);
            if (size > 0) {
                FreeChain(entry.startSector, size < kMiniStreamCutoff);
            }
        } else if (type == ElementType::Storage) {
            pending.push_back(entry.child);
        }
        if (id != top) {
            pending.push_back(entry.left);
            pending.push_back(entry.right);
        }
    }
}

// Decides how a storage whose children changed gets its sibling tree, and
// frees what its destroyed children held. In a tree this process keeps
// balanced, a child destroyed and created again under its name (a stream
// replaced) takes the old entry and place; a destroyed child leaves the tree
// by a red-black deletion, a renamed one by a deletion and an insertion
// under its new name, an added one by an insertion: the entries of a few
// paths, not all the children. A tree read from a file is rebuilt once.
void Committer::PlanChildren(const Element& storage) {
    const bool rebuild = storage.EntryId() == kNoEntry || !storage.SiblingTreeMaintained();
    rebuildsTree_[&storage] = rebuild;
    if (rebuild) {
        if (storage.EntryId() != kNoEntry && (storage.ChildRemoved() || storage.ChildRenamed())) {
            ReleaseRemovedChildren(storage);
        }
        return;
    }
    const uint32_t storageId = storage.EntryId();
    // Every deletion first, while every entry still holds the name it is
    // ordered by.
    for (const Element* child : storage.ChangedChildren()) {
        if (child->EntryId() == kNoEntry || !child->FieldsChanged()) {
            continue;
        }
        std::u16string old;
        entries_.Get(child->EntryId()).DecodeName(&old);
        if (CompareElementNames(old, child->Name()) != 0) {
            DeleteSibling(storageId, child->EntryId());
            moved_.insert(child);
        }
    }
    std::vector<std::pair<const Element*, uint32_t>> replacements;
    for (const Element::RemovedChild& removed : storage.RemovedChildren()) {
        const Element* successor = storage.FindChild(removed.name);
        if (successor != nullptr && successor->EntryId() == kNoEntry && newIds_.count(successor) == 0) {
            newIds_[successor] = removed.entryId;
            replacements.emplace_back(successor, removed.entryId);
        } else {
            DeleteSibling(storageId, removed.entryId);
            ReleaseSubtree(removed.entryId);
        }
    }
    // Then the replaced ones, whose entries stay in the tree.
    for (const auto& [successor, id] : replacements) {
        const DirectoryEntry place = entries_.Get(id);
        ReleaseSubtree(id);
        Update(id, [&place](DirectoryEntry& e) {
            e.left = place.left;
            e.right = place.right;
            e.colour = place.colour;
            e.SetName(std::u16string_view(place.nameUnits, place.nameLengthBytes / 2 - 1));
        });
        std::erase(reusableEntries_, id);
        allocatedEntries_.push_back(id);
        replacing_.insert(successor);
    }
}

std::vector<uint32_t> Committer::PathTo(uint32_t storageId, uint32_t id) {
    std::u16string name;
    entries_.Get(id).DecodeName(&name);
    std::vector<uint32_t> path;
    for (uint32_t at = entries_.Get(storageId).child; at != id;) {
        if (at == kNoEntry || path.size() > entries_.Size()) {
            throw CommitFailure{STG_E_DOCFILECORRUPT};  // Never in a tree this process keeps.
        }
        path.push_back(at);
        const DirectoryEntry entry = entries_.Get(at);
        std::u16string atName;
        entry.DecodeName(&atName);
        at = CompareElementNames(name, atName) < 0 ? entry.left : entry.right;
    }
    return path;
}

// The classic red-black deletion, with the path from the tree's root kept
// on a stack in place of parent links.
void Committer::DeleteSibling(uint32_t storageId, uint32_t id) {
    std::vector<uint32_t> path = PathTo(storageId, id);
    const DirectoryEntry doomed = entries_.Get(id);
    const uint32_t doomedParent = path.empty() ? kNoEntry : path.back();
    auto colour = [this](uint32_t at) { return at == kNoEntry ? EntryColour::Black : entries_.Get(at).colour; };
    auto paint = [this](uint32_t at, EntryColour c) {
        if (at != kNoEntry) Update(at, [c](DirectoryEntry& e) { e.colour = c; });
    };
    auto left = [this](uint32_t at) { return entries_.Get(at).left; };
    auto right = [this](uint32_t at) { return entries_.Get(at).right; };

    // `removed` leaves its place to `replacement`: the doomed entry itself
    // when it has at most one child, else its successor, which then takes
    // the doomed entry's place.
    uint32_t removed = id;
    std::vector<uint32_t> removedPath = path;
    if (doomed.left != kNoEntry && doomed.right != kNoEntry) {
        removedPath.push_back(id);
        removed = doomed.right;
        while (left(removed) != kNoEntry) {
            removedPath.push_back(removed);
            removed = left(removed);
        }
    }
    const DirectoryEntry removedEntry = entries_.Get(removed);
    const uint32_t replacement = removedEntry.left != kNoEntry ? removedEntry.left : removedEntry.right;
    const uint32_t removedParent = removedPath.empty() ? kNoEntry : removedPath.back();
    bool replacementIsLeft = removedParent != kNoEntry && left(removedParent) == removed;
    SetChildLink(storageId, removedParent, removed, replacement);
    const EntryColour removedColour = removedEntry.colour;
    if (removed != id) {
        // The successor takes the doomed entry's links, colour and place.
        const DirectoryEntry current = entries_.Get(id);
        Update(removed, [&current](DirectoryEntry& e) {
            e.left = current.left;
            e.right = current.right;
            e.colour = current.colour;
        });
        SetChildLink(storageId, doomedParent, id, removed);
        removedPath[path.size()] = removed;
        if (removedParent == id) {
            replacementIsLeft = false;
        }
    }
    Update(id, [](DirectoryEntry& e) {
        e.left = kNoEntry;
        e.right = kNoEntry;
    });
    if (removedColour == EntryColour::Red) {
        return;
    }
    uint32_t node = replacement;
    std::vector<uint32_t>& above = removedPath;  // The ancestors of `node`.
    while (!above.empty() && colour(node) == EntryColour::Black) {
        const uint32_t parent = above.back();
        const uint32_t grandparent = above.size() >= 2 ? above[above.size() - 2] : kNoEntry;
        const bool isLeft = replacementIsLeft;
        uint32_t sibling = isLeft ? right(parent) : left(parent);
        if (colour(sibling) == EntryColour::Red) {
            paint(sibling, EntryColour::Black);
            paint(parent, EntryColour::Red);
            Rotate(storageId, parent, grandparent, isLeft);
            above.insert(above.end() - 1, sibling);
            sibling = isLeft ? right(parent) : left(parent);
        }
        const uint32_t near = isLeft ? left(sibling) : right(sibling);
        const uint32_t far = isLeft ? right(sibling) : left(sibling);
        if (colour(near) == EntryColour::Black && colour(far) == EntryColour::Black) {
            paint(sibling, EntryColour::Red);
            node = parent;
            above.pop_back();
            replacementIsLeft = !above.empty() && left(above.back()) == node;
            continue;
        }
        if (colour(far) == EntryColour::Black) {
            paint(near, EntryColour::Black);
            paint(sibling, EntryColour::Red);
            Rotate(storageId, sibling, parent, !isLeft);
            sibling = isLeft ? right(parent) : left(parent);
        }
        paint(sibling, colour(parent));
        paint(parent, EntryColour::Black);
        paint(isLeft ? right(sibling) : left(sibling), EntryColour::Black);
        Rotate(storageId, parent, above.size() >= 2 ? above[above.size() - 2] : kNoEntry, isLeft);
        node = entries_.Get(storageId).child;
        break;
    }
    paint(node, EntryColour::Black);
}

void Committer::RewriteStream(Element& element, DirectoryEntry* entry) {
    if (element.EntryId() != kNoEntry) {
        const DirectoryEntry& old = layout_.entries[element.EntryId()];
        const uint64_t oldSize = layout_.StreamSize(old);
        if (static_cast<ElementType>(old.type) == ElementType::Stream && oldSize > 0) {
            FreeChain(old.startSector, oldSize < kMiniStreamCutoff);
        }
    }
    const StreamContent& content = element.Content();
    const uint64_t size = content.Size();
    if (layout_.header.majorVersion == kVersion3 && size > 0xFFFFFFFFu) {
        throw CommitFailure{STG_E_MEDIUMFULL};
    }
    entry->size = size;
    if (size == 0) {
        entry->startSector = kEndOfChain;
        return;
    }
    auto read = [&content](uint64_t offset, uint8_t* out, size_t count) {
        size_t got = 0;
        if (const HRESULT hr = content.Read(offset, out, count, &got); FAILED(hr)) {
            throw CommitFailure{hr};
        }
        std::memset(out + got, 0, count - got);
    };
    RewrittenStream rewritten{&element, size < kMiniStreamCutoff, {}};
    std::vector<uint32_t>& chain = rewritten.chain;
    if (rewritten.mini) {
        const size_t count = static_cast<size_t>(CeilDiv(size, kMiniSectorSize));
        for (size_t i = 0; i < count; ++i) {
            chain.push_back(AllocateMiniSector());
        }
        for (size_t i = 0; i < count; ++i) {
            miniFat_.Set(chain[i], i + 1 < count ? chain[i + 1] : kEndOfChain);
        }
        std::vector<uint8_t> bytes(count * kMiniSectorSize);
        read(0, bytes.data(), bytes.size());
        for (size_t i = 0; i < count; ++i) {
            Queue(MiniSectorOffset(chain[i]), bytes.data() + i * kMiniSectorSize, kMiniSectorSize);
        }
    } else {
        const uint64_t count = CeilDiv(size, sectorSize_);
        for (uint64_t i = 0; i < count; ++i) {
            chain.push_back(AllocateSector());
        }
        for (uint64_t i = 0; i < count; ++i) {
            fat_.Set(chain[i], i + 1 < count ? chain[i + 1] : kEndOfChain);
        }
        // Runs of adjacent sectors go out in one write each, at most 1 MiB.
        constexpr size_t kMaxRun = size_t{1} << 20;
        std::vector<uint8_t> buffer;
        size_t first = 0;
        while (first < chain.size()) {
            size_t end = first + 1;
            while (end < chain.size() && chain[end] == chain[end - 1] + 1 &&
                   (end - first + 1) * sectorSize_ <= kMaxRun) {
                ++end;
            }
            buffer.resize((end - first) * sectorSize_);
            read(uint64_t{first} * sectorSize_, buffer.data(), buffer.size());
            if (const HRESULT hr = WriteAllAt(descriptor_, SectorOffset(chain[first]), buffer.data(), buffer.size());
                FAILED(hr)) {
                throw CommitFailure{hr};
            }
            first = end;
        }
    }
    entry->startSector = chain.front();
    rewritten_.push_back(std::move(rewritten));
}

void Committer::LinkChildren(const Element& storage) {
    std::vector<SiblingLinks> links;
    const uint32_t root = BuildSiblingTree(static_cast<uint32_t>(storage.ChildCount()), &links);
    std::vector<uint32_t> ids;
    ids.reserve(storage.ChildCount());
    for (const auto& entry : storage.Children()) {
        ids.push_back(IdOf(entry.second.get()));
    }
    auto toId = [&ids](uint32_t index) { return index == kNoEntry ? kNoEntry : ids[index]; };
    for (size_t i = 0; i < ids.size(); ++i) {
        DirectoryEntry child = entries_.Get(ids[i]);
        child.left = toId(links[i].left);
        child.right = toId(links[i].right);
        child.colour = links[i].colour;
        entries_.Set(ids[i], child);
    }
    const uint32_t storageId = IdOf(&storage);
    DirectoryEntry self = entries_.Get(storageId);
    self.child = toId(root);
    entries_.Set(storageId, self);
}

void Committer::DescribeChanged() {
    for (Element* element : changed_) {
        if (element->EntryId() == kNoEntry && newIds_.count(element) == 0) {
            newIds_[element] = AllocateEntry();
        }
    }
    for (Element* element : changed_) {
        const bool added = element->EntryId() == kNoEntry;
        if (!added && !element->FieldsChanged() && !element->ContentChanged()) {
            continue;  // Only its links or something below it changed.
        }
        const uint32_t id = IdOf(element);
        DirectoryEntry entry = added ? DirectoryEntry{} : entries_.Get(id);
        if (replacing_.count(element) != 0) {
            // In the old element's place in its storage's tree.
            const DirectoryEntry old = entries_.Get(id);
            entry.left = old.left;
            entry.right = old.right;
            entry.colour = old.colour;
        }
        DescribeElement(*element, &entry);
        if (element->IsStream() && (added || element->ContentChanged())) {
            RewriteStream(*element, &entry);
        }
        entries_.Set(id, entry);
    }
    // A storage that only gained children, in a sibling tree this process
    // keeps balanced, takes each by a red-black insertion: the entries on
    // one path, not all its children. Any other change of its children
    // rebuilds its tree.
    std::unordered_map<const Element*, std::vector<const Element*>> added;
    for (const Element* element : changed_) {
        const bool isNew = element->EntryId() == kNoEntry && replacing_.count(element) == 0;
        if (element->Parent() != nullptr && (isNew || moved_.count(element) != 0)) {
            added[element->Parent()].push_back(element);
        }
    }
    for (Element* element : changed_) {
        if (!element->IsStorage() || !element->ChildrenChanged()) {
            continue;
        }
        if (rebuildsTree_.at(element)) {
            LinkChildren(*element);
        } else {
            for (const Element* child : added[element]) {
                InsertSibling(IdOf(element), IdOf(child), child->Name());
            }
        }
        maintainedStorages_.push_back(element);
    }
}

void Committer::SetChildLink(uint32_t storageId, uint32_t parent, uint32_t old, uint32_t replacement) {
    if (parent == kNoEntry) {
        Update(storageId, [replacement](DirectoryEntry& e) { e.child = replacement; });
    } else if (entries_.Get(parent).left == old) {
        Update(parent, [replacement](DirectoryEntry& e) { e.left = replacement; });
    } else {
        Update(parent, [replacement](DirectoryEntry& e) { e.right = replacement; });
    }
}

void Committer::Rotate(uint32_t storageId, uint32_t node, uint32_t parent, bool toLeft) {
    const DirectoryEntry entry = entries_.Get(node);
    const uint32_t pivot = toLeft ? entry.right : entry.left;
    const DirectoryEntry pivotEntry = entries_.Get(pivot);
    const uint32_t moved = toLeft ? pivotEntry.left : pivotEntry.right;
    Update(node, [toLeft, moved](DirectoryEntry& e) { (toLeft ? e.right : e.left) = moved; });
    Update(pivot, [toLeft, node](DirectoryEntry& e) { (toLeft ? e.left : e.right) = node; });
    SetChildLink(storageId, parent, node, pivot);
}

// The classic red-black insertion, with the path from the tree's root kept
// on a stack in place of parent links (entries have none).
void Committer::InsertSibling(uint32_t storageId, uint32_t id, const std::u16string& name) {
    std::vector<uint32_t> path;
    bool toLeft = false;
    for (uint32_t at = entries_.Get(storageId).child; at != kNoEntry;) {
        if (path.size() > entries_.Size()) {
            throw CommitFailure{STG_E_DOCFILECORRUPT};  // A cycle: never in a tree this process keeps.
        }
        path.push_back(at);
        const DirectoryEntry entry = entries_.Get(at);
        std::u16string atName;
        entry.DecodeName(&atName);
        toLeft = CompareElementNames(name, atName) < 0;
        at = toLeft ? entry.left : entry.right;
    }
    Update(id, [](DirectoryEntry& e) {
        e.left = kNoEntry;
        e.right = kNoEntry;
        e.colour = EntryColour::Red;
    });
    if (path.empty()) {
        Update(storageId, [id](DirectoryEntry& e) { e.child = id; });
    } else {
        Update(path.back(), [toLeft, id](DirectoryEntry& e) { (toLeft ? e.left : e.right) = id; });
    }
    auto colour = [this](uint32_t at) { return at == kNoEntry ? EntryColour::Black : entries_.Get(at).colour; };
    auto paint = [this](uint32_t at, EntryColour c) { Update(at, [c](DirectoryEntry& e) { e.colour = c; }); };
    uint32_t node = id;
    while (path.size() >= 2 && colour(path.back()) == EntryColour::Red) {
        uint32_t parent = path.back();
        const uint32_t grandparent = path[path.size() - 2];
        const uint32_t above = path.size() >= 3 ? path[path.size() - 3] : kNoEntry;
        const bool parentIsLeft = entries_.Get(grandparent).left == parent;
        const uint32_t uncle = parentIsLeft ? entries_.Get(grandparent).right : entries_.Get(grandparent).left;
        if (colour(uncle) == EntryColour::Red) {
            paint(parent, EntryColour::Black);
            paint(uncle, EntryColour::Black);
            paint(grandparent, EntryColour::Red);
            node = grandparent;
            path.resize(path.size() - 2);
            continue;
        }
        const bool nodeIsInner = parentIsLeft ? entries_.Get(parent).right == node : entries_.Get(parent).left == node;
        if (nodeIsInner) {
            Rotate(storageId, parent, grandparent, parentIsLeft);
            std::swap(node, parent);
        }
        paint(parent, EntryColour::Black);
        paint(grandparent, EntryColour::Red);
        Rotate(storageId, grandparent, above, !parentIsLeft);
        break;
    }
    paint(entries_.Get(storageId).child, EntryColour::Black);
}

void Committer::UpdateRootEntry() {
    DirectoryEntry root = entries_.Get(0);
    const uint32_t start = miniStream_.empty() ? kEndOfChain : miniStream_.front();
    if (root.startSector != start || layout_.StreamSize(root) != miniStreamSize_) {
        root.startSector = start;
        root.size = miniStreamSize_;
        entries_.Set(0, root);
    }
}

void Committer::SerializeMiniFatSector(size_t sector, uint8_t* out) const {
    for (size_t i = 0; i < slotsPerSector_; ++i) {
        Store32(out + 4 * i, miniFat_.Get(sector * slotsPerSector_ + i));
    }
}

void Committer::SerializeDirectorySector(size_t sector, uint8_t* out) const {
    for (size_t i = 0; i < entriesPerSector_; ++i) {
        SerializeDirectoryEntry(entries_.Get(sector * entriesPerSector_ + i), out + i * kDirectoryEntrySize);
    }
}

// A table kept in a chain of sectors (the mini FAT, the directory): the
// chain grows to hold the table, and every sector with a changed slot moves
// to a fresh sector, written whole.
template <typename T>
void Committer::PlaceTable(Overlay<T>& table, size_t perSector, size_t baseChainLength, std::vector<uint32_t>& chain,
                           void (Committer::*serialize)(size_t sector, uint8_t* out) const) {
    while (chain.size() < CeilDiv(table.Size(), perSector)) {
        AppendToChain(chain);
    }
    std::vector<size_t> changed = table.ChangedSectors(perSector);
    for (size_t position = baseChainLength; position < chain.size(); ++position) {
        changed.push_back(position);  // Appended: written even where all its slots are empty.
    }
    std::sort(changed.begin(), changed.end());
    changed.erase(std::unique(changed.begin(), changed.end()), changed.end());
    std::vector<uint8_t> bytes(sectorSize_);
    for (size_t position : changed) {
        CopyOnWrite(chain, position);
        (this->*serialize)(position, bytes.data());
        Queue(SectorOffset(chain[position]), bytes.data(), bytes.size());
    }
}

void Committer::SerializeDifatSector(size_t index, uint8_t* out) const {
    const uint32_t perSector = DifatIdsPerSector(sectorSize_);
    for (uint32_t k = 0; k < perSector; ++k) {
        const size_t fatIndex = kHeaderDifatEntries + index * perSector + k;
        Store32(out + 4 * k, fatIndex < fatSectors_.size() ? fatSectors_[fatIndex] : kFreeSector);
    }
    Store32(out + 4 * perSector, index + 1 < difatSectors_.size() ? difatSectors_[index + 1] : kEndOfChain);
}

void Committer::SerializeCommittedDifatSector(size_t index, uint8_t* out) const {
    const uint32_t perSector = DifatIdsPerSector(sectorSize_);
    const std::vector<uint32_t>& fatSectors = layout_.fatSectors;
    for (uint32_t k = 0; k < perSector; ++k) {
        const size_t fatIndex = kHeaderDifatEntries + index * perSector + k;
        Store32(out + 4 * k, fatIndex < fatSectors.size() ? fatSectors[fatIndex] : kFreeSector);
    }
    const std::vector<uint32_t>& difat = layout_.difatSectors;
    Store32(out + 4 * perSector, index + 1 < difat.size() ? difat[index + 1] : kEndOfChain);
}

// The FAT describes every sector, its own and the DIFAT's included, so
// moving one of its sectors changes it again: repeated until every changed
// FAT and DIFAT sector stands in a fresh sector and the FAT covers every
// sector in use. Ends, as each sector moves at most once.
void Committer::PlaceFatAndDifat() {
    std::vector<uint8_t> fresh(sectorSize_);
    std::vector<uint8_t> committed(sectorSize_);
    for (bool moved = true; moved;) {
        moved = false;
        while (uint64_t{fatSectors_.size()} * slotsPerSector_ < fat_.Size()) {
            const uint32_t sector = AllocateSector();
            fat_.Set(sector, kFatSector);
            fatSectors_.push_back(sector);
            moved = true;
        }
        for (size_t position : fat_.ChangedSectors(slotsPerSector_)) {
            const uint32_t old = fatSectors_[position];
            if (IsFresh(old)) {
                continue;
            }
            fatSectors_[position] = MoveTableSector(old, kFatSector);
            moved = true;
        }
        const uint32_t difatCount = DifatSectorsFor(static_cast<uint32_t>(fatSectors_.size()), sectorSize_);
        while (difatSectors_.size() < difatCount) {
            const uint32_t sector = AllocateSector();
            fat_.Set(sector, kDifatSector);
            difatSectors_.push_back(sector);
            moved = true;
        }
        // From the last, so that moving one is seen at once in the link of the one before.
        for (size_t index = difatSectors_.size(); index-- > 0;) {
            const uint32_t old = difatSectors_[index];
            if (IsFresh(old)) {
                continue;
            }
            SerializeDifatSector(index, fresh.data());
            SerializeCommittedDifatSector(index, committed.data());
            if (fresh == committed) {
                continue;
            }
            difatSectors_[index] = MoveTableSector(old, kDifatSector);
            moved = true;
        }
    }
    std::vector<uint8_t> bytes(sectorSize_);
    for (size_t position = 0; position < fatSectors_.size(); ++position) {
        if (!IsFresh(fatSectors_[position])) {
            continue;
        }
        for (size_t i = 0; i < slotsPerSector_; ++i) {
            Store32(bytes.data() + 4 * i, fat_.Get(position * slotsPerSector_ + i));
        }
        Queue(SectorOffset(fatSectors_[position]), bytes.data(), bytes.size());
    }
    for (size_t index = 0; index < difatSectors_.size(); ++index) {
        if (IsFresh(difatSectors_[index])) {
            SerializeDifatSector(index, bytes.data());
            Queue(SectorOffset(difatSectors_[index]), bytes.data(), bytes.size());
        }
    }
}

Header Committer::NewHeader() const {
    Header header = layout_.header;
    header.fatSectorCount = static_cast<uint32_t>(fatSectors_.size());
    for (size_t i = 0; i < kHeaderDifatEntries; ++i) {
        header.difat[i] = i < fatSectors_.size() ? fatSectors_[i] : kFreeSector;
    }
    header.difatSectorCount = static_cast<uint32_t>(difatSectors_.size());
    header.firstDifatSector = difatSectors_.empty() ? kEndOfChain : difatSectors_.front();
    header.firstDirectorySector = directoryChain_.front();
    header.directorySectorCount = header.majorVersion == kVersion3 ? 0 : static_cast<uint32_t>(directoryChain_.size());
    header.firstMiniFatSector = miniFatChain_.empty() ? kEndOfChain : miniFatChain_.front();
    header.miniFatSectorCount = static_cast<uint32_t>(miniFatChain_.size());
    return header;
}

void Committer::Queue(uint64_t offset, const uint8_t* bytes, size_t count) {
    writes_.push_back(PendingWrite{offset, std::vector<uint8_t>(bytes, bytes + count)});
}

// Adjacent pieces (the mini sectors of a stream, consecutive table sectors)
// go out in one write.
void Committer::WriteQueued() {
    std::sort(writes_.begin(), writes_.end(),
              [](const PendingWrite& a, const PendingWrite& b) { return a.offset < b.offset; });
    std::vector<uint8_t> run;
    uint64_t runStart = 0;
    auto flush = [&]() {
        if (run.empty()) {
            return;
        }
        if (const HRESULT hr = WriteAllAt(descriptor_, runStart, run.data(), run.size()); FAILED(hr)) {
            throw CommitFailure{hr};
        }
        run.clear();
    };
    for (const PendingWrite& write : writes_) {
        if (run.empty() || write.offset != runStart + run.size()) {
            flush();
            runStart = write.offset;
        }
        run.insert(run.end(), write.bytes.begin(), write.bytes.end());
    }
    flush();
}

void Committer::Synchronise() {
    if (::fdatasync(descriptor_) != 0) {
        throw CommitFailure{errno == ENOSPC || errno == EDQUOT ? STG_E_MEDIUMFULL : STG_E_WRITEFAULT};
    }
}

void Committer::Apply(const Header& header) {
    fat_.ApplyTo(layout_.fat, fatSectors_.size() * slotsPerSector_);
    miniFat_.ApplyTo(layout_.miniFat, miniFatChain_.size() * slotsPerSector_);
    entries_.ApplyTo(layout_.entries, directoryChain_.size() * entriesPerSector_);
    layout_.header = header;
    layout_.fatSectors = std::move(fatSectors_);
    layout_.difatSectors = std::move(difatSectors_);
    layout_.miniFatSectors = std::move(miniFatChain_);
    layout_.directorySectors = std::move(directoryChain_);
    layout_.miniStreamSectors = miniStream_;
    layout_.miniStreamSize = miniStreamSize_;

    auto mark = [](std::vector<bool>& used, const std::vector<uint32_t>& ids, bool value) {
        for (uint32_t id : ids) {
            if (id >= used.size()) {
                used.resize(id + 1, false);
            }
            used[id] = value;
        }
    };
    auto lowest = [](const std::vector<uint32_t>& ids, uint32_t bound) {
        for (uint32_t id : ids) {
            bound = std::min(bound, id);
        }
        return bound;
    };
    mark(layout_.sectorUsed, freedSectors_, false);
    mark(layout_.sectorUsed, allocatedSectors_, true);
    layout_.usedSectorCount += allocatedSectors_.size();
    layout_.usedSectorCount -= freedSectors_.size();
    layout_.firstFreeSector = lowest(freedSectors_, nextSector_);
    layout_.miniSectorUsed.resize(std::max<size_t>(layout_.miniSectorUsed.size(), miniSectorCount_), false);
    mark(layout_.miniSectorUsed, freedMiniSectors_, false);
    mark(layout_.miniSectorUsed, allocatedMiniSectors_, true);
    layout_.firstFreeMiniSector = lowest(freedMiniSectors_, nextMiniSector_);
    mark(layout_.entryUsed, releasedEntries_, false);
    mark(layout_.entryUsed, allocatedEntries_, true);
    layout_.firstFreeEntry = lowest(reusableEntries_, nextEntry_);

    // Rewritten streams read from where they now lie, which frees the bytes
    // they held in memory.
    layout_.image->SetMiniStreamSectors(layout_.miniStreamSectors);
    for (RewrittenStream& stream : rewritten_) {
        const uint64_t size = stream.element->Content().Size();
        const uint32_t index = layout_.image->AddStream(stream.mini, stream.chain);
        stream.element->MutableContent() = StreamContent(layout_.image, index, size);
    }
    for (Element* element : maintainedStorages_) {
        element->SetSiblingTreeMaintained(true);
    }
    for (Element* element : changed_) {
        element->MarkWritten(IdOf(element));
    }
}

HRESULT Committer::Run() {
    CollectChangedElements();
    if (changed_.empty()) {
        return S_OK;
    }
    for (Element* element : changed_) {
        if (element->IsStorage() && element->ChildrenChanged()) {
            PlanChildren(*element);
        }
    }
    DescribeChanged();
    UpdateRootEntry();
    PlaceTable(miniFat_, slotsPerSector_, layout_.miniFatSectors.size(), miniFatChain_,
               &Committer::SerializeMiniFatSector);
    PlaceTable(entries_, entriesPerSector_, layout_.directorySectors.size(), directoryChain_,
               &Committer::SerializeDirectorySector);
    PlaceFatAndDifat();
    const Header header = NewHeader();
    WriteQueued();
    Synchronise();

    uint8_t headerBytes[kHeaderSize];
    SerializeHeader(header, headerBytes);
    if (const HRESULT hr = WriteAllAt(descriptor_, 0, headerBytes, kHeaderSize); FAILED(hr)) {
        return hr;
    }
    // The header names the new content: it is the file's now, whatever follows.
    Apply(header);
    if (::fdatasync(descriptor_) != 0) {
        return errno == ENOSPC || errno == EDQUOT ? STG_E_MEDIUMFULL : STG_E_WRITEFAULT;
    }
    return S_OK;
}

}  // namespace

HRESULT CommitInPlace(int descriptor, Tree& tree) {
    if (tree.Layout() == nullptr) {
        return E_UNEXPECTED;
    }
    try {
        Committer committer(descriptor, tree);
        return committer.Run();
    } catch (const CommitFailure& failure) {
        return failure.hr;
    } catch (const std::bad_alloc&) {
        return STG_E_INSUFFICIENTMEMORY;
    }
}

bool ShouldCompact(const FileLayout& layout) {
    // Amortised: a file is written anew only once it is more than half free
    // space, so the cost of rewriting it is spread over the commits that
    // freed that space.
    const uint64_t unused = layout.UnusedSectorCount();
    return unused > 256 && unused > layout.usedSectorCount;
}

}  // namespace storage::format
