#include "ui/toolkit/controls.h"

#include "ui/menus.h"
#include "ui/toolkit/command_bar.h"
#include "ui/toolkit/control_button.h"
#include "ui/toolkit/control_popup.h"

#include <algorithm>

CXTPControls::CXTPControls(CXTPCommandBar& bar) : bar_(bar) {}

// Silent: the bar is being destroyed and shows nothing any more.
CXTPControls::~CXTPControls() = default;

CXTPControl* CXTPControls::Add(XTPControlType type, int id, LPCWSTR parameter, int before, BOOL) {
    std::unique_ptr<CXTPControl> control;
    switch (type) {
    case xtpControlButton:
        control = std::make_unique<CXTPControlButton>();
        break;
    case xtpControlPopup:
    case xtpControlButtonPopup:
        control = std::make_unique<CXTPControlPopup>(type);
        break;
    default:
        return nullptr;
    }
    control->SetID(id);
    control->SetControls(this);
    if (parameter) control->SetCaption(parameter);
    if (nextBeginsGroup_) {
        control->SetBeginGroup(TRUE);
        nextBeginsGroup_ = false;
    }
    control->ShowIcon();
    CXTPControl* raw = control.get();
    if (before < 0 || before >= GetCount())
        controls_.push_back(std::move(control));
    else
        controls_.insert(controls_.begin() + before, std::move(control));
    bar_.ControlsChanged();
    return raw;
}

CXTPControl* CXTPControls::AddMenuItem(HMENU menu, int index) {
    if (index < 0 || index >= GetMenuItemCount(menu)) return nullptr;
    WCHAR text[512] = {};
    MENUITEMINFOW info{};
    info.cbSize = sizeof(info);
    info.fMask = MIIM_ID | MIIM_FTYPE | MIIM_STATE | MIIM_SUBMENU | MIIM_STRING;
    info.dwTypeData = text;
    info.cch = static_cast<UINT>(std::size(text));
    if (!GetMenuItemInfoW(menu, static_cast<UINT>(index), TRUE, &info)) return nullptr;
    if (info.fType & MFT_SEPARATOR) {
        nextBeginsGroup_ = true;
        return nullptr;
    }
    std::u16string caption(text);
    if (auto tab = caption.find(u'\t'); tab != std::u16string::npos) caption.resize(tab);
    CXTPControl* control = Add(info.hSubMenu ? xtpControlPopup : xtpControlButton, static_cast<int>(info.wID));
    control->SetCaption(caption.c_str());
    if (info.fState & MFS_CHECKED) control->SetChecked(TRUE);
    if (info.fState & MFS_GRAYED) control->SetEnabled(FALSE);
    if (info.hSubMenu) {
        CXTPControls* inner = static_cast<CXTPControlPopup*>(control)->GetCommandBar()->GetControls();
        for (int item = 0; item < GetMenuItemCount(info.hSubMenu); ++item) inner->AddMenuItem(info.hSubMenu, item);
    }
    return control;
}

void CXTPControls::Remove(CXTPControl* control) { Remove(IndexOf(control)); }

void CXTPControls::Remove(int index) {
    if (index < 0 || index >= GetCount()) return;
    controls_.erase(controls_.begin() + index);
    bar_.ControlsChanged();
}

void CXTPControls::RemoveAll() {
    nextBeginsGroup_ = false;
    if (controls_.empty()) return;
    // Out of the list first: a control's destruction must not find itself
    // listed.
    auto gone = std::move(controls_);
    controls_.clear();
    gone.clear();
    bar_.ControlsChanged();
}

CXTPControl* CXTPControls::GetAt(int index) const {
    return index >= 0 && index < GetCount() ? controls_[index].get() : nullptr;
}

int CXTPControls::IndexOf(const CXTPControl* control) const {
    for (int index = 0; index < GetCount(); ++index)
        if (controls_[index].get() == control) return index;
    return -1;
}

CXTPControl* CXTPControls::FindControl(int id) const { return FindControl(xtpControlError, id, FALSE, FALSE); }

CXTPControl* CXTPControls::FindControl(XTPControlType type, int id, BOOL visible, BOOL recursive) const {
    for (const auto& control : controls_) {
        if (visible && !control->IsVisible()) continue;
        if (control->GetID() == id && (type == xtpControlError || control->GetType() == type)) return control.get();
        if (recursive && (control->GetType() == xtpControlPopup || control->GetType() == xtpControlButtonPopup)) {
            auto* popup = static_cast<CXTPControlPopup*>(control.get());
            if (CXTPControl* found = popup->GetCommandBar()->GetControls()->FindControl(type, id, visible, TRUE))
                return found;
        }
    }
    return nullptr;
}
