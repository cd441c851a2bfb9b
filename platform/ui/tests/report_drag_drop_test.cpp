// The report control's drag and drop: drop position, drops of records in the
// control's format (notifications, insertion, refusal), a drag the control
// starts, a derived control that expands a row a drag rests on, and Copy.

#include "ui/clipboard.h"
#include "ui/drag_drop.h"
#include "ui/framework/wnd.h"
#include "ui/message_queue.h"
#include "ui/timers.h"
#include "ui/toolkit/report/prop_exchange.h"
#include "ui/toolkit/report/report_column.h"
#include "ui/toolkit/report/report_control.h"
#include "ui/toolkit/report/report_paint_manager.h"
#include "ui/toolkit/report/report_record.h"
#include "ui/toolkit/report/report_record_item_text.h"
#include "ui/toolkit/report/report_records.h"
#include "ui/toolkit/report/report_row.h"
#include "ui/toolkit/report/report_rows.h"
#include "ui/toolkit/report/report_selected_rows.h"
#include "ui/window_functions.h"
#include "ui/window_styles.h"
#include "ui_testing/drag_drop.h"
#include "ui_testing/fire_timer.h"
#include "ui_testing/ui_test.h"

#include <QApplication>
#include <QClipboard>
#include <QImage>
#include <QWidget>
#include <QMimeData>

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

// A record with one text item, carried through drags by its name.
class NamedRecord : public CXTPReportRecord {
    DECLARE_DYNCREATE(NamedRecord)
public:
    NamedRecord() { AddItem(new CXTPReportRecordItemText(u"")); }
    explicit NamedRecord(LPCWSTR name) : NamedRecord() { SetName(name); }

    std::u16string Name() const { return static_cast<CXTPReportRecordItemText*>(GetItem(0))->GetValue().GetString(); }
    void SetName(LPCWSTR name) { static_cast<CXTPReportRecordItemText*>(GetItem(0))->SetValue(name); }

    void DoPropExchange(CXTPPropExchange* pPX) override {
        CString name(Name().c_str());
        PX_String(pPX, u"Name", name);
        if (pPX->IsLoading()) SetName(name);
    }
};
IMPLEMENT_DYNCREATE(NamedRecord, CXTPReportRecord)

// A record class the receiving program does not know.
class StrangerRecord : public CXTPReportRecord {
    DECLARE_DYNAMIC(StrangerRecord)
};
IMPLEMENT_DYNAMIC(StrangerRecord, CXTPReportRecord)

struct Notification {
    UINT code;
    std::vector<std::u16string> records;  // names in the notification's list
    CXTPReportRecord* target;
    BOOL above;
    DWORD effect;
};

// The control's parent: records the drag and drop notifications and answers
// them as told.
class HostWnd : public CWnd {
public:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == WM_NOTIFY) {
            auto* header = reinterpret_cast<NMHDR*>(lParam);
            const UINT code = header->code;
            if (code == XTP_NM_REPORT_BEGINDRAG || code == XTP_NM_REPORT_DROP || code == XTP_NM_REPORT_BEFORE_DROP ||
                code == XTP_NM_REPORT_RECORDS_DROPPED || code == XTP_NM_REPORT_DRAGDROP_COMPLETED) {
                auto* drag = reinterpret_cast<ui::ReportDragNotify*>(lParam);
                Notification seen{code, {}, drag->targetRecord, drag->above, drag->effect};
                if (drag->records)
                    for (int i = 0; i < drag->records->GetCount(); ++i)
                        seen.records.push_back(static_cast<NamedRecord*>(drag->records->GetAt(i))->Name());
                notifications.push_back(seen);
                if (onNotify) onNotify(code);
                auto answer = answers.find(code);
                return answer == answers.end() ? 0 : answer->second;
            }
        }
        return CWnd::WindowProc(message, wParam, lParam);
    }

    std::vector<UINT> Codes() const {
        std::vector<UINT> codes;
        for (const Notification& seen : notifications) codes.push_back(seen.code);
        return codes;
    }

    std::vector<Notification> notifications;
    std::map<UINT, LRESULT> answers;
    std::function<void(UINT)> onNotify;
};

std::vector<std::u16string> Names(CXTPReportRecords* records) {
    std::vector<std::u16string> names;
    for (int i = 0; i < records->GetCount(); ++i) names.push_back(static_cast<NamedRecord*>(records->GetAt(i))->Name());
    return names;
}

class ReportDragDropTest : public ui_testing::UiTest {
protected:
    void SetUp() override {
        ui_testing::UiTest::SetUp();
        ASSERT_TRUE(host.CreateEx(0, u"ReportHost", u"host", WS_VISIBLE, RECT{0, 0, 400, 400}, nullptr, 0));
        Fill(control, {u"alpha", u"beta", u"gamma"}, 100);
    }
    void TearDown() override {
        ui_testing::DragLeave();
        host.DestroyWindow();
        ui_testing::UiTest::TearDown();
    }

    void Fill(CXTPReportControl& report, std::vector<const char16_t*> names, UINT id, int top = 0) {
        ASSERT_TRUE(report.Create(WS_CHILD | WS_VISIBLE, CRect(0, top, 300, top + 180), &host, id));
        report.AddColumn(new CXTPReportColumn(0, u"Name", 200));
        for (const char16_t* name : names) report.AddRecord(new NamedRecord(name));
        report.Populate();
        EXPECT_EQ(report.EnableDragDrop(u"Halvaran", xtpReportAllowDrop | xtpReportAllowDrag, 1),
                  RegisterClipboardFormatW(u"Halvaran"));
    }

    // Client points of a row's upper and lower half.
    static CPoint Upper(CXTPReportControl& report, int index) {
        const CRect rect = report.GetRowRect(report.GetRows()->GetAt(index));
        return CPoint(rect.left + 20, rect.top + 2);
    }
    static CPoint Lower(CXTPReportControl& report, int index) {
        const CRect rect = report.GetRowRect(report.GetRows()->GetAt(index));
        return CPoint(rect.left + 20, rect.bottom - 2);
    }

    // The data of a drag of `names` from another control.
    std::unique_ptr<QMimeData> Dragged(std::vector<const char16_t*> names) {
        CXTPReportControl source;
        Fill(source, names, 101, 200);
        for (int i = 0; i < source.GetRows()->GetCount(); ++i)
            source.GetSelectedRows()->Add(source.GetRows()->GetAt(i));
        EXPECT_TRUE(source.Copy());
        auto data = std::make_unique<QMimeData>();
        const QMimeData* copied = QGuiApplication::clipboard()->mimeData();
        for (const QString& format : copied->formats()) data->setData(format, copied->data(format));
        source.DestroyWindow();
        host.notifications.clear();
        return data;
    }

    HostWnd host;
    CXTPReportControl control;
};

TEST_F(ReportDragDropTest, DraggingOverRowsMovesTheDropPositionAndLeavingClearsIt) {
    auto data = Dragged({u"x"});
    const HWND hwnd = control.GetSafeHwnd();
    EXPECT_EQ(control.GetDropPosition(), -1);
    EXPECT_EQ(ui_testing::DragEnter(hwnd, *data, Upper(control, 1)), DROPEFFECT_MOVE);
    EXPECT_EQ(control.GetDropPosition(), control.GetRowRect(control.GetRows()->GetAt(1)).top);
    EXPECT_EQ(ui_testing::DragOver(hwnd, *data, Lower(control, 1), MK_LBUTTON | MK_CONTROL), DROPEFFECT_COPY);
    EXPECT_EQ(control.GetDropPosition(), control.GetRowRect(control.GetRows()->GetAt(1)).bottom);
    ui_testing::DragLeave();
    EXPECT_EQ(control.GetDropPosition(), -1);

    // Data without the control's format is refused.
    QMimeData text;
    text.setText("plain");
    EXPECT_EQ(ui_testing::DragEnter(hwnd, text, Upper(control, 1)), DROPEFFECT_NONE);
    EXPECT_EQ(control.GetDropPosition(), -1);
}

TEST_F(ReportDragDropTest, ADragNearAnEdgeScrollsByARow) {
    auto data = Dragged({u"x"});
    for (int i = 0; i < 40; ++i) control.AddRecord(new NamedRecord(u"more"));
    control.Populate();
    const HWND hwnd = control.GetSafeHwnd();
    const CRect area = control.GetReportRectangle();
    ASSERT_EQ(control.GetTopRowIndex(), 0);
    ui_testing::DragEnter(hwnd, *data, CPoint(area.left + 20, area.bottom - 2));
    ui_testing::DragOver(hwnd, *data, CPoint(area.left + 20, area.bottom - 2));
    const int scrolled = control.GetTopRowIndex();
    EXPECT_GT(scrolled, 0);
    // In the middle nothing scrolls; at the top edge it goes back.
    ui_testing::DragOver(hwnd, *data, CPoint(area.left + 20, (area.top + area.bottom) / 2));
    EXPECT_EQ(control.GetTopRowIndex(), scrolled);
    ui_testing::DragOver(hwnd, *data, CPoint(area.left + 20, area.top + 2));
    EXPECT_LT(control.GetTopRowIndex(), scrolled);
}

TEST_F(ReportDragDropTest, TheDropMarkerIsDrawnAtTheDropPosition) {
    auto data = Dragged({u"x"});
    control.GetPaintManager()->m_clrDropMarker = RGB(255, 0, 0);
    ui_testing::DragEnter(control.GetSafeHwnd(), *data, Lower(control, 0));
    const int y = control.GetDropPosition();
    ASSERT_GT(y, 0);
    const QImage image = control.Widget()->grab().toImage();
    auto red = [&](int row) { return image.pixelColor(100, row) == QColor(255, 0, 0); };
    EXPECT_TRUE(red(y) || red(y - 1));
    EXPECT_FALSE(red(y + 6));
    ui_testing::DragLeave();
    const QImage after = control.Widget()->grab().toImage();
    EXPECT_NE(after.pixelColor(100, y), QColor(255, 0, 0));
    EXPECT_NE(after.pixelColor(100, y - 1), QColor(255, 0, 0));
}

TEST_F(ReportDragDropTest, ADropInsertsTheRecordsAtTheTargetAfterDropAndBeforeDrop) {
    auto data = Dragged({u"x", u"y"});
    const HWND hwnd = control.GetSafeHwnd();
    ui_testing::DragEnter(hwnd, *data, Upper(control, 1), MK_LBUTTON | MK_CONTROL);
    EXPECT_EQ(ui_testing::Drop(hwnd, *data, Upper(control, 1), MK_CONTROL), DROPEFFECT_COPY);

    EXPECT_EQ(Names(control.GetRecords()), (std::vector<std::u16string>{u"alpha", u"x", u"y", u"beta", u"gamma"}));
    EXPECT_EQ(host.Codes(),
              (std::vector<UINT>{XTP_NM_REPORT_DROP, XTP_NM_REPORT_BEFORE_DROP, XTP_NM_REPORT_RECORDS_DROPPED}));
    EXPECT_EQ(host.notifications[0].effect, static_cast<DWORD>(DROPEFFECT_COPY));
    EXPECT_EQ(host.notifications[1].records, (std::vector<std::u16string>{u"x", u"y"}));
    EXPECT_EQ(static_cast<NamedRecord*>(host.notifications[1].target)->Name(), u"beta");
    EXPECT_TRUE(host.notifications[1].above);
    // The new records are selected.
    ASSERT_EQ(control.GetSelectedRows()->GetCount(), 2);
    EXPECT_EQ(static_cast<NamedRecord*>(control.GetSelectedRows()->GetAt(0)->GetRecord())->Name(), u"x");
    EXPECT_EQ(control.GetDropPosition(), -1);

    // Below the lower half of the last row: after it.
    host.notifications.clear();
    ui_testing::DragEnter(hwnd, *data, Lower(control, 4));
    EXPECT_EQ(ui_testing::Drop(hwnd, *data, Lower(control, 4)), DROPEFFECT_MOVE);
    EXPECT_EQ(Names(control.GetRecords()).back(), u"y");
    EXPECT_FALSE(host.notifications[1].above);
}

TEST_F(ReportDragDropTest, MinusOneToBeforeDropStopsTheInsertion) {
    auto data = Dragged({u"x"});
    host.answers[XTP_NM_REPORT_BEFORE_DROP] = -1;
    const HWND hwnd = control.GetSafeHwnd();
    ui_testing::DragEnter(hwnd, *data, Upper(control, 0));
    ui_testing::Drop(hwnd, *data, Upper(control, 0));
    EXPECT_EQ(host.Codes(), (std::vector<UINT>{XTP_NM_REPORT_DROP, XTP_NM_REPORT_BEFORE_DROP}));
    EXPECT_EQ(Names(control.GetRecords()), (std::vector<std::u16string>{u"alpha", u"beta", u"gamma"}));
}

TEST_F(ReportDragDropTest, AParentThatDestroysTheControlDuringADropEndsItSafely) {
    auto data = Dragged({u"x"});
    for (UINT code : {XTP_NM_REPORT_DROP, XTP_NM_REPORT_BEFORE_DROP}) {
        CXTPReportControl target;
        Fill(target, {u"a", u"b"}, 103, 200);
        host.notifications.clear();
        host.onNotify = [&](UINT seen) {
            if (seen == code) target.DestroyWindow();
        };
        const HWND hwnd = target.GetSafeHwnd();
        ui_testing::DragEnter(hwnd, *data, Upper(target, 1));
        ui_testing::Drop(hwnd, *data, Upper(target, 1));
        EXPECT_FALSE(IsWindow(hwnd));
        EXPECT_EQ(host.Codes().back(), code);
        EXPECT_EQ(target.GetRecords()->GetCount(), 2);
        host.onNotify = nullptr;
    }

    // Deleted outright once the records are in.
    auto* doomed = new CXTPReportControl;
    Fill(*doomed, {u"a"}, 104, 200);
    host.onNotify = [&](UINT seen) {
        if (seen == XTP_NM_REPORT_RECORDS_DROPPED) delete doomed;
    };
    const HWND hwnd = doomed->GetSafeHwnd();
    ui_testing::DragEnter(hwnd, *data, Upper(*doomed, 0));
    ui_testing::Drop(hwnd, *data, Upper(*doomed, 0));
    EXPECT_FALSE(IsWindow(hwnd));
    host.onNotify = nullptr;
}

TEST_F(ReportDragDropTest, RecordsOfAnUnknownClassArriveAsNoRecords) {
    // Records of a class the receiver cannot make.
    CXTPReportControl source;
    Fill(source, {}, 101, 200);
    source.AddRecord(new NamedRecord(u"known"));
    source.AddRecord(new StrangerRecord);
    source.Populate();
    source.GetSelectedRows()->SelectBlock(0, 1);
    ASSERT_TRUE(source.Copy());
    QMimeData data;
    for (const QString& format : QGuiApplication::clipboard()->mimeData()->formats())
        data.setData(format, QGuiApplication::clipboard()->mimeData()->data(format));
    host.notifications.clear();

    ui_testing::DragEnter(control.GetSafeHwnd(), data, Upper(control, 0));
    EXPECT_EQ(ui_testing::Drop(control.GetSafeHwnd(), data, Upper(control, 0)), DROPEFFECT_NONE);
    ASSERT_EQ(host.Codes(), (std::vector<UINT>{XTP_NM_REPORT_DROP, XTP_NM_REPORT_BEFORE_DROP}));
    EXPECT_TRUE(host.notifications[1].records.empty());
    EXPECT_EQ(control.GetRecords()->GetCount(), 3);

    // Damaged data too.
    QMimeData damaged;
    damaged.setData("application/x-ui-format.Halvaran", QByteArray("HVRR\x01\x00\xff\xff\xff\x7f", 10));
    ui_testing::DragEnter(control.GetSafeHwnd(), damaged, Upper(control, 0));
    ui_testing::Drop(control.GetSafeHwnd(), damaged, Upper(control, 0));
    EXPECT_EQ(control.GetRecords()->GetCount(), 3);
}

TEST_F(ReportDragDropTest, ADragOfTheSelectedRowsIsAnnouncedAndEndsWithTheEffect) {
    control.GetSelectedRows()->Select(control.GetRows()->GetAt(0));
    const HWND hwnd = control.GetSafeHwnd();
    const CPoint press = Upper(control, 0);
    QByteArray carried;
    ui_testing::ScriptedDrag drag([&](const QMimeData& data, DROPEFFECT allowed) {
        EXPECT_EQ(allowed, static_cast<DROPEFFECT>(DROPEFFECT_COPY | DROPEFFECT_MOVE));
        carried = data.data("text/plain");
        // Moved inside the control, below the last row; the drag ends as
        // another target might have answered.
        ui_testing::DragEnter(hwnd, data, Lower(control, 2));
        ui_testing::Drop(hwnd, data, Lower(control, 2));
        return DROPEFFECT_LINK;
    });
    SendMessageW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(press.x, press.y));
    SendMessageW(hwnd, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(press.x + 1, press.y));  // not far enough
    EXPECT_EQ(drag.Count(), 0);
    const int far = QApplication::startDragDistance() + 1;
    SendMessageW(hwnd, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(press.x, press.y + far));
    SendMessageW(hwnd, WM_LBUTTONUP, 0, MAKELPARAM(press.x, press.y + far));
    EXPECT_EQ(drag.Count(), 1);
    EXPECT_EQ(carried, "alpha\r\n");

    EXPECT_EQ(host.Codes(), (std::vector<UINT>{XTP_NM_REPORT_BEGINDRAG, XTP_NM_REPORT_DROP, XTP_NM_REPORT_BEFORE_DROP,
                                               XTP_NM_REPORT_RECORDS_DROPPED, XTP_NM_REPORT_DRAGDROP_COMPLETED}));
    EXPECT_EQ(host.notifications.back().effect, static_cast<DWORD>(DROPEFFECT_LINK));
    // Every notification of the drag names the dragged records.
    for (const Notification& seen : host.notifications)
        EXPECT_EQ(seen.records, std::vector<std::u16string>{u"alpha"}) << static_cast<int>(seen.code);
    EXPECT_EQ(Names(control.GetRecords()), (std::vector<std::u16string>{u"beta", u"gamma", u"alpha"}));
}

TEST_F(ReportDragDropTest, AMoveInsideTheControlNeverEntersItselfAndMinusOnePutsItBack) {
    CXTPReportRecord* alpha = control.GetRecords()->GetAt(0);
    alpha->GetChilds()->Add(new NamedRecord(u"inner"));
    alpha->SetExpanded(TRUE);
    control.Populate();
    ASSERT_EQ(control.GetRows()->GetCount(), 4);
    const HWND hwnd = control.GetSafeHwnd();
    CPoint target;
    ui_testing::ScriptedDrag drag([&](const QMimeData& data, DROPEFFECT) {
        ui_testing::DragEnter(hwnd, data, target);
        return ui_testing::Drop(hwnd, data, target);
    });
    auto dragRow = [&](int index, CPoint to) {
        control.GetSelectedRows()->Select(control.GetRows()->GetAt(index));
        const CPoint press = Upper(control, index);
        target = to;
        SendMessageW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(press.x, press.y));
        SendMessageW(hwnd, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(press.x + 40, press.y));
        SendMessageW(hwnd, WM_LBUTTONUP, 0, MAKELPARAM(press.x + 40, press.y));
    };

    // "alpha" onto its own child: nothing moves.
    dragRow(0, Lower(control, 1));
    EXPECT_EQ(Names(control.GetRecords()), (std::vector<std::u16string>{u"alpha", u"beta", u"gamma"}));
    EXPECT_EQ(Names(alpha->GetChilds()), (std::vector<std::u16string>{u"inner"}));

    // "beta" below "gamma", refused by the parent: back in its place.
    host.answers[XTP_NM_REPORT_BEFORE_DROP] = -1;
    dragRow(2, Lower(control, 3));
    EXPECT_EQ(host.Codes(),
              (std::vector<UINT>{XTP_NM_REPORT_BEGINDRAG, XTP_NM_REPORT_DROP, XTP_NM_REPORT_DRAGDROP_COMPLETED,
                                 XTP_NM_REPORT_BEGINDRAG, XTP_NM_REPORT_DROP, XTP_NM_REPORT_BEFORE_DROP,
                                 XTP_NM_REPORT_DRAGDROP_COMPLETED}));
    EXPECT_EQ(Names(control.GetRecords()), (std::vector<std::u16string>{u"alpha", u"beta", u"gamma"}));

    // Accepted: "beta" goes below "gamma".
    host.answers.clear();
    dragRow(2, Lower(control, 3));
    EXPECT_EQ(Names(control.GetRecords()), (std::vector<std::u16string>{u"alpha", u"gamma", u"beta"}));
}

TEST_F(ReportDragDropTest, APressOnAnUnselectedRowDragsNothing) {
    const CPoint press = Upper(control, 1);
    ui_testing::ScriptedDrag drag([](const QMimeData&, DROPEFFECT) { return DROPEFFECT_NONE; });
    control.GetSelectedRows()->Clear();
    SendMessageW(control.GetSafeHwnd(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(press.x, press.y + 40));
    EXPECT_EQ(drag.Count(), 0);
    EXPECT_TRUE(host.notifications.empty());
}

TEST_F(ReportDragDropTest, CopyPutsTheRecordsAndTheirCaptionsOnTheClipboard) {
    control.GetSelectedRows()->SelectBlock(0, 1);
    ASSERT_TRUE(control.Copy());
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "alpha\r\nbeta\r\n");
    EXPECT_TRUE(IsClipboardFormatAvailable(RegisterClipboardFormatW(u"Halvaran")));
    control.GetSelectedRows()->Clear();
    EXPECT_FALSE(control.Copy());
}

// The explorer's kind of control: a drag that rests on a row for a second
// drag-over starts timer 1000; the timer expands that row when collapsed.
class ExpandingControl : public CXTPReportControl {
public:
    DROPEFFECT OnDragOver(COleDataObject* data, DWORD keys, CPoint point, int state) override {
        if (!data) {
            if (timer_) ::KillTimer(GetSafeHwnd(), timer_);
            timer_ = 0;
            hover_ = nullptr;
            return CXTPReportControl::OnDragOver(data, keys, point, state);
        }
        const DROPEFFECT effect = CXTPReportControl::OnDragOver(data, keys, point, state);
        CXTPReportRow* row = HitTest(point);
        if (row && row == hover_ && !timer_) {
            timer_ = ::SetTimer(GetSafeHwnd(), 1000, 500, nullptr);
        } else if (row != hover_ && timer_) {
            ::KillTimer(GetSafeHwnd(), timer_);
            timer_ = 0;
        }
        hover_ = row;
        return effect;
    }

    UINT_PTR timer_ = 0;
    CXTPReportRow* hover_ = nullptr;

protected:
    afx_msg void OnTimer(UINT_PTR id) {
        if (id == timer_ && timer_) {
            ::KillTimer(GetSafeHwnd(), timer_);
            timer_ = 0;
            if (hover_ && !hover_->IsExpanded() && hover_->HasChildren()) hover_->SetExpanded(TRUE);
        }
        CXTPReportControl::OnTimer(id);
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(ExpandingControl, CXTPReportControl)
ON_WM_TIMER()
END_MESSAGE_MAP()

TEST_F(ReportDragDropTest, ADerivedControlExpandsTheRowADragRestsOn) {
    auto data = Dragged({u"x"});
    ExpandingControl tree;
    Fill(tree, {u"folder", u"other"}, 102, 200);
    tree.GetRecords()->GetAt(0)->GetChilds()->Add(new NamedRecord(u"child"));
    tree.Populate();
    ASSERT_EQ(tree.GetRows()->GetCount(), 2);
    const HWND hwnd = tree.GetSafeHwnd();

    ui_testing::DragEnter(hwnd, *data, Upper(tree, 0));
    EXPECT_EQ(tree.timer_, 0u);
    ui_testing::DragOver(hwnd, *data, Lower(tree, 0));  // the second over the same row
    ASSERT_EQ(tree.timer_, 1000u);
    ui_testing::FireTimer(hwnd, 1000);
    EXPECT_EQ(tree.timer_, 0u);
    EXPECT_TRUE(tree.GetRows()->GetAt(0)->IsExpanded());
    EXPECT_EQ(tree.GetRows()->GetCount(), 3);

    // Moving on to another row before the timer fires cancels it.
    ui_testing::DragOver(hwnd, *data, Upper(tree, 2));
    ui_testing::DragOver(hwnd, *data, Upper(tree, 2));
    ASSERT_EQ(tree.timer_, 1000u);
    ui_testing::DragOver(hwnd, *data, Upper(tree, 1));
    EXPECT_EQ(tree.timer_, 0u);
    ui_testing::DragLeave();
    EXPECT_EQ(tree.GetDropPosition(), -1);
    tree.DestroyWindow();
}

}  // namespace
