#include "retained_trees.h"

#include "commit_counter.h"

#include <sys/stat.h>

#include <list>
#include <mutex>
#include <utility>

namespace storage {

namespace {

// Enough for the files a process works on in turn (the item cache's, one per
// vault); each tree costs memory of the order of its directory.
constexpr size_t kMaxRetained = 4;

struct Retained {
    FileState state;
    std::shared_ptr<format::File> file;
    std::unique_ptr<format::Tree> tree;
};

struct RetainedList {
    std::mutex lock;
    std::list<Retained> trees;  // The last closed first.
};

RetainedList& Kept() {
    static RetainedList* kept = new RetainedList;  // Never destroyed: usable until the process ends.
    return *kept;
}

}  // namespace

bool StateOfFile(int descriptor, FileState* state) {
    struct stat status {};
    if (::fstat(descriptor, &status) != 0) return false;
    std::optional<uint64_t> commits = CommitCount(status.st_dev, status.st_ino);
    if (!commits) return false;
    state->device = status.st_dev;
    state->inode = status.st_ino;
    state->size = status.st_size;
    state->modifiedNanoseconds = status.st_mtim.tv_sec * int64_t{1000000000} + status.st_mtim.tv_nsec;
    state->changedNanoseconds = status.st_ctim.tv_sec * int64_t{1000000000} + status.st_ctim.tv_nsec;
    state->commits = *commits;
    return true;
}

void RetainTree(const FileState& state, std::shared_ptr<format::File> file, std::unique_ptr<format::Tree> tree) {
    RetainedList& kept = Kept();
    std::unique_ptr<format::Tree> dropped;  // Freed outside the lock.
    std::lock_guard<std::mutex> hold(kept.lock);
    for (auto it = kept.trees.begin(); it != kept.trees.end(); ++it) {
        if (it->state.device == state.device && it->state.inode == state.inode) {
            dropped = std::move(it->tree);
            kept.trees.erase(it);
            break;
        }
    }
    kept.trees.push_front(Retained{state, std::move(file), std::move(tree)});
    if (kept.trees.size() > kMaxRetained) kept.trees.pop_back();
}

bool TakeRetainedTree(const FileState& state, std::shared_ptr<format::File>* file,
                      std::unique_ptr<format::Tree>* tree) {
    RetainedList& kept = Kept();
    std::lock_guard<std::mutex> hold(kept.lock);
    for (auto it = kept.trees.begin(); it != kept.trees.end(); ++it) {
        if (it->state.device != state.device || it->state.inode != state.inode) continue;
        const bool unchanged = it->state == state;
        if (unchanged) {
            *file = std::move(it->file);
            *tree = std::move(it->tree);
        }
        kept.trees.erase(it);
        return unchanged;
    }
    return false;
}

}  // namespace storage
