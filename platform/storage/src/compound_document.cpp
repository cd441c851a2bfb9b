#include "compound_document.h"

#include "format/in_place_commit.h"
#include "format/reader.h"
#include "format/writer.h"
#include "commit_counter.h"
#include "locked_file.h"
#include "replacement_file.h"
#include "retained_trees.h"
#include "storage_modes.h"
#include "storage/storage.h"
#include "winapi/errors.h"

#include <errno.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <utility>
#include <vector>

namespace storage {

namespace {

// Puts the new file in place: over an existing file (`replace`), once its
// lock is ours - a file another opener holds is not replaced - or as a new
// name when there is none.
HRESULT PlaceNewFile(ReplacementFile& replacement, const std::string& path, bool replace, LockedFile* placed) {
    // A round is repeated only when the file appears or disappears between
    // the two steps, which takes another creator racing this one.
    for (int attempt = 0; attempt < 100; ++attempt) {
        if (replace) {
            LockedFile existing;
            HRESULT hr = OpenLockedFile(path, true, LockKind::kExclusive, &existing);
            if (SUCCEEDED(hr)) return replacement.ReplaceTarget(placed);
            if (hr != STG_E_FILENOTFOUND) return hr;
        }
        HRESULT hr = replacement.PlaceAsNewTarget(placed);
        if (hr != STG_E_FILEALREADYEXISTS || !replace) return hr;
    }
    return STG_E_SHAREVIOLATION;
}

// Counts a commit of the file open as `descriptor`, for the processes that
// keep its tree.
void CountCommitOf(int descriptor) {
    struct stat status {};
    if (::fstat(descriptor, &status) == 0) CountCommit(status.st_dev, status.st_ino);
}

// New files are renamed over the path: over the file a symbolic link leads
// to, not over the link itself.
std::string ResolvedPath(const std::string& path) {
    std::string resolved = path;
    if (char* real = ::realpath(path.c_str(), nullptr)) {
        resolved = real;
        ::free(real);
    }
    return resolved;
}

}  // namespace

CompoundDocument::CompoundDocument(const std::u16string& displayPath, const std::string& path, DWORD mode)
    : displayPath_(displayPath), path_(path), mode_(mode) {}

HRESULT CompoundDocument::Create(const std::u16string& displayPath, const std::string& givenPath, DWORD mode,
                                 uint16_t majorVersion, bool replace, std::shared_ptr<CompoundDocument>* document) {
    const std::string path = ResolvedPath(givenPath);
    auto tree = std::make_unique<format::Tree>();
    tree->SetMajorVersion(majorVersion);
    // Even an empty file appears whole: a crash never leaves a file at the
    // path that is not a compound file.
    ReplacementFile replacement;
    HRESULT hr = replacement.Create(path, 0666, true);
    if (FAILED(hr)) return hr;
    hr = format::WriteCompoundFile(replacement.fd(), *tree, majorVersion);
    if (FAILED(hr)) return hr;
    LockedFile placed;
    hr = PlaceNewFile(replacement, path, replace, &placed);
    // When only the flush of the folder failed the file is in place and
    // usable; at worst a power failure forgets that it was created.
    if (!placed.IsOpen()) return hr;
    RemoveStaleReplacements(path);

    std::shared_ptr<CompoundDocument> created(new CompoundDocument(displayPath, path, mode));
    created->file_ = std::make_shared<format::File>(placed.Release());
    CountCommitOf(created->file_->Descriptor());
    // Read back, the tree knows where its content lies, for commits in place.
    hr = format::ReadCompoundFile(created->file_, &tree);
    if (FAILED(hr)) return hr;
    created->tree_ = std::move(tree);
    *document = std::move(created);
    return S_OK;
}

HRESULT CompoundDocument::Open(const std::u16string& displayPath, const std::string& path, DWORD mode,
                               std::shared_ptr<CompoundDocument>* document) {
    bool exclusive = IsShareExclusive(mode);
    LockedFile locked;
    HRESULT hr = OpenLockedFile(path, CanWrite(mode), exclusive ? LockKind::kExclusive : LockKind::kShared, &locked);
    if (FAILED(hr)) return hr;
    const int descriptor = locked.Release();
    std::shared_ptr<format::File> file;
    std::unique_ptr<format::Tree> tree;
    FileState state;
    if (StateOfFile(descriptor, &state) && TakeRetainedTree(state, &file, &tree)) {
        file->Reattach(descriptor);
    } else {
        file = std::make_shared<format::File>(descriptor);
        hr = format::ReadCompoundFile(file, &tree);
        if (FAILED(hr)) return hr;
    }
    std::string target = ResolvedPath(path);
    // Holding the file alone, no live committer can own a temporary file of it.
    if (exclusive) RemoveStaleReplacements(target);

    std::shared_ptr<CompoundDocument> opened(new CompoundDocument(displayPath, target, mode));
    opened->file_ = std::move(file);
    opened->tree_ = std::move(tree);
    *document = std::move(opened);
    return S_OK;
}

CompoundDocument::~CompoundDocument() {
    bool deleteOnRelease = (mode_ & STGM_DELETEONRELEASE) != 0;
    if (!Transacted() && !deleteOnRelease) Commit();
    if (deleteOnRelease) {
        if (PathNamesFile(path_, file_->Descriptor())) ::unlink(path_.c_str());
        return;
    }
    RetainTreeForReopening();
}

void CompoundDocument::RetainTreeForReopening() {
    // Only a tree that is exactly the file's content: none with changes
    // left uncommitted or a commit that failed.
    if (tree_->Layout() == nullptr || tree_->Root().HasChanges()) return;
    FileState state;
    if (!StateOfFile(file_->Descriptor(), &state)) return;
    file_->Close();
    RetainTree(state, file_, std::move(tree_));
}

bool CompoundDocument::Transacted() const { return (mode_ & STGM_TRANSACTED) != 0; }

HRESULT CompoundDocument::Commit() {
    if (!changed_) return S_OK;
    const format::FileLayout* layout = tree_->Layout();
    if (layout != nullptr && !format::ShouldCompact(*layout)) {
        HRESULT hr = format::CommitInPlace(file_->Descriptor(), *tree_);
        // Once the header names the new content, a failed flush leaves the
        // commit in place: nothing is left to write.
        if (SUCCEEDED(hr) || !tree_->Root().HasChanges()) {
            changed_ = false;
            CountCommitOf(file_->Descriptor());
        }
        return hr;
    }
    return CommitWhole();
}

HRESULT CompoundDocument::CommitWhole() {
    struct stat status {};
    if (::fstat(file_->Descriptor(), &status) != 0) return StorageErrorFromErrno(errno, STG_E_WRITEFAULT);
    ReplacementFile replacement;
    HRESULT hr = replacement.Create(path_, status.st_mode & 07777, false);
    if (FAILED(hr)) return hr;
    hr = format::WriteCompoundFile(replacement.fd(), *tree_, tree_->MajorVersion());
    if (FAILED(hr)) return hr;
    LockedFile placed;
    hr = replacement.ReplaceTarget(&placed);
    if (!placed.IsOpen()) return hr;

    // The new file is in place and holds the lock. Reading it back lets the
    // streams read from it, frees the changed bytes kept in memory and tells
    // where everything lies for the next commit; should that fail, the tree
    // still reads from the old file, which stays open for it, and the next
    // commit writes a whole file again.
    auto written = std::make_shared<format::File>(placed.Release());
    CountCommitOf(written->Descriptor());
    std::unique_ptr<format::Tree> fresh;
    tree_->SetLayout(nullptr);
    if (SUCCEEDED(format::ReadCompoundFile(written, &fresh))) TakeContentsFrom(*fresh);
    file_ = std::move(written);
    // A failed flush of the folder leaves the commit in place but perhaps not
    // yet on disk: the next Commit writes it again.
    changed_ = FAILED(hr);
    return hr;
}

void CompoundDocument::TakeContentsFrom(format::Tree& fresh) {
    // The fresh tree was written from this one, so the two match element for
    // element; the walk still checks names, kinds and sizes. Each element
    // that matches takes its entry and content in the new file; should any
    // differ, the tree is not known to match the file, and keeps no layout.
    bool allMatch = true;
    std::vector<std::pair<format::Element*, format::Element*>> pending{{&tree_->Root(), &fresh.Root()}};
    while (!pending.empty()) {
        auto [mine, theirs] = pending.back();
        pending.pop_back();
        if (mine->IsStream()) {
            if (theirs->Content().Size() != mine->Content().Size()) {
                allMatch = false;
                continue;
            }
            mine->MutableContent() = theirs->Content();
        } else if (mine->ChildCount() != theirs->ChildCount()) {
            allMatch = false;
            continue;
        }
        mine->MarkWritten(theirs->EntryId());
        mine->SetSiblingTreeMaintained(true);  // The writer balanced every tree.
        auto their = theirs->Children().begin();
        for (auto& [name, child] : mine->Children()) {
            format::Element* match = their->second.get();
            ++their;
            if (match->Type() == child->Type() && format::CompareElementNames(name, match->Name()) == 0) {
                pending.emplace_back(child.get(), match);
            } else {
                allMatch = false;
            }
        }
    }
    if (allMatch) tree_->SetLayout(fresh.TakeLayout());
}

HRESULT CompoundDocument::Revert() {
    if (!Transacted()) return S_OK;
    std::unique_ptr<format::Tree> tree;
    HRESULT hr = format::ReadCompoundFile(file_, &tree);
    if (FAILED(hr)) return hr;
    tree_ = std::move(tree);
    ++generation_;
    openElements_.clear();
    changed_ = false;
    return S_OK;
}

bool CompoundDocument::IsOpen(const format::Element& element) const { return openElements_.count(&element) != 0; }

bool CompoundDocument::HasOpenElementWithin(const format::Element& element) const {
    // Few elements are open at a time (a path of storages and a stream), so
    // walking up from each is cheaper than walking down the subtree.
    for (const auto& entry : openElements_) {
        for (const format::Element* e = entry.first; e != nullptr; e = e->Parent()) {
            if (e == &element) return true;
        }
    }
    return false;
}

void CompoundDocument::NoteOpened(const format::Element& element) { ++openElements_[&element]; }

void CompoundDocument::NoteClosed(const format::Element& element, uint64_t generation) {
    if (generation != generation_) return;
    auto found = openElements_.find(&element);
    if (found != openElements_.end() && --found->second == 0) openElements_.erase(found);
}

}  // namespace storage
