// Owner-drawn menu items: the menu's owner measures them (WM_MEASUREITEM)
// and paints them (WM_DRAWITEM) with a DC over the menu's painter, in popup
// menus shown by the default prompter and in menu bars.
#include "menu_widgets.h"
#include "recording_window.h"
#include "ui/device_context.h"
#include "ui/gdi_objects.h"
#include "ui/menus.h"
#include "ui/message_queue.h"
#include "ui_testing/ui_test.h"

#include <QAction>
#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QWidgetAction>

#include <gtest/gtest.h>

namespace {

constexpr UINT kRefresh = 32928;
constexpr UINT kCheckOut = 32929;
constexpr UINT kCheckIn = 32930;
constexpr COLORREF kPlain = RGB(20, 140, 60);
constexpr COLORREF kSelected = RGB(200, 30, 30);

// What the owner was told, copied while the message's structure lived.
struct Measured {
    UINT ctlType, ctlId, itemId;
    ULONG_PTR itemData;
};
struct Drawn {
    UINT ctlType, ctlId, itemId, itemState;
    HWND menu;
    RECT rect;
    ULONG_PTR itemData;
};

// An owner that answers its items' size from their data (the width) and
// fills them green, or red while selected, with a black bar whose width is
// the text width of "Check Out" in the DC's font.
class OwnerDrawnTest : public ui_testing::UiTest {
protected:
    void SetUp() override {
        UiTest::SetUp();
        owner_.CreateTopLevel();
        owner_.onMessage = [this](UINT message, WPARAM wParam, LPARAM lParam) -> LRESULT {
            if (message == WM_MEASUREITEM) {
                EXPECT_EQ(wParam, 0u);
                auto* measure = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
                measured_.push_back({measure->CtlType, measure->CtlID, measure->itemID, measure->itemData});
                measure->itemWidth = static_cast<UINT>(measure->itemData);
                measure->itemHeight = 24;
                return TRUE;
            }
            if (message == WM_DRAWITEM) {
                EXPECT_EQ(wParam, 0u);
                auto* draw = reinterpret_cast<DRAWITEMSTRUCT*>(lParam);
                drawn_.push_back({draw->CtlType, draw->CtlID, draw->itemID, draw->itemState, draw->hwndItem,
                                  draw->rcItem, draw->itemData});
                HBRUSH fill = CreateSolidBrush((draw->itemState & ODS_SELECTED) ? kSelected : kPlain);
                EXPECT_TRUE(FillRect(draw->hDC, &draw->rcItem, fill));
                DeleteObject(fill);
                SIZE text{};
                EXPECT_TRUE(GetTextExtentPoint32W(draw->hDC, u"Check Out", 9, &text));
                RECT bar{draw->rcItem.left + 4, draw->rcItem.top + 4, draw->rcItem.left + 4 + text.cx,
                         draw->rcItem.top + 8};
                FillRect(draw->hDC, &bar, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
                return TRUE;
            }
            return RecordingWindow::kNotHandled;
        };
        menu_ = CreatePopupMenu();
        AppendMenuW(menu_, MF_STRING, kRefresh, u"Refresh");
        AppendMenuW(menu_, MF_OWNERDRAW, kCheckOut, reinterpret_cast<LPCWSTR>(ULONG_PTR{150}));
        AppendMenuW(menu_, MF_OWNERDRAW | MF_GRAYED | MF_CHECKED, kCheckIn, reinterpret_cast<LPCWSTR>(ULONG_PTR{90}));
    }
    void TearDown() override {
        DestroyMenu(menu_);
        UiTest::TearDown();
    }

    // The widget the menu or bar shows for an owner-drawn item.
    static QWidget* WidgetOf(QWidget* container, UINT id) {
        QAction* action = ActionOf(container, id);
        if (!qobject_cast<QWidgetAction*>(action)) return nullptr;
        QRect area;
        if (auto* menu = qobject_cast<QMenu*>(container)) area = menu->actionGeometry(action);
        if (auto* bar = qobject_cast<QMenuBar*>(container)) area = bar->actionGeometry(action);
        QWidget* widget = container->childAt(area.center());
        return widget && widget->parentWidget() == container ? widget : nullptr;
    }
    static QAction* ActionOf(QWidget* container, UINT id) {
        for (QAction* action : container->actions())
            if (ui::detail::CommandOf(action) == id) return action;
        return nullptr;
    }
    // The owner's fill colour at the middle of the item's left part.
    static COLORREF ShownColour(QWidget* container, QWidget* item) {
        QImage shot = container->grab().toImage();
        QPoint point = item->geometry().topLeft() + QPoint(2, item->height() / 2);
        QRgb pixel = shot.pixel(point * shot.devicePixelRatio());
        return RGB(qRed(pixel), qGreen(pixel), qBlue(pixel));
    }
    static void Save(QWidget* widget, const char* name) {
        QString path = QDir(QCoreApplication::applicationDirPath()).filePath(QString::fromLatin1(name));
        EXPECT_TRUE(widget->grab().save(path)) << path.toStdString();
    }
    static void Release(QWidget* widget) {
        QPointF at(widget->width() / 2.0, widget->height() / 2.0);
        QMouseEvent press(QEvent::MouseButtonPress, at, widget->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                          Qt::NoModifier);
        QApplication::sendEvent(widget, &press);
        QMouseEvent release(QEvent::MouseButtonRelease, at, widget->mapToGlobal(at), Qt::LeftButton, Qt::NoButton,
                            Qt::NoModifier);
        QApplication::sendEvent(widget, &release);
    }

    RecordingWindow owner_;
    HMENU menu_ = nullptr;
    std::vector<Measured> measured_;
    std::vector<Drawn> drawn_;
};

// The default prompter runs QMenu::exec; a queued call acts as the user
// once the menu's loop runs.
QMenu* OpenPopup() { return qobject_cast<QMenu*>(QApplication::activePopupWidget()); }

TEST_F(OwnerDrawnTest, APopupMenuAsksItsOwnerForSizeAndPaintAndShowsTheDrawing) {
    QSize checkOutSize;
    COLORREF plain = 0, selected = 0;
    std::size_t drawnBeforeSelection = 0;
    owner_.received.clear();
    QMetaObject::invokeMethod(
        qApp,
        [&] {
            QMenu* menu = OpenPopup();
            ASSERT_NE(menu, nullptr);
            QWidget* checkOut = WidgetOf(menu, kCheckOut);
            ASSERT_NE(checkOut, nullptr);
            checkOutSize = checkOut->size();
            plain = ShownColour(menu, checkOut);
            drawnBeforeSelection = drawn_.size();
            menu->setActiveAction(ActionOf(menu, kCheckOut));
            selected = ShownColour(menu, checkOut);
            Save(menu, "menu_owner_drawn.png");
            Release(checkOut);
        },
        Qt::QueuedConnection);
    EXPECT_EQ(TrackPopupMenu(menu_, TPM_RETURNCMD, 10, 10, 0, owner_.Handle(), nullptr), kCheckOut);

    // The owner prepared the menu before it was measured, and measured
    // before it was drawn.
    ASSERT_FALSE(owner_.received.empty());
    std::vector<UINT> order;
    for (const ReceivedMessage& message : owner_.received)
        if (order.empty() || order.back() != message.message) order.push_back(message.message);
    ASSERT_GE(order.size(), 3u);
    EXPECT_EQ(std::vector<UINT>(order.begin(), order.begin() + 3),
              (std::vector<UINT>{WM_INITMENUPOPUP, WM_MEASUREITEM, WM_DRAWITEM}));

    ASSERT_EQ(measured_.size(), 2u) << "each owner-drawn item measured once";
    EXPECT_EQ(measured_[0].ctlType, static_cast<UINT>(ODT_MENU));
    EXPECT_EQ(measured_[0].ctlId, 0u);
    EXPECT_EQ(measured_[0].itemId, kCheckOut);
    EXPECT_EQ(measured_[0].itemData, 150u);
    EXPECT_EQ(measured_[1].itemId, kCheckIn);
    EXPECT_GE(checkOutSize.width(), 150);
    EXPECT_EQ(checkOutSize.height(), 24);

    ASSERT_GT(drawnBeforeSelection, 0u);
    bool sawCheckIn = false;
    for (std::size_t i = 0; i < drawn_.size(); ++i) {
        const Drawn& draw = drawn_[i];
        EXPECT_EQ(draw.ctlType, static_cast<UINT>(ODT_MENU));
        EXPECT_EQ(draw.ctlId, 0u);
        EXPECT_EQ(draw.menu, reinterpret_cast<HWND>(menu_));
        EXPECT_EQ(draw.rect.left, 0);
        EXPECT_EQ(draw.rect.top, 0);
        EXPECT_EQ(draw.rect.bottom, 24);
        if (draw.itemId == kCheckOut) {
            EXPECT_EQ(draw.itemData, 150u);
            EXPECT_EQ(draw.itemState, i < drawnBeforeSelection ? 0u : static_cast<UINT>(ODS_SELECTED)) << i;
        } else {
            sawCheckIn = true;
            EXPECT_EQ(draw.itemId, kCheckIn);
            EXPECT_EQ(draw.itemState, static_cast<UINT>(ODS_GRAYED | ODS_CHECKED));
        }
    }
    EXPECT_TRUE(sawCheckIn);
    EXPECT_EQ(plain, kPlain) << "the owner's drawing shows in the menu";
    EXPECT_EQ(selected, kSelected) << "the active item is drawn selected";
    ui::PumpWaitingMessages();
    EXPECT_TRUE(owner_.Only(WM_COMMAND).empty()) << "TPM_RETURNCMD posts nothing";
}

TEST_F(OwnerDrawnTest, AnOwnerDrawnItemIsChosenByClickOrKeyAndNotWhenGrayed) {
    const struct {
        UINT id;
        bool byKey;
        UINT expected;
    } cases[] = {{kCheckOut, false, kCheckOut}, {kCheckOut, true, kCheckOut}, {kCheckIn, false, 0}};
    for (const auto& c : cases) {
        QMetaObject::invokeMethod(
            qApp,
            [&] {
                QMenu* menu = OpenPopup();
                ASSERT_NE(menu, nullptr);
                if (c.byKey) {
                    menu->setActiveAction(ActionOf(menu, c.id));
                    QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
                    QApplication::sendEvent(menu, &press);
                } else {
                    Release(WidgetOf(menu, c.id));
                }
                // A click that chose nothing leaves the menu open.
                if (QMenu* still = OpenPopup()) still->hide();
            },
            Qt::QueuedConnection);
        EXPECT_EQ(TrackPopupMenu(menu_, TPM_RETURNCMD, 10, 10, 0, owner_.Handle(), nullptr), c.expected)
            << c.id << (c.byKey ? " by key" : " by click");
    }
}

TEST_F(OwnerDrawnTest, AMenuBarsMenuShowsOwnerDrawnItemsAndMeasuresNewDataAgain) {
    HMENU bar = CreateMenu();
    AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(menu_), u"&Item");
    auto* widget = new QMenuBar(owner_.Widget());
    ui::detail::BindMenuBar(widget, bar, owner_.Handle());
    widget->show();
    QMenu* submenu = widget->actions().at(0)->menu();
    ASSERT_NE(submenu, nullptr);

    submenu->popup(QPoint(0, 30));
    QWidget* checkOut = WidgetOf(submenu, kCheckOut);
    ASSERT_NE(checkOut, nullptr);
    EXPECT_EQ(ShownColour(submenu, checkOut), kPlain);
    EXPECT_EQ(checkOut->sizeHint(), QSize(150, 24));
    submenu->hide();

    // An item is measured once until its data changes.
    measured_.clear();
    submenu->popup(QPoint(0, 30));
    submenu->hide();
    EXPECT_TRUE(measured_.empty());
    ModifyMenuW(menu_, kCheckOut, MF_BYCOMMAND | MF_OWNERDRAW, kCheckOut, reinterpret_cast<LPCWSTR>(ULONG_PTR{210}));
    ui::PumpWaitingMessages();
    submenu->popup(QPoint(0, 30));
    EXPECT_EQ(WidgetOf(submenu, kCheckOut), checkOut) << "the same item keeps its widget";
    ASSERT_FALSE(measured_.empty());
    EXPECT_EQ(measured_.front().itemData, 210u);
    EXPECT_GE(checkOut->width(), 210);

    Release(checkOut);
    EXPECT_FALSE(submenu->isVisible()) << "choosing closes the menu";
    ui::PumpWaitingMessages();
    EXPECT_EQ(owner_.Only(WM_COMMAND), (std::vector<ReceivedMessage>{{WM_COMMAND, MAKEWPARAM(kCheckOut, 0), 0}}));
    delete widget;
    RemoveMenu(bar, 0, MF_BYPOSITION);
    DestroyMenu(bar);
}

}  // namespace
