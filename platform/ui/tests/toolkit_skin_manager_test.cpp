#include "ui/toolkit/skin_manager.h"
#include "ui_testing/ui_test.h"
#include "winapi/path_mapping.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace {

class SkinManagerTest : public ui_testing::UiTest {
protected:
    void TearDown() override {
        XTPSkinManager()->SetApplyOptions(xtpSkinApplyMetrics | xtpSkinApplyFrame | xtpSkinApplyColors);
        XTPSkinManager()->RemoveAll(TRUE);
        UiTest::TearDown();
    }
    static void Write(const QString& path, const QByteArray& bytes) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
    // The folder in the system's path form, ending in a separator.
    std::u16string Folder() const { return winapi::FromPosixPath(folder.path().toStdString()) + u"\\"; }

    QTemporaryDir folder;
};

TEST_F(SkinManagerTest, LoadsTheStyleSheetBesideTheSkinAndDropsIt) {
    const QByteArray sheet = "QMainWindow { background: #fafafa; }";
    Write(folder.filePath(QStringLiteral("Office2007.qss")), sheet);
    Write(folder.filePath(QStringLiteral("Office2007.cjstyles")), QByteArray("\x01\x00binary", 8));
    XTPSkinManager()->SetApplyOptions(7);
    EXPECT_TRUE(XTPSkinManager()->LoadSkin((Folder() + u"Office2007.cjstyles").c_str()));
    EXPECT_EQ(qApp->styleSheet(), QString::fromLatin1(sheet));
    XTPSkinManager()->RemoveAll(TRUE);
    EXPECT_TRUE(qApp->styleSheet().isEmpty());
}

TEST_F(SkinManagerTest, MissingOrBinarySkinKeepsTheLook) {
    Write(folder.filePath(QStringLiteral("Binary.cjstyles")), QByteArray("\x01\x00binary", 8));
    EXPECT_FALSE(XTPSkinManager()->LoadSkin((Folder() + u"Binary.cjstyles").c_str()));
    EXPECT_FALSE(XTPSkinManager()->LoadSkin((Folder() + u"Missing.cjstyles").c_str()));
    EXPECT_FALSE(XTPSkinManager()->LoadSkin(nullptr));
    EXPECT_TRUE(qApp->styleSheet().isEmpty());
}

TEST_F(SkinManagerTest, SkinIsAppliedOnlyWithTheColoursOption) {
    Write(folder.filePath(QStringLiteral("Plain.qss")), "QWidget { color: #123456; }");
    XTPSkinManager()->SetApplyOptions(xtpSkinApplyMetrics);
    EXPECT_TRUE(XTPSkinManager()->LoadSkin((Folder() + u"Plain.qss").c_str()));
    EXPECT_TRUE(qApp->styleSheet().isEmpty());
    XTPSkinManager()->SetApplyOptions(7);
    EXPECT_EQ(qApp->styleSheet(), QStringLiteral("QWidget { color: #123456; }"));
}

}  // namespace
