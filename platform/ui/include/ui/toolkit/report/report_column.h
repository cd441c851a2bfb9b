// CXTPReportColumn: one column of the control, showing the records' items
// at its item index.
#pragma once

#include "com/cstring.h"
#include "ui/device_context.h"  // DT_LEFT, DT_CENTER, DT_RIGHT
#include "ui/framework/cmd_target.h"
#include "ui/geometry.h"

class CXTPReportColumns;
class CXTPReportControl;
class CXTPReportRecordItemEditOptions;

class CXTPReportColumn : public CCmdTarget {
    DECLARE_DYNAMIC(CXTPReportColumn)
public:
    CXTPReportColumn(int nItemIndex, LPCTSTR strName, int nWidth, BOOL bAutoSize = TRUE, int nIconID = -1,
                     BOOL bSortable = TRUE, BOOL bVisible = TRUE);
    ~CXTPReportColumn() override;

    // The index of the record items the column shows.
    int GetItemIndex() const { return itemIndex_; }
    // The column's position among the columns (its display order), -1 when
    // it belongs to none.
    int GetIndex() const;

    const CString& GetCaption() const { return caption_; }
    void SetCaption(LPCTSTR strCaption);
    int GetIconID() const { return iconId_; }

    int GetWidth() const { return width_; }
    void SetWidth(int nWidth);
    // An auto-sized column shares the room left by the others.
    BOOL IsAutoSize() const { return autoSize_; }
    void SetAutoSize(BOOL bAutoSize);

    BOOL IsSortable() const { return sortable_; }
    void SetSortable(BOOL bSortable) { sortable_ = bSortable != FALSE; }
    // The direction of the column in the sort order.
    BOOL IsSortedIncreasing() const { return sortIncreasing_; }
    void SetSortIncreasing(BOOL bIncreasing) { sortIncreasing_ = bIncreasing != FALSE; }
    // Whether the column is in the sort order.
    BOOL IsSorted() const;

    BOOL IsVisible() const { return visible_; }
    void SetVisible(BOOL bVisible = TRUE);

    // DT_LEFT, DT_CENTER or DT_RIGHT.
    int GetAlignment() const { return alignment_; }
    void SetAlignment(int nAlignment);

    // The tree column shows the rows' indentation and expand buttons.
    BOOL IsTreeColumn() const { return treeColumn_; }
    void SetTreeColumn(BOOL bTreeColumn);

    // Whether the column's items may be edited in place.
    BOOL IsEditable() const { return editable_; }
    void SetEditable(BOOL bEditable = TRUE) { editable_ = bEditable != FALSE; }

    // The column's header rectangle in the control's client coordinates;
    // empty without a window or while hidden.
    CRect GetRect() const;

    CXTPReportColumns* GetColumns() const { return columns_; }
    CXTPReportControl* GetControl() const;

private:
    friend class CXTPReportColumns;
    // Tells the control's window that the column changed.
    void Changed();

    CXTPReportColumns* columns_ = nullptr;  // Not owned: the list owns the column.
    int itemIndex_;
    CString caption_;
    int width_;
    int iconId_;
    int alignment_ = DT_LEFT;
    bool autoSize_;
    bool sortable_;
    bool visible_;
    bool sortIncreasing_ = true;
    bool treeColumn_ = false;
    bool editable_ = true;
};
