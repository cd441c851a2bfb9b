#include "format/element.h"

#include "winapi/errors.h"

#include <utility>
#include <vector>

namespace storage::format {

Element::Element(ElementType type, std::u16string name) : type_(type), name_(std::move(name)) {}

Element::~Element() {
    // Destroying children through the map would recurse once per level; a
    // storage nested 100,000 deep would overflow the stack. Take the subtree
    // apart level by level instead: each element destroyed here has no
    // children left, so its own destructor does no work.
    std::vector<std::unique_ptr<Element>> pending;
    auto takeChildren = [&pending](ChildMap& children) {
        for (auto& entry : children) {
            pending.push_back(std::move(entry.second));
        }
        children.clear();
    };
    takeChildren(children_);
    while (!pending.empty()) {
        std::unique_ptr<Element> element = std::move(pending.back());
        pending.pop_back();
        takeChildren(element->children_);
    }
}

void Element::AddChangedChild(Element* child) { changedChildren_.push_back(child); }

void Element::Mark(uint8_t marks) {
    if (changes_ == 0 && parent_ != nullptr) {
        parent_->AddChangedChild(this);
    }
    changes_ |= marks;
    for (Element* above = parent_; above != nullptr && (above->changes_ & kChangedWithin) == 0;
         above = above->parent_) {
        if (above->changes_ == 0 && above->parent_ != nullptr) {
            above->parent_->AddChangedChild(above);
        }
        above->changes_ |= kChangedWithin;
    }
}

void Element::SetClsid(const GUID& clsid) {
    clsid_ = clsid;
    Mark(kFieldsChanged);
}

void Element::SetStateBits(uint32_t bits) {
    stateBits_ = bits;
    Mark(kFieldsChanged);
}

void Element::SetCreationTime(uint64_t time) {
    creationTime_ = time;
    Mark(kFieldsChanged);
}

void Element::SetModifiedTime(uint64_t time) {
    modifiedTime_ = time;
    Mark(kFieldsChanged);
}

StreamContent& Element::MutableContent() {
    Mark(kContentChanged);
    return content_;
}

void Element::MarkWritten(uint32_t id) {
    entryId_ = id;
    changes_ = 0;
    changedChildren_.clear();
    removedChildren_.clear();
}

Element* Element::FindChild(std::u16string_view name) const {
    const auto found = children_.find(ElementNameKey(name));
    return found == children_.end() ? nullptr : found->second.get();
}

HRESULT Element::CreateChild(ElementType type, std::u16string_view name, Element** child) {
    if (!IsStorage() || (type != ElementType::Storage && type != ElementType::Stream)) {
        return STG_E_INVALIDFUNCTION;
    }
    if (const HRESULT valid = ValidateElementName(name); FAILED(valid)) {
        return valid;
    }
    return AdoptChild(std::make_unique<Element>(type, std::u16string(name)), child);
}

HRESULT Element::AdoptChild(std::unique_ptr<Element> child, Element** adopted) {
    if (!IsStorage()) {
        return STG_E_INVALIDFUNCTION;
    }
    Element* raw = child.get();
    const auto [position, inserted] = children_.try_emplace(ElementNameKey(child->name_), std::move(child));
    if (!inserted) {
        return STG_E_FILEALREADYEXISTS;
    }
    raw->parent_ = this;
    // A new element, or one the reader loads: the reader clears the marks.
    Mark(kChildrenChanged);
    if (raw->changes_ != 0) {
        AddChangedChild(raw);
        Mark(kChangedWithin);
    }
    if (adopted != nullptr) {
        *adopted = raw;
    }
    return S_OK;
}

HRESULT Element::DestroyChild(std::u16string_view name) {
    const auto found = children_.find(ElementNameKey(name));
    if (found == children_.end()) {
        return STG_E_FILENOTFOUND;
    }
    std::erase(changedChildren_, found->second.get());
    if (found->second->entryId_ != kNoEntry) {
        removedChildren_.push_back(RemovedChild{found->second->name_, found->second->entryId_});
    }
    children_.erase(found);
    Mark(kChildrenChanged | kChildRemoved);
    return S_OK;
}

HRESULT Element::RenameChild(std::u16string_view oldName, std::u16string_view newName) {
    const auto found = children_.find(ElementNameKey(oldName));
    if (found == children_.end()) {
        return STG_E_FILENOTFOUND;
    }
    if (const HRESULT valid = ValidateElementName(newName); FAILED(valid)) {
        return valid;
    }
    std::u16string newKey = ElementNameKey(newName);
    const auto other = children_.find(newKey);
    if (other != children_.end() && other != found) {
        return STG_E_FILEALREADYEXISTS;
    }
    // Re-key the map node in place: the element itself never moves.
    auto node = children_.extract(found);
    node.key() = std::move(newKey);
    node.mapped()->name_ = std::u16string(newName);
    Element* renamed = node.mapped().get();
    children_.insert(std::move(node));
    renamed->Mark(kFieldsChanged);
    Mark(kChildrenChanged | kChildRenamed);
    return S_OK;
}

}  // namespace storage::format
