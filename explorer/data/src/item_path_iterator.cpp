#include "explorer/data/item_path_iterator.h"

#include "explorer/data/refresh.h"

#include <algorithm>
#include <string>

using namespace BellquistLib;

namespace {

// `path` with its last `length` characters replaced by `tail`.
CString ReplaceTail(const CString& path, int length, const CString& tail) {
    std::u16string text(path.GetString(), static_cast<size_t>(path.GetLength()));
    text.resize(text.size() - std::min(text.size(), static_cast<size_t>(length)));
    text += tail.GetString();
    return CString(text.c_str());
}

}  // namespace

void ItemPathIterator::Init(CCache* cache, const RefPtr<CCacheObj>& object) { mvCollect(cache, object, nullptr); }

void ItemPathIterator::Init(CCache* cache, const RefPtr<CCacheObj>& object, const CString& previousName) {
    mvCollect(cache, object, &previousName);
}

void ItemPathIterator::mvCollect(CCache* cache, const RefPtr<CCacheObj>& object, const CString* previousName) {
    moSink = ItemPathSink{};
    mnPathCursor = 0;
    moPath = CString();
    SetItem(object, cache, 0);
    SetRemovedChild(CString(), 0, 0, -1);
    if (!cache || !object || !object->moInner) return;

    const CCacheObjInner& inner = *object->moInner;
    const CString name(inner.moName.c_str());
    if (previousName) {
        moSink.mbWithPreviousPaths = true;
        moSink.moPreviousTail = *previousName;
        moSink.mlTailLength = name.GetLength();
    }
    if (inner.meType != ItmObjectType_File && inner.meType != ItmObjectType_BOM) {
        RefPtr<CCacheObj> folderOccurrence;
        if (cache->mbFindOccurrence(object->moInner, folderOccurrence)) {
            CString path = cache->GetFolderPath(folderOccurrence);
            if (moSink.mbWithPreviousPaths)
                moSink.moPreviousPaths.push_back(ReplaceTail(path, moSink.mlTailLength, moSink.moPreviousTail));
            moSink.moPaths.push_back(std::move(path));
        }
    }
    std::vector<LONG> visited;
    cache->GetAllPaths(object, moSink, name, visited);
}

LONG ItemPathIterator::ForEach(RefreshNs::RefreshItemI& receiver) {
    while (mnPathCursor < moSink.moPaths.size()) {
        moPath = moSink.moPaths[mnPathCursor++];
        if (LONG answer = receiver.mbBeginObject(*this); answer != 0) return answer;
    }
    return 0;
}

void ItemPathIterator::SetItem(const RefPtr<CCacheObj>& object, CCache* cache, LONG kind) {
    moCacheObj = object;
    mpoCache = cache;
    meObjectType = object && object->moInner ? object->moInner->meType : 0;
    mlKind = kind != 0 ? kind : mlKindOf(object);
}

void ItemPathIterator::SetRemovedChild(const CString& name, LONG type, LONG id, LONG parentProjectId) {
    moChildName = name;
    mlChildType = type;
    mlChildID = id;
    mlChildParentProjectID = parentProjectId;
}

LONG ItemPathIterator::mlKindOf(const RefPtr<CCacheObj>& object) {
    if (!object || !object->moInner) return 0;
    const CCacheObjInner& inner = *object->moInner;
    if (inner.meType == ItmObjectType_ItemFolder && !inner.mbComplete) return ItmObjectType_Root_ItemFolder;
    return inner.meType;
}
