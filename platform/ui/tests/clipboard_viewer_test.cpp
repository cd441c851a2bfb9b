// Clipboard change notification: every registered window is told, a
// destroyed one drops out, an unregistered one is no longer told.

#include "recording_window.h"
#include "ui/clipboard.h"
#include "ui_testing/ui_test.h"

#include <QClipboard>
#include <QGuiApplication>

#include <gtest/gtest.h>

#include <memory>

namespace {

class ClipboardViewerTest : public ui_testing::UiTest {};

TEST_F(ClipboardViewerTest, EveryViewerIsToldAndDestroyedOnesDropOut) {
    RecordingWindow first, second;
    auto third = std::make_unique<RecordingWindow>();
    ASSERT_TRUE(first.CreateTopLevel());
    ASSERT_TRUE(second.CreateTopLevel());
    ASSERT_TRUE(third->CreateTopLevel());
    // No chain: nobody is handed back to pass the message on to.
    EXPECT_EQ(SetClipboardViewer(first.Handle()), nullptr);
    EXPECT_EQ(SetClipboardViewer(second.Handle()), nullptr);
    SetClipboardViewer(third->Handle());
    SetClipboardViewer(first.Handle());  // twice is once

    QGuiApplication::clipboard()->setText("one");
    EXPECT_EQ(first.Only(WM_DRAWCLIPBOARD).size(), 1u);
    EXPECT_EQ(second.Only(WM_DRAWCLIPBOARD).size(), 1u);
    EXPECT_EQ(third->Only(WM_DRAWCLIPBOARD).size(), 1u);

    // A viewer that never unregisters and is destroyed breaks nothing.
    third.reset();
    EXPECT_TRUE(ChangeClipboardChain(second.Handle(), nullptr));
    EXPECT_FALSE(ChangeClipboardChain(second.Handle(), nullptr));
    QGuiApplication::clipboard()->setText("two");
    EXPECT_EQ(first.Only(WM_DRAWCLIPBOARD).size(), 2u);
    EXPECT_EQ(second.Only(WM_DRAWCLIPBOARD).size(), 1u);

    // A change made through the layer's own calls is told too.
    ASSERT_TRUE(OpenClipboard(first.Handle()));
    EmptyClipboard();
    ASSERT_TRUE(CloseClipboard());
    EXPECT_EQ(first.Only(WM_DRAWCLIPBOARD).size(), 3u);
    ChangeClipboardChain(first.Handle(), nullptr);
}

TEST_F(ClipboardViewerTest, AViewerThatUnregistersAnotherWhileToldIsSafe) {
    RecordingWindow first, second;
    ASSERT_TRUE(first.CreateTopLevel());
    ASSERT_TRUE(second.CreateTopLevel());
    first.onMessage = [&](UINT message, WPARAM, LPARAM) -> LRESULT {
        if (message == WM_DRAWCLIPBOARD) DestroyWindow(second.Handle());
        return RecordingWindow::kNotHandled;
    };
    SetClipboardViewer(first.Handle());
    SetClipboardViewer(second.Handle());
    QGuiApplication::clipboard()->setText("three");
    EXPECT_EQ(first.Only(WM_DRAWCLIPBOARD).size(), 1u);
    EXPECT_TRUE(second.Only(WM_DRAWCLIPBOARD).empty());
    ChangeClipboardChain(first.Handle(), nullptr);
}

}  // namespace
