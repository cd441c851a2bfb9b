// Helper process of the item generation's session tests: another process of
// the same user reading the item cache of a vault, under the cache mutex.
//   item_cache_reader_child <vault GUID> <item name>...
//       prints one line per item name: "<name> missing" when the cache has
//       no record of it, else "<name> <object id> <parent project id>
//       <children>" with the ids of its children list in ascending order
//       ("-" for none); then "end".
//       Exit code 0, 1 when the cache could not be opened, 64 for bad
//       arguments.
#include "itemstore/item_cache_file.h"
#include "itemstore/item_cache_lock.h"
#include "itemstore/item_object.h"

#include "winapi/guid_text.h"
#include "winapi/text.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    GUID vault{};
    if (argc < 2 || !winapi::ParseGuid(winapi::ToUtf16(argv[1]), &vault)) return 64;
    RefPtr<CItemCacheFile> file(new CItemCacheFile(vault));
    CItemCacheLock lock(file, kCacheLockDirect);
    if (!lock.mbHoldsMutex() || !lock.mpoChain()) return 1;
    for (int i = 2; i < argc; ++i) {
        const std::u16string name = winapi::ToUtf16(argv[i]);
        RefPtr<ItemObject> item;
        if (FAILED(file->mhReadItem(lock, name, item)) || !item) {
            std::printf("%s missing\n", argv[i]);
            continue;
        }
        ChildList list;
        std::vector<int32_t> ids;
        if (SUCCEEDED(file->mhReadChildren(lock, name, list)))
            for (const RefPtr<ChildWithLink>& child : list) ids.push_back(child->mlObjectID);
        std::sort(ids.begin(), ids.end());
        std::string children;
        for (int32_t id : ids) children += (children.empty() ? "" : ",") + std::to_string(id);
        std::printf("%s %d %d %s\n", argv[i], static_cast<int>(item->mlObjectID),
                    static_cast<int>(item->mlParentProjectID), children.empty() ? "-" : children.c_str());
    }
    std::printf("end\n");
    std::fflush(stdout);
    return 0;
}
