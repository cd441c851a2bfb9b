#include "format/directory_tree.h"

#include "winapi/errors.h"

namespace storage::format {

uint32_t BuildSiblingTree(uint32_t count, std::vector<SiblingLinks>* links) {
    links->assign(count, SiblingLinks{});
    if (count == 0) {
        return kNoEntry;
    }
    // Levels 0 .. fullLevels-1 are full; a node at depth fullLevels sits on the
    // incomplete last level (there is none when count + 1 is a power of two).
    uint32_t fullLevels = 0;
    while ((uint64_t{2} << fullLevels) <= uint64_t{count} + 1) {
        ++fullLevels;
    }
    struct Range {
        uint32_t begin;  // Half-open [begin, end) of sorted indexes.
        uint32_t end;
        uint32_t depth;
        uint32_t* link;  // Where the middle's index goes.
    };
    uint32_t root = kNoEntry;
    std::vector<Range> pending{{0, count, 0, &root}};
    while (!pending.empty()) {
        const Range range = pending.back();
        pending.pop_back();
        if (range.begin == range.end) {
            continue;
        }
        const uint32_t middle = range.begin + (range.end - range.begin) / 2;
        *range.link = middle;
        SiblingLinks& node = (*links)[middle];
        node.colour = range.depth >= fullLevels ? EntryColour::Red : EntryColour::Black;
        pending.push_back({range.begin, middle, range.depth + 1, &node.left});
        pending.push_back({middle + 1, range.end, range.depth + 1, &node.right});
    }
    return root;
}

HRESULT WalkDirectory(const std::vector<DirectoryEntry>& entries,
                      const std::function<HRESULT(uint32_t id, uint32_t storageId)>& visit) {
    if (entries.empty() || entries[0].type != static_cast<uint8_t>(ElementType::Root)) {
        return STG_E_DOCFILECORRUPT;
    }
    std::vector<bool> reached(entries.size(), false);
    reached[0] = true;
    struct Visit {
        uint32_t id;
        uint32_t storageId;
    };
    std::vector<Visit> pending{{entries[0].child, 0}};
    while (!pending.empty()) {
        const Visit next = pending.back();
        pending.pop_back();
        if (next.id == kNoEntry) {
            continue;
        }
        if (next.id >= entries.size() || reached[next.id]) {
            return STG_E_DOCFILECORRUPT;
        }
        reached[next.id] = true;
        const DirectoryEntry& entry = entries[next.id];
        if (const HRESULT hr = visit(next.id, next.storageId); FAILED(hr)) {
            return hr;
        }
        pending.push_back({entry.right, next.storageId});
        pending.push_back({entry.left, next.storageId});
        if (entry.type == static_cast<uint8_t>(ElementType::Storage)) {
            pending.push_back({entry.child, next.id});
        }
    }
    return S_OK;
}

}  // namespace storage::format
