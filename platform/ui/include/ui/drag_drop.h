// Drag and drop: effects, the data object a drop or the clipboard offers, the
// data source a drag or a copy builds, and drop targets.
//
// Effects map onto Qt's drop actions (DROPEFFECT_COPY <-> CopyAction, MOVE
// <-> MoveAction, LINK <-> LinkAction); the key state of a drag is MK_* bits
// from the event's buttons and modifiers; points are client coordinates of
// the target window. Data goes through the formats of clipboard.h.
#pragma once

#include "ui/clipboard.h"
#include "ui/framework/cmd_target.h"
#include "ui/geometry.h"
#include "ui/input.h"

#include <map>
#include <memory>

typedef DWORD DROPEFFECT;
#define DROPEFFECT_NONE 0
#define DROPEFFECT_COPY 1
#define DROPEFFECT_MOVE 2
#define DROPEFFECT_LINK 4
#define DROPEFFECT_SCROLL 0x80000000

// The Alt key in a drag's key state.
#define MK_ALT 0x0020

class COleDropTarget;
class CWnd;
class QMimeData;
class QWidget;

namespace ui::detail {
struct DropTargetHook;
BOOL RegisterDropTarget(COleDropTarget& target, CWnd& window, QWidget* widget);
}  // namespace ui::detail

// The data of a drop or of the clipboard. Attached to a drag's data, it is
// valid while that drag event is being handled; attached to the clipboard, it
// reads the clipboard's current contents at every call.
class COleDataObject {
public:
    COleDataObject() = default;
    ~COleDataObject();
    COleDataObject(const COleDataObject&) = delete;
    COleDataObject& operator=(const COleDataObject&) = delete;

    BOOL AttachClipboard();
    // The layer's: reads `data` (not owned) until Release or another attach.
    void Attach(const QMimeData* data);
    void Release();

    BOOL IsDataAvailable(CLIPFORMAT format) const;
    // A new block (GMEM_MOVEABLE) with the format's data; the caller frees it
    // with GlobalFree. Null when the format is not offered.
    HGLOBAL GetGlobalData(CLIPFORMAT format) const;

    // The MIME data read now (the layer's and tests'); null when detached.
    const QMimeData* MimeData() const;

private:
    const QMimeData* data_ = nullptr;  // Not owned.
    bool clipboard_ = false;
};

// Data offered to a drag or to the clipboard, built from blocks.
class COleDataSource : public CCmdTarget {
public:
    COleDataSource() = default;
    ~COleDataSource() override;
    COleDataSource(const COleDataSource&) = delete;
    COleDataSource& operator=(const COleDataSource&) = delete;

    // Takes ownership of `data` (a GlobalAlloc block); a second block of the
    // same format replaces the first.
    void CacheGlobalData(CLIPFORMAT format, HGLOBAL data);
    void Empty();

    // Runs a drag of the data with the effects allowed; returns the effect the
    // target chose (DROPEFFECT_NONE when it was cancelled or refused).
    DROPEFFECT DoDragDrop(DROPEFFECT allowed = DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK);
    // Puts the data on the clipboard (the clipboard takes a copy).
    void SetClipboard();

    // The layer's: new MIME data of the cached blocks; the caller owns it.
    QMimeData* MakeMimeData() const;

private:
    std::map<CLIPFORMAT, HGLOBAL> blocks_;  // Owned.
};

// A window's drop target. Register hooks the window's drag events to the
// virtual operations below (and lets the window accept drops); the target
// must outlive the registration (Revoke, or the window's destruction).
class COleDropTarget : public CCmdTarget {
public:
    COleDropTarget();
    ~COleDropTarget() override;
    COleDropTarget(const COleDropTarget&) = delete;
    COleDropTarget& operator=(const COleDropTarget&) = delete;

    // FALSE for a window without a widget or a target already registered.
    BOOL Register(CWnd* window);
    virtual void Revoke();

    // Defaults: the enter and over answers are DROPEFFECT_NONE, OnDrop FALSE,
    // OnDropEx -1 ("not handled": OnDrop is called), OnDragScroll
    // DROPEFFECT_NONE; OnDragLeave does nothing.
    virtual DROPEFFECT OnDragEnter(CWnd* window, COleDataObject* data, DWORD keyState, CPoint point);
    virtual DROPEFFECT OnDragOver(CWnd* window, COleDataObject* data, DWORD keyState, CPoint point);
    virtual void OnDragLeave(CWnd* window);
    virtual BOOL OnDrop(CWnd* window, COleDataObject* data, DROPEFFECT dropEffect, CPoint point);
    virtual DROPEFFECT OnDropEx(CWnd* window, COleDataObject* data, DROPEFFECT dropDefault, DROPEFFECT dropList,
                                CPoint point);
    virtual DROPEFFECT OnDragScroll(CWnd* window, DWORD keyState, CPoint point);

private:
    friend struct ui::detail::DropTargetHook;
    friend BOOL ui::detail::RegisterDropTarget(COleDropTarget& target, CWnd& window, QWidget* widget);
    std::unique_ptr<ui::detail::DropTargetHook> hook_;
};
