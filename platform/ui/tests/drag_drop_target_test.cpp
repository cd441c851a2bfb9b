// Drop targets on windows, a window taking files, and drags started through
// a data source - all with synthetic drag events.

#include "recording_window.h"
#include "ui/drag_drop.h"
#include "ui/framework/wnd.h"
#include "ui_testing/drag_drop.h"
#include "ui_testing/ui_test.h"

#include <QMimeData>
#include <QUrl>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

struct TargetCall {
    std::string what;
    DWORD keys;
    DROPEFFECT effect;
    CPoint point;
    bool hasText;
};

class RecordingTarget : public COleDropTarget {
public:
    DROPEFFECT OnDragEnter(CWnd* window, COleDataObject* data, DWORD keys, CPoint point) override {
        calls.push_back({"enter", keys, 0, point, data->IsDataAvailable(CF_UNICODETEXT) != FALSE});
        EXPECT_EQ(window, expectedWindow);
        return answer;
    }
    DROPEFFECT OnDragOver(CWnd*, COleDataObject* data, DWORD keys, CPoint point) override {
        calls.push_back({"over", keys, 0, point, data->IsDataAvailable(CF_UNICODETEXT) != FALSE});
        return (keys & MK_CONTROL) ? DROPEFFECT_COPY : answer;
    }
    void OnDragLeave(CWnd*) override { calls.push_back({"leave", 0, 0, {}, false}); }
    BOOL OnDrop(CWnd*, COleDataObject* data, DROPEFFECT effect, CPoint point) override {
        HGLOBAL text = data->GetGlobalData(CF_UNICODETEXT);
        dropped = text ? std::u16string(static_cast<const char16_t*>(GlobalLock(text))) : u"";
        if (text) GlobalUnlock(text), GlobalFree(text);
        calls.push_back({"drop", 0, effect, point, text != nullptr});
        return acceptDrop;
    }

    std::vector<TargetCall> calls;
    DROPEFFECT answer = DROPEFFECT_MOVE;
    BOOL acceptDrop = TRUE;
    CWnd* expectedWindow = nullptr;
    std::u16string dropped;
};

class DragDropTargetTest : public ui_testing::UiTest {
protected:
    void SetUp() override {
        ui_testing::UiTest::SetUp();
        ASSERT_TRUE(window.CreateEx(0, u"DropTest", u"drop", 0, RECT{0, 0, 200, 150}, nullptr, 0));
        target.expectedWindow = &window;
        text.setText("dragged");
    }
    void TearDown() override {
        ui_testing::DragLeave();
        target.Revoke();
        window.DestroyWindow();
        ui_testing::UiTest::TearDown();
    }

    CWnd window;
    RecordingTarget target;
    QMimeData text;
};

TEST_F(DragDropTargetTest, ARegisteredTargetSeesEnterOverLeaveAndDropWithKeysAndEffects) {
    ASSERT_TRUE(target.Register(&window));
    EXPECT_FALSE(target.Register(&window));  // once

    EXPECT_EQ(ui_testing::DragEnter(window.GetSafeHwnd(), text, POINT{10, 20}), DROPEFFECT_MOVE);
    EXPECT_EQ(ui_testing::DragOver(window.GetSafeHwnd(), text, POINT{30, 40}, MK_LBUTTON | MK_CONTROL),
              DROPEFFECT_COPY);
    ui_testing::DragLeave();
    ASSERT_EQ(target.calls.size(), 3u);
    EXPECT_EQ(target.calls[0].what, "enter");
    EXPECT_EQ(target.calls[0].keys, static_cast<DWORD>(MK_LBUTTON));
    EXPECT_EQ(target.calls[0].point, CPoint(10, 20));
    EXPECT_TRUE(target.calls[0].hasText);
    EXPECT_EQ(target.calls[1].what, "over");
    EXPECT_EQ(target.calls[1].keys, static_cast<DWORD>(MK_LBUTTON | MK_CONTROL));
    EXPECT_EQ(target.calls[1].point, CPoint(30, 40));
    EXPECT_EQ(target.calls[2].what, "leave");

    // A drop gets the effect of the last answer.
    target.calls.clear();
    ui_testing::DragEnter(window.GetSafeHwnd(), text, POINT{5, 5});
    EXPECT_EQ(ui_testing::Drop(window.GetSafeHwnd(), text, POINT{50, 60}), DROPEFFECT_MOVE);
    ASSERT_EQ(target.calls.size(), 2u);
    EXPECT_EQ(target.calls[1].what, "drop");
    EXPECT_EQ(target.calls[1].effect, static_cast<DROPEFFECT>(DROPEFFECT_MOVE));
    EXPECT_EQ(target.calls[1].point, CPoint(50, 60));
    EXPECT_EQ(target.dropped, u"dragged");
}

TEST_F(DragDropTargetTest, RefusalsAndEffectsTheSourceDoesNotAllowGiveNone) {
    ASSERT_TRUE(target.Register(&window));
    target.answer = DROPEFFECT_NONE;
    EXPECT_EQ(ui_testing::DragEnter(window.GetSafeHwnd(), text, POINT{1, 1}), DROPEFFECT_NONE);
    // Moves keep coming after a refused entry; the target may change its mind.
    EXPECT_EQ(ui_testing::DragOver(window.GetSafeHwnd(), text, POINT{2, 2}, MK_LBUTTON | MK_CONTROL), DROPEFFECT_COPY);
    // A copy the source does not allow is none.
    EXPECT_EQ(ui_testing::DragOver(window.GetSafeHwnd(), text, POINT{2, 2}, MK_LBUTTON | MK_CONTROL, DROPEFFECT_MOVE),
              DROPEFFECT_NONE);
    ui_testing::DragLeave();

    target.answer = DROPEFFECT_MOVE;
    target.acceptDrop = FALSE;
    ui_testing::DragEnter(window.GetSafeHwnd(), text, POINT{1, 1});
    EXPECT_EQ(ui_testing::Drop(window.GetSafeHwnd(), text, POINT{1, 1}), DROPEFFECT_NONE);
}

TEST_F(DragDropTargetTest, ARevokedTargetOrADestroyedWindowHearsNothing) {
    ASSERT_TRUE(target.Register(&window));
    target.Revoke();
    EXPECT_EQ(ui_testing::DragEnter(window.GetSafeHwnd(), text, POINT{1, 1}), DROPEFFECT_NONE);
    EXPECT_TRUE(target.calls.empty());

    // The window goes first; the target is revoked after it without harm.
    ASSERT_TRUE(target.Register(&window));
    window.DestroyWindow();
    target.Revoke();
    EXPECT_TRUE(target.calls.empty());
}

TEST_F(DragDropTargetTest, ATargetThatRevokesItselfWhileItAnswersIsSafe) {
    class RevokingTarget : public RecordingTarget {
    public:
        DROPEFFECT OnDragOver(CWnd* window, COleDataObject* data, DWORD keys, CPoint point) override {
            Revoke();
            return RecordingTarget::OnDragOver(window, data, keys, point);
        }
    } revoking;
    revoking.expectedWindow = &window;
    ASSERT_TRUE(revoking.Register(&window));
    ui_testing::DragEnter(window.GetSafeHwnd(), text, POINT{1, 1});
    ui_testing::DragOver(window.GetSafeHwnd(), text, POINT{2, 2});
    EXPECT_EQ(ui_testing::Drop(window.GetSafeHwnd(), text, POINT{2, 2}), DROPEFFECT_NONE);
    EXPECT_EQ(revoking.calls.size(), 2u);  // enter, over; nothing after the revoke
}

TEST_F(DragDropTargetTest, AWindowThatAcceptsFilesGetsThemAsAFileList) {
    RecordingWindow files;
    ASSERT_TRUE(files.CreateTopLevel());
    std::vector<std::u16string> received;
    POINT where{};
    files.onMessage = [&](UINT message, WPARAM wParam, LPARAM) -> LRESULT {
        if (message != WM_DROPFILES) return RecordingWindow::kNotHandled;
        auto drop = reinterpret_cast<HDROP>(wParam);
        const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
        for (UINT i = 0; i < count; ++i) {
            WCHAR path[261];
            DragQueryFileW(drop, i, path, 261);
            received.emplace_back(path);
        }
        where = static_cast<DROPFILES*>(GlobalLock(reinterpret_cast<HGLOBAL>(drop)))->pt;
        GlobalUnlock(reinterpret_cast<HGLOBAL>(drop));
        DragFinish(drop);
        return 0;
    };
    QMimeData shellFiles;
    shellFiles.setUrls({QUrl::fromLocalFile("/home/ann/a.dwg"), QUrl::fromLocalFile("/home/ann/b.dwg")});

    EXPECT_EQ(ui_testing::Drop(files.Handle(), shellFiles, POINT{7, 8}), DROPEFFECT_NONE);  // not accepted yet
    DragAcceptFiles(files.Handle(), TRUE);
    EXPECT_EQ(ui_testing::DragOver(files.Handle(), text, POINT{7, 8}), DROPEFFECT_NONE);  // no files in it
    EXPECT_EQ(ui_testing::Drop(files.Handle(), shellFiles, POINT{7, 8}), DROPEFFECT_COPY);
    EXPECT_EQ(received, (std::vector<std::u16string>{u"/home/ann/a.dwg", u"/home/ann/b.dwg"}));
    EXPECT_EQ(where.x, 7);
    EXPECT_EQ(where.y, 8);

    DragAcceptFiles(files.Handle(), FALSE);
    EXPECT_EQ(ui_testing::Drop(files.Handle(), shellFiles, POINT{7, 8}), DROPEFFECT_NONE);
    EXPECT_EQ(received.size(), 2u);
}

TEST_F(DragDropTargetTest, ADataSourceDragCarriesItsBlocksAndAnswersTheTargetsEffect) {
    ASSERT_TRUE(target.Register(&window));
    const UINT format = RegisterClipboardFormatW(u"DragTestRecords");
    COleDataSource source;
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, 3);
    std::memcpy(GlobalLock(block), "abc", 3);
    GlobalUnlock(block);
    source.CacheGlobalData(static_cast<CLIPFORMAT>(format), block);

    DROPEFFECT allowedSeen = 0;
    QByteArray carried;
    ui_testing::ScriptedDrag drag([&](const QMimeData& data, DROPEFFECT allowed) {
        allowedSeen = allowed;
        carried = data.data("application/x-ui-format.DragTestRecords");
        ui_testing::DragEnter(window.GetSafeHwnd(), data, POINT{3, 3});
        return ui_testing::Drop(window.GetSafeHwnd(), data, POINT{3, 3});
    });
    EXPECT_EQ(source.DoDragDrop(DROPEFFECT_COPY | DROPEFFECT_MOVE), DROPEFFECT_MOVE);
    EXPECT_EQ(drag.Count(), 1);
    EXPECT_EQ(allowedSeen, static_cast<DROPEFFECT>(DROPEFFECT_COPY | DROPEFFECT_MOVE));
    EXPECT_EQ(carried, "abc");
    ASSERT_EQ(target.calls.size(), 2u);
    EXPECT_EQ(target.calls[1].what, "drop");
}

}  // namespace
