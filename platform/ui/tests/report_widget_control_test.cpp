// The report control's window: the model under Qt's model checker, mouse
// presses and clicks on the rows (selection, focus, NM_CLICK, NM_RCLICK),
// the expand button, the header, keys, a derived control's message map
// seeing the input first, drawing over the rows with GDI calls, in-place
// editing, the report view, and a screenshot.
#include "icon_internal.h"
#include "report_test_support.h"
#include "toolkit/report/report_tree_view.h"
#include "toolkit/report/report_window_state.h"
#include "ui/framework/dc.h"
#include "ui/gdi_objects.h"
#include "ui/image_list.h"
#include "ui/input.h"
#include "ui/message_queue.h"
#include "ui/timers.h"
#include "ui/toolkit/report/report_header.h"
#include "ui/toolkit/report/report_paint_manager.h"
#include "ui/toolkit/report/report_view.h"
#include "ui/window_messages.h"
#include "ui_testing/fire_timer.h"
#include "ui_testing/hold_keys.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QDir>
#include <QHeaderView>
#include <QImage>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QPainter>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace {

using namespace report_testing;

// A row notification as the parent saw it.
struct Seen {
    int code;
    std::string row;
    std::string item;
    int column;  // the column's item index, -1 for none
    CPoint point;
    bool mouseDown;
};

// An item that notes how an edit ended and may repopulate from there.
class EditNotingItem : public CXTPReportRecordItemText {
public:
    explicit EditNotingItem(LPCTSTR text, std::vector<std::string>* log) : CXTPReportRecordItemText(text), log_(log) {}
    void OnEditChanged(XTP_REPORTRECORDITEM_ARGS* args, LPCTSTR text) override {
        CXTPReportRecordItemText::OnEditChanged(args, text);
        std::u16string value(text);
        log_->push_back("changed " + std::string(value.begin(), value.end()) +
                        (args->pControl->IsEditMode() ? " editing" : " closed"));
        if (onChanged) onChanged(args);
    }
    void OnEditCanceled(XTP_REPORTRECORDITEM_ARGS*) override { log_->push_back("cancelled"); }
    std::function<void(XTP_REPORTRECORDITEM_ARGS*)> onChanged;

private:
    std::vector<std::string>* log_;
};

class ReportWidgetTest : public ui_testing::UiTest {
protected:
    void SetUp() override {
        UiTest::SetUp();
        control_.AddColumn(new CXTPReportColumn(0, u"Name", 120));
        control_.AddColumn(new CXTPReportColumn(1, u"Length", 60, FALSE));
        control_.GetColumns()->GetAt(0)->SetTreeColumn(TRUE);
        top_ = parent_.Create(nullptr, u"ReportHost", RECT{50, 50, 410, 330}, WS_VISIBLE);
        parent_.onMessage = [this](UINT message, WPARAM, LPARAM lParam) -> LRESULT {
            if (message != WM_NOTIFY) return RecordingWindow::kNotHandled;
            auto* notify = reinterpret_cast<ui::ReportRowNotify*>(lParam);
            int code = static_cast<int>(notify->hdr.code);
            if (code == -2 || code == -5 || code == -52 || code == -59 || code == -63 || code == -65) {
                seen_.push_back({code, notify->row ? Caption(notify->row) : "-",
                                 notify->item ? U8(notify->item->GetCaption(nullptr)) : "-",
                                 notify->column ? notify->column->GetItemIndex() : -1, CPoint(notify->point),
                                 control_.IsMouseDown() != FALSE});
            }
            return 0;
        };
        SetActiveWindow(top_);
        QApplication::processEvents();
    }

    void Create(CXTPReportControl& control) {
        ASSERT_TRUE(control.Create(0x50010000, RECT{0, 0, 360, 280}, CWnd::FromHandle(top_), 100));
        QApplication::processEvents();
    }
    // "a" (children a1, a2 with a21), "b", "c" (child c1), shown collapsed.
    void Fill(CXTPReportControl& control) {
        AddOutline(control, {"a", ".a1", ".a2", "..a21", "b", "c", ".c1"});
        control.Populate();
    }
    static ui::ReportTreeView* View(CXTPReportControl& control) {
        return static_cast<ui::ReportTreeView*>(control.Widget());
    }
    // A client point's place in the rows area (where QTest clicks).
    static QPoint InViewport(CXTPReportControl& control, CPoint client) {
        return QPoint(client.x, client.y) - View(control)->ViewportOrigin();
    }
    static CPoint CentreOf(const CRect& rect) {
        return CPoint((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
    }
    void Click(CXTPReportControl& control, CPoint client, Qt::KeyboardModifiers keys = {},
               Qt::MouseButton button = Qt::LeftButton) {
        QTest::mouseClick(View(control)->viewport(), button, keys, InViewport(control, client));
    }
    std::vector<int> Codes() const {
        std::vector<int> codes;
        for (const Seen& s : seen_) codes.push_back(s.code);
        return codes;
    }

    RecordingWindow parent_;
    HWND top_ = nullptr;
    TestControl control_;
    std::vector<Seen> seen_;
};

TEST_F(ReportWidgetTest, ModelFollowsPopulateExpandCollapseAndResetUnderQtsChecker) {
    Create(control_);
    ui::ReportModel* model = View(control_)->Model();
    QAbstractItemModelTester tester(model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    std::vector<std::string> changes;
    QObject::connect(model, &QAbstractItemModel::modelReset, [&] { changes.push_back("reset"); });
    QObject::connect(model, &QAbstractItemModel::rowsInserted, [&](const QModelIndex&, int first, int last) {
        changes.push_back("insert " + std::to_string(first) + "-" + std::to_string(last));
    });
    QObject::connect(model, &QAbstractItemModel::rowsRemoved, [&](const QModelIndex&, int first, int last) {
        changes.push_back("remove " + std::to_string(first) + "-" + std::to_string(last));
    });

    Fill(control_);
    ASSERT_EQ(model->rowCount(), 3);
    EXPECT_EQ(model->columnCount(), 2);
    EXPECT_EQ(model->data(model->index(1, 0)).toString(), QStringLiteral("b"));
    EXPECT_EQ(model->data(model->index(1, 1)).toString(), QStringLiteral("1")) << "the second item: the length";
    EXPECT_EQ(model->headerData(1, Qt::Horizontal).toString(), QStringLiteral("Length"));

    RowOf(control_, "a")->SetExpanded(TRUE);
    EXPECT_EQ(model->rowCount(), 5);
    EXPECT_EQ(model->data(model->index(2, 0)).toString(), QStringLiteral("a2"));
    RowOf(control_, "a2")->SetExpanded(TRUE);
    RowOf(control_, "a")->Collapse();
    control_.BeginUpdate();
    control_.AddRecord(new TextRecord({u"d", u"1"}));
    control_.Populate();
    control_.EndUpdate();
    control_.ExpandAll();
    EXPECT_EQ(model->rowCount(), control_.GetRows()->GetCount());
    control_.ResetContent();
    EXPECT_EQ(model->rowCount(), 0);
    EXPECT_EQ(changes,
              (std::vector<std::string>{"reset", "insert 1-2", "insert 3-3", "remove 1-3", "reset", "reset", "reset"}));
}

TEST_F(ReportWidgetTest, ClicksSelectFocusAndNotifyWithTheRowItemColumnAndPoint) {
    Create(control_);
    Fill(control_);
    CXTPReportRow* b = RowOf(control_, "b");
    CRect name = control_.GetItemRect(b, control_.GetColumns()->GetAt(0));
    ASSERT_FALSE(name.IsRectEmpty());
    EXPECT_EQ(control_.HitTest(CentreOf(name)), b);
    CPoint point = CentreOf(name);
    Click(control_, point);
    EXPECT_EQ(Selected(control_), "b");
    EXPECT_EQ(control_.GetFocusedRow(), b);
    EXPECT_FALSE(control_.IsMouseDown());
    ASSERT_EQ(Codes(), (std::vector<int>{-52, -2}));
    EXPECT_TRUE(seen_[0].mouseDown) << "the selection changes while the press is in progress";
    EXPECT_FALSE(seen_[1].mouseDown);
    EXPECT_EQ(seen_[1].row, "b");
    EXPECT_EQ(seen_[1].item, "b");
    EXPECT_EQ(seen_[1].column, 0);
    EXPECT_EQ(seen_[1].point, point) << "client coordinates of the control";
    EXPECT_EQ(View(control_)->selectionModel()->selectedRows().size(), 1) << "Qt's selection mirrors the control's";
    EXPECT_EQ(View(control_)->selectionModel()->currentIndex().row(), 1);

    // Ctrl adds and removes; Shift selects the block from the anchor.
    Click(control_, CentreOf(control_.GetRowRect(RowOf(control_, "c"))), Qt::ControlModifier);
    EXPECT_EQ(Selected(control_), "b c");
    Click(control_, CentreOf(control_.GetRowRect(RowOf(control_, "b"))), Qt::ControlModifier);
    EXPECT_EQ(Selected(control_), "c");
    // The anchor is the row last pressed without Shift (b, with Ctrl).
    Click(control_, CentreOf(control_.GetRowRect(RowOf(control_, "c"))), Qt::ShiftModifier);
    EXPECT_EQ(Selected(control_), "b c");
    EXPECT_EQ(View(control_)->selectionModel()->selectedRows().size(), 2);

    // A plain press on one of several selected rows keeps them (for a drag)
    // and selects it alone at the release.
    seen_.clear();
    CXTPReportRow* c = RowOf(control_, "c");
    QTest::mousePress(View(control_)->viewport(), Qt::LeftButton, {}, InViewport(control_, CentreOf(c->GetRect())));
    EXPECT_EQ(control_.GetSelectedRows()->GetCount(), 2);
    EXPECT_TRUE(control_.IsMouseDown());
    QTest::mouseRelease(View(control_)->viewport(), Qt::LeftButton, {}, InViewport(control_, CentreOf(c->GetRect())));
    EXPECT_EQ(Selected(control_), "c");

    // A right click below the last row: NM_RCLICK without a row, the point.
    seen_.clear();
    CPoint below(20, control_.GetRowRect(c).bottom + 30);
    ASSERT_EQ(control_.HitTest(below), nullptr);
    Click(control_, below, {}, Qt::RightButton);
    ASSERT_EQ(Codes(), (std::vector<int>{-5}));
    EXPECT_EQ(seen_[0].row, "-");
    EXPECT_EQ(seen_[0].point, below);
    EXPECT_EQ(Selected(control_), "c") << "a right click on no row keeps the selection";
    // On an unselected row it selects that row first.
    seen_.clear();
    Click(control_, CentreOf(control_.GetRowRect(RowOf(control_, "a"))), {}, Qt::RightButton);
    EXPECT_EQ(Selected(control_), "a");
    ASSERT_EQ(Codes(), (std::vector<int>{-52, -5}));
    EXPECT_EQ(seen_[1].row, "a");
}

TEST_F(ReportWidgetTest, ExpandButtonAndDoubleClickToggleTheRow) {
    Create(control_);
    Fill(control_);
    CXTPReportRow* a = RowOf(control_, "a");
    CRect button = control_.GetExpandButtonRect(a);
    ASSERT_FALSE(button.IsRectEmpty());
    EXPECT_TRUE(control_.GetItemRect(a, control_.GetColumns()->GetAt(0)).PtInRect(CentreOf(button)));
    EXPECT_TRUE(control_.GetExpandButtonRect(RowOf(control_, "b")).IsRectEmpty()) << "no children, no button";

    Click(control_, CentreOf(button));
    EXPECT_TRUE(a->IsExpanded());
    EXPECT_EQ(Shown(control_), "a .a1 .a2 b c");
    EXPECT_EQ(View(control_)->Model()->rowCount(), 5);
    EXPECT_EQ(Codes(), (std::vector<int>{-59, -2}));
    EXPECT_EQ(Selected(control_), "") << "the button does not select";

    // A child's button is indented by the tree indent.
    control_.SetTreeIndent(10);
    CXTPReportRow* a2 = RowOf(control_, "a2");
    EXPECT_EQ(control_.GetExpandButtonRect(a2).left - control_.GetExpandButtonRect(a).left, 10);

    // A double click on the caption: the item's OnDblClick toggles the row.
    CRect caption = control_.GetItemRect(a2, control_.GetColumns()->GetAt(0));
    QTest::mouseDClick(View(control_)->viewport(), Qt::LeftButton, {},
                       InViewport(control_, CPoint(caption.right - 5, (caption.top + caption.bottom) / 2)));
    EXPECT_EQ(Shown(control_), "a .a1 .a2 ..a21 b c");
}

TEST_F(ReportWidgetTest, HeaderShowsTheColumnsSortsOnClickAndHides) {
    Create(control_);
    Fill(control_);
    QHeaderView* header = View(control_)->header();
    EXPECT_FALSE(control_.GetHeaderRect().IsRectEmpty());
    EXPECT_EQ(header->sectionSize(1), 60);
    CRect length = control_.GetColumnRect(control_.GetColumns()->GetAt(1));
    EXPECT_EQ(length.Width(), 60);
    EXPECT_EQ(control_.HitTestHeader(CentreOf(length)), control_.GetColumns()->GetAt(1));

    // Clicking a header sorts by its column; again turns the direction.
    QPoint name(header->sectionViewportPosition(0) + 10, header->height() / 2);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, name);
    EXPECT_EQ(Shown(control_), "a b c");
    ASSERT_EQ(Codes(), (std::vector<int>{-65}));
    EXPECT_EQ(seen_[0].column, 0);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, name);
    EXPECT_EQ(Shown(control_), "c b a");
    EXPECT_EQ(header->sortIndicatorSection(), 0);
    EXPECT_EQ(header->sortIndicatorOrder(), Qt::DescendingOrder);
    control_.GetPaintManager()->m_strSortBy = u"Sort By: ";
    EXPECT_EQ(View(control_)->Model()->headerData(1, Qt::Horizontal, Qt::ToolTipRole).toString(),
              QStringLiteral("Sort By: Name"));
    // An unsortable column does nothing.
    control_.GetColumns()->GetAt(1)->SetSortable(FALSE);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(header->sectionViewportPosition(1) + 5, 5));
    EXPECT_EQ(Codes().size(), 2u);

    control_.GetColumns()->GetAt(1)->SetVisible(FALSE);
    EXPECT_TRUE(header->isSectionHidden(1));
    EXPECT_TRUE(header->styleSheet().isEmpty());
    control_.GetPaintManager()->SetColumnStyle(xtpReportColumnFlat);
    control_.RedrawControl();
    EXPECT_FALSE(header->styleSheet().isEmpty()) << "the column style shows at the next redraw";
    control_.ShowHeader(FALSE);
    EXPECT_FALSE(control_.IsHeaderVisible());
    EXPECT_TRUE(header->isHidden());
    EXPECT_TRUE(control_.GetHeaderRect().IsRectEmpty());
    EXPECT_EQ(control_.HitTest(CPoint(10, 5)), RowOf(control_, "c")) << "the rows start at the top";
}

TEST_F(ReportWidgetTest, MovingAHeaderSectionReordersTheColumnsAndNotifies) {
    Create(control_);
    Fill(control_);
    ui::ReportModel* model = View(control_)->Model();
    QAbstractItemModelTester tester(model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    QHeaderView* header = View(control_)->header();
    ASSERT_TRUE(header->sectionsMovable());
    header->moveSection(1, 0);
    EXPECT_EQ(control_.GetColumns()->GetAt(0)->GetItemIndex(), 1);
    EXPECT_EQ(model->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Length"));
    EXPECT_EQ(model->data(model->index(0, 0)).toString(), QStringLiteral("1"));
    EXPECT_EQ(header->visualIndex(0), 0) << "Qt's order stays the model's: the control's";
    EXPECT_EQ(header->sectionSize(0), 60);
    ASSERT_EQ(Codes(), (std::vector<int>{-63}));
    EXPECT_EQ(seen_[0].column, 1);
    CXTPReportRow* a = RowOf(control_, "a");
    EXPECT_TRUE(
        control_.GetItemRect(a, control_.GetColumns()->Find(0)).PtInRect(CentreOf(control_.GetExpandButtonRect(a))))
        << "the tree column keeps the expand buttons";
}

TEST_F(ReportWidgetTest, KeysMoveTheFocusThroughThePreview) {
    Create(control_);
    Fill(control_);
    control_.SetFocusedRow(RowOf(control_, "a"));
    QTest::keyClick(View(control_), Qt::Key_Down);
    EXPECT_EQ(Selected(control_), "b");
    QTest::keyClick(View(control_), Qt::Key_End);
    EXPECT_EQ(Selected(control_), "c");
    EXPECT_EQ(View(control_)->selectionModel()->currentIndex().row(), 2);
    {
        ui_testing::HoldKeys shift({VK_SHIFT});
        QTest::keyClick(View(control_), Qt::Key_Up, Qt::ShiftModifier);
    }
    EXPECT_EQ(control_.GetSelectedRows()->GetCount(), 2);
}

// A derived control as the explorer writes one: its map sees the input
// first, and it draws over the rows with GDI calls.
class DerivedControl : public CXTPReportControl {
public:
    std::vector<std::string> log;
    bool swallowPress = false;
    bool swallowKeys = false;
    RECT frame{0, 0, 0, 0};

protected:
    afx_msg void OnLButtonDown(UINT flags, CPoint point) {
        log.push_back(std::string("down") + (IsMouseDown() ? " pressed" : ""));
        if (!swallowPress) CXTPReportControl::OnLButtonDown(flags, point);
    }
    afx_msg void OnLButtonUp(UINT flags, CPoint point) {
        log.push_back("up");
        CXTPReportControl::OnLButtonUp(flags, point);
    }
    afx_msg void OnMouseMove(UINT flags, CPoint point) {
        if (log.empty() || log.back() != "move") log.push_back("move");
        CXTPReportControl::OnMouseMove(flags, point);
    }
    afx_msg void OnTimer(UINT_PTR id) {
        log.push_back("timer " + std::to_string(id));
        CXTPReportControl::OnTimer(id);
    }
    afx_msg void OnSetFocus(CWnd* old) {
        log.push_back("focus");
        CXTPReportControl::OnSetFocus(old);
    }
    BOOL OnPreviewKeyDown(UINT& key, UINT, UINT) override { return !(swallowKeys && key == VK_DOWN); }
    void OnDraw(CDC* pDC) override {
        if (frame.right > frame.left) {
            CBrush brush;
            brush.CreateSolidBrush(RGB(255, 0, 0));
            pDC->FillRect(&frame, &brush);
        }
        CXTPReportControl::OnDraw(pDC);
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(DerivedControl, CXTPReportControl)
ON_WM_LBUTTONDOWN()
ON_WM_LBUTTONUP()
ON_WM_MOUSEMOVE()
ON_WM_TIMER()
ON_WM_SETFOCUS()
END_MESSAGE_MAP()

TEST_F(ReportWidgetTest, DerivedControlsMapSeesMouseTimerAndFocusFirstAndMayKeepThem) {
    DerivedControl derived;
    derived.AddColumn(new CXTPReportColumn(0, u"Name", 120));
    Create(derived);
    Fill(derived);
    SetFocus(top_);
    derived.log.clear();
    CPoint b = CentreOf(derived.GetRowRect(RowOf(derived, "b")));
    Click(derived, b);
    EXPECT_EQ(Selected(derived), "b");
    // The focus comes with the press (Qt gives it first), then the press
    // reaches the map before the control's handler ran (no press yet).
    EXPECT_NE(std::find(derived.log.begin(), derived.log.end(), "focus"), derived.log.end());
    auto down = std::find(derived.log.begin(), derived.log.end(), "down");
    ASSERT_NE(down, derived.log.end()) << "the map runs before the control's press";
    EXPECT_EQ(derived.log.back(), "up");

    derived.swallowPress = true;
    Click(derived, CentreOf(derived.GetRowRect(RowOf(derived, "c"))));
    EXPECT_EQ(Selected(derived), "b") << "a press the derived map keeps does nothing";
    QTest::mouseMove(View(derived)->viewport(), InViewport(derived, CPoint(5, b.y + 3)));
    EXPECT_EQ(derived.log.back(), "move");

    ASSERT_NE(SetTimer(derived.GetSafeHwnd(), 1000, 500, nullptr), 0u);
    ui_testing::FireTimer(derived.GetSafeHwnd(), 1000);
    EXPECT_EQ(derived.log.back(), "timer 1000");
    KillTimer(derived.GetSafeHwnd(), 1000);

    derived.swallowKeys = true;
    derived.SetFocus();
    QTest::keyClick(View(derived), Qt::Key_Down);
    EXPECT_EQ(Selected(derived), "b") << "the preview swallowed the key";
    QTest::keyClick(View(derived), Qt::Key_Up);
    EXPECT_EQ(Selected(derived), "a");

    // OnDraw draws with GDI calls over the rows, in client coordinates.
    CRect row = derived.GetRowRect(RowOf(derived, "c"));
    derived.frame = RECT{row.left + 2, row.top + 1, row.left + 12, row.bottom - 1};
    QImage shot = derived.Widget()->grab().toImage();
    EXPECT_EQ(shot.pixelColor(row.left + 6, (row.top + row.bottom) / 2), QColor(255, 0, 0));
    EXPECT_NE(shot.pixelColor(row.left + 40, (row.top + row.bottom) / 2), QColor(255, 0, 0));
}

TEST_F(ReportWidgetTest, InPlaceEditOpensOverTheCellAndTellsTheItemAfterClosing) {
    std::vector<std::string> log;
    auto* record = new CXTPReportRecord;
    auto* item = new EditNotingItem(u"Bracket", &log);
    record->AddItem(item);
    control_.AddRecord(record);
    control_.AddRecord(new TextRecord({u"other", u"5"}));
    Create(control_);
    control_.Populate();
    CXTPReportColumn* name = control_.GetColumns()->GetAt(0);

    ASSERT_TRUE(control_.EditItem(control_.GetRows()->GetAt(0), name));
    EXPECT_TRUE(control_.IsEditMode());
    CWnd* edit = control_.GetInplaceEdit();
    ASSERT_NE(edit, nullptr);
    HWND handle = edit->GetSafeHwnd();
    ASSERT_NE(ui::WindowFromHandle(handle), nullptr);
    EXPECT_EQ(ui::WindowFromHandle(handle)->ClassName(), u"Edit");
    auto* line = static_cast<QLineEdit*>(ui::WindowFromHandle(handle)->Widget());
    EXPECT_EQ(line->text(), QStringLiteral("Bracket"));
    EXPECT_TRUE(control_.GetItemRect(control_.GetRows()->GetAt(0), name)
                    .PtInRect(CPoint(line->geometry().center().x() + View(control_)->ViewportOrigin().x(),
                                     line->geometry().center().y() + View(control_)->ViewportOrigin().y())));
    SetWindowTextW(handle, u"Bracket plate");
    SendMessageW(handle, EM_SETSEL, 0, static_cast<LPARAM>(-1));
    EXPECT_EQ(line->selectedText(), QStringLiteral("Bracket plate"));
    EXPECT_TRUE(SendMessageW(handle, EM_SCROLLCARET, 0, 0));

    // The item's handler repopulates: the rows it had are gone, safely.
    item->onChanged = [this](XTP_REPORTRECORDITEM_ARGS*) { control_.Populate(); };
    QTest::keyClick(line, Qt::Key_Return);
    EXPECT_EQ(log, (std::vector<std::string>{"changed Bracket plate closed"}));
    EXPECT_FALSE(control_.IsEditMode());
    EXPECT_FALSE(IsWindow(handle));
    EXPECT_EQ(U8(item->GetCaption(name)), "Bracket plate");

    // Escape cancels; a Populate while editing keeps the editor on the
    // record's new row.
    ASSERT_TRUE(control_.EditItem(control_.GetRows()->GetAt(0), name));
    control_.Populate();
    ASSERT_TRUE(control_.IsEditMode());
    line = static_cast<QLineEdit*>(ui::WindowFromHandle(control_.GetInplaceEdit()->GetSafeHwnd())->Widget());
    QTest::keyClicks(line, "x");
    QTest::keyClick(line, Qt::Key_Escape);
    EXPECT_EQ(log.back(), "cancelled");
    EXPECT_EQ(U8(item->GetCaption(name)), "Bracket plate");

    // Losing the focus commits; a removed record ends the edit unheard of.
    ASSERT_TRUE(control_.EditItem(control_.GetRows()->GetAt(0), name));
    SetFocus(control_.GetSafeHwnd());
    QApplication::processEvents();
    EXPECT_EQ(log.back(), "changed Bracket plate closed");
    ASSERT_TRUE(control_.EditItem(control_.GetRows()->GetAt(1), name));
    control_.RemoveRecordEx(control_.GetRows()->GetAt(1)->GetRecord());
    control_.Populate();
    EXPECT_FALSE(control_.IsEditMode());
    EXPECT_EQ(log.size(), 3u);
    EXPECT_FALSE(control_.EditItem(nullptr, name));
}

TEST_F(ReportWidgetTest, AClickOnTheFocusedRowEditsItWhereAllowedUnlessADoubleClickFollows) {
    Create(control_);
    Fill(control_);
    HWND hwnd = control_.GetSafeHwnd();
    CXTPReportColumn* name = control_.GetColumns()->GetAt(0);
    CPoint b = CentreOf(control_.GetItemRect(RowOf(control_, "b"), name));
    Click(control_, b);
    Click(control_, b);
    EXPECT_FALSE(KillTimer(hwnd, ui::detail::kReportEditTimer)) << "editing is off: clicks only select";

    control_.AllowEdit(TRUE);
    Click(control_, b);
    EXPECT_FALSE(control_.IsEditMode()) << "not before the double-click time is over";
    ui_testing::FireTimer(hwnd, ui::detail::kReportEditTimer);
    ASSERT_TRUE(control_.IsEditMode());
    control_.EndEditItem(FALSE);

    // A double click on the focused row toggles it and edits nothing.
    control_.SetFocusedRow(RowOf(control_, "a"));
    CPoint a = CentreOf(control_.GetItemRect(RowOf(control_, "a"), name));
    QTest::mouseDClick(View(control_)->viewport(), Qt::LeftButton, {}, InViewport(control_, a));
    EXPECT_EQ(Shown(control_), "a .a1 .a2 b c");
    EXPECT_FALSE(KillTimer(hwnd, ui::detail::kReportEditTimer));
    // Nor does a click on a row that was not focused, or with Ctrl.
    Click(control_, b);
    Click(control_, b, Qt::ControlModifier);
    EXPECT_FALSE(KillTimer(hwnd, ui::detail::kReportEditTimer));
    EXPECT_FALSE(control_.IsEditMode());
}

TEST_F(ReportWidgetTest, EmptyReportShowsTheNoItemsTextAndWorksWithoutAWindow) {
    // Without a window: geometry is empty, the look is kept for later.
    Fill(control_);
    EXPECT_EQ(control_.HitTest(CPoint(10, 30)), nullptr);
    EXPECT_TRUE(control_.GetRowRect(control_.GetRows()->GetAt(0)).IsRectEmpty());
    control_.ShowHeader(FALSE);
    control_.SetTreeIndent(10);
    EXPECT_FALSE(control_.EditItem(control_.GetRows()->GetAt(0), control_.GetColumns()->GetAt(0)));
    Create(control_);
    EXPECT_TRUE(View(control_)->header()->isHidden());
    EXPECT_EQ(control_.GetTreeIndent(), 10);
    EXPECT_EQ(View(control_)->Model()->rowCount(), 3);

    control_.ResetContent();
    control_.GetPaintManager()->m_strNoItems = u"There are no items to show.";
    control_.GetPaintManager()->m_clrWindowText = RGB(0, 0, 255);
    QImage shot = control_.Widget()->grab().toImage();
    bool blue = false;
    for (int y = 0; y < 40 && !blue; ++y)
        for (int x = 0; x < shot.width() && !blue; ++x)
            blue = shot.pixelColor(x, y).blue() > 200 && shot.pixelColor(x, y).red() < 80;
    EXPECT_TRUE(blue) << "the text in the paint manager's colour near the top";
}

TEST_F(ReportWidgetTest, ReportViewHostsOneControlFillingItsClientArea) {
    auto* view = new CXTPReportView;  // deletes itself with its window
    ASSERT_TRUE(view->Create(nullptr, nullptr, WS_CHILD | WS_VISIBLE, RECT{0, 0, 300, 200}, CWnd::FromHandle(top_), 1));
    CXTPReportControl& own = view->GetReportCtrl();
    ASSERT_NE(own.GetSafeHwnd(), nullptr);
    EXPECT_EQ(own.GetDlgCtrlID(), 100);
    CRect client;
    own.GetClientRect(&client);
    EXPECT_EQ(client.Width(), 300);
    view->MoveWindow(0, 0, 250, 150);
    own.GetClientRect(&client);
    EXPECT_EQ(client.Height(), 150);

    DerivedControl derived;
    ASSERT_TRUE(derived.Create(0x50010000, RECT{0, 0, 10, 10}, view, 100));
    view->SetReportCtrl(&derived);
    EXPECT_EQ(&view->GetReportCtrl(), &derived);
    derived.GetClientRect(&client);
    EXPECT_EQ(client.Width(), 250);
    view->SetFocus();
    EXPECT_EQ(GetFocus(), derived.GetSafeHwnd());
    view->DestroyWindow();
    EXPECT_FALSE(IsWindow(derived.GetSafeHwnd()));
}

TEST_F(ReportWidgetTest, ScreenshotOfAPopulatedTreeWithIcons) {
    HIMAGELIST images = ImageList_Create(16, 16, ILC_COLOR32 | ILC_MASK, 2, 2);
    for (QColor colour : {QColor(70, 130, 200), QColor(230, 160, 40)}) {
        QImage image(16, 16, QImage::Format_ARGB32);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        painter.setBrush(colour);
        painter.setPen(colour.darker());
        painter.drawRoundedRect(1, 2, 13, 11, 2, 2);
        painter.end();
        HICON icon = ui::detail::MakeIcon(image);
        ImageList_AddIcon(images, icon);
        DestroyIcon(icon);
    }
    control_.SetImageList(images);
    control_.SetTreeIndent(10);
    control_.GetPaintManager()->SetColumnStyle(xtpReportColumnOffice);
    Create(control_);
    Fill(control_);
    for (int i = 0; i < control_.GetRows()->GetCount(); ++i) {
        CXTPReportRecord* record = control_.GetRows()->GetAt(i)->GetRecord();
        record->GetItem(0)->SetIconIndex(record->HasChildren() ? 0 : 1);
    }
    control_.ExpandAll();
    for (int i = 0; i < control_.GetRows()->GetCount(); ++i) {
        CXTPReportRecord* record = control_.GetRows()->GetAt(i)->GetRecord();
        record->GetItem(0)->SetIconIndex(record->HasChildren() ? 0 : 1);
    }
    RowOf(control_, "a21")->GetRecord()->GetItem(0)->SetBold();
    RowOf(control_, "c1")->GetRecord()->GetItem(0)->SetTextColor(RGB(200, 0, 0));
    control_.SetFocusedRow(RowOf(control_, "a2"));
    control_.SetFocus();
    QImage shot = control_.Widget()->grab().toImage();
    ASSERT_FALSE(shot.isNull());
    QString path = QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("report_control_tree.png"));
    EXPECT_TRUE(shot.save(path));
    control_.DestroyWindow();
    ImageList_Destroy(images);
}

}  // namespace
