// Undo steps of an operation that changes several stores (files, the
// database, the registry): each step that succeeded adds how to take it back;
// unless the operation commits, they run in reverse order when the list goes
// out of scope, so a failure leaves nothing half-made.
#pragma once

#include <functional>
#include <utility>
#include <vector>

namespace vaultadmin {

class UndoList {
public:
    UndoList() = default;
    ~UndoList() {
        for (auto step = steps_.rbegin(); step != steps_.rend(); ++step) {
            try {
                (*step)();
            } catch (...) {
                // Undo what can be undone; one step failing must not stop the others.
            }
        }
    }
    UndoList(const UndoList&) = delete;
    UndoList& operator=(const UndoList&) = delete;

    void Add(std::function<void()> step) { steps_.push_back(std::move(step)); }
    void Commit() { steps_.clear(); }

private:
    std::vector<std::function<void()>> steps_;
};

}  // namespace vaultadmin
