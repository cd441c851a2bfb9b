#include "ui/toolkit/skin_manager.h"

#include "winapi/path_mapping.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

// The style sheet text of the skin at `path`, or an empty array.
QByteArray ReadSkin(const QString& path) {
    QFileInfo info(path);
    QString beside = info.dir().filePath(info.completeBaseName() + QStringLiteral(".qss"));
    for (const QString& candidate : {beside, path}) {
        QFile file(candidate);
        if (!file.open(QIODevice::ReadOnly)) continue;
        QByteArray text = file.readAll();
        // A binary skin of another toolkit is no style sheet.
        if (!text.isEmpty() && !text.contains('\0')) return text;
    }
    return {};
}

}  // namespace

void CXTPSkinManager::SetApplyOptions(DWORD options) {
    options_ = options;
    Apply();
}

BOOL CXTPSkinManager::LoadSkin(LPCWSTR path, LPCWSTR) {
    if (!path || !*path) return FALSE;
    QByteArray sheet = ReadSkin(QString::fromStdString(winapi::ToPosixPath(path)));
    if (sheet.isEmpty()) return FALSE;
    sheet_ = sheet.toStdString();
    Apply();
    return TRUE;
}

void CXTPSkinManager::RemoveAll(BOOL unload) {
    sheet_.clear();
    if (unload) Apply();
}

void CXTPSkinManager::Apply() const {
    auto* application = qobject_cast<QApplication*>(QCoreApplication::instance());
    if (!application) return;
    QString sheet = (options_ & xtpSkinApplyColors) ? QString::fromStdString(sheet_) : QString();
    if (application->styleSheet() != sheet) application->setStyleSheet(sheet);
}

CXTPSkinManager* XTPSkinManager() {
    static CXTPSkinManager manager;
    return &manager;
}
