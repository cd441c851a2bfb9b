#include "toolkit/customize_dialog.h"
#include "toolkit_test_frame.h"
#include "ui/menu_resource.h"
#include "ui/menus.h"
#include "ui/toolkit/command_bars.h"
#include "ui/toolkit/customize_sheet.h"
#include "ui_testing/scripted_prompter.h"
#include "ui_testing/ui_test.h"

#include <QCheckBox>
#include <QListWidget>
#include <QToolBar>

namespace {

class CustomizeTest : public ui_testing::UiTest {
protected:
    void SetUp() override {
        UiTest::SetUp();
        ui::RegisterMenuResource(
            {128,
             {{0, u"&File", MF_POPUP, {{57613, u"New &Halvaran..."}, {0, {}, MF_SEPARATOR}, {57665, u"E&xit"}}},
              {0, u"&Edit", MF_POPUP, {{57634, u"&Copy\tCtrl+C"}, {57637, u"&Paste\tCtrl+V"}}}}});
        ASSERT_TRUE(frame.CreateFrame());
        bars = std::make_unique<CXTPCommandBars>(frame.Handle());
        CXTPToolBar* bar = bars->Add(u"Item Folder Commands", xtpBarTop);
        bar->GetControls()->Add(xtpControlButton, 57634);
        bar->GetControls()->Add(xtpControlButton, 57637)->SetVisible(FALSE);
    }
    void TearDown() override {
        bars.reset();
        ui::UnregisterMenuResource(128);
        UiTest::TearDown();
    }

    TestFrame frame;
    std::unique_ptr<CXTPCommandBars> bars;
};

TEST_F(CustomizeTest, CategoriesComeFromTheMenu) {
    CXTPCustomizeSheet sheet(bars.get());
    CXTPCustomizeCommandsPage* page = sheet.GetCommandsPage();
    ASSERT_TRUE(page->AddCategories(128));
    page->InsertAllCommandsCategory();
    ASSERT_TRUE(page->InsertBuiltInMenus(128));
    page->InsertNewMenuCategory();
    EXPECT_FALSE(page->AddCategories(999));

    const auto& categories = page->GetCategories();
    ASSERT_EQ(categories.size(), 5u);
    EXPECT_EQ(categories[0].name, u"File");
    ASSERT_EQ(categories[0].entries.size(), 2u);
    EXPECT_EQ(categories[0].entries[1].caption, u"Exit");
    EXPECT_EQ(categories[1].entries[0].caption, u"Copy");
    EXPECT_EQ(categories[2].name, u"All Commands");
    EXPECT_EQ(categories[2].entries.size(), 4u);
    EXPECT_EQ(categories[2].entries[0].caption, u"Copy") << "sorted by name";
    EXPECT_EQ(categories[3].name, u"Built-in Menus");
    EXPECT_EQ(categories[3].entries.size(), 2u);
    EXPECT_EQ(categories[4].name, u"New Menu");
}

TEST_F(CustomizeTest, SheetTogglesToolBarButtonsThroughThePrompter) {
    CXTPCustomizeSheet sheet(bars.get());
    CXTPCustomizeOptionsPage options(&sheet);
    sheet.AddPage(&options);
    sheet.GetCommandsPage()->AddCategories(128);

    ui_testing::ScriptedPrompter prompter;
    prompter.DriveDialog("Customize", [&](ui::PromptedDialog& prompted) {
        auto& dialog = dynamic_cast<ui::detail::CustomizeDialog&>(prompted);
        ASSERT_EQ(dialog.Categories()->count(), 2);
        dialog.Categories()->setCurrentRow(1);  // Edit
        QListWidget* commands = dialog.Commands();
        ASSERT_EQ(commands->count(), 2);
        EXPECT_EQ(commands->item(0)->checkState(), Qt::Checked);
        EXPECT_EQ(commands->item(1)->checkState(), Qt::Unchecked);
        commands->item(0)->setCheckState(Qt::Unchecked);
        commands->item(1)->setCheckState(Qt::Checked);
        // File's commands have no buttons: nothing to check there.
        dialog.Categories()->setCurrentRow(0);
        EXPECT_FALSE(dialog.Commands()->item(0)->flags() & Qt::ItemIsUserCheckable);
        ASSERT_NE(dialog.LargeIcons(), nullptr);
        dialog.LargeIcons()->setChecked(true);
        EXPECT_TRUE(prompted.PressButton(IDOK));
    });
    EXPECT_EQ(sheet.DoModal(), IDOK);
    EXPECT_FALSE(bars->FindControl(xtpControlError, 57634, FALSE, FALSE)->IsVisible());
    EXPECT_TRUE(bars->FindControl(xtpControlError, 57637, FALSE, FALSE)->IsVisible());
    EXPECT_EQ(static_cast<QToolBar*>(bars->GetAt(0)->Widget())->iconSize(), QSize(24, 24));
}

}  // namespace
