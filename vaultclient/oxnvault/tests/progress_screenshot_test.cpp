// Renders the vault's progress window to a PNG under the build folder, to be
// looked at (a test artefact, not compared pixel by pixel).
#include "com/ccom_bstr.h"
#include "com/ccom_ptr.h"
#include "com/server/com_object.h"
#include "oxn_progress.h"
#include "ui/window.h"
#include "ui_testing/ui_test.h"

#include <QImage>
#include <QPixmap>
#include <QWidget>

#include <gtest/gtest.h>

#include <filesystem>

namespace {

class ProgressScreenshotTest : public ui_testing::UiTest {};

TEST_F(ProgressScreenshotTest, RendersTheWindowWithItsLinesBarsTotalsAndCancel) {
    CComObject<oxnvault::COxnProgress>* object = nullptr;
    ASSERT_EQ(CComObject<oxnvault::COxnProgress>::CreateInstance(&object), S_OK);
    CComPtr<OxnVaultLib::IOxnProgress> progress;
    ASSERT_EQ(object->QueryInterface(IID_PPV_ARGS(&progress)), S_OK);
    ASSERT_EQ(progress->Open(CComBSTR(u"Get Latest Version"), CComBSTR(u"Calculating..."), 0, 0, 0, 7), S_OK);
    progress->BeginOperation(CComBSTR(u"Get Latest Version"), CComBSTR(u"Getting Latest Version of files"), 0, 10, 0,
                             1);
    progress->SetSecondText(CComBSTR(u"C:\\Views\\Demo\\Projects\\Bracket.zvkprt"), 4);
    progress->SetSecondPosition(60);
    progress->SetTotals(4, 1, 10);
    LONG handle = 0;
    ASSERT_EQ(progress->GetWindow(&handle), S_OK);
    HWND hwnd = reinterpret_cast<HWND>(static_cast<intptr_t>(handle));

    QPixmap shot = ui::WindowFromHandle(hwnd)->Widget()->grab();
    std::filesystem::path folder = std::filesystem::path(UI_ARTEFACT_DIR);
    std::filesystem::create_directories(folder);
    std::filesystem::path file = folder / "vault_progress_window.png";
    ASSERT_TRUE(shot.save(QString::fromStdString(file.string()), "PNG"));
    QImage image(QString::fromStdString(file.string()));
    EXPECT_FALSE(image.isNull());
    EXPECT_GT(image.width(), image.height()) << "a wide, low window";
}

}  // namespace
