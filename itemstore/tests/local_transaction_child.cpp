// Helper process of the local transaction tests.
//   local_transaction_child <file> exists <item name>
//       says "waiting", then opens a direct scope (waiting for the cache
//       mutex) and exits 0 when the item is cached, 1 when it is not, 2 when
//       the scope could not open the file.
#include "itemstore/item_cache_lock.h"
#include "itemstore/item_cache_file.h"

#include "testsupport/child_process.h"

#include <string>

namespace {

std::u16string Wide(const std::string& text) { return std::u16string(text.begin(), text.end()); }

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4 || std::string(argv[2]) != "exists") return 64;
    RefPtr<CItemCacheFile> file(new CItemCacheFile(Wide(argv[1])));
    testsupport::Announce("waiting");
    CItemCacheLock lock(file, kCacheLockDirect);
    if (!lock.mpoChain()) return 2;
    HRESULT hr = file->mhItemExists(lock, Wide(argv[3]));
    return hr == S_OK ? 0 : hr == S_FALSE ? 1 : 3;
}
