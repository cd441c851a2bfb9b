// Helper process of the tree fetch's lock tests.
//   cache_mutex_holder_child <cache file> <release file>
//       opens a direct scope on the item cache (holding the session's cache
//       mutex), says "inside", and ends the scope and exits once the
//       release file exists.
#include "itemstore/item_cache_lock.h"

#include "testsupport/child_process.h"
#include "winapi/sync.h"

#include <filesystem>
#include <string>

int main(int argc, char** argv) {
    if (argc != 3) return 64;
    std::string path = argv[1];
    RefPtr<CItemCacheFile> file(new CItemCacheFile(std::u16string(path.begin(), path.end())));
    CItemCacheLock lock(file, kCacheLockDirect);
    if (!lock.mbHoldsMutex() || !lock.mpoChain()) return 1;
    testsupport::Announce("inside");
    while (!std::filesystem::exists(argv[2])) Sleep(10);
    return 0;
}
