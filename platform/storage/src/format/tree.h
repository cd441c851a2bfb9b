// A whole compound file in memory: the root storage with everything below
// it, as loaded by ReadCompoundFile and written by WriteCompoundFile.
#pragma once

#include "format/element.h"

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

private:
    std::unique_ptr<Element> root_;  // Owned.
    uint16_t majorVersion_;
};

}  // namespace storage::format
