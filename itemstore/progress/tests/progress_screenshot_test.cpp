// Renders the progress window to a PNG under the build folder, to be looked
// at (a test artefact, not compared pixel by pixel).
#include "bellquist/enums.h"
#include "com/bstr_t.h"
#include "itemstore/progress/itm_progress.h"
#include "ui/window.h"
#include "ui/window_functions.h"
#include "ui_testing/ui_test.h"

#include <QImage>
#include <QPixmap>
#include <QWidget>

#include <gtest/gtest.h>

#include <filesystem>

namespace {

class ProgressScreenshotTest : public ui_testing::UiTest {};

TEST_F(ProgressScreenshotTest, RendersTheWindowWithItsLinesBarAndButton) {
    IItmProgress* progress = gpoCreateProgObj(nullptr);
    ASSERT_EQ(progress->Show(_bstr_t(u"Check In"), BellquistLib::ItmProgLay_CancelBtn), S_OK);
    progress->SetRange(100, _bstr_t(u"Checking in 3 items"));
    progress->SetPos(40, _bstr_t(u"\\<items>\\Machines\\Bracket.itm"));
    HWND hwnd = FindWindowW(u"#32770", u"Check In");
    ASSERT_NE(hwnd, nullptr);

    QPixmap shot = ui::WindowFromHandle(hwnd)->Widget()->grab();
    std::filesystem::path folder = std::filesystem::path(UI_ARTEFACT_DIR);
    std::filesystem::create_directories(folder);
    std::filesystem::path file = folder / "progress_dialog.png";
    ASSERT_TRUE(shot.save(QString::fromStdString(file.string()), "PNG"));
    QImage image(QString::fromStdString(file.string()));
    EXPECT_FALSE(image.isNull());
    EXPECT_GT(image.width(), image.height()) << "a wide, low window";
    progress->Release();
}

}  // namespace
