// The state of one open compound file, shared (std::shared_ptr) by its root
// storage and by every storage, stream and clone opened below it: the locked
// file, the tree of elements in memory, the transaction, and which elements
// are open. The file stays open and locked while any of them lives.
//
// Changes are made to the tree in memory; Commit writes what changed into
// the file's free space and then switches its header over
// (format/in_place_commit.h), so the file on disk only ever holds a
// committed state. A file that is mostly free space is instead written anew,
// compactly, and renamed over the old one (replacement_file.h).
//
// Single-threaded, like the objects that share it.
#pragma once

#include "format/element.h"
#include "format/file.h"
#include "format/tree.h"
#include "winapi/types.h"

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>

namespace storage {

class CompoundDocument {
public:
    // Creates the file at `path` (POSIX) holding an empty root storage of
    // format version `majorVersion` (3 or 4) and opens it in `mode` (checked
    // by the caller). With `replace` an existing file is replaced, else it
    // gives STG_E_FILEALREADYEXISTS. `displayPath` is the name the root's
    // Stat reports.
    static HRESULT Create(const std::u16string& displayPath, const std::string& path, DWORD mode, uint16_t majorVersion,
                          bool replace, std::shared_ptr<CompoundDocument>* document);
    // Opens the existing compound file at `path` in `mode` (checked by the caller).
    static HRESULT Open(const std::u16string& displayPath, const std::string& path, DWORD mode,
                        std::shared_ptr<CompoundDocument>* document);

    // Direct mode: writes what is still pending (errors cannot be reported
    // any more). Transacted mode: drops what was not committed. Then closes
    // the file, which gives up its lock; a tree that matches the file is
    // kept for the next open of the same file.
    ~CompoundDocument();
    CompoundDocument(const CompoundDocument&) = delete;
    CompoundDocument& operator=(const CompoundDocument&) = delete;

    format::Element& Root() { return tree_->Root(); }
    DWORD RootMode() const { return mode_; }
    bool Transacted() const;
    const std::u16string& DisplayPath() const { return displayPath_; }

    // Every element pointer taken from the tree belongs to one generation;
    // Revert replaces the tree and starts the next one.
    uint64_t Generation() const { return generation_; }

    // Records that the tree differs from the file.
    void NoteChange() { changed_ = true; }

    // Writes the tree as the file's new content when it changed; nothing
    // otherwise. Atomic: after a failure (STG_E_MEDIUMFULL, STG_E_WRITEFAULT,
    // STG_E_ACCESSDENIED, ...) the file and the tree are as they were, and
    // Commit may be tried again. Element pointers stay valid.
    HRESULT Commit();

    // Transacted mode: drops every change since the last commit (or the
    // open) by loading the tree from the file again, which starts a new
    // generation: elements opened before are gone (STG_E_REVERTED).
    HRESULT Revert();

    // --- Open elements (elements below the root, opened as storages or streams) ---
    bool IsOpen(const format::Element& element) const;
    // Whether `element` or any element below it is open.
    bool HasOpenElementWithin(const format::Element& element) const;
    void NoteOpened(const format::Element& element);
    // `generation`: the one the element was opened in; elements of an older
    // generation are no longer counted.
    void NoteClosed(const format::Element& element, uint64_t generation);

private:
    CompoundDocument(const std::u16string& displayPath, const std::string& path, DWORD mode);
    // Writes the whole tree as a new, compact file and renames it over the old one.
    HRESULT CommitWhole();
    // At the close: keeps a tree that matches the file for the next open of
    // the same file (retained_trees.h).
    void RetainTreeForReopening();
    // Makes the streams of the tree read their unchanged bytes from `fresh`,
    // the same content loaded from the file just written.
    void TakeContentsFrom(format::Tree& fresh);

    std::u16string displayPath_;
    std::string path_;
    DWORD mode_;
    // The open file; its descriptor holds the lock. Shared with the streams
    // of the tree that still read from it.
    std::shared_ptr<format::File> file_;
    std::unique_ptr<format::Tree> tree_;
    bool changed_ = false;
    uint64_t generation_ = 0;
    // Open elements of the current generation, with their number of opens
    // (a stream and its clones).
    std::unordered_map<const format::Element*, int> openElements_;
};

}  // namespace storage
