// CXTPControls: the ordered controls of one command bar. It owns them.
#pragma once

#include "ui/toolkit/control.h"

#include <memory>
#include <vector>

class CXTPControls {
public:
    explicit CXTPControls(CXTPCommandBar& bar);
    ~CXTPControls();
    CXTPControls(const CXTPControls&) = delete;
    CXTPControls& operator=(const CXTPControls&) = delete;

    // A new control of `type` with command `id`, inserted before index
    // `before` (-1: at the end). Null for an unknown type.
    CXTPControl* Add(XTPControlType type, int id, LPCWSTR parameter = nullptr, int before = -1, BOOL temporary = FALSE);
    // A control for item `index` of `menu`: a command becomes a button, a
    // submenu a popup filled from it (recursively), with the item's text as
    // caption (the text after "\t" dropped), its checked and greyed state;
    // a separator adds nothing but makes the next control added begin a
    // group. Null for a separator or an index out of range.
    CXTPControl* AddMenuItem(HMENU menu, int index);

    void Remove(CXTPControl* control);
    void Remove(int index);
    void RemoveAll();

    int GetCount() const { return static_cast<int>(controls_.size()); }
    // The control at `index`; null out of range.
    CXTPControl* GetAt(int index) const;
    int IndexOf(const CXTPControl* control) const;
    // The first control with `id`; null when none.
    CXTPControl* FindControl(int id) const;
    // The first control with `id` (and `type` unless xtpControlError), only
    // visible ones when `visible`, looking into popups when `recursive`.
    CXTPControl* FindControl(XTPControlType type, int id, BOOL visible, BOOL recursive) const;

    CXTPCommandBar* GetParent() const { return &bar_; }

private:
    CXTPCommandBar& bar_;
    std::vector<std::unique_ptr<CXTPControl>> controls_;
    bool nextBeginsGroup_ = false;
};
