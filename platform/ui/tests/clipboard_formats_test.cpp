// Clipboard formats and data: registered ids, file lists as file managers put
// them on the clipboard, text, and the blocks handed between caller and
// clipboard.

#include "clipboard_formats.h"
#include "ui/clipboard.h"
#include "ui/drag_drop.h"
#include "ui_testing/ui_test.h"
#include "winapi/errors.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QUrl>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

class ClipboardTest : public ui_testing::UiTest {
protected:
    void TearDown() override {
        CloseClipboard();
        QGuiApplication::clipboard()->clear();
        ui_testing::UiTest::TearDown();
    }

    static std::u16string Path(HDROP drop, UINT index, UINT size = 261) {
        std::u16string buffer(size, u'\0');
        const UINT length = DragQueryFileW(drop, index, buffer.data(), size);
        buffer.resize(length);
        return buffer;
    }
};

TEST_F(ClipboardTest, RegisteredFormatsShareAnIdByNameWithoutCase) {
    const UINT items = RegisterClipboardFormatW(u"CFHalvaranItems");
    EXPECT_GE(items, 0xC000u);
    EXPECT_LE(items, 0xFFFFu);
    EXPECT_EQ(RegisterClipboardFormatW(u"cfhalvaranITEMS"), items);
    const UINT other = RegisterClipboardFormatW(u"Halvaran");
    EXPECT_NE(other, items);
    EXPECT_GE(other, 0xC000u);

    WCHAR name[8];
    EXPECT_EQ(GetClipboardFormatNameW(items, name, 8), 7);  // cut to size - 1
    EXPECT_EQ(std::u16string(name), u"CFHalva");
    EXPECT_EQ(ui::detail::MimeTypeOfFormat(items), "application/x-ui-format.CFHalvaranItems");

    EXPECT_EQ(RegisterClipboardFormatW(u""), 0u);
    EXPECT_EQ(RegisterClipboardFormatW(nullptr), 0u);
    EXPECT_EQ(GetClipboardFormatNameW(CF_HDROP, name, 8), 0);
}

TEST_F(ClipboardTest, FilesCopiedByAFileManagerReadAsAFileList) {
    // A file manager offers the files as URIs; a remote one is not a file.
    auto* data = new QMimeData;
    data->setUrls({QUrl::fromLocalFile("/home/ann/drawing one.dwg"), QUrl("https://example.org/x"),
                   QUrl::fromLocalFile("/tmp/b.txt")});
    QGuiApplication::clipboard()->setMimeData(data);

    EXPECT_TRUE(IsClipboardFormatAvailable(CF_HDROP));
    ASSERT_TRUE(OpenClipboard(nullptr));
    auto drop = static_cast<HDROP>(GetClipboardData(CF_HDROP));
    ASSERT_NE(drop, nullptr);
    EXPECT_EQ(GetClipboardData(CF_HDROP), drop);  // the clipboard keeps the block until closed
    EXPECT_EQ(DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0), 2u);
    EXPECT_EQ(Path(drop, 0), u"/home/ann/drawing one.dwg");
    EXPECT_EQ(Path(drop, 1), u"/tmp/b.txt");
    EXPECT_EQ(DragQueryFileW(drop, 1, nullptr, 0), 10u);  // the length without a buffer
    EXPECT_EQ(Path(drop, 0, 6), u"/home");                // cut to size - 1
    EXPECT_EQ(DragQueryFileW(drop, 2, nullptr, 0), 0u);
    EXPECT_TRUE(CloseClipboard());
}

TEST_F(ClipboardTest, FilesPutOnTheClipboardReachFileManagersAndComeBack) {
    const std::vector<std::u16string> paths{u"/srv/vault/a.dwg", u"/srv/vault/b c.pdf"};
    ASSERT_TRUE(OpenClipboard(nullptr));
    ASSERT_TRUE(EmptyClipboard());
    HGLOBAL block = ui::detail::MakeFileListBlock(paths);
    EXPECT_EQ(SetClipboardData(CF_HDROP, block), block);
    ASSERT_TRUE(CloseClipboard());

    const QMimeData* published = QGuiApplication::clipboard()->mimeData();
    ASSERT_NE(published, nullptr);
    EXPECT_EQ(published->urls(),
              (QList<QUrl>{QUrl::fromLocalFile("/srv/vault/a.dwg"), QUrl::fromLocalFile("/srv/vault/b c.pdf")}));
    EXPECT_EQ(published->data("x-special/gnome-copied-files"),
              "copy\nfile:///srv/vault/a.dwg\nfile:///srv/vault/b%20c.pdf");

    // A paste where only the file manager's own list is offered.
    auto* copied = new QMimeData;
    copied->setData("x-special/gnome-copied-files", "cut\nfile:///srv/vault/a.dwg\n");
    QGuiApplication::clipboard()->setMimeData(copied);
    COleDataObject data;
    ASSERT_TRUE(data.AttachClipboard());
    ASSERT_TRUE(data.IsDataAvailable(CF_HDROP));
    HGLOBAL read = data.GetGlobalData(CF_HDROP);
    EXPECT_EQ(DragQueryFileW(static_cast<HDROP>(read), 0xFFFFFFFF, nullptr, 0), 1u);
    EXPECT_EQ(Path(static_cast<HDROP>(read), 0), u"/srv/vault/a.dwg");
    GlobalFree(read);
}

TEST_F(ClipboardTest, TextAndRegisteredFormatsTravelAsTheyAre) {
    const UINT items = RegisterClipboardFormatW(u"CFHalvaranItems");
    const std::u16string text = u"/v/a\r\n/v/b\r\n";
    HGLOBAL textBlock = GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * 2);
    std::memcpy(GlobalLock(textBlock), text.c_str(), (text.size() + 1) * 2);
    GlobalUnlock(textBlock);
    HGLOBAL rawBlock = GlobalAlloc(GMEM_MOVEABLE, text.size() * 2);  // no null: the reader stops at the size
    std::memcpy(GlobalLock(rawBlock), text.c_str(), text.size() * 2);
    GlobalUnlock(rawBlock);

    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    SetClipboardData(CF_UNICODETEXT, textBlock);
    SetClipboardData(items, rawBlock);
    ASSERT_TRUE(CloseClipboard());
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "/v/a\r\n/v/b\r\n");

    COleDataObject data;
    data.AttachClipboard();
    EXPECT_TRUE(data.IsDataAvailable(static_cast<CLIPFORMAT>(items)));
    EXPECT_FALSE(data.IsDataAvailable(CF_HDROP));
    HGLOBAL read = data.GetGlobalData(static_cast<CLIPFORMAT>(items));
    ASSERT_EQ(GlobalSize(read), text.size() * 2);
    EXPECT_EQ(std::memcmp(GlobalLock(read), text.data(), text.size() * 2), 0);
    GlobalUnlock(read);
    GlobalFree(read);

    // Another program names the format in another case.
    auto* foreign = new QMimeData;
    foreign->setData("application/x-ui-format.cfhalvaranitems", QByteArray("x\0", 2));
    QGuiApplication::clipboard()->setMimeData(foreign);
    EXPECT_TRUE(IsClipboardFormatAvailable(items));
    EXPECT_FALSE(IsClipboardFormatAvailable(CF_UNICODETEXT));
}

TEST_F(ClipboardTest, OneOpenerAtATimeAndDataOnlyWhileOpen) {
    EXPECT_EQ(GetClipboardData(CF_UNICODETEXT), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CLIPBOARD_NOT_OPEN));
    EXPECT_FALSE(EmptyClipboard());
    ASSERT_TRUE(OpenClipboard(nullptr));
    EXPECT_FALSE(OpenClipboard(nullptr));
    EXPECT_EQ(SetClipboardData(CF_UNICODETEXT, nullptr), nullptr);  // no rendering on request
    HGLOBAL unknown = GlobalAlloc(GMEM_MOVEABLE, 4);
    EXPECT_EQ(SetClipboardData(0xBEEF, unknown), nullptr);  // not a format of this layer: stays the caller's
    GlobalFree(unknown);
    EXPECT_TRUE(CloseClipboard());
    EXPECT_FALSE(CloseClipboard());
}

TEST_F(ClipboardTest, DamagedFileListsReadAsNoFiles) {
    HGLOBAL tiny = GlobalAlloc(GMEM_MOVEABLE, 3);
    EXPECT_EQ(DragQueryFileW(static_cast<HDROP>(tiny), 0xFFFFFFFF, nullptr, 0), 0u);
    GlobalFree(tiny);

    // The offset points past the block.
    HGLOBAL bad = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(DROPFILES) + 4);
    static_cast<DROPFILES*>(GlobalLock(bad))->pFiles = 1000;
    GlobalUnlock(bad);
    EXPECT_EQ(DragQueryFileW(static_cast<HDROP>(bad), 0xFFFFFFFF, nullptr, 0), 0u);
    GlobalFree(bad);

    // A list without its final nulls still gives its whole paths.
    const std::u16string list(u"/a\0/bc", 6);
    HGLOBAL open = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(DROPFILES) + 6 * 2);
    auto* bytes = static_cast<unsigned char*>(GlobalLock(open));
    DROPFILES head{sizeof(DROPFILES), {0, 0}, FALSE, TRUE};
    std::memcpy(bytes, &head, sizeof head);
    std::memcpy(bytes + sizeof head, list.data(), 6 * 2);
    GlobalUnlock(open);
    EXPECT_EQ(DragQueryFileW(static_cast<HDROP>(open), 0xFFFFFFFF, nullptr, 0), 2u);
    EXPECT_EQ(Path(static_cast<HDROP>(open), 1), u"/bc");
    GlobalFree(open);
}

}  // namespace
