// CXTPControl: one entry of a command bar - a tool bar button, a menu
// entry, a drop-down button - carrying a command id.
//
// The control's state lives here; its QAction shows it (text, icon, tool
// tip, status tip, visible, enabled, checked) in whichever bar holds it.
// Triggering it (a click, a pick in a menu, Execute) POSTS WM_COMMAND
// (MAKEWPARAM(id, 0), 0) to the frame of its command bars; the id is read
// when it triggers, so a popup emptied as it closes loses nothing.
//
// Controls are made and owned by their bar's CXTPControls (Add, AddMenuItem)
// and die with it or on Remove/RemoveAll; their actions are deleted when Qt
// is back in its loop, never under a running handler.
#pragma once

#include "ui/window_types.h"

#include <memory>
#include <string>

class QAction;
class CXTPCommandBar;
class CXTPCommandBars;
class CXTPControls;

enum XTPControlType {
    xtpControlError = 0,
    xtpControlButton = 1,       // a command
    xtpControlPopup = 2,        // opens its popup bar; no command of its own
    xtpControlButtonPopup = 3,  // a command with an arrow that opens its popup bar
    xtpControlSplitButtonPopup = xtpControlButtonPopup,
};

enum XTPButtonStyle {
    xtpButtonAutomatic = 0,      // icon in a tool bar when it has one, else caption
    xtpButtonCaption = 1,        // caption only
    xtpButtonIcon = 2,           // icon only (the caption is the tool tip)
    xtpButtonIconAndCaption = 3  // icon beside the caption
};

// Control flags (SetFlags).
enum XTPControlFlags {
    xtpFlagRightAlign = 1,
    xtpFlagSkipFocus = 2,
    xtpFlagLeftPopup = 4,
    // The control takes no update-UI pass: its code sets its state.
    xtpFlagManualUpdate = 8,
};

class CXTPControl {
public:
    virtual ~CXTPControl();
    CXTPControl(const CXTPControl&) = delete;
    CXTPControl& operator=(const CXTPControl&) = delete;

    XTPControlType GetType() const { return type_; }
    int GetID() const { return id_; }
    void SetID(int id) { id_ = id; }

    void SetCaption(LPCWSTR caption);
    const std::u16string& GetCaption() const { return caption_; }
    // The status bar's text while the control is hovered.
    void SetDescription(LPCWSTR description);
    const std::u16string& GetDescription() const { return description_; }
    void SetTooltip(LPCWSTR tooltip);
    const std::u16string& GetTooltip() const { return tooltip_; }
    // The control's icon: a copy of `icon`'s image (the icon stays the
    // caller's); null drops it. Without one, the image manager's icon for
    // the control's id is shown, if any.
    void SetCustomIcon(HICON icon);
    BOOL HasCustomIcon() const;

    void SetStyle(XTPButtonStyle style);
    XTPButtonStyle GetStyle() const { return style_; }
    void SetFlags(DWORD flags) { flags_ = flags; }
    DWORD GetFlags() const { return flags_; }
    void SetVisible(BOOL visible);
    BOOL IsVisible() const { return visible_; }
    // A separator line before the control (shown while the control is).
    void SetBeginGroup(BOOL beginGroup);
    BOOL GetBeginGroup() const { return beginGroup_; }
    void SetChecked(BOOL checked);
    BOOL GetChecked() const { return checked_; }
    void SetEnabled(BOOL enabled);
    BOOL GetEnabled() const { return enabled_; }

    // The collection and bar that hold the control.
    CXTPControls* GetControls() const { return controls_; }
    CXTPCommandBar* GetParent() const;
    int GetIndex() const;

    // Runs the control's command as a click does: posts WM_COMMAND to the
    // frame. FALSE when the control is disabled or no frame is known.
    BOOL Execute();

    // The control's action, and the separator drawn before it when it
    // begins a group (for the bars that show it, and the layer's tests).
    QAction* Action() const;
    QAction* SeparatorAction() const;

protected:
    explicit CXTPControl(XTPControlType type);

private:
    friend class CXTPControls;
    friend class CXTPCommandBars;
    struct Widgets;
    void SetControls(CXTPControls* controls);
    void ShowIcon();
    void ShowSeparator();

    XTPControlType type_;
    int id_ = 0;
    std::u16string caption_, description_, tooltip_;
    XTPButtonStyle style_ = xtpButtonAutomatic;
    DWORD flags_ = 0;
    bool visible_ = true;
    bool beginGroup_ = false;
    bool checked_ = false;
    bool enabled_ = true;
    CXTPControls* controls_ = nullptr;  // Not owned.
    std::unique_ptr<Widgets> widgets_;
};
