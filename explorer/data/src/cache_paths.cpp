// CCache::GetAllPaths: every tree path of an object through the items that
// link it, for the refresh of each row that shows it.
#include "explorer/data/cache.h"

#include "item_helpers.h"

#include <algorithm>
#include <optional>
#include <string>

using namespace BellquistLib;

namespace {

// Takes the item off the chain being walked when its walk ends, also when
// a read raises.
class ChainEntry {
public:
    ChainEntry(std::vector<LONG>& chain, LONG id) : chain_(chain) { chain_.push_back(id); }
    ~ChainEntry() { chain_.pop_back(); }
    ChainEntry(const ChainEntry&) = delete;
    ChainEntry& operator=(const ChainEntry&) = delete;

private:
    std::vector<LONG>& chain_;
};

std::u16string TextOf(const CString& text) { return std::u16string(text.GetString(), text.GetLength()); }

}  // namespace

void CCache::GetAllPaths(const RefPtr<CCacheObj>& occurrence, ItemPathSink& sink, const CString& tail,
                         std::vector<LONG>& visited) {
    if (!occurrence || !occurrence->moInner || !occurrence->moInner->mpoItem) return;
    if (sink.moPaths.size() >= kMaxItemPaths) return;
    CacheObjKey key{};
    ReadObjectIdentity(occurrence->moInner->mpoItem, key);
    // Along one chain of parents an item is passed once: that ends cycles.
    // Another chain may pass it again - an object under two items that one
    // item links has a path through each.
    std::optional<ChainEntry> onChain;
    if (key.meObjectType == ItmObjectType_Item) {
        if (std::find(visited.begin(), visited.end(), key.mlObjectID) != visited.end()) return;
        onChain.emplace(visited, key.mlObjectID);
    }
    auto index = moParents.find(key);
    if (index == moParents.end()) return;
    const std::vector<CacheObjKey> parentKeys(index->second.begin(), index->second.end());

    std::vector<RefPtr<CCacheObj>> parents;
    const std::u16string tailText = TextOf(tail);
    for (const CacheObjKey& parentKey : parentKeys) {
        RefPtr<CCacheObj> parent;
        if (!mbFindObject(parentKey, parent)) continue;
        parents.push_back(parent);
        if (sink.moPaths.size() >= kMaxItemPaths) continue;
        const std::u16string path = TextOf(GetItemPath(parent)) + u"\\" + tailText;
        sink.moPaths.emplace_back(path.c_str());
        if (sink.mbWithPreviousPaths) {
            const size_t cut = std::min(path.size(), static_cast<size_t>(std::max(sink.mlTailLength, 0)));
            const std::u16string previous = path.substr(0, path.size() - cut) + TextOf(sink.moPreviousTail);
            sink.moPreviousPaths.emplace_back(previous.c_str());
        }
    }
    for (const RefPtr<CCacheObj>& parent : parents) {
        const std::u16string longer = parent->moInner->moName + u"\\" + tailText;
        GetAllPaths(parent, sink, CString(longer.c_str()), visited);
    }
}
