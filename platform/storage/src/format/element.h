// One element of a compound file in memory: the root storage, a storage or
// a stream, with what its directory entry records and, for a storage, its
// children in the format's order.
#pragma once

#include "format/constants.h"
#include "format/element_name.h"
#include "format/stream_content.h"
#include "winapi/types.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace storage::format {

class Element;

// A storage's children keyed by ElementNameKey(name), in the format's order
// (which is also the order EnumElements reports them in). The element holds
// the name as created.
using ChildMap = std::map<std::u16string, std::unique_ptr<Element>, ElementKeyLess>;

class Element {
public:
    // A detached element; storages and streams are normally made through
    // CreateChild, the root by Tree.
    Element(ElementType type, std::u16string name);
    // Frees the whole subtree without recursion, however deep it is.
    ~Element();
    Element(const Element&) = delete;
    Element& operator=(const Element&) = delete;

    ElementType Type() const { return type_; }
    // Root or storage: may hold children.
    bool IsStorage() const { return type_ != ElementType::Stream; }
    bool IsStream() const { return type_ == ElementType::Stream; }
    const std::u16string& Name() const { return name_; }
    // The storage holding this element; null for the root and detached elements.
    Element* Parent() const { return parent_; }

    // Directory entry fields, kept as read. Times are FILETIMEs (100 ns units
    // since 1601); 0 means not set. Files hold only what the format allows:
    // the writer stores zeros for a stream's CLSID, state bits and times and
    // for the root's creation time (the file's own time stands for it).
    const GUID& Clsid() const { return clsid_; }
    void SetClsid(const GUID& clsid);
    uint32_t StateBits() const { return stateBits_; }
    void SetStateBits(uint32_t bits);
    uint64_t CreationTime() const { return creationTime_; }
    void SetCreationTime(uint64_t time);
    uint64_t ModifiedTime() const { return modifiedTime_; }
    void SetModifiedTime(uint64_t time);

    // A stream's bytes. Only for streams (a storage's content is empty and
    // never written). The mutable access counts as a change of the content.
    const StreamContent& Content() const { return content_; }
    StreamContent& MutableContent();

    // --- Changes since the element last matched the file (see file_layout.h) ---
    // The directory entry the element occupies in the file; kNoEntry for an
    // element not written yet.
    uint32_t EntryId() const { return entryId_; }
    // Records that the element now matches entry `id` of the file: clears
    // its change marks (not those of its children).
    void MarkWritten(uint32_t id);
    // Which parts differ from the entry: its own fields (name, CLSID, state
    // bits, times), its stream's content, its set or names of children; and
    // whether any element below it has a mark.
    bool FieldsChanged() const { return (changes_ & kFieldsChanged) != 0; }
    bool ContentChanged() const { return (changes_ & kContentChanged) != 0; }
    bool ChildrenChanged() const { return (changes_ & kChildrenChanged) != 0; }
    bool ChangedWithin() const { return (changes_ & kChangedWithin) != 0; }
    bool HasChanges() const { return changes_ != 0; }
    // The children that have a mark, each once: a commit follows these, not
    // every child, so that its cost is that of what changed.
    const std::vector<Element*>& ChangedChildren() const { return changedChildren_; }
    // A child was destroyed, or renamed, since the last commit.
    bool ChildRemoved() const { return (changes_ & kChildRemoved) != 0; }
    bool ChildRenamed() const { return (changes_ & kChildRenamed) != 0; }
    // The entries of the children destroyed since the last commit, with their
    // names: a child destroyed and created again under its name (a stream
    // replaced) takes its old place in the sibling tree.
    struct RemovedChild {
        std::u16string name;
        uint32_t entryId;
    };
    const std::vector<RemovedChild>& RemovedChildren() const { return removedChildren_; }
    // Whether this process wrote the storage's sibling tree (built or kept
    // balanced), so that an added child may be inserted into it; a tree
    // read from a file may come from a writer that left it unbalanced.
    bool SiblingTreeMaintained() const { return siblingTreeMaintained_; }
    void SetSiblingTreeMaintained(bool maintained) { siblingTreeMaintained_ = maintained; }

    // --- Children (storages only; on a stream every lookup finds nothing) ---
    const ChildMap& Children() const { return children_; }
    size_t ChildCount() const { return children_.size(); }
    // The child of that name by the format's comparison (without regard to
    // case); null when there is none. Cost: O(length + log n comparisons).
    Element* FindChild(std::u16string_view name) const;

    // Creates a new child storage or stream (type Storage or Stream) named
    // `name` and gives it in *child (owned by this element). The new element
    // has no CLSID, state bits or times and, for a stream, no bytes.
    // STG_E_INVALIDNAME for a name ValidateElementName refuses,
    // STG_E_FILEALREADYEXISTS when a child of that name exists,
    // STG_E_INVALIDFUNCTION on a stream or for another type. O(log n).
    HRESULT CreateChild(ElementType type, std::u16string_view name, Element** child);

    // Removes the child of that name with everything below it; pointers to
    // those elements become invalid. STG_E_FILENOTFOUND when there is none.
    // Cost: O(log n) plus the size of the removed subtree.
    HRESULT DestroyChild(std::u16string_view name);

    // Renames a child; the element (and every pointer to it) stays the same.
    // STG_E_FILENOTFOUND when `oldName` names no child, STG_E_INVALIDNAME for
    // an invalid `newName`, STG_E_FILEALREADYEXISTS when another child is
    // named `newName` (a new name differing only in case from the old one is a
    // rename of the same child and allowed). O(log n).
    HRESULT RenameChild(std::u16string_view oldName, std::u16string_view newName);

    // Attaches a detached element as a child, for the reader (which has
    // validated the name itself: names read from a file may hold characters
    // that ValidateElementName refuses). STG_E_FILEALREADYEXISTS when the name
    // is taken; the element is then destroyed.
    HRESULT AdoptChild(std::unique_ptr<Element> child, Element** adopted);

private:
    enum : uint8_t {
        kFieldsChanged = 1,
        kContentChanged = 2,
        kChildrenChanged = 4,
        kChangedWithin = 8,
        kChildRemoved = 16,
        kChildRenamed = 32,
    };
    // Sets `marks` and kChangedWithin on every storage above, stopping at
    // the first that has it already (all above that one have it too); an
    // element that had no mark joins its parent's changed children.
    // Cost: O(depth) at most.
    void Mark(uint8_t marks);
    void AddChangedChild(Element* child);

    ElementType type_;
    uint8_t changes_ = kFieldsChanged | kContentChanged | kChildrenChanged;  // A new element matches no entry.
    uint32_t entryId_ = kNoEntry;
    bool siblingTreeMaintained_ = false;
    std::u16string name_;
    Element* parent_ = nullptr;  // Not owned.
    GUID clsid_{};
    uint32_t stateBits_ = 0;
    uint64_t creationTime_ = 0;
    uint64_t modifiedTime_ = 0;
    StreamContent content_;
    ChildMap children_;                      // Owned.
    std::vector<Element*> changedChildren_;  // Not owned: children with a mark.
    std::vector<RemovedChild> removedChildren_;
};

}  // namespace storage::format
