// A whole compound file in memory: the root storage with everything below
// it, as loaded by ReadCompoundFile and written by WriteCompoundFile.
#pragma once

#include "format/element.h"
#include "format/file_layout.h"

#include <cstdint>
#include <memory>

namespace storage::format {

class Tree {
public:
    // An empty root storage, version 4.
    Tree();
    Tree(const Tree&) = delete;
    Tree& operator=(const Tree&) = delete;

    // The root storage (type Root, named "Root Entry"). Its CLSID, state
    // bits and modified time are those of the file's root entry.
    Element& Root() { return *root_; }
    const Element& Root() const { return *root_; }

    // The major version of the file the tree was read from (3 or 4); 4 for a
    // new tree. Writers pass it on to keep a file in its version.
    uint16_t MajorVersion() const { return majorVersion_; }
    void SetMajorVersion(uint16_t version) { majorVersion_ = version; }

    // Where the tree's content lies in the file it was read from, kept up to
    // date by in-place commits; null for a tree not (or no longer) known to
    // match a file.
    FileLayout* Layout() { return layout_.get(); }
    void SetLayout(std::unique_ptr<FileLayout> layout) { layout_ = std::move(layout); }
    std::unique_ptr<FileLayout> TakeLayout() { return std::move(layout_); }

private:
    std::unique_ptr<Element> root_;       // Owned.
    std::unique_ptr<FileLayout> layout_;  // Owned.
    uint16_t majorVersion_;
};

}  // namespace storage::format
