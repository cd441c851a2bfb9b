// Helper process of the lock scope tests.
//   item_cache_lock_child <file> write <tag> <count> <mode>
//       runs <count> scopes, each writing one record named after <tag>;
//       exit 0 when every scope opened the file and wrote.
//   item_cache_lock_child <file> hold <mode>
//       writes "held<mode>" inside a scope, says "inside" and waits to be
//       killed.
//   item_cache_lock_child <file> open
//       exit 0 when a direct scope opens the file.
#include "itemstore/item_cache_lock.h"

#include "cache_file_probe.h"

#include "testsupport/child_process.h"
#include "winapi/sync.h"

#include <cstdlib>
#include <string>

namespace {

std::u16string Wide(const std::string& text) { return std::u16string(text.begin(), text.end()); }

// Names longer than 30 characters, so that the writers share a piece storage.
std::u16string RecordName(const std::string& tag, int index) {
    return Wide(std::string(30, 'r') + tag + "-" + std::to_string(index));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) return 64;
    RefPtr<CItemCacheFile> file(new CItemCacheFile(Wide(argv[1])));
    std::string command = argv[2];
    if (command == "write" && argc == 6) {
        int count = std::atoi(argv[4]);
        int mode = std::atoi(argv[5]);
        for (int i = 0; i < count; ++i) {
            CItemCacheLock lock(file, mode);
            if (!lock.mpoChain()) return 1;
            if (FAILED(WriteThroughChain(*lock.mpoChain(), RecordName(argv[3], i)))) return 2;
            if (mode == kCacheLockTransacted && FAILED(file->mhCommit(lock))) return 3;
        }
        return 0;
    }
    if (command == "hold" && argc == 4) {
        CItemCacheLock lock(file, std::atoi(argv[3]));
        if (!lock.mpoChain() || FAILED(WriteThroughChain(*lock.mpoChain(), u"held" + Wide(argv[3])))) return 1;
        testsupport::Announce("inside");
        Sleep(INFINITE);
    }
    if (command == "open") {
        CItemCacheLock lock(file, kCacheLockDirect);
        return lock.mpoChain() ? 0 : 1;
    }
    return 64;
}
