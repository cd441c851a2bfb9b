#include "ui/framework/wait_cursor.h"

#include "ui/framework/cmd_target.h"

#include <QCursor>
#include <QGuiApplication>

namespace {

// Qt keeps a stack of override cursors; without a GUI application there is
// no cursor to change.
void PushWaitCursor() {
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
}

void PopWaitCursor() {
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) && QGuiApplication::overrideCursor())
        QGuiApplication::restoreOverrideCursor();
}

}  // namespace

CWaitCursor::CWaitCursor() { PushWaitCursor(); }

CWaitCursor::~CWaitCursor() { PopWaitCursor(); }

void CWaitCursor::Restore() {
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) && QGuiApplication::overrideCursor())
        QGuiApplication::changeOverrideCursor(Qt::WaitCursor);
}

void CCmdTarget::BeginWaitCursor() { PushWaitCursor(); }

void CCmdTarget::EndWaitCursor() { PopWaitCursor(); }

void CCmdTarget::RestoreWaitCursor() {
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) && QGuiApplication::overrideCursor())
        QGuiApplication::changeOverrideCursor(Qt::WaitCursor);
}
