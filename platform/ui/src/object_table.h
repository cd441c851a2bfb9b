// A table of the layer's objects behind handles that are tokens (menus,
// icons, image lists): each handle is a distinct number, never null and
// never reused, so a stale handle simply names nothing. GUI thread only.
#pragma once

#include <cstdint>
#include <map>
#include <memory>

namespace ui::detail {

template <typename Handle, typename Object>
class ObjectTable {
public:
    // `first` and `step` keep each kind's handles apart from the others'
    // (easier to read in a debugger), `step` > 0.
    ObjectTable(uintptr_t first, uintptr_t step) : next_(first), step_(step) {}

    Handle Add(std::unique_ptr<Object> object) {
        uintptr_t value = next_;
        next_ += step_;
        objects_.emplace(value, std::move(object));
        return reinterpret_cast<Handle>(value);
    }
    // The object, or null for a handle that names none.
    Object* Find(Handle handle) const {
        auto found = objects_.find(reinterpret_cast<uintptr_t>(handle));
        return found == objects_.end() ? nullptr : found->second.get();
    }
    // Takes the object out; null when there was none.
    std::unique_ptr<Object> Remove(Handle handle) {
        auto found = objects_.find(reinterpret_cast<uintptr_t>(handle));
        if (found == objects_.end()) return nullptr;
        std::unique_ptr<Object> object = std::move(found->second);
        objects_.erase(found);
        return object;
    }
    std::size_t Size() const { return objects_.size(); }

private:
    std::map<uintptr_t, std::unique_ptr<Object>> objects_;
    uintptr_t next_;
    uintptr_t step_;
};

}  // namespace ui::detail
